#!/usr/bin/env bash
# Copy speed and memory of the real Pelmora.exe under Wine, driven through its window like a
# user (tests/helpers/pelmora_driver.exe; scripts/bench/bench_driver.exe times the copies) from
# a virtual CD-ROM drive in a private prefix and a private Xvfb. Figures only; not part of the
# test suite. One command prints three parts:
#   1. page-cached disc: Pelmora beside dd bs=1M (and the copy job alone, copy_image.exe) on a
#      disc of MEGABYTES that sits in the page cache, both writing to tmpfs when there is room,
#      and beside the four digests of the same bytes computed alone (scripts/bench/hash_alone.cpp);
#   2. paced drive and target: the disc is read at READ_MBS and the image written at WRITE_MBS
#      (scripts/bench/pace_shim.c); the copy beside the time the reads alone take at that pace;
#   3. memory: the Pelmora.exe process's resident memory idle and at its peak during a copy;
#   4. scratched disc: a SCRATCH_MB (60) disc with a band of BAND_SECTORS (2000) unreadable
#      sectors, each failed read taking FAIL_MS (100) ms (tests/e2e/read_shim.c): the time from
#      "Continue" until every sector outside the band is in the image, and, over a whole rescue
#      (a second run, failures not slowed), the failed reads per bad sector.
#   A third run takes the disc out half-way through the band (SHIM_GONE_AT) and counts the sectors
#   its map calls bad outside the band.
#   bash scripts/bench-copy.sh [BUILD_DIR] [MEGABYTES]     (SCRATCH_ONLY=1: part 4 alone; with
#   GONE_ONLY=1 too: its third run alone)
# Settings: RUNS (5) runs of part 1; PACED_RUNS (3) runs of part 2 on a PACED_MB (120) disc;
# READ_MBS, WRITE_MBS (25 each; 1 MB = 10^6 bytes). Every image is compared with its disc.
set -euo pipefail
SRC=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(realpath -m "${1:-${PELMORA_BUILD_DIR:-$SRC/build-bench}}")
MB=${2:-700}
RUNS=${RUNS:-5}
PACED_RUNS=${PACED_RUNS:-3}
PACED_MB=${PACED_MB:-120}
READ_MBS=${READ_MBS:-25}
WRITE_MBS=${WRITE_MBS:-25}
. "$SRC/scripts/wine-env.sh"
wine_select
# The shipped 32-bit build; the 64-bit one where this machine cannot run 32-bit programs.
toolchain=mingw-i686
[ "$PELMORA_WINE_BITS" = 64 ] && toolchain=mingw-x86_64
if [ ! -f "$BUILD/CMakeCache.txt" ]; then
    cmake -S "$SRC" -B "$BUILD" --toolchain "$SRC/cmake/$toolchain.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$BUILD" --target Pelmora pelmora_driver bench_driver copy_image hash_alone -j2 >/dev/null
wine_quiet_env
export PELMORA_WINE_TEMPLATE=$BUILD/wine/template
make_template_prefix "$PELMORA_WINE_TEMPLATE"
. "$SRC/tests/e2e/libcdrom.sh"
. "$SRC/tests/e2e/libpelmora.sh"
e2e_prefix bench_copy
# Always a private display: the figures should not depend on a desktop's window manager.
unset DISPLAY
e2e_session
out=
trap 'e2e_session_end; [ -n "$out" ] && rm -rf "$out"' EXIT

