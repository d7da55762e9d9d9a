# Shared by the end-to-end scripts: starting the real Pelmora.exe in the test's prefix, working
# it through tests/helpers/pelmora_driver.exe, checks that fail loudly, screenshots and pixels.
# Source it after tests/e2e/libcdrom.sh and after e2e_prefix.

APP=$BUILD/Pelmora.exe
DRIVER=$BUILD/tests/pelmora_driver.exe
PELMORA_PID=
E2E_OWN_XVFB=

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

pass() {
    echo "ok: $*"
}

# e2e_session: what every scenario needs before it starts the program: the program itself, a
# display (the test command's, or a private Xvfb when there is none) and clean-up at exit.
e2e_session() {
    [ -f "$APP" ] || fail "no $APP: the application has not been built"
    [ -f "$DRIVER" ] || fail "no $DRIVER"
    if [ -z "${DISPLAY:-}" ] || ! timeout 10 xdotool getdisplaygeometry >/dev/null 2>&1; then
        . "$SRC/scripts/wine-env.sh"
        start_xvfb
        E2E_OWN_XVFB=$XVFB_PID
    fi
    trap e2e_session_end EXIT
    # A test runner's or a user's interrupt still ends this prefix's server and the display.
    trap 'exit 143' TERM INT
}

e2e_session_end() {
    e2e_stop
    [ -n "$E2E_OWN_XVFB" ] && kill "$E2E_OWN_XVFB" 2>/dev/null || true
}

# drv ARGS...: one driver command; its output is shown indented and kept in DRV_OUT.
drv() {
    local rc=0 err=$E2E_DIR/driver.err
    : >"$err"
    DRV_OUT=$(timeout 60 wine "$DRIVER" "$@" </dev/null 2>"$err") || rc=$?
    DRV_OUT=$(printf '%s' "$DRV_OUT" | tr -d '\r')
    printf '%s\n' "$DRV_OUT" | sed 's/^/    | /'
    if [ "$rc" -eq 124 ]; then
        echo "    | the driver was stopped after 60 s; its own trace:"
        tr -d '\r' <"$err" | grep '^driver ' | sed 's/^/    | /' || true
    fi
    return $rc
}

# e2e_start_pelmora: starts the program in the background and waits for its main window.
e2e_start_pelmora() {
    wine "$APP" </dev/null >"$E2E_DIR/pelmora.log" 2>&1 &
    PELMORA_PID=$!
    drv wait-main 30000 || fail "the main window did not appear"
}

# e2e_start_pelmora_preloaded LIBRARY SETTING=VALUE...: as e2e_start_pelmora, with LIBRARY
# preloaded into the program's Wine loader and these variables set.
e2e_start_pelmora_preloaded() {
    local library=$1
    shift
    # The loader is started directly, so that only Pelmora, not the wine script, is preloaded.
    env "$@" LD_PRELOAD="$library" "$PELMORA_WINE_LOADER" "$APP" </dev/null >"$E2E_DIR/pelmora.log" 2>&1 &
    PELMORA_PID=$!
    drv wait-main 30000 || fail "the main window did not appear"
}

# e2e_close [SECONDS]: asks the main window to close and waits for the program to end (10 s).
e2e_close() {
    drv close || fail "cannot close"
    e2e_wait_exit "$PELMORA_PID" "${1:-10}"
}

# create_image UNIX_PATH: "Create ISO" once it may be pressed, and the path typed into the save dialog.
create_image() {
    expect_button "Create ISO" enabled 5000
    drv create "$(win_path "$1")" || fail "the save dialog did not take $1"
}

# drv_has GREP_ARGUMENTS...: whether the last driver command's output matches.
drv_has() {
    printf '%s\n' "$DRV_OUT" | grep -q "$@"
}

# expect_time_status WHEN: the status line reads the elapsed time alone, as after a copy.
expect_time_status() {
    drv status
    drv_has -E '^status: \[Time: [0-9]{2}:[0-9]{2}:[0-9]{2}\]$' || fail "no elapsed time $1"
}

# e2e_start_pelmora_shimmed SETTING=VALUE...: as e2e_start_pelmora, but reads of drive E:'s disc
# go through the read shim with these settings (SHIM_EIO_FROM, SHIM_GATE_AT, ...: see
# tests/e2e/read_shim.c).
e2e_start_pelmora_shimmed() {
    e2e_read_shim
    e2e_start_pelmora_preloaded "$READ_SHIM" SHIM_PATH=/drives/e/disc.iso "$@"
}

# e2e_start_pelmora_gated BYTE: reads of drive E:'s disc that reach past BYTE wait while the
# gate is closed, so that a test acts in the middle of a copy that cannot end meanwhile,
# however fast the machine. The gate starts closed; see gate_open, gate_close, gate_step, wait_held.
e2e_start_pelmora_gated() {
    GATE=$E2E_DIR/gate
    gate_close
    e2e_start_pelmora_shimmed SHIM_GATE_AT="$1" SHIM_GATE_FILE="$GATE"
}

