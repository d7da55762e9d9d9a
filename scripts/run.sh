#!/usr/bin/env bash
# Installs what is missing, builds Pelmora, makes a sample data disc, puts it into a virtual CD-ROM
# drive E: of a private Wine prefix (build/run/) and starts Pelmora on it.
#   With a display ($DISPLAY reachable): the tool opens and you copy the sample disc yourself.
#   Without one: it runs under a private Xvfb, copies the sample disc through the GUI driver,
#   checks the image against the disc and its checksum file, saves a screenshot taken during the
#   copy (held part-way at a gate), and says where. PELMORA_SCREENSHOT=FILE copies the screenshot.
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
# The copy is held at a gate in the read shim part-way through the disc, so that the screenshot
# shows a part-filled bar and the speed whatever the machine's pace; then it runs to its end.
e2e_start_pelmora_gated $((sample_mb * 1000000 * 3 / 5))
expect_drives 'E:\ - PELMORA_SAMPLE'
expect_button "Create ISO" enabled 5000
started=$(now_ms)
drv create "$(win_path "$image")" || fail "the save dialog did not take $image"
drv wait-button "Stop" any 5000 || true
wait_held 120
wait_file_size "$image.pelmora-partial" "$HELD_AT" 30
# The window shows the last report on its next timer tick.
for _ in $(seq 250); do
    drv status
    case $DRV_OUT in *MB/s*) break ;; esac
    sleep 0.02
done
status_during=${DRV_OUT#status: }
screenshot "$shot"
bar_blocks "$shot"
gate_open
expect_button "Create ISO" enabled 300000
copy_ms=$(( $(now_ms) - started ))
expect_copy "$image" "$run/sample.iso"
(cd "$run" && sha256sum -c --quiet sample-copy.iso.sha256) || fail "the checksum file does not check the image"
drv close || fail "cannot close Pelmora"
e2e_wait_exit "$PELMORA_PID" 20
# PELMORA_SCREENSHOT=FILE keeps the screenshot there too (scripts/screenshot.sh: the README's).
[ -z "${PELMORA_SCREENSHOT:-}" ] || cp "$shot" "$PELMORA_SCREENSHOT"

cat <<EOF

Pelmora copied the ${sample_mb} MB sample disc in $copy_ms ms (including the save dialog).
  disc image (the virtual CD):  $run/sample.iso
  copy made by Pelmora:         $image   (identical: checked with cmp)
  its checksum:                 $image.sha256   (checked with sha256sum -c)
  screenshot during the copy:   $shot   ($BAR_FILLED of 528 blocks red, status $status_during)
EOF
