#!/usr/bin/env bash
# Unattended runs: the real Pelmora.exe started with DRIVE IMAGE and options, as a batch file
# starts it; each case checks the exit code, the image, the report beside it and the manifest.
BUILD=$1 SRC=$2
. "$SRC/tests/e2e/libcdrom.sh"
. "$SRC/tests/e2e/libpelmora.sh"

e2e_prefix command_line
e2e_session
e2e_make_iso "$E2E_DIR/disc.iso" ARCHIVE 3
e2e_make_iso "$E2E_DIR/other.iso" SECOND 2
e2e_add_cdrom e "$E2E_DIR/disc.iso"
e2e_add_cdrom f "$E2E_DIR/other.iso"
e2e_start
out=$E2E_DIR/out
mkdir -p "$out"
manifest=$out/manifest.csv

# run ARGS...: Pelmora.exe with these arguments; sets RC.
run() {
    RC=0
    timeout 120 wine "$APP" "$@" </dev/null >"$E2E_DIR/run.log" 2>&1 || RC=$?
    echo "    | exit code $RC: $(tr -d '\r' <"$E2E_DIR/run.log" | grep -v '^[0-9a-f]*:\(fixme\|err\|warn\)' | head -3)"
}

# report_value IMAGE KEY: the value of KEY in the last section of IMAGE's report.
report_value() {
    tr -d '\r' <"$1.log" | sed -n "s/^$2: //p" | tail -1
}

# expect_digests IMAGE: the report's digests are those of the image itself.
expect_digests() {
    local image=$1
    [ "$(report_value "$image" MD5)" = "$(md5sum <"$image" | cut -d' ' -f1)" ] || fail "MD5 in the report is wrong"
    [ "$(report_value "$image" SHA-1)" = "$(sha1sum <"$image" | cut -d' ' -f1)" ] || fail "SHA-1 in the report is wrong"
    [ "$(report_value "$image" SHA-256)" = "$(sha256sum <"$image" | cut -d' ' -f1)" ] || fail "SHA-256 in the report is wrong"
    [ "$(report_value "$image" CRC32)" = "$(python3 -c 'import sys,zlib; print("%08x" % zlib.crc32(open(sys.argv[1],"rb").read()))' "$image")" ] \
        || fail "CRC32 in the report is wrong"
}

echo "== a complete copy: exit code 0, the image, its report with four digests, a manifest row"
run E: "$(win_path "$out")\\{label}.iso" /manifest "$(win_path "$manifest")"
[ "$RC" -eq 0 ] || fail "a complete copy exited with $RC"
cmp "$E2E_DIR/disc.iso" "$out/ARCHIVE.iso" || fail "the image differs from the disc"
[ "$(report_value "$out/ARCHIVE.iso" Outcome | cut -d' ' -f1)" = complete ] || fail "the report does not say complete"
expect_digests "$out/ARCHIVE.iso"
version=$(sed -n 's/^project(Pelmora VERSION \([0-9.]*\) .*/\1/p' "$SRC/CMakeLists.txt")
[ "$(report_value "$out/ARCHIVE.iso" Tool)" = "Pelmora $version" ] || fail "the report does not name version $version"
[ "$(grep -c ',complete,0,' "$manifest")" -eq 1 ] || fail "no manifest row for the complete copy"
pass "complete, hashes confirmed by md5sum, sha1sum, sha256sum and zlib"

echo "== the same name again: {label} takes ARCHIVE (2).iso"
run e "$(win_path "$out")\\{label}.iso"
[ "$RC" -eq 0 ] || fail "the second copy exited with $RC"
cmp "$E2E_DIR/disc.iso" "$out/ARCHIVE (2).iso" || fail "no ARCHIVE (2).iso"
pass "a taken name is not replaced"

echo "== a named image that exists, without /replace: refused, exit code 4, nothing written"
before=$(stat -c %Y.%s "$out/ARCHIVE.iso.log")
run E: "$(win_path "$out/ARCHIVE.iso")"
[ "$RC" -eq 4 ] || fail "replacing without /replace exited with $RC"
[ "$(stat -c %Y.%s "$out/ARCHIVE.iso.log")" = "$before" ] || fail "the refused run wrote its report"
cmp "$E2E_DIR/disc.iso" "$out/ARCHIVE.iso" || fail "the refused run touched the image"
pass "refused"

echo "== a bad option: exit code 4, nothing written"
run E: "$(win_path "$out/bad.iso")" /frobnicate
[ "$RC" -eq 4 ] || fail "a bad option exited with $RC"
[ ! -e "$out/bad.iso" ] && [ ! -e "$out/bad.iso.log" ] || fail "a bad command line wrote a file"
pass "bad option refused"

echo "== two drives at once: both 0, two more manifest rows"
wine "$APP" E: "$(win_path "$out/one.iso")" /manifest "$(win_path "$manifest")" </dev/null >/dev/null 2>&1 &
first=$!
wine "$APP" F: "$(win_path "$out/two.iso")" /manifest "$(win_path "$manifest")" </dev/null >/dev/null 2>&1 &
second=$!
e2e_wait_exit $first 120
[ "$EXIT_CODE" -eq 0 ] || fail "the run on E: exited with $EXIT_CODE"
e2e_wait_exit $second 120
[ "$EXIT_CODE" -eq 0 ] || fail "the run on F: exited with $EXIT_CODE"
cmp "$E2E_DIR/disc.iso" "$out/one.iso" && cmp "$E2E_DIR/other.iso" "$out/two.iso" || fail "an image differs"
[ "$(grep -c ',complete,0,' "$manifest")" -eq 3 ] || fail "the manifest lacks a row: $(cat "$manifest")"
pass "two drives side by side"

echo "== an unreadable band with /rescue: exit code 1, the report lists the map's ranges"
e2e_stop
e2e_read_shim
e2e_start
RC=0
SHIM_PATH=/drives/e/disc.iso SHIM_EIO_FROM=$((1024 * 1024)) SHIM_EIO_TO=$((1024 * 1024 + 8192)) LD_PRELOAD=$READ_SHIM \
    timeout 120 "$PELMORA_WINE_LOADER" "$APP" E: "$(win_path "$out/scratched.iso")" /rescue </dev/null >/dev/null 2>&1 || RC=$?
[ "$RC" -eq 1 ] || fail "a rescued copy exited with $RC"
[ -f "$out/scratched.iso.map" ] || fail "no map beside the rescued image"
ranges=$(report_value "$out/scratched.iso" 'Unreadable ranges')
[ "$ranges" = "512-515" ] || fail "the report lists unreadable ranges [$ranges], the map: $(cat "$out/scratched.iso.map")"
pass "incomplete image kept with its ranges reported"