gate_open() {
    touch "$GATE"
}

# gate_close: the next copy is held at the gate again. Only between copies: a read waiting at
# an open gate has already passed it.
gate_close() {
    rm -f "$GATE" "$GATE.held" "$GATE.step"
}

# gate_step SECONDS: lets the read held at the gate through and waits until the next one is
# held (see wait_held).
gate_step() {
    rm -f "$GATE.held"
    touch "$GATE.step"
    wait_held "$1"
}

# wait_until SECONDS FAILURE COMMAND...: runs COMMAND every 20 ms until it succeeds; fails with
# FAILURE when it has not after SECONDS. Sets WAITED_MS. A COMMAND run through eval sees the
# caller's local variables, not its arguments.
wait_until() {
    local limit=$1 failure=$2 start
    shift 2
    start=$(now_ms)
    until "$@"; do
        [ $(( $(now_ms) - start )) -lt $((limit * 1000)) ] || fail "$failure"
        sleep 0.02
    done
    WAITED_MS=$(( $(now_ms) - start ))
}

# wait_held SECONDS: waits until a read is held at the gate and sets HELD_AT and HELD_BYTES to
# its offset and length: everything before HELD_AT has been read.
wait_held() {
    # read succeeds only on a whole line: the shim may still be writing it.
    wait_until "$1" "no read reached the gate in $1 s" eval '[ -f "$GATE.held" ] && read -r HELD_AT HELD_BYTES <"$GATE.held"'
    echo "    | held at the gate: a read of $HELD_BYTES bytes at $HELD_AT"
}

# trickle_until SECONDS COMMAND...: lets the reads held at the gate through one at a time, so
# that a copy goes on, slowly, until COMMAND succeeds; fails after SECONDS.
trickle_until() {
    local limit=$1 start
    shift
    start=$(now_ms)
    until "$@"; do
        [ $(( $(now_ms) - start )) -lt $((limit * 1000)) ] || fail "not so after ${limit} s: $*"
        rm -f "$GATE.held"
        touch "$GATE.step"
        sleep 0.05
    done
}

# e2e_wait_exit PID SECONDS: waits for a background process; fails when it outlives SECONDS.
# Sets EXIT_CODE and EXIT_MS (how long the wait took).
e2e_wait_exit() {
    local pid=$1
    wait_until "$2" "process $pid still runs after $2 s" eval '! kill -0 "$pid" 2>/dev/null'
    EXIT_CODE=0
    wait "$pid" || EXIT_CODE=$?
    EXIT_MS=$WAITED_MS
}

# expect_drives ENTRY...: the drive list holds exactly these entries, in this order. The list is
# filled by a scan off the window's thread: a first look may come before it, so it is asked
# again for up to three seconds.
expect_drives() {
    local expected="" actual e tries=0
    for e in "$@"; do expected+="entry: [$e]"$'\n'; done
    while :; do
        drv drives || fail "cannot read the drive list"
        actual=$(printf '%s\n' "$DRV_OUT" | grep '^entry: ' || true)
        [ "$actual" = "${expected%$'\n'}" ] && return 0
        tries=$((tries + 1))
        [ "$tries" -lt 15 ] || break
        sleep 0.2
    done
    [ "$actual" = "${expected%$'\n'}" ] || fail "drive list: expected
$expected got
$actual"
}

# expect_main_windows COUNT MESSAGE: exactly COUNT main windows are open, else fails with MESSAGE.
expect_main_windows() {
    drv main-count
    [ "$DRV_OUT" = "main windows: $1" ] || fail "$2"
}

# expect_button CAPTION enabled|disabled [TIMEOUT_MS]: waits for that caption and state.
expect_button() {
    drv wait-button "$1" "$2" "${3:-3000}" || fail "button is not [$1] $2"
}

# win_path UNIX_PATH: the same file as Wine's Z: drive names it.
win_path() {
    local p=$1
    echo "Z:${p//\//\\}"
}

file_size() {
    stat -c %s "$1" 2>/dev/null || echo 0
}

now_ms() {
    echo $(( $(date +%s%N) / 1000000 ))
}

# wait_file_size FILE BYTES SECONDS: waits until FILE holds at least BYTES.
wait_file_size() {
    local file=$1 bytes=$2
    wait_until "$3" "$file did not reach $bytes bytes in $3 s" eval '[ "$(file_size "$file")" -ge "$bytes" ]'
}

# expect_prefix IMAGE DISC: IMAGE is a proper prefix of DISC made of whole sectors.
expect_prefix() {
    local image=$1 disc=$2 size
    [ -f "$image" ] || fail "no image $image"
    size=$(file_size "$image")
    [ "$size" -gt 0 ] || fail "the image is empty"
    [ "$size" -lt "$(file_size "$disc")" ] || fail "the image ($size bytes) is not shorter than the disc"
    [ $((size % 2048)) -eq 0 ] || fail "the image ($size bytes) is not made of whole sectors"
    cmp -n "$size" "$image" "$disc" || fail "the image differs from the start of the disc"
    pass "image is the first $size of $(file_size "$disc") bytes of the disc"
}

