#!/usr/bin/env bash
# Installs what is missing, builds Pelmora and its tests (and compiles them for 64-bit Windows as a
# check), and runs every test under Wine and Xvfb: the 32-bit build, or the 64-bit one on a machine
# that cannot run 32-bit programs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. scripts/wine-env.sh
. scripts/build-env.sh

bash scripts/install-deps.sh
wine_select
build_pelmora "$root"
build=$PELMORA_BUILT
# PELMORA_SKIP_X64=1 leaves it out while iterating on focused tests; CI always builds it.
if [ "${PELMORA_SKIP_X64:-}" != 1 ] || [ "$PELMORA_WINE_BITS" = 64 ]; then
    build_pelmora_x64 "$root"
fi
if [ "$PELMORA_WINE_BITS" = 64 ]; then
    echo "this machine cannot run 32-bit programs: the tests run the 64-bit build under 64-bit Wine"
    build=$PELMORA_BUILT_X64
fi

wine_quiet_env
export PELMORA_WINE_TEMPLATE=$build/wine/template
make_template_prefix "$PELMORA_WINE_TEMPLATE"
export WINEPREFIX=$build/wine/unit
rm -rf "$WINEPREFIX"
cp -a "$PELMORA_WINE_TEMPLATE" "$WINEPREFIX"

cleanup() { stop_wine_server; stop_xvfb; }
trap cleanup EXIT
start_xvfb
start_wine_server
hold_wine_desktop
# Xvfb has no window manager: Wine would wait two seconds for every managed top-level window
# to change state when it is hidden. The unit tests' windows are unmanaged instead.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f </dev/null >/dev/null 2>&1

run=(ctest --test-dir "$build" --output-on-failure -j2 --timeout 300 --no-tests=error)
if [ "$PELMORA_WINE_BITS" = 64 ] && [[ " $* " != *" --repeat"* ]]; then
    . scripts/loader-retry.sh
    log=$build/Testing/Temporary/LastTestOutput.log failed=$build/Testing/Temporary/LastTestsFailed.log
    rm -f "$failed"
    rc=0
    "${run[@]}" --output-log "$log" "$@" || rc=$?
    if [ "$rc" -ne 0 ] && [ -f "$failed" ] && loader_retry_plan "$failed" "$log"; then
        "${run[@]}" --rerun-failed "$@"
    else
        exit "$rc"
    fi
elif [ -z "${PELMORA_BUILD_DIR:-}" ]; then
    ctest --preset mingw "$@"
else
    "${run[@]}" "$@"
fi
