#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer) into
# build-fuzz/ and runs each for SECONDS (default 20) from its seeds in tests/fuzz/corpus/<target>.
# Fails on the first crash, leak, time-out or sanitizer report; the input that caused it is kept
# in build-fuzz/findings/<target>/.
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-20}
build=$top/build-fuzz
"$top/scripts/install-deps.sh"
CC=clang CXX=clang++ cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKV_FUZZ=ON >/dev/null
cmake --build "$build" --target fuzz_all --parallel "$(nproc)"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# The ODBC and Qt libraries keep some memory for the life of the process; our own leaks are not
# among what the suppressions name.
export LSAN_OPTIONS="suppressions=$top/tests/lsan.supp"
export QT_QPA_PLATFORM=offscreen
status=0
for program in "$build"/tests/fuzz/fuzz_*; do
    [ -f "$program" ] && [ -x "$program" ] || continue
    target=${program##*/fuzz_}
    work=$(mktemp -d)
    findings=$build/findings/$target
    mkdir -p "$findings"
    cp -r "$top/tests/fuzz/corpus/$target/." "$work/" 2>/dev/null || true
    echo "fuzz_$target: ${seconds} s"
    if ! (cd "$findings" && "$program" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
            "$work" 2>"$findings/log.txt"); then
        echo "fuzz_$target failed; see $findings/log.txt" >&2
        tail -40 "$findings/log.txt" >&2
        status=1
    else
        grep -E 'stat::number_of_executed_units|stat::peak_rss_mb' "$findings/log.txt" | sed "s/^/  /"
    fi
    rm -rf "$work"
done
exit $status
