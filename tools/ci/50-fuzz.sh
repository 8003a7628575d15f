#!/usr/bin/env bash
# The fuzz targets (fuzz/) built with clang, libFuzzer, ASan and UBSan, each run for a bounded
# time (QUORVANE_FUZZ_SECONDS, 60 by default) over its committed corpus and the dictionary. A
# finding fails the check and names its reproducer; once the fault is fixed, the reproducer goes
# into fuzz/corpus/<target>/ as "regress-<what>".
set -euo pipefail
cd "$(dirname "$0")/../.."

bash tools/deps.sh clang libclang-rt-14-dev
seconds=${QUORVANE_FUZZ_SECONDS:-60}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

findings=$PWD/build/fuzz/findings
rm -rf "$findings"
mkdir -p "$findings"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failed=0
for target in decode_frame read_avi round_trip import_file; do
    mkdir -p "$work/$target"
    log=$findings/$target.log
    # New inputs go to the scratch directory; the committed corpus is only read.
    if build/fuzz/fuzz/fuzz_$target -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 \
        -dict=fuzz/quorvane.dict -artifact_prefix="$findings/$target-" -print_final_stats=1 \
        "$work/$target" "fuzz/corpus/$target" >"$log" 2>&1; then
        echo "  ok   $target: $(sed -n 's/^stat::number_of_executed_units: *//p' "$log") runs," \
            "$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")/s"
    else
        failed=1
        echo "  FAIL $target"
        grep -E 'ERROR|invariant|SUMMARY' "$log" | head -20 || true
        for r in "$findings/$target-"*; do
            [ -f "$r" ] && echo "  reproducer: $r (run: build/fuzz/fuzz/fuzz_$target $r)"
        done
        echo "  log: $log"
    fi
done
exit $failed
