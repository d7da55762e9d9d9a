#!/usr/bin/env bash
# The main window itself: the executable's icon and About string, Enter and Escape do not close
# it, the About box from the system menu, a second instance ends at once with nothing shown, a
# renamed copy of the executable runs beside it, the program starts again after it ended, and
# closing it while the save dialog is open ends it.
BUILD=$1 SRC=$2
. "$SRC/tests/e2e/libcdrom.sh"
. "$SRC/tests/e2e/libpelmora.sh"

e2e_prefix window
e2e_session
e2e_make_iso "$E2E_DIR/disc.iso" WINDOW_E2E 1
e2e_add_cdrom e "$E2E_DIR/disc.iso"
e2e_start
e2e_start_pelmora
expect_button "Create ISO" enabled 3000

echo "== the executable carries the application icon in 16, 32, 48 and 256 pixels"
drv resources "$(win_path "$APP")" || fail "cannot read the executable's resources"
for size in 16 32 48 256; do
    drv_has -x "icon ${size}x${size}" || fail "the icon lacks its ${size}x${size} image"
done
drv_has -xF 'string 101 [&About Pelmora...]' || fail "string 101 is not '&About Pelmora...'"

echo "== Enter and Escape do not close the main window"
drv enter || fail "Enter was not handled"
drv escape || fail "Escape was not handled"
sleep 0.5
expect_main_windows 1 "Enter or Escape closed the main window"
kill -0 "$PELMORA_PID" 2>/dev/null || fail "the program ended after Enter or Escape"
expect_button "Create ISO" enabled 1000
pass "main window still open after Enter and Escape"

echo "== the About box from the system menu, closed with OK and then with Escape"
drv about ok || fail "the About box did not open and close with OK"
drv_has 'owned by the main window: yes' || fail "the About box is not owned by the main window"
drv_has -F '[Pelmora  Version 3.0]' || fail "the About box lacks 'Pelmora  Version 3.0'"
drv_has -E '^ +Button 1 \[OK\]' || fail "the About box lacks its OK button"
drv_has -E '^ +Static -?[0-9]+ icon' || fail "the About box shows no icon"
drv about escape || fail "the About box did not close with Escape"
expect_main_windows 1 "closing the About box closed the main window"
pass "About box shows the version line and closes with OK and Escape"

echo "== a second instance ends at once, showing nothing"
second_log=$E2E_DIR/second.log
second_start=$(now_ms)
wine "$APP" </dev/null >"$second_log" 2>&1 &
second=$!
# While the second instance lives, no second main window may appear.
for _ in $(seq 20); do
    kill -0 "$second" 2>/dev/null || break
    expect_main_windows 1 "the second instance showed a window"
done
e2e_wait_exit "$second" 15
expect_main_windows 1 "the first instance's window is gone"
kill -0 "$PELMORA_PID" 2>/dev/null || fail "the first instance ended"
expect_button "Create ISO" enabled 1000
pass "second instance ended (exit code $EXIT_CODE) $(( $(now_ms) - second_start )) ms after its start; first unaffected"

echo "== a renamed copy of the executable is another application and runs beside the first"
cp "$APP" "$E2E_DIR/Renamed.exe"
wine "$E2E_DIR/Renamed.exe" </dev/null >"$E2E_DIR/renamed.log" 2>&1 &
renamed=$!
# two_windows: both programs show their window; the renamed copy must not end meanwhile.
two_windows() {
    drv main-count
    [ "$DRV_OUT" = "main windows: 2" ] && return 0
    kill -0 "$renamed" 2>/dev/null || fail "the renamed copy ended at once (exit code $(wait "$renamed"; echo $?))"
    return 1
}
wait_until 30 "the renamed copy shows no window" two_windows
# Both windows carry the same caption: close the renamed one through its own process's end.
kill "$renamed" 2>/dev/null || true
e2e_wait_exit "$renamed" 10
expect_main_windows 1 "the first instance's window went away with the renamed copy"
pass "renamed copy ran beside the first"

echo "== closing, then starting again: the instance mark went with the first process"
e2e_close
e2e_start_pelmora
expect_drives 'E:\ - WINDOW_E2E'
pass "the program starts again after the first one has ended"

echo "== closing while the save dialog is open ends the program"
expect_button "Create ISO" enabled 3000
drv open-save || fail "no save dialog"
e2e_close 15
expect_main_windows 0 "a window is left after closing during the save dialog"
pass "closed during the save dialog after ${EXIT_MS} ms"

