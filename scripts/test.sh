#!/usr/bin/env bash
# Installs what is missing, builds Pelmora and its tests, and runs every test under Wine and Xvfb.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. scripts/wine-env.sh

bash scripts/install-deps.sh
cmake --preset mingw >/dev/null
cmake --build --preset mingw

wine_quiet_env
export PELMORA_WINE_TEMPLATE=$root/build/wine/template
make_template_prefix "$PELMORA_WINE_TEMPLATE"
export WINEPREFIX=$root/build/wine/unit
rm -rf "$WINEPREFIX"
cp -a "$PELMORA_WINE_TEMPLATE" "$WINEPREFIX"

cleanup() { stop_wine_server; stop_xvfb; }
trap cleanup EXIT
start_xvfb
start_wine_server

ctest --preset mingw "$@"
