#!/usr/bin/env bash
# Copying a disc through a real raw volume (\\.\E:) with the application's copy job and no
# window, as the benchmark does: the image is identical to the disc byte for byte, and a drive
# that does not exist is named and leaves no file. (Replacing an older file and a failed read are
# the window's scenarios, copy.sh and errors.sh.)
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

echo "== a drive that does not exist"
rm -f "$image"
rc=0
wine "$COPY" 'Q:\' "$(win_path "$image")" </dev/null >/dev/null 2>"$E2E_DIR/err.txt" || rc=$?
[ "$rc" -eq 1 ] || fail "copying from a missing drive did not fail"
grep -qF 'Cannot open drive \\.\Q:.' "$E2E_DIR/err.txt" || fail "unexpected message: $(cat "$E2E_DIR/err.txt")"
[ ! -e "$image" ] || fail "an image was created for a missing drive"
pass "missing drive named, nothing created"
