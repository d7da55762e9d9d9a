#!/usr/bin/env bash
# Copy speed: images a ~700 MB disc from a virtual CD-ROM drive under Wine with the application's
# copy job (tests/helpers/copy_image.exe) and copies the same .iso with dd bs=1M, in the same run,
# and prints both speeds and their ratio. Figures only; not part of the test suite.
#   bash scripts/bench-copy.sh [BUILD_DIR] [MEGABYTES]
set -euo pipefail
SRC=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-${PELMORA_BUILD_DIR:-$SRC/build-bench}}
MB=${2:-700}
RUNS=${RUNS:-5}
. "$SRC/scripts/wine-env.sh"

if [ ! -f "$BUILD/CMakeCache.txt" ]; then
    cmake -S "$SRC" -B "$BUILD" --toolchain "$SRC/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$BUILD" --target copy_image -j2 >/dev/null
wine_quiet_env
export PELMORA_WINE_TEMPLATE=$BUILD/wine/template
make_template_prefix "$PELMORA_WINE_TEMPLATE"
. "$SRC/tests/e2e/libcdrom.sh"
e2e_prefix bench_copy
out=
trap 'e2e_stop; rm -rf "$E2E_DIR"; [ -n "$out" ] && rm -rf "$out"' EXIT

disc=$E2E_DIR/disc.iso
e2e_make_iso "$disc" BENCH "$MB"
e2e_add_cdrom e "$disc"
e2e_start
bytes=$(stat -c %s "$disc")
# Both copies go to memory (tmpfs) when it has room, so that the disk's write-back, which
# swings from run to run, does not drown the difference between the two.
out=$E2E_DIR
if [ -d /dev/shm ] && [ "$(df -Pk /dev/shm | awk 'NR == 2 { print $4 }')" -gt $((3 * bytes / 1024)) ]; then
    out=$(mktemp -d /dev/shm/pelmora-bench.XXXXXX)
fi
image=$out/image.iso
copy=$out/dd.iso
winimage="Z:${image//\//\\}"

# speed BYTES SECONDS: MB/s with 1 MB = 10^6 bytes.
speed() { awk -v b="$1" -v s="$2" 'BEGIN { printf "%.1f", b / s / 1e6 }'; }
now() { date +%s.%N; }

jobs=() dds=()
echo "disc: $bytes bytes ($((bytes / 2048)) sectors), copies into $out, $RUNS runs each, alternating"
for run in $(seq "$RUNS"); do
    rm -f "$image" "$copy"
    start=$(now)
    line=$(wine "$BUILD/tests/copy_image.exe" 'E:\ - BENCH' "$winimage" </dev/null)
    wall=$(speed "$bytes" "$(awk -v a="$start" -v b="$(now)" 'BEGIN { print b - a }')")
    # The program times the copy job itself, without Wine's start-up.
    job=$(printf '%s\n' "$line" | tr -d '\r' | sed -n 's/.*: \([0-9.]*\) MB\/s$/\1/p')
    cmp -s "$disc" "$image" || { echo "the image differs from the disc" >&2; exit 1; }
    start=$(now)
    # Wine ignores FILE_FLAG_NO_BUFFERING, so both writes go through the page cache alike.
    dd if="$disc" of="$copy" bs=1M status=none
    ddspeed=$(speed "$bytes" "$(awk -v a="$start" -v b="$(now)" 'BEGIN { print b - a }')")
    echo "run $run: copy job $job MB/s ($wall MB/s with Wine's start-up), dd bs=1M $ddspeed MB/s"
    jobs+=("$job") dds+=("$ddspeed")
done
# The median resists the odd run disturbed by other work on the machine.
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
mjob=$(median "${jobs[@]}") mdd=$(median "${dds[@]}")
echo "median: copy job $mjob MB/s, dd bs=1M $mdd MB/s, ratio $(awk -v a="$mjob" -v b="$mdd" 'BEGIN { printf "%.2f", a / b }')"
