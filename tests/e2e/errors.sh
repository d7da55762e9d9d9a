#!/usr/bin/env bash
# Failures as the user meets them: a disc ejected while the save dialog is open ("Drive E: is no
# longer ready"), a read error in the middle of the disc (the system's text, the partial image
# deleted only after the box is dismissed), closing the window while that box is shown (an older
# image of that name untouched), a marginal sector that reads on a retry (no failure at all: the
# image equals the disc), and a scratched disc saved around its unreadable band (Continue),
# stopped during the return passes and finished later from a sound drive that reads only the
# missing sectors; a rescue whose older image is held open by another program when it ends keeps
# everything, and the same name chosen again finishes it.
BUILD=$1 SRC=$2
. "$SRC/tests/e2e/libcdrom.sh"
. "$SRC/tests/e2e/libpelmora.sh"

e2e_prefix errors
e2e_session
disc=$E2E_DIR/disc.iso
e2e_make_iso "$disc" ERRORS_E2E 8
e2e_add_cdrom e "$disc"
e2e_start
out=$E2E_DIR/out
mkdir -p "$out"

# Reads of bytes 3 MiB to 4 MiB of the disc fail with EIO, every time, so no retry gets through:
# the job meets them in its fourth 500-sector chunk, after about 3 MB of the image have been written.
e2e_start_pelmora_shimmed SHIM_EIO_FROM=$((3 * 1024 * 1024)) SHIM_EIO_TO=$((4 * 1024 * 1024))
expect_drives 'E:\ - ERRORS_E2E'
expect_button "Create ISO" enabled 3000

echo "== a read error in the middle of the disc"
create_image "$out/bad.iso"
drv messagebox show 10000 || fail "no message box after a read error"
box=$DRV_OUT
printf '%s\n' "$box" | grep -qx 'message box: \[Pelmora\]' || fail "the message box is not captioned with the application's name"
text=$(printf '%s\n' "$box" | grep -E '^  Static (-1|65535) \[' | grep -v '\[\]' | head -n 1 | sed -E 's/^  Static [0-9-]+ //')
[ -n "$text" ] || fail "the message box shows no text"
printf '%s\n' "$text" | grep -q 'Cannot' && fail "a read error is reported with the job's own text, not the system's"
printf '%s\n' "$box" | grep -qE '^  Static [0-9-]+ icon' || fail "the message box shows no icon"
# Until the box is dismissed, the copy is still running and its partial image exists.
drv button
drv_has -F 'button: [Stop]' || fail "the button does not read Stop while the error is shown"
[ -f "$out/bad.iso.pelmora-partial" ] || fail "the partial image was deleted before the box was dismissed"
[ ! -e "$out/bad.iso" ] || fail "the image took its name before the copy ended"
drv messagebox ok 5000 || fail "cannot dismiss the message box"
expect_button "Create ISO" enabled 5000
[ ! -e "$out/bad.iso" ] && [ ! -e "$out/bad.iso.pelmora-partial" ] || fail "the partial image is left after a read error"
pass "read error shown as $text; partial image deleted after the box"

echo "== closing the window while the error box is shown waits for the box"
# An older image of that name and its checksum outlive the failed copy byte for byte.
head -c 100000 /dev/urandom >"$out/bad2.iso"
echo "0000  bad2.iso" >"$out/bad2.iso.sha256"
cp "$out/bad2.iso" "$E2E_DIR/bad2.orig"
cp "$out/bad2.iso.sha256" "$E2E_DIR/bad2.sha256.orig"
create_image "$out/bad2.iso"
drv messagebox show 10000 || fail "no message box after a read error"
drv close || fail "cannot close"
sleep 1.5
kill -0 "$PELMORA_PID" 2>/dev/null || fail "the program ended under its own message box"
expect_main_windows 1 "the main window went away under the message box"
drv messagebox ok 5000 || fail "cannot dismiss the message box"
e2e_wait_exit "$PELMORA_PID" 20
[ ! -e "$out/bad2.iso.pelmora-partial" ] || fail "the partial image is left after a read error and close"
cmp "$out/bad2.iso" "$E2E_DIR/bad2.orig" && cmp "$out/bad2.iso.sha256" "$E2E_DIR/bad2.sha256.orig" ||
    fail "the failed copy changed the older image or its checksum"
