# Shared by the project's scripts: a private Wine prefix and a private X display.
# Source it; it defines functions only.

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
        WINEPREFIX=$dir wineboot -i </dev/null >/dev/null 2>&1
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
