#!/usr/bin/env bash
# Builds Lorvane and the benchmark's own programs, generates the input files, and measures
# Lorvane against a bare rich edit control (the floor) and Wine's wordpad and notepad, in
# interleaved rounds under Wine in a private Xvfb display: the first and the whole text of 1 and
# 10 MiB files in plain text, UTF-16 and UTF-8, how the window answers meanwhile, peak memory,
# the launch with a tiny file, a log-like file, and reloads (Wrap, with the reader's place, and Wrap
# and back on the log-like file). Prints medians and
# ratios and writes bench/RESULTS.md.
#
#   bench/run.sh [--rounds N] [--big] [--exe-commit REV | --exe EXE] [--baseline-commit REV]...
#                [--launch-commit REV]... [--baseline NAME=EXE]...
#                [--groups LIST] [--out FILE] [--raw FILE] [--verbose]
#
#   --rounds N            rounds of every measurement (default 3)
#   --big                 adds the 50 MiB files
#   --exe-commit REV      measures Lorvane.exe as built from commit REV (else the working tree)
#   --exe EXE             measures that Lorvane.exe (else the working tree's)
#   --baseline-commit REV builds Lorvane.exe as it was at commit REV and measures it alongside
#   --launch-commit REV   builds Lorvane.exe as it was at commit REV and measures its launch with
#                         the tiny file alongside
#   --baseline NAME=EXE   measures another Lorvane.exe alongside
#   --groups LIST         only these measurements, comma-separated: launch, load, commands, follow (all)
#   --out FILE            where the report goes (default bench/RESULTS.md)
#   --raw FILE            also keeps every single run's figures in a JSON file
#   --verbose             prints every single run
#
# Uses its own Wine prefix (LORVANE_BENCH_PREFIX, default /tmp/lorvane-bench-prefix-$UID, kept
# between runs) and the build folders build/bench and build/bench/tools.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh
command_line="bench/run.sh $*"

rounds=3
options=()
out=bench/RESULTS.md
big=()
commits=()
launch_commits=()
exe_commit=
exe=
while [ $# -gt 0 ]; do
    case "$1" in
        --rounds) rounds=$2; shift 2 ;;
        --big) big=(--big); shift ;;
        --baseline) options+=(--baseline "$2"); shift 2 ;;
        --baseline-commit) commits+=("$(git rev-parse --short "$2")"); shift 2 ;;
        --exe-commit) exe_commit=$(git rev-parse --short "$2"); shift 2 ;;
        --exe) exe=$2; shift 2 ;;
        --launch-commit) launch_commits+=("$(git rev-parse --short "$2")"); shift 2 ;;
        --verbose) options+=("$1"); shift ;;
        --groups) options+=(--groups "$2"); shift 2 ;;
        --out) out=$2; shift 2 ;;
        --raw) options+=(--raw "$2"); shift 2 ;;
        *) echo "unknown option: $1" >&2; exit 2 ;;
    esac
done
say() { echo "[$(date +%H:%M:%S)] $*"; }

ensure_packages "${LORVANE_PACKAGES[@]}"
command -v python3 >/dev/null || ensure_packages python3

say "building"
toolchain=$LORVANE_ROOT/cmake/mingw-w64-x86_64.cmake
cmake -S bench -B build/bench/tools -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/bench/tools -j"$(nproc)" --target probe waiter follower >/dev/null
# Builds Lorvane.exe of a commit from its own sources and toolchain file, the same way as the
# working tree's, into build/bench/commit-COMMIT/build.
build_commit() {
    local place=build/bench/commit-$1
    if [ ! -f "$place/build/Lorvane.exe" ]; then
        say "building Lorvane.exe of commit $1"
        rm -rf "$place" && mkdir -p "$place/src"
        git archive "$1" | tar -x -C "$place/src"
        cmake -S "$place/src" -B "$place/build" -DCMAKE_BUILD_TYPE=Release -DLORVANE_TESTS=OFF \
            -DCMAKE_TOOLCHAIN_FILE="$LORVANE_ROOT/$place/src/cmake/mingw-w64-x86_64.cmake" >/dev/null
        cmake --build "$place/build" -j"$(nproc)" --target Lorvane >/dev/null
    fi
}
if [ -n "$exe" ]; then
    say "measuring $exe"
elif [ -n "$exe_commit" ]; then
    build_commit "$exe_commit"
    exe=build/bench/commit-$exe_commit/build/Lorvane.exe
    options+=(--exe-commit "$exe_commit")
else
    cmake -S . -B build/bench -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
        -DLORVANE_TESTS=OFF >/dev/null
    cmake --build build/bench -j"$(nproc)" --target Lorvane >/dev/null
    exe=build/bench/Lorvane.exe
fi
for commit in "${commits[@]}"; do
    build_commit "$commit"
    options+=(--baseline "$commit=build/bench/commit-$commit/build/Lorvane.exe")
done
for commit in "${launch_commits[@]}"; do
    build_commit "$commit"
    options+=(--launch-baseline "$commit=build/bench/commit-$commit/build/Lorvane.exe")
done

export WINEPREFIX=${LORVANE_BENCH_PREFIX:-/tmp/lorvane-bench-prefix-$(id -u)}
files=$(mktemp -d /tmp/lorvane-bench-files.XXXXXX)
cleanup() {
    timeout 30 wineserver -k 2>/dev/null || true
    stop_display || true
    rm -rf "$files"
}
trap cleanup EXIT
LORVANE_OWN_DISPLAY=1 start_display
say "Wine prefix $WINEPREFIX, display $DISPLAY"
prepare_prefix
# The server stays up between the runs, so that no run pays for its start (one already running
# for the prefix is kept as it is).
wineserver -p || true

say "writing the files into $files"
python3 bench/make_files.py "$files" "${big[@]}"
say "measuring"
python3 bench/bench.py --files "$files" --tools build/bench/tools --exe "$exe" \
    --rounds "$rounds" "${big[@]}" "${options[@]}" --out "$out" --command "$command_line"
say "done"
