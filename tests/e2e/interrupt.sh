#!/usr/bin/env bash
# A copy in progress: the block bar fills in red (screenshot), "Stop" keeps a prefix of the disc
# and makes the button read "Create ISO" again, neither choosing an empty drive nor ejecting the
# disc during a copy disables "Stop", a new copy can be started, closing the window during a
# copy ends the program and keeps a prefix too, a shutdown waits for a copy and its end leaves an
# image that the next run finishes, so does a copy killed part-way, and Stop works while the first
# sectors are read one by one.
BUILD=$1 SRC=$2
. "$SRC/tests/e2e/libcdrom.sh"
. "$SRC/tests/e2e/libpelmora.sh"

e2e_prefix interrupt
e2e_session
# Reads of the disc past 16 MiB wait at the read shim's gate until the test opens it: each copy
# below is held there while the test acts, and lets go once the test is done with it.
disc=$(e2e_cached_iso mid-200 BIG_E2E 200)
e2e_make_iso "$E2E_DIR/small.iso" SMALL 0
e2e_add_cdrom e "$disc"
e2e_add_empty_cdrom f
e2e_add_empty_cdrom g
e2e_start
out=$E2E_DIR/out
mkdir -p "$out"
e2e_start_pelmora_gated $((16 * 1024 * 1024))
expect_drives 'E:\ - BIG_E2E' 'F:\' 'G:\'
expect_button "Create ISO" enabled 3000

echo "== the block bar before any copy: 528 grey blocks"
screenshot "$out/idle.png"
bar_blocks "$out/idle.png"
[ "$BAR_FILLED" -eq 0 ] || fail "$BAR_FILLED blocks are red before any copy"

# start_copy UNIX_PATH: starts a copy and waits until it is held at the gate with everything
# read before it in the image.
start_copy() {
    gate_close
    create_image "$1"
    drv wait-button "Stop" enabled 3000 || fail "the button does not read Stop during a copy"
    wait_held 20
    # The image is written under its temporary name until it is kept.
    wait_file_size "$1.pelmora-partial" "$HELD_AT" 20
}

# expect_closed UNIX_PATH: no handle of the program is open on the file any more, so it cannot
# grow after the copy has ended.
expect_closed() {
    ! ls -l "/proc/$PELMORA_PID/fd" 2>/dev/null | grep -qF "$1" || fail "$1 is still open after the copy ended"
}

echo "== Stop keeps what was copied and makes the button read Create ISO again"
start_copy "$out/stopped.iso"
stop_at=$(now_ms)
drv click || fail "cannot press Stop"
gate_open
expect_button "Create ISO" enabled 5000
stop_ms=$(( $(now_ms) - stop_at ))
expect_closed "$out/stopped.iso"
size=$(file_size "$out/stopped.iso")
# The read held at the gate may still be stored; nothing after it.
[ "$size" -le $((HELD_AT + HELD_BYTES)) ] || fail "the copy went on after Stop: $size bytes, Stop came at $HELD_AT"
expect_prefix "$out/stopped.iso" "$disc"
[ ! -e "$out/stopped.iso.sha256" ] && [ ! -e "$out/stopped.iso.pelmora-partial" ] || fail "a stopped copy left a checksum or its temporary file"
expect_time_status "after Stop"
pass "stopped within $stop_ms ms"

echo "== after the copy the bar is empty again"
screenshot "$out/stopped.png"
bar_blocks "$out/stopped.png"
[ "$BAR_FILLED" -eq 0 ] || fail "$BAR_FILLED blocks stay red after the copy"

echo "== during a copy neither the empty drive chosen nor the disc ejected disables Stop"
start_copy "$out/ejected.iso"
drv select 1 || fail "cannot select the empty drive"
e2e_eject e || fail "cannot eject the disc"
# Each refresh of the list used to apply the idle rule to the button. The disc put into G: is
# listed by a refresh that came after the choice and the eject.
e2e_insert g "$E2E_DIR/small.iso" || fail "cannot insert a disc into G:"
drv wait-entry 'G:\ - SMALL' 5000 || fail "the disc put into G: was not listed"
drv button
[ "$DRV_OUT" = "button: [Stop] enabled" ] || fail "choosing the empty drive or ejecting the disc disabled Stop"
drv click || fail "cannot press Stop"
gate_open
# Idle again with the empty drive selected: "Create ISO" may not be pressed.
expect_button "Create ISO" disabled 5000
expect_prefix "$out/ejected.iso" "$disc"
e2e_insert e "$disc" || fail "cannot insert the disc again"
drv wait-entry 'E:\ - BIG_E2E' 5000 || fail "the disc inserted again was not listed"
drv select 0 || fail "cannot select the disc"
expect_button "Create ISO" enabled 3000
pass "Stop stayed usable and kept a prefix; the disc is listed again"

echo "== a new copy can be started after a stop"
start_copy "$out/closed.iso"

echo "== during a copy: red blocks first, the rest grey, the elapsed time shown"
drv status
drv_has -E '^status: \[Time: 00:00:[0-9]{2}( .{1,2} [0-9]+\.[0-9] MB/s( .{1,2} [0-9]{2}:[0-9]{2}:[0-9]{2} left)?)?\]$' ||
    fail "no elapsed time during the copy"
