#!/usr/bin/env bash
# Installs what is missing, builds Pelmora, makes a sample data disc, puts it into a virtual CD-ROM
# drive E: of a private Wine prefix (build/run/) and starts Pelmora on it.
#   With a display ($DISPLAY reachable): the tool opens and you copy the sample disc yourself.
#   Without one: it runs under a private Xvfb, copies the sample disc through the GUI driver,
#   checks the image against the disc, saves a screenshot taken during the copy, and says where.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/install-deps.sh
. scripts/build-env.sh
. scripts/wine-env.sh
wine_select
# PELMORA_BUILD_DIR builds elsewhere than build/, as for scripts/test.sh. A machine that cannot
# run 32-bit programs runs the 64-bit build of the tool.
if [ "$PELMORA_WINE_BITS" = 64 ]; then
    build_pelmora_x64 "$root"
    BUILD=$PELMORA_BUILT_X64
else
    build_pelmora "$root"
    BUILD=$PELMORA_BUILT
fi

SRC=$root
. tests/e2e/libcdrom.sh
. tests/e2e/libpelmora.sh
wine_quiet_env

run=$BUILD/run
sample_mb=${PELMORA_SAMPLE_MB:-300}
make_template_prefix "$BUILD/wine/template"
if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
    unset WINEPREFIX
fi
[ -d "$run/prefix" ] && WINEPREFIX=$run/prefix wineserver -k </dev/null >/dev/null 2>&1 || true
rm -rf "$run"
mkdir -p "$run/drives"
cp -a "$BUILD/wine/template" "$run/prefix"
export WINEPREFIX=$run/prefix E2E_DIR=$run

echo "making a ${sample_mb} MB sample disc ..."
e2e_make_iso "$run/sample.iso" PELMORA_SAMPLE "$sample_mb"
e2e_add_cdrom e "$run/sample.iso"

own_xvfb=
cleanup() {
    wineserver -k </dev/null >/dev/null 2>&1 || true
    [ -n "$own_xvfb" ] && kill "$own_xvfb" 2>/dev/null || true
}
trap cleanup EXIT

if [ -n "${DISPLAY:-}" ] && timeout 10 xdotool getdisplaygeometry >/dev/null 2>&1; then
    e2e_start
    cat <<EOF
Pelmora runs on display $DISPLAY with the sample disc (label PELMORA_SAMPLE) in drive E:.
Pick "E:\\ - PELMORA_SAMPLE", press "Create ISO" and choose a file name; Z: is the Linux root,
so for example Z:${run//\//\\}\\copy.iso. Compare afterwards with:
    cmp $run/copy.iso $run/sample.iso
Close the window to end.
EOF
    wine "$APP" </dev/null >"$run/pelmora.log" 2>&1 || true
    exit 0
fi

echo "no display: running headless under a private Xvfb"
start_xvfb
own_xvfb=$XVFB_PID
e2e_start
image=$run/sample-copy.iso
shot=$run/copying.png
e2e_start_pelmora
expect_drives 'E:\ - PELMORA_SAMPLE'
expect_button "Create ISO" enabled 5000
started=$(now_ms)
drv create "$(win_path "$image")" || fail "the save dialog did not take $image"
drv wait-button "Stop" any 5000 || true
wait_file_size "$image" $((4 * 1024 * 1024)) 30
screenshot "$shot"
bar_blocks "$shot"
expect_button "Create ISO" enabled 300000
copy_ms=$(( $(now_ms) - started ))
expect_copy "$image" "$run/sample.iso"
drv close || fail "cannot close Pelmora"
e2e_wait_exit "$PELMORA_PID" 20

cat <<EOF

Pelmora copied the ${sample_mb} MB sample disc in $copy_ms ms (including the save dialog).
  disc image (the virtual CD):  $run/sample.iso
  copy made by Pelmora:         $image   (identical: checked with cmp)
  screenshot during the copy:   $shot   ($BAR_FILLED of 528 blocks red)
EOF
