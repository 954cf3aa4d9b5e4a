#!/usr/bin/env bash
# Runs the fuzz targets of the pure decisions for longer than ./test.sh does.
#   tests/fuzz/run.sh [SECONDS] [TARGET...]
# Each target (all of them when none is named) runs SECONDS seconds, 600 by default, one after
# the other. Its corpus grows in build/fuzz/long/TARGET/corpus from the seeds in
# tests/fuzz/corpus/TARGET and is kept for the next run; findings land in
# build/fuzz/long/TARGET/artifacts. The exit status is non-zero when any target found something.
set -uo pipefail
cd "$(dirname "$0")/../.."
source scripts/common.sh

seconds=${1:-600}
[ $# -gt 0 ] && shift
targets=("$@")
[ ${#targets[@]} -eq 0 ] && mapfile -t targets < <(fuzz_targets)

ensure_packages "${LORVANE_FUZZ_PACKAGES[@]}" cmake make || exit 1
build_fuzz >/dev/null || { echo "fuzz build failed" >&2; exit 1; }

found=0
for name in "${targets[@]}"; do
    echo "== $name, $seconds s"
    log=$FUZZ_BUILD/long/$name/run.log
    mkdir -p "$(dirname "$log")"
    if run_fuzz_target "$name" "$seconds" "$FUZZ_BUILD/long/$name/corpus" -print_final_stats=1 \
        >"$log" 2>&1; then
        echo "$name: nothing found ($(grep -oE '^Done [0-9]+ runs' "$log" | grep -oE '[0-9]+') runs," \
             "corpus of $(find "$FUZZ_BUILD/long/$name/corpus" -type f | wc -l) inputs)"
    else
        found=$((found + 1))
        grep -E '^(SUMMARY|==[0-9]+==ERROR|.*check failed)' "$log" | head -5
        echo "$name: FOUND something: see $log and $FUZZ_BUILD/long/$name/artifacts"
    fi
done
[ "$found" -eq 0 ]