# expect_copy IMAGE DISC: IMAGE is a byte-for-byte copy of DISC.
expect_copy() {
    [ -f "$1" ] || fail "no image $1"
    cmp "$1" "$2" || fail "the image differs from the disc"
    pass "image equals the disc ($(file_size "$2") bytes)"
}

# main_xid: the X window of the main dialog (Wine maps each top-level window to one).
main_xid() {
    xdotool search --onlyvisible --name '^Pelmora 3\.0$' 2>/dev/null | head -n 1
}

# pixel FILE X Y: the pixel's colour as RRGGBB in hexadecimal.
pixel() {
    convert "$1" -format '%[hex:p{'"$2,$3"'}]' info: 2>/dev/null | cut -c1-6
}

# screenshot FILE: saves the main window as the X server shows it and sets BAR_CROP to the
# progress bar's client area within that picture (WIDTHxHEIGHT+X+Y).
screenshot() {
    local file=$1 xid bar wx wy
    xid=$(main_xid)
    [ -n "$xid" ] || fail "no visible X window for the main dialog"
    drv geometry || fail "cannot read the window geometry"
    bar=$(printf '%s\n' "$DRV_OUT" | awk '$1 == "bar" { print $2, $3, $4, $5 }')
    [ -n "$bar" ] || fail "no progress bar in the main window"
    eval "$(xdotool getwindowgeometry --shell "$xid" | grep -E '^[XY]=')"
    wx=$X wy=$Y
    set -- $bar
    BAR_CROP="${3}x${4}+$(($1 - wx))+$(($2 - wy))"
    timeout 30 import -window "$xid" "$file" || fail "cannot take a screenshot"
    echo "    | screenshot $file, bar at $BAR_CROP"
}

# bar_blocks FILE: checks the block bar in a screenshot taken by `screenshot` and sets
# BAR_FILLED to the number of red blocks (see blockbar.awk).
bar_blocks() {
    local result
    result=$(convert "$1" -crop "$BAR_CROP" +repage txt:- | awk -v count=528 -f "$SRC/tests/e2e/blockbar.awk") ||
        fail "$result"
    echo "    | $result"
    BAR_FILLED=$(printf '%s\n' "$result" | sed -E 's/.*filled=([0-9]+).*/\1/')
}

# finished_prefix MAP: the bytes from the start of the disc that the ddrescue map MAP calls
# finished (0 when there is no such map yet).
finished_prefix() {
    local line pos size status
    line=$(awk '!/^#/ && NF >= 2 { if (seen++) { print $1, $2, $3; exit } }' "$1" 2>/dev/null)
    read -r pos size status <<<"$line"
    if [ "$status" = "+" ] && [ $((pos)) -eq 0 ]; then echo $((size)); else echo 0; fi
}

# finish_later UNIX_PATH QUESTION: the next run, from a drive that fails (and logs) every read
# past the first MiB of what the image's map calls finished, is asked QUESTION (a pattern),
# answers Yes and makes the image whole: identical to $disc, its checksum right, no map or
# temporary image left, and none of what was finished read again.
finish_later() {
    local image=$1 question=$2 map log=$E2E_DIR/finish.log size
    map=$image.map
    [ -f "$map" ] || map=$image.pelmora-partial.map
    size=$(finished_prefix "$map")
    [ "$size" -gt $((1024 * 1024)) ] || fail "the map beside the image holds no finished prefix: $(cat "$map")"
    rm -f "$log"
    e2e_start_pelmora_shimmed SHIM_EIO_FROM=$((1024 * 1024)) SHIM_EIO_TO="$size" SHIM_LOG="$log"
    expect_button "Create ISO" enabled 5000
    drv create "$(win_path "$image")" || fail "the save dialog did not take the name"
    drv messagebox yes 10000 || fail "the next run did not offer to finish the image"
    printf '%s\n' "$DRV_OUT" | grep -qE "$question" || fail "not the question expected: $DRV_OUT"
    expect_button "Create ISO" enabled 60000
    drv messagebox show 0 >/dev/null && fail "a message box after finishing the image: $DRV_OUT"
    expect_copy "$image" "$disc"
    (cd "$(dirname "$image")" && sha256sum -c --status "$(basename "$image").sha256") ||
        fail "the finished image's checksum file does not match it"
    [ ! -e "$image.map" ] && [ ! -e "$image.pelmora-partial" ] && [ ! -e "$image.pelmora-partial.map" ] ||
        fail "a map or the temporary image is left beside the finished image"
    [ ! -s "$log" ] || fail "finishing the image read sectors it already held: $(wc -l <"$log") failed reads"
    drv close || fail "cannot close"
    e2e_wait_exit "$PELMORA_PID" 20
    pass "the next run read only what was missing of $(basename "$image"): identical to the disc"
}