SCRATCH_MB=${SCRATCH_MB:-60}
BAND_SECTORS=${BAND_SECTORS:-2000}
FAIL_MS=${FAIL_MS:-100}
if [ "${SCRATCH_ONLY:-}" != 1 ]; then
disc=$(e2e_cached_iso "bench-$MB-BENCH" BENCH "$MB")
paced_disc=$(e2e_cached_iso "bench-$PACED_MB-PACED" PACED "$PACED_MB")
e2e_add_cdrom e "$disc"
e2e_add_cdrom f "$paced_disc"
fi
scratch_disc=$(e2e_cached_iso "bench-$SCRATCH_MB-SCRATCH" SCRATCH "$SCRATCH_MB")
e2e_add_cdrom g "$scratch_disc"
# Without a window manager Wine waits two seconds for each managed window it hides (the save
# dialog before every copy); unmanaged windows spare the benchmark that wait.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f </dev/null >/dev/null 2>&1
e2e_start
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
seconds_since() { awk -v a="$1" -v b="$(date +%s.%N)" 'BEGIN { printf "%.3f", b - a }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
if [ "${SCRATCH_ONLY:-}" != 1 ]; then
bytes=$(stat -c %s "$disc")
paced_bytes=$(stat -c %s "$paced_disc")
# Both copies go to memory (tmpfs) when it has room, so that the disk's write-back, which
# swings from run to run, does not drown the difference between the two.
out=$E2E_DIR/out
if [ -d /dev/shm ] && [ "$(df -Pk /dev/shm | awk 'NR == 2 { print $4 }')" -gt $((3 * bytes / 1024)) ]; then
    out=$(mktemp -d /dev/shm/pelmora-bench.XXXXXX)
fi
mkdir -p "$out"
image=$out/image.iso
copy=$out/dd.iso

# The median resists the odd run disturbed by other work on the machine.
least() { printf '%s\n' "$@" | sort -g | head -n 1; }

# timed_copy UNIX_PATH: copies the selected drive's disc into a new file through the window and
# sets COPY_S to the seconds from the button reading "Stop" to its reading "Create ISO" again,
# as the driver sees it (polling every millisecond), Wine's and the driver's start-up excluded.
timed_copy() {
    local line
    rm -f "$1"
    line=$(timeout 600 wine "$BUILD/bench/bench_driver.exe" "$(win_path "$1")" 590000 </dev/null 2>/dev/null | tr -d '\r') ||
        fail "the timed copy failed: $line"
    COPY_S=$(printf '%s\n' "$line" | sed -n 's/.*stop to create \([0-9.]*\) ms$/\1/p' | awk '{ printf "%.3f", $1 / 1000 }')
    [ -n "$COPY_S" ] || fail "no time from the driver: $line"
}

# memory FIELD: that line of the Pelmora.exe process's status, in kB.
memory() {
    awk -v f="$1:" '$1 == f { print $2 }' "/proc/$PELMORA_PID/status"
}

# peak_rss_during COMMAND...: runs COMMAND while sampling the process's VmRSS every 10 ms and
# sets PEAK_RSS to the highest value seen.
peak_rss_during() {
    local samples=$E2E_DIR/rss.samples stop=$E2E_DIR/rss.stop sampler
    rm -f "$samples" "$stop"
    (
        local key value rest
        while [ ! -e "$stop" ]; do
            while read -r key value rest; do
                [ "$key" = VmRSS: ] && echo "$value"
            done <"/proc/$PELMORA_PID/status"
            sleep 0.01
        done
    ) >"$samples" &
    sampler=$!
    "$@"
    touch "$stop"
    wait "$sampler"
    PEAK_RSS=$(sort -n "$samples" | tail -n 1)
}

echo "== 1. page-cached disc: $bytes bytes ($((bytes / 2048)) sectors), copies into $out, $RUNS runs, alternating"
echo "   Pelmora: from the button reading Stop to its reading Create ISO again (the driver polls it"
echo "   every ms); dd bs=1M: the whole dd command; copy job: copy_image.exe's own timing, no window"
e2e_start_pelmora >/dev/null
# The memory figures below read this process's status: make sure it is Pelmora's, not a wrapper's.
[ "$(cat "/proc/$PELMORA_PID/comm")" = Pelmora.exe ] || fail "process $PELMORA_PID is not Pelmora.exe"
expect_drives 'E:\ - BENCH' 'F:\ - PACED' 'G:\ - SCRATCH' >/dev/null
expect_button "Create ISO" enabled 3000 >/dev/null
# The save dialog brings in code and memory of its own; once shown, it no longer counts below.
drv create-cancel >/dev/null || fail "the save dialog did not cancel"
sleep 1
idle_rss=$(memory VmRSS) idle_hwm=$(memory VmHWM)
cat "$disc" >/dev/null
peak_rss_during timed_copy "$image"
cmp -s "$disc" "$image" || fail "Pelmora's image differs from the disc"
copy_rss=$PEAK_RSS copy_hwm=$(memory VmHWM)
echo "   (a first copy, untimed for speed, measured memory: $COPY_S s)"

pels=() dds=() jobs=() hashes=()
for run in $(seq "$RUNS"); do
    rm -f "$image" "$copy"
    cat "$disc" >/dev/null
    for which in $( ((run % 2)) && echo "pelmora dd" || echo "dd pelmora"); do
        if [ "$which" = pelmora ]; then
            timed_copy "$image"
            pel=$COPY_S
        else
            start=$(date +%s.%N)
            # Wine ignores FILE_FLAG_NO_BUFFERING, so both writes go through the page cache alike.
            dd if="$disc" of="$copy" bs=1M status=none
            dd_s=$(seconds_since "$start")
        fi
    done
    cmp -s "$disc" "$image" || fail "Pelmora's image differs from the disc"
    rm -f "$image" "$copy"
    line=$(wine "$BUILD/tests/copy_image.exe" 'E:\ - BENCH' "$(win_path "$image")" </dev/null | tr -d '\r')
    job=$(printf '%s\n' "$line" | sed -n 's/.* in \([0-9.]*\) s: .*/\1/p')
    [ -n "$job" ] || fail "copy_image.exe: $line"
    cmp -s "$disc" "$image" || fail "the copy job's image differs from the disc"
    line=$(wine "$BUILD/bench/hash_alone.exe" "$(win_path "$disc")" </dev/null | tr -d '\r')
    hash=$(printf '%s\n' "$line" | sed -n 's/.* in \([0-9.]*\) s: .*/\1/p')
    [ -n "$hash" ] || fail "hash_alone.exe: $line"
    echo "   run $run: Pelmora $pel s, dd $dd_s s, copy job $job s, four digests alone $hash s"
    pels+=("$pel") dds+=("$dd_s") jobs+=("$job") hashes+=("$hash")
done
mpel=$(median "${pels[@]}") mdd=$(median "${dds[@]}") mjob=$(median "${jobs[@]}") mhash=$(median "${hashes[@]}")
after_rss=$(memory VmRSS) after_hwm=$(memory VmHWM)
drv close >/dev/null || fail "cannot close"
e2e_wait_exit "$PELMORA_PID" 30
rm -f "$image" "$copy"
echo "   median: Pelmora $mpel s, dd bs=1M $mdd s, copy job $mjob s;" \
    "Pelmora/dd $(ratio "$mpel" "$mdd") (target <= 1.2, goal 1.1), copy job/dd $(ratio "$mjob" "$mdd")"
# On a busy machine the fastest run of each shows best what the program itself costs.
lpel=$(least "${pels[@]}") ldd=$(least "${dds[@]}") ljob=$(least "${jobs[@]}")
echo "   fastest: Pelmora $lpel s, dd bs=1M $ldd s, copy job $ljob s;" \
    "Pelmora/dd $(ratio "$lpel" "$ldd"), copy job/dd $(ratio "$ljob" "$ldd")"
# The copy hashes every byte it writes: it cannot beat the slower of moving and hashing them.
slower=$(awk -v a="$mdd" -v b="$mhash" 'BEGIN { print (a > b ? a : b) }')
echo "   median: four digests alone $mhash s; Pelmora/(slower of dd and the digests) $(ratio "$mpel" "$slower") (target <= 1.5)"

echo "== 2. paced drive and target: $paced_bytes bytes, read at $READ_MBS MB/s, written at $WRITE_MBS MB/s, $PACED_RUNS runs"
echo "   copy: Pelmora from Stop to Create ISO as above; reads alone: disc bytes / $READ_MBS MB/s"
us_per_mib() { awk -v r="$1" 'BEGIN { printf "%d", 1048576 / r + 0.5 }'; }
paced_image=$out/paced.iso
pace_shim=$E2E_DIR/pace_shim.so
gcc -m"$PELMORA_WINE_BITS" -shared -fPIC -o "$pace_shim" -I"$SRC/tests/e2e" "$SRC/scripts/bench/pace_shim.c" -ldl || fail "cannot build the pace shim"
e2e_start_pelmora_preloaded "$pace_shim" PACE_READ_PATH=/drives/f/disc.iso PACE_READ_US_PER_MB="$(us_per_mib "$READ_MBS")" \
    PACE_WRITE_PATH="$paced_image" PACE_WRITE_US_PER_MB="$(us_per_mib "$WRITE_MBS")" >/dev/null
drv select 1 >/dev/null || fail "cannot select drive F:"
expect_button "Create ISO" enabled 3000 >/dev/null
paced=()
for run in $(seq "$PACED_RUNS"); do
    timed_copy "$paced_image"
    cmp -s "$paced_disc" "$paced_image" || fail "the paced image differs from the disc"
    echo "   run $run: $COPY_S s"
    paced+=("$COPY_S")
done
paced_rss=$(memory VmHWM)
drv close >/dev/null || fail "cannot close"
e2e_wait_exit "$PELMORA_PID" 30
mpaced=$(median "${paced[@]}")
reads=$(awk -v b="$paced_bytes" -v r="$READ_MBS" 'BEGIN { printf "%.3f", b / (r * 1e6) }')
echo "   median: copy $mpaced s, reads alone $reads s, copy/reads $(ratio "$mpaced" "$reads") (target <= 1.05)"

echo "== 3. memory of the Pelmora.exe process (/proc/PID/status, kB), idle after one cancelled save dialog"
echo "   idle VmRSS $idle_rss, peak VmRSS during the first copy $copy_rss (sampled every 10 ms):" \
    "the copy adds $((copy_rss - idle_rss)) kB (target < 4096)"
echo "   VmHWM idle $idle_hwm, after the first copy $copy_hwm (+$((copy_hwm - idle_hwm)))," \
    "after $((RUNS + 1)) copies $after_hwm; VmRSS after them $after_rss; VmHWM of the paced Pelmora $paced_rss"
fi

echo "== 4. scratched disc: $SCRATCH_MB MiB, sectors $BAND_SECTORS from the middle unreadable, $FAIL_MS ms per failed read"
scratch_out=$E2E_DIR/scratch
mkdir -p "$scratch_out"
e2e_read_shim
band_first=$(($(stat -c %s "$scratch_disc") / 2048 / 2))
band_from=$((band_first * 2048)) band_to=$(((band_first + BAND_SECTORS) * 2048))
drive_index=2
[ "${SCRATCH_ONLY:-}" = 1 ] && drive_index=0
# scratched_copy NAME SLEEP_US: copies drive G: into NAME through the window, choosing Continue
# at the first unreadable sector; sets CONTINUED_AT to when the box went away.
scratched_copy() {
    rm -f "$scratch_out/$1" "$scratch_out/$1.map" "$scratch_out/$1.pelmora-partial"* "$E2E_DIR/failures.log"
    e2e_start_pelmora_preloaded "$READ_SHIM" SHIM_PATH=/drives/g/disc.iso SHIM_EIO_FROM=$band_from \
        SHIM_EIO_TO=$band_to SHIM_EIO_SLEEP_US="$2" SHIM_LOG="$E2E_DIR/failures.log" ${3:+SHIM_GONE_AT=$3} >/dev/null
    drv select "$drive_index" >/dev/null || fail "cannot select drive G:"
    expect_button "Create ISO" enabled 3000 >/dev/null
    drv create "$(win_path "$scratch_out/$1")" >/dev/null || fail "the save dialog did not take the name"
    drv messagebox continue 600000 >/dev/null || fail "no read error box"
    CONTINUED_AT=$(date +%s.%N)
}
if [ "${GONE_ONLY:-}" != 1 ]; then
# The good data is all in once trimming has ended: its trailing edge reads the good sectors of
# the last chunk that failed. The status line names the pass; the driver reads it.
scratched_copy slow.iso $((FAIL_MS * 1000))
until drv status >/dev/null && printf '%s\n' "$DRV_OUT" | grep -qE 'Scraping|Retrying'; do
    drv button >/dev/null
    printf '%s\n' "$DRV_OUT" | grep -qF '[Stop]' || fail "the rescue ended before scraping: $DRV_OUT"
done
good_s=$(seconds_since "$CONTINUED_AT")
# Until it is kept, the image is written under its temporary name.
partial=$scratch_out/slow.iso.pelmora-partial
cmp -n $band_from "$partial" "$scratch_disc" || fail "the image differs from the disc before the band"
cmp -i $band_to -n $(($(stat -c %s "$scratch_disc") - band_to)) "$partial" "$scratch_disc" \
    || fail "the image differs from the disc after the band"
drv click >/dev/null || fail "cannot press Stop"
drv messagebox ok 600000 >/dev/null || fail "the end of the stopped rescue was not told"
drv close >/dev/null
e2e_wait_exit "$PELMORA_PID" 30
scratched_copy whole.iso 0
drv messagebox ok 600000 >/dev/null || fail "the end of the rescue was not told"
failed=$(wc -l <"$E2E_DIR/failures.log")
drv close >/dev/null
e2e_wait_exit "$PELMORA_PID" 30
echo "   from Continue until every sector outside the band is in the image: $good_s s (target <= 20)"
echo "   failed reads over the whole rescue: $failed, $(ratio "$failed" "$BAND_SECTORS") per bad sector (target <= 4.5)"
fi
# The disc taken out half-way through the band, during the first pass: the map should call no
# sector outside the band bad or unread-for-a-fault, and leave the rest of the disc not tried.
scratched_copy gone.iso 0 $(((band_first + BAND_SECTORS / 2) * 2048))
drv messagebox ok 600000 >/dev/null || fail "the disc taken out was not told"
printf '%s\n' "$DRV_OUT" | grep -q 'no longer be read' || fail "the disc taken out was told as: $DRV_OUT"
drv close >/dev/null
e2e_wait_exit "$PELMORA_PID" 30
gone_map=$scratch_out/gone.iso.map
[ -f "$gone_map" ] || gone_map=$scratch_out/gone.iso.pelmora-partial.map
[ -f "$gone_map" ] || fail "no map kept after the disc was taken out"
bad=0 outside=0 untried=0 seen=
while read -r pos size status _; do
    case $pos in '#'* | '') continue ;; esac
    [ -n "$seen" ] || { seen=1; continue; }  # the status line
    pos=$((pos)) size=$((size))
    if [ "$status" = "?" ]; then untried=$((untried + size / 2048)); fi
    case $status in
    [-*/])
        lo=$((pos > band_from ? pos : band_from)) hi=$((pos + size < band_to ? pos + size : band_to))
        bad=$((bad + size / 2048)) outside=$((outside + (size - (hi > lo ? hi - lo : 0)) / 2048)) ;;
    esac
done <"$gone_map"
echo "   disc taken out half-way through the band: the map calls $bad sectors bad (non-trimmed, non-scraped" \
    "or bad), $outside of them outside the band (target 0); $untried sectors left not tried"