pass "the program ended once the box was dismissed, no new image left, the older one untouched"

echo "== a marginal sector that reads on the third attempt: no message, the image equals the disc"
# Sector 1700, in the middle of the fourth chunk, fails the first two reads that reach it (the
# chunk's and the first retry of the sector alone); the shim logs each failure it makes.
marginal=$((1700 * 2048))
log=$E2E_DIR/marginal.log
rm -f "$log"
e2e_start_pelmora_shimmed SHIM_EIO_FROM=$marginal SHIM_EIO_TO=$((marginal + 2048)) SHIM_EIO_TIMES=2 SHIM_LOG="$log"
create_image "$out/marginal.iso"
# ended_without_box: the copy has ended, and no message box came while it ran.
ended_without_box() {
    ! drv messagebox show 100 >/dev/null || fail "the marginal sector ended the copy with a message box:
$DRV_OUT"
    drv wait-button "Create ISO" enabled 400 >/dev/null
}
wait_until 40 "the copy with a marginal sector did not end" ended_without_box
drv messagebox show 0 >/dev/null && fail "a message box after the copy with a marginal sector: $DRV_OUT"
expect_copy "$out/marginal.iso" "$disc"
failures=$(cat "$log" 2>/dev/null | wc -l)
[ "$failures" -eq 2 ] || fail "the marginal sector failed $failures reads, not 2: the retry was not exercised"
pass "the marginal sector was read after 2 failed reads; no message"
e2e_close

echo "== a scratched disc: Continue saves everything else, and the map lists exactly the band"
band_from=$((3 * 1024 * 1024)) band_to=$((4 * 1024 * 1024))
disc_bytes=$(file_size "$disc")
e2e_start_pelmora_shimmed SHIM_EIO_FROM=$band_from SHIM_EIO_TO=$band_to
create_image "$out/rescued.iso"
drv messagebox continue 10000 || fail "no box after a read error"
drv_has -F '[&Continue]' || fail "the read error box offers no Continue: $DRV_OUT"
drv messagebox ok 60000 || fail "the end of an image with holes was not told"
drv_has -F "rescued.iso is missing $(((band_to - band_from) / 2048)) sectors ($(((band_to - band_from) / 1024)) KB)" \
    || fail "the end does not say how much is missing: $DRV_OUT"
expect_button "Create ISO" enabled 5000
[ "$(file_size "$out/rescued.iso")" -eq "$disc_bytes" ] || fail "the rescued image does not have the disc's length"
cmp -n $band_from "$out/rescued.iso" "$disc" || fail "the rescued image differs from the disc before the band"
cmp -i $band_to "$out/rescued.iso" "$disc" || fail "the rescued image differs from the disc after the band"
cmp -n $((band_to - band_from)) <(tail -c +$((band_from + 1)) "$out/rescued.iso") /dev/zero || fail "the band is not zeros"
# The areas after the status line that are not finished: exactly the band, bad.
unfinished=$(awk '!/^#/ && NF >= 2 { if (seen++) { if ($3 != "+") print $1, $2, $3 } }' "$out/rescued.iso.map")
read -r pos size status <<<"$unfinished"
[ "$(printf '%s\n' "$unfinished" | wc -l)" -eq 1 ] && [ $((pos)) -eq $band_from ] && [ $((size)) -eq $((band_to - band_from)) ] \
    && [ "$status" = "-" ] || fail "the map does not list exactly the band: $unfinished"
[ ! -e "$out/rescued.iso.sha256" ] || fail "an image with holes has a checksum file"
[ ! -e "$out/rescued.iso.pelmora-partial" ] && [ ! -e "$out/rescued.iso.pelmora-partial.map" ] \
    || fail "the temporary image or its map is left beside the rescued image"
pass "image equal to the disc outside the band, zeros in it, the map lists exactly the band"
e2e_close

