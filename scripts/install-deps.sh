#!/usr/bin/env bash
# Installs everything the build and the tests need on Debian 12. Run as root; safe to run again.
set -euo pipefail

packages=(g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine32:i386 xvfb xorriso googletest imagemagick xdotool cmake gcc-multilib)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    missing+=(force-update)
fi
# A kernel without 32-bit support (some virtual machines) cannot start the 32-bit Wine loader;
# the tests then run the 64-bit build under the 64-bit loader (scripts/wine-env.sh).
wants_wine64() {
    [ -x /usr/lib/wine/wine ] && ! /usr/lib/wine/wine --version >/dev/null 2>&1 && [ ! -x /usr/lib/wine/wine64 ]
}
[ ${#missing[@]} -eq 0 ] && ! wants_wine64 && exit 0

if [ "$(id -u)" -ne 0 ]; then
    echo "install-deps: missing packages (${missing[*]:-wine64}); run this script as root" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
if [ ${#missing[@]} -gt 0 ]; then
    apt-get update -qq
    apt-get install -y -qq "${packages[@]}" >/dev/null
fi
if wants_wine64; then
    apt-get install -y -qq wine64 >/dev/null
fi
