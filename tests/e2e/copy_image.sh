#!/usr/bin/env bash
# Copying a disc through a real raw volume (\\.\E:) with the application's copy job: the image
# is identical to the disc byte for byte, replaces a longer old file entirely, and a read that
# fails in the middle of the disc leaves no image at all.
BUILD=$1 SRC=$2
. "$SRC/tests/e2e/libcdrom.sh"
. "$SRC/tests/e2e/libpelmora.sh"

COPY=$BUILD/tests/copy_image.exe
[ -f "$COPY" ] || fail "no $COPY"

e2e_prefix copy_image
e2e_make_iso "$E2E_DIR/disc.iso" COPYTEST 5
e2e_add_cdrom e "$E2E_DIR/disc.iso"
e2e_start

image=$E2E_DIR/image.iso
disc_bytes=$(stat -c %s "$E2E_DIR/disc.iso")
echo "== a ${disc_bytes}-byte disc copied through \\\\.\\E:"
out=$(wine "$COPY" 'E:\ - COPYTEST' "$(win_path "$image")" </dev/null 2>"$E2E_DIR/err.txt") \
    || fail "copy failed: $(cat "$E2E_DIR/err.txt")"
echo "   $out"
cmp "$E2E_DIR/disc.iso" "$image" || fail "the image differs from the disc"
pass "image identical to the disc"

echo "== an old, longer file at the image path leaves none of its bytes"
head -c $((disc_bytes + 3 * 1024 * 1024 + 1000)) /dev/zero | tr '\0' '\356' >"$image"
wine "$COPY" 'E:\' "$(win_path "$image")" </dev/null >/dev/null 2>"$E2E_DIR/err.txt" \
    || fail "copy over an old file failed: $(cat "$E2E_DIR/err.txt")"
cmp "$E2E_DIR/disc.iso" "$image" || fail "the image over an old file differs from the disc"
pass "old file replaced exactly"

echo "== a read error in the middle of the disc"
e2e_read_shim
rm -f "$image"
# Bytes 1.5 MiB to 2 MiB fail: the second 500-sector chunk meets them.
rc=0
SHIM_PATH=/drives/e/disc.iso SHIM_EIO_FROM=$((3 * 512 * 1024)) SHIM_EIO_TO=$((2 * 1024 * 1024)) LD_PRELOAD=$READ_SHIM \
    "$PELMORA_WINE_LOADER" "$COPY" 'E:\ - COPYTEST' "$(win_path "$image")" </dev/null >/dev/null 2>"$E2E_DIR/err.txt" || rc=$?
echo "   exit code $rc: $(cat "$E2E_DIR/err.txt")"
[ "$rc" -eq 1 ] || fail "a failing read did not fail the copy (exit code $rc)"
grep -q '^error [0-9]*:' "$E2E_DIR/err.txt" || fail "the system's error was not reported"
[ ! -e "$image" ] || fail "an incomplete image was left behind"
pass "read error reported, no image left"

echo "== a drive that does not exist"
rc=0
wine "$COPY" 'Q:\' "$(win_path "$image")" </dev/null >/dev/null 2>"$E2E_DIR/err.txt" || rc=$?
[ "$rc" -eq 1 ] || fail "copying from a missing drive did not fail"
grep -qF 'Cannot open drive \\.\Q:.' "$E2E_DIR/err.txt" || fail "unexpected message: $(cat "$E2E_DIR/err.txt")"
[ ! -e "$image" ] || fail "an image was created for a missing drive"
pass "missing drive named, nothing created"