echo "== Stop during the return passes, then a sound drive reads only the missing sectors"
# Each failed read takes 20 ms, as a drive spends long in one: scraping the band lasts seconds.
e2e_start_pelmora_shimmed SHIM_EIO_FROM=$band_from SHIM_EIO_TO=$band_to SHIM_EIO_SLEEP_US=20000
create_image "$out/later.iso"
drv messagebox continue 10000 || fail "no box after a read error"
wait_until 90 "the status line never showed the scraping pass" eval 'drv status >/dev/null && drv_has Scraping'
drv click || fail "cannot press Stop"
drv messagebox ok 30000 || fail "the end of a stopped image with holes was not told"
expect_button "Create ISO" enabled 5000
[ -f "$out/later.iso.map" ] || fail "no map beside the stopped image"
drv close || fail "cannot close"
e2e_wait_exit "$PELMORA_PID" 10
finish_later "$out/later.iso" '\[later.iso is missing [0-9]+ sectors of this disc. Read only the missing sectors\?\]'

echo "== a rescue whose older image is held open: the rename is refused, the older image and the new work stay"
head -c 300000 /dev/urandom >"$out/held.iso"
cp "$out/held.iso" "$E2E_DIR/held.orig"
# As Explorer with the image mounted: open, shared for reading only, until the flag appears.
rm -f "$E2E_DIR/release"
wine "$BUILD/tests/hold_file.exe" "$(win_path "$out/held.iso")" "$(win_path "$E2E_DIR/release")" \
    </dev/null >"$E2E_DIR/hold.out" 2>/dev/null &
hold_pid=$!
start=$(now_ms)
until grep -q '^held' "$E2E_DIR/hold.out" 2>/dev/null; do
    kill -0 $hold_pid 2>/dev/null && [ $(( $(now_ms) - start )) -lt 20000 ] || fail "the older image is not held: $(cat "$E2E_DIR/hold.out")"
    sleep 0.02
done
e2e_start_pelmora_shimmed SHIM_EIO_FROM=$band_from SHIM_EIO_TO=$band_to
expect_button "Create ISO" enabled 3000
drv create "$(win_path "$out/held.iso")" || fail "the save dialog did not take the name"
drv messagebox continue 10000 || fail "no box after a read error"
drv messagebox ok 60000 || fail "the refused rename was not told"
printf '%s\n' "$DRV_OUT" | grep -qF 'held.iso.pelmora-partial' || fail "the message does not say where the image is kept: $DRV_OUT"
expect_button "Create ISO" enabled 5000
cmp "$out/held.iso" "$E2E_DIR/held.orig" || fail "the older image changed"
[ -f "$out/held.iso.pelmora-partial" ] && [ -f "$out/held.iso.pelmora-partial.map" ] ||
    fail "the temporary image or its map is gone"
[ ! -e "$out/held.iso.map" ] && [ ! -e "$out/held.iso.sha256" ] || fail "a map or checksum describes the older image"
drv close || fail "cannot close"
e2e_wait_exit "$PELMORA_PID" 10
touch "$E2E_DIR/release"
wait $hold_pid || fail "the holder of the older image failed"
finish_later "$out/held.iso" 'held\.iso.* [0-9]+ of [0-9]+ sectors'

echo "== a disc ejected while the save dialog is open"
e2e_start_pelmora
expect_button "Create ISO" enabled 3000
drv open-save || fail "no save dialog"
e2e_eject e || fail "cannot eject the disc"
drv wait-entry 'E:\' 5000 || fail "the ejected drive is still listed with its label"
drv save-as "$(win_path "$out/gone.iso")" || fail "the save dialog did not take the name"
drv messagebox ok 10000 || fail "no message box for a drive that is gone"
drv_has -F '[Drive E: is no longer ready: no image was made.]' || fail "the message does not say that drive E: is no longer ready"
expect_button "Create ISO" disabled 5000
[ ! -e "$out/gone.iso" ] || fail "an image file was created although the drive is gone"
pass "'Drive E: is no longer ready: no image was made.' shown, nothing created"

e2e_close
