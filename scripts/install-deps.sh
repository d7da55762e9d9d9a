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
target=()
if [ ${#missing[@]} -gt 0 ]; then
    # A Debian mirror caught mid-sync serves index files of the wrong size, and apt-get update
    # fails on them; that passes within minutes. After the last try, apt goes on with the lists
    # it did fetch, which is enough unless a package is missing from them (apt-get install says).
    # Should the lists of one architecture stay missing (seen: the security suite's i386 list),
    # the 32-bit packages cannot match the versions of their 64-bit twins taken from the lists
    # that did come, and apt gives up; the release's own suite then serves both architectures.
    for try in 1 2 3 4; do
        if apt-get update -qq; then target=(); break; fi
        echo "install-deps: apt-get update failed (try $try of 4; a mirror in mid-sync is the usual cause)" >&2
        target=(-t bookworm)
        if [ "$try" -lt 4 ]; then sleep $((try * 20)); fi
    done
    [ ${#target[@]} -eq 0 ] || echo "install-deps: installing from the bookworm suite's lists (${target[*]})" >&2
    apt-get install -y -qq "${target[@]}" "${packages[@]}" >/dev/null
fi
if wants_wine64; then
    apt-get install -y -qq "${target[@]}" wine64 >/dev/null ||
        apt-get install -y -qq -t bookworm wine64 >/dev/null
fi
