#!/usr/bin/env bash
# The test command's retry under 64-bit Wine, fed output of the form ctest writes, without Wine:
# only tests whose output shows the loader's _dl_fini assertion are run again, the run says how
# many and why, and a run with any other failure is not retried at all.
BUILD=$1 SRC=$2
set -euo pipefail
. "$SRC/scripts/loader-retry.sh"
dir=$BUILD/e2e/loader_retry
rm -rf "$dir"
mkdir -p "$dir"
cat >"$dir/log" <<'LOG'
    Start 1: MVFormat.Pads
    Start 2: CImageDlg.Stops
1/4 Test #1: MVFormat.Pads ....................***Failed    0.31 sec
[  PASSED  ] 1 test.
Inconsistency detected by ld.so: dl-fini.c: 87: _dl_fini: Assertion `ns != LM_ID_BASE || i == nloaded' failed!

    Start 3: e2e.copy
2/4 Test #2: CImageDlg.Stops ..................***Failed    1.02 sec
Expected equality of these values:
3/4 Test #3: e2e.copy .........................   Passed   20.13 sec
4/4 Test #4: MVFormat.Trims ...................***Failed    0.40 sec
Inconsistency detected by ld.so: rtld.c: 1312: dl_main: Assertion `GL(dl_rtld_map).l_libname' failed!
LOG

rc=0
# row FAULT FAILED_LINES EXPECTED_RESULT EXPECTED_LIST: plans a retry for these failures.
row() {
    local fault=$1 lines=$2 want=$3 list=$4 got=0 said
    printf '%s\n' "$lines" >"$dir/failed"
    said=$(loader_retry_plan "$dir/failed" "$dir/log") || got=1
    if [ "$got" != "$want" ] || [ "$(cat "$dir/failed")" != "$list" ]; then
        echo "FAIL: $fault: plan gave $got, kept [$(cat "$dir/failed")]; said: $said"
        rc=1
    elif [ "$want" = 0 ] && ! grep -q "again 1 test(s) .*_dl_fini.*: MVFormat.Pads$" <<<"$said"; then
        echo "FAIL: $fault: the run does not say how many were run again and why: $said"
        rc=1
    else
        echo "ok: $fault"
    fi
}
row "the test that died on the loader's assertion is not run again" "1:MVFormat.Pads" 0 "1:MVFormat.Pads"
row "a test that fails on its own is run again too" $'1:MVFormat.Pads\n2:CImageDlg.Stops' 1 \
    $'1:MVFormat.Pads\n2:CImageDlg.Stops'
row "any assertion of the loader counts, not only _dl_fini's" "4:MVFormat.Trims" 1 "4:MVFormat.Trims"
exit "$rc"