# One more read, long after the last: the window is told of it whatever it does with reports
# that follow each other closely.
gate_step 20
wait_file_size "$out/closed.iso.pelmora-partial" "$HELD_AT" 20
[ ! -e "$out/closed.iso" ] || fail "the image took its name before the copy ended"
screenshot "$out/copying.png"
bar_blocks "$out/copying.png"
drv button
drv_has -F 'button: [Stop]' || fail "the copy ended before the screenshot"
[ "$BAR_FILLED" -ge 1 ] || fail "no red block during the copy"
[ "$BAR_FILLED" -lt 528 ] || fail "every block is red while the copy runs"
# The bar shows the share of the disc copied, rounded to whole blocks: the copy is held at the
# gate, so that is what was read before it (one block of slack either way for the rounding).
disc_bytes=$(file_size "$disc")
low=$(( 528 * HELD_AT / disc_bytes - 1 )) high=$(( (528 * HELD_AT + disc_bytes - 1) / disc_bytes + 1 ))
[ "$BAR_FILLED" -ge "$low" ] && [ "$BAR_FILLED" -le "$high" ] ||
    fail "$BAR_FILLED red blocks, but $HELD_AT of $disc_bytes bytes were copied ($low..$high blocks)"
pass "block bar during the copy: $BAR_FILLED of 528 blocks red"

echo "== closing the window during the copy"
close_at=$(now_ms)
drv close || fail "cannot close"
gate_open
e2e_wait_exit "$PELMORA_PID" 20
expect_main_windows 0 "a main window is left after closing"
expect_prefix "$out/closed.iso" "$disc"
pass "program ended $(( $(now_ms) - close_at )) ms after the close request during a copy (exit code $EXIT_CODE)"

echo "== a shutdown waits for the copy; the session's end stops it, and the next run finishes the image"
e2e_start_pelmora_gated $((16 * 1024 * 1024))
expect_button "Create ISO" enabled 5000
start_copy "$out/shutdown.iso"
# The driver asks as the system does, then ends the session; meanwhile the copy reads on, slowly,
# until the session's end stops it.
wine "$DRIVER" shutdown 20000 </dev/null >"$E2E_DIR/shutdown.out" 2>/dev/null &
shutdown_pid=$!
trickle_until 30 eval '! kill -0 $shutdown_pid 2>/dev/null'
wait $shutdown_pid || fail "the shutdown was not answered: $(cat "$E2E_DIR/shutdown.out")"
sed 's/^/    | /' "$E2E_DIR/shutdown.out"
grep -q 'query end session: FALSE' "$E2E_DIR/shutdown.out" || fail "a shutdown did not wait for the copy"
drv button
[ "$DRV_OUT" = "button: [Create ISO] enabled" ] || fail "the session's end returned before the copy had ended"
expect_prefix "$out/shutdown.iso" "$disc"
[ -f "$out/shutdown.iso.map" ] || fail "no map beside the image the session's end stopped"
# The system ends the program after the session's end: nothing more of it runs.
e2e_start
finish_later "$out/shutdown.iso" 'shutdown.iso is missing [0-9]+ sectors of this disc'

echo "== a copy killed part-way: the next run goes on from the temporary image"
e2e_start_pelmora_gated $((16 * 1024 * 1024))
expect_button "Create ISO" enabled 5000
start_copy "$out/killed.iso"
# The copy reads on, slowly, until its temporary image's map, saved every few seconds, calls the
# first MiBs finished; then every program of the prefix ends at once, as in a crash.
trickle_until 30 eval '[ "$(finished_prefix "$out/killed.iso.pelmora-partial.map")" -gt $((4 * 1024 * 1024)) ]'
e2e_start
[ -f "$out/killed.iso.pelmora-partial" ] && [ ! -e "$out/killed.iso" ] || fail "the killed copy left no temporary image"
finish_later "$out/killed.iso" 'killed\.iso.* [0-9]+ of [0-9]+ sectors'

echo "== Stop while the first 17 sectors are read one by one"
# The fifth sector's read is held at the gate.
e2e_start_pelmora_gated $((4 * 2048))
create_image "$out/header.iso"
wait_held 10
[ "$HELD_BYTES" -eq 2048 ] && [ "$HELD_AT" -lt $((17 * 2048)) ] ||
    fail "the gate held a read of $HELD_BYTES bytes at $HELD_AT, not one of the first sectors"
wait_file_size "$out/header.iso.pelmora-partial" 2048 10
drv click || fail "cannot press Stop"
gate_open
expect_button "Create ISO" enabled 5000
size=$(file_size "$out/header.iso")
[ "$size" -lt $((17 * 2048)) ] || fail "Stop during the first sectors still copied $size bytes"
expect_prefix "$out/header.iso" "$disc"
e2e_close 20
pass "stopped after $((size / 2048)) single sectors"

# The partial images are large; the screenshots stay for whoever wants to look at them.
rm -f "$out"/*.iso
