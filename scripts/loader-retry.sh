# Sourced by scripts/test.sh: on a machine that runs the tests under 64-bit Wine, 64-bit Wine now
# and then dies on its way out of a program that has finished: glibc's loader asserts in _dl_fini
# ("Inconsistency detected by ld.so"), about one program in two thousand here, whatever the
# program did. Only a test whose output shows that assertion is run again, and the run says so.

# loader_crashes LOG: the names of the tests whose output in LOG (ctest's --output-log of a run
# with --output-on-failure) shows the loader's assertion, one per line.
loader_crashes() {
    awk '
        /^ *[0-9]+\/[0-9]+ +Test +#[0-9]+: / {
            name = $0
            sub(/^ *[0-9]+\/[0-9]+ +Test +#[0-9]+: /, "", name)
            sub(/ .*/, "", name)
            next
        }
        name != "" && index($0, "Inconsistency detected by ld.so") && index($0, "_dl_fini") && !(name in seen) {
            seen[name]
            print name
        }
    ' "$1"
}

# loader_retry_plan FAILED LOG: keeps in FAILED (ctest's LastTestsFailed.log, "number:name"
# lines) only the tests that failed on the loader's assertion, and says how many will be run
# again and why. Fails, leaving FAILED as it was, when a test failed for any other reason or
# none failed on the assertion.
loader_retry_plan() {
    local failed=$1 log=$2 crashed others
    crashed=$(loader_crashes "$log")
    others=$(awk -F: 'NR == FNR { crashed[$0]; next } { name = $0; sub(/^[0-9]+:/, "", name) } !(name in crashed) { print name }' \
        <(printf '%s\n' "$crashed") "$failed")
    if [ -n "$others" ]; then
        echo "not run again: $(printf '%s\n' "$others" | wc -l) failed test(s) whose output does not show the loader's" \
            "_dl_fini assertion:" $others
        return 1
    fi
    [ -n "$crashed" ] || return 1
    awk -F: 'NR == FNR { crashed[$0]; next } { name = $0; sub(/^[0-9]+:/, "", name) } name in crashed' \
        <(printf '%s\n' "$crashed") "$failed" >"$failed.retry"
    mv -f "$failed.retry" "$failed"
    echo "running again $(printf '%s\n' "$crashed" | wc -l) test(s) whose program died at exit on 64-bit Wine's" \
        "loader assertion (\"Inconsistency detected by ld.so\" in _dl_fini), not on a failure of its own:" $crashed
}
