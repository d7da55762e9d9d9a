#!/usr/bin/env bash
# The drive list as the user sees it: a labelled disc, an empty drive and a disc without a label,
# the button following the selected drive, and discs inserted and ejected while the tool runs.
BUILD=$1 SRC=$2
. "$SRC/tests/e2e/libcdrom.sh"
. "$SRC/tests/e2e/libpelmora.sh"

e2e_prefix drive_list
e2e_session
e2e_make_iso "$E2E_DIR/labelled.iso" PELMORA_E2E 1
e2e_make_iso "$E2E_DIR/unlabelled.iso" "" 1
e2e_make_iso "$E2E_DIR/late.iso" LATE_DISC 1
e2e_add_cdrom e "$E2E_DIR/labelled.iso"
e2e_add_empty_cdrom f
e2e_add_cdrom g "$E2E_DIR/unlabelled.iso"
e2e_start
e2e_start_pelmora

echo "== the list at start-up: sorted by letter, label after ' - ', nothing after an empty drive"
expect_drives 'E:\ - PELMORA_E2E' 'F:\' 'G:\ - '
drv_has -x 'selected: 0' || fail "the first entry is not selected at start-up"
expect_button "Create ISO" enabled 3000
pass "labelled disc listed, first entry selected, Create ISO enabled"

echo "== choosing the empty drive disables the button, a readable disc without a label enables it"
drv select 1 || fail "cannot select the empty drive"
expect_button "Create ISO" disabled 2000
drv select 2 || fail "cannot select the unlabelled disc"
expect_button "Create ISO" enabled 2000
pass "button follows the selected drive"

echo "== the selection survives the refresh every second"
sleep 1.5
drv drives
drv_has -x 'selected: 2' || fail "the refresh lost the selection"
expect_button "Create ISO" enabled 500

echo "== a disc inserted into the empty drive while the tool runs"
drv select 1 || fail "cannot select the empty drive"
expect_button "Create ISO" disabled 2000
e2e_insert f "$E2E_DIR/late.iso" || fail "cannot insert a disc into F:"
inserted=$(now_ms)
drv wait-entry 'F:\ - LATE_DISC' 5000 || fail "the inserted disc was not listed"
expect_button "Create ISO" enabled 3000
latency=$(( $(now_ms) - inserted ))
# The list is rebuilt every second; the driver's own start-up adds a few hundred ms.
[ "$latency" -le 2500 ] || fail "the inserted disc took $latency ms to appear"
expect_drives 'E:\ - PELMORA_E2E' 'F:\ - LATE_DISC' 'G:\ - '
pass "inserted disc listed and button enabled after $latency ms"

echo "== the disc ejected from the selected drive"
e2e_eject f || fail "cannot eject the disc from F:"
drv wait-entry 'F:\' 5000 || fail "the ejected drive does not read 'F:\\' again"
expect_button "Create ISO" disabled 3000
pass "ejected disc: entry without label, button disabled"

echo "== a disc of another label swapped into a drive"
e2e_insert e "$E2E_DIR/late.iso" || fail "cannot swap the disc in E:"
drv wait-entry 'E:\ - LATE_DISC' 5000 || fail "the swapped disc's label was not shown"
expect_drives 'E:\ - LATE_DISC' 'F:\' 'G:\ - '
pass "swapped disc shows its own label"

echo "== a drive before the selected one goes away: the selection stays on the chosen drive"
# Keeping the position instead would silently move the selection to another drive's disc.
drv select 2 || fail "cannot select G:"
expect_button "Create ISO" enabled 2000
e2e_remove_drive e || fail "cannot remove drive E:"
drv wait-no-entry 'E:\ - LATE_DISC' 5000 || fail "the removed drive is still listed"
expect_drives 'F:\' 'G:\ - '
drv_has -x 'selected: 1' || fail "the selection did not stay on G:"
expect_button "Create ISO" enabled 3000
pass "selection follows the drive, not the position"

echo "== the selected drive goes away: nothing is selected, the button is disabled"
e2e_remove_drive g || fail "cannot remove drive G:"
drv wait-no-entry 'G:\ - ' 5000 || fail "the removed drive is still listed"
expect_drives 'F:\'
drv_has -x 'selected: -1' || fail "an entry is selected after the selected drive went away"
expect_button "Create ISO" disabled 3000
pass "lost selection: nothing selected, button disabled"

echo "== no CD-ROM drive at all: an empty list, still refreshed"
e2e_remove_drive f || fail "cannot remove drive F:"
drv wait-no-entry 'F:\' 5000 || fail "the removed drive is still listed"
expect_drives
expect_button "Create ISO" disabled 3000
e2e_insert e "$E2E_DIR/late.iso" || fail "cannot add drive E: again"
drv wait-entry 'E:\ - LATE_DISC' 5000 || fail "a drive added to an empty list was not listed"
pass "empty list refreshed: a new drive appears"

echo "== closing with no copy running ends the program at once"
e2e_close
expect_main_windows 0 "a main window is left after closing"
pass "program ended ${EXIT_MS} ms after the close request (exit code $EXIT_CODE)"
