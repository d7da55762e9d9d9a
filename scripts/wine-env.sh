# Shared by the project's scripts: a private Wine prefix and a private X display.
# Source it; it defines functions only.

# wine_select: picks the Wine loader this machine can start. Debian's `wine` always runs the
# 32-bit loader, which a kernel without 32-bit support (some virtual machines) refuses to execute;
# there the 64-bit loader runs the 64-bit build of the same source instead. Sets and exports
# PELMORA_WINE_BITS (32 or 64) and PELMORA_WINE_LOADER (the loader itself, for starting a program
# under LD_PRELOAD), and on a 64-bit-only machine puts a `wine` for the 64-bit loader first on PATH.
wine_select() {
    if [ -n "${PELMORA_WINE_BITS:-}" ]; then
        return 0
    fi
    if /usr/lib/wine/wine --version >/dev/null 2>&1 || [ ! -x /usr/lib/wine/wine64 ]; then
        export PELMORA_WINE_BITS=32 PELMORA_WINE_LOADER=/usr/lib/wine/wine
    else
        export PELMORA_WINE_BITS=64 PELMORA_WINE_LOADER=/usr/lib/wine/wine64
        export WINELOADER=$PELMORA_WINE_LOADER
        export PATH="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/wine64:$PATH"
    fi
}

# The quiet settings every Wine call of ours uses: no debug chatter, no Mono or Gecko installer.
wine_quiet_env() {
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
}

# make_template_prefix DIR: a fresh Wine prefix, made once and reused; no server is left running on it.
make_template_prefix() {
    local dir=$1
    if [ ! -f "$dir/.pelmora-ready" ]; then
        rm -rf "$dir"
        mkdir -p "$(dirname "$dir")"
        WINEPREFIX=$dir wine wineboot -i </dev/null >/dev/null 2>&1
        WINEPREFIX=$dir wineserver -w
        touch "$dir/.pelmora-ready"
    fi
}

# start_wine_server: a persistent server for $WINEPREFIX, started outside any pipe of the caller,
# so that it never holds a test runner's output open.
start_wine_server() {
    wineserver -p </dev/null >/dev/null 2>&1
    wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

# hold_wine_desktop: keeps an idle console program running in $WINEPREFIX until the caller exits
# or the server is stopped. Wine ends a prefix's desktop process a few seconds after its last
# program; the next program then starts it again with that program's output pipes, and a test
# runner counts that test as running until the desktop ends, after every test that follows it.
hold_wine_desktop() {
    local fifo
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    wine cmd <"$fifo" >/dev/null 2>&1 &
    # The write end stays open in this shell: cmd waits on it, and reads its end when we exit.
    exec {WINE_DESKTOP_HOLD}>"$fifo"
    rm -f "$fifo"
}

stop_wine_server() {
    wineserver -k </dev/null >/dev/null 2>&1 || true
}

# start_xvfb: a private display on a free number; sets DISPLAY and XVFB_PID.
start_xvfb() {
    local fifo
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" </dev/null >/dev/null 2>&1 &
    XVFB_PID=$!
    local number
    read -r number <"$fifo"
    rm -f "$fifo"
    export DISPLAY=":$number"
    export XVFB_PID
}

stop_xvfb() {
    [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null || true
}
