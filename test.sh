#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test level: the native unit tests, a short
# run of each fuzz target, the in-process tests under Wine, and the black-box tests of the real
# exe. Ends with one line "N passed, N failed"; the exit status is non-zero when anything failed.
set -uo pipefail
cd "$(dirname "$0")"
source scripts/common.sh

passed=0
failed=0
logs=$LORVANE_ROOT/build/test-logs
mkdir -p "$logs"

# Runs one GoogleTest program and adds its counts; a program that ends without its summary
# (a crash, a hang cut by the timeout) counts as one failure.
run_suite() {
    local name=$1
    shift
    echo "== $name"
    "$@" --gtest_brief=1 2>&1 | tr -d '\r' | tee "$logs/$name.log" | grep -v '^$'
    local suite_passed suite_failed
    suite_passed=$(grep -oE '^\[  PASSED  \] [0-9]+' "$logs/$name.log" | grep -oE '[0-9]+$' | tail -1)
    # In brief mode each failed test is reported once, as "[  FAILED  ] Suite.Name (N ms)".
    suite_failed=$(grep -cE '^\[  FAILED  \] [^ ]+ \([0-9]+ ms\)' "$logs/$name.log")
    if ! grep -qE '^\[==========\] [0-9]+ tests? from' "$logs/$name.log"; then
        echo "$name ended without its summary"
        suite_failed=1
    fi
    passed=$((passed + ${suite_passed:-0}))
    failed=$((failed + suite_failed))
}

# Runs each fuzz target for a few seconds from its seeds with a fixed seed; each target counts
# as one test, passed when libFuzzer ends without a finding.
run_fuzzers() {
    echo "== fuzz"
    local name runs
    for name in $(fuzz_targets); do
        rm -rf "$FUZZ_BUILD/smoke/$name"
        if run_fuzz_target "$name" 3 "$FUZZ_BUILD/smoke/$name/corpus" -seed=1 \
            >"$logs/fuzz-$name.log" 2>&1; then
            runs=$(grep -oE '^Done [0-9]+ runs' "$logs/fuzz-$name.log" | grep -oE '[0-9]+')
            echo "$name: passed (${runs:-?} runs)"
            passed=$((passed + 1))
        else
            grep -E '^(SUMMARY|==[0-9]+==ERROR|.*check failed)' "$logs/fuzz-$name.log" | head -5
            echo "$name: FAILED (log in $logs/fuzz-$name.log)"
            failed=$((failed + 1))
        fi
    done
}

fail_step() {
    echo "$1"
    failed=$((failed + 1))
}

ensure_packages "${LORVANE_PACKAGES[@]}" "${LORVANE_FUZZ_PACKAGES[@]}" "${LORVANE_CLANG_PACKAGES[@]}" ||
    fail_step "could not install the packages"

if build_native >"$logs/build-native.log" 2>&1; then
    run_suite unit timeout 300 "$NATIVE_BUILD/tests/unit/unit_tests"
else
    tail -30 "$logs/build-native.log"
    fail_step "native build failed"
fi

if build_fuzz >"$logs/build-fuzz.log" 2>&1; then
    run_fuzzers
else
    tail -30 "$logs/build-fuzz.log"
    fail_step "fuzz build failed"
fi

# The second Windows build (clang, lld, llvm-rc); its exe and tests run in the Wine session below.
clang_built=0
if build_windows_clang >"$logs/build-clang.log" 2>&1; then
    clang_built=1
else
    tail -30 "$logs/build-clang.log"
    fail_step "clang Windows build failed"
fi

if build_windows >"$logs/build-windows.log" 2>&1; then
    export WINEPREFIX
    WINEPREFIX=$(mktemp -d /tmp/lorvane-test-prefix.XXXXXX)
    LORVANE_OWN_DISPLAY=1 start_display
    prepare_prefix
    run_suite win timeout 600 "${WINE_DESKTOP[@]}" "$WINDOWS_BUILD/tests/win/win_tests.exe"
    export LORVANE_EXE
    LORVANE_EXE=$(winepath -w "$WINDOWS_BUILD/Lorvane.exe")
    run_suite e2e timeout 600 "${WINE_DESKTOP[@]}" "$WINDOWS_BUILD/tests/e2e/e2e_tests.exe"
    if [ "$clang_built" -eq 1 ]; then
        run_suite win-clang timeout 600 "${WINE_DESKTOP[@]}" "$CLANG_BUILD/tests/win/win_tests.exe"
        LORVANE_EXE=$(winepath -w "$CLANG_BUILD/Lorvane.exe")
        run_suite e2e-clang timeout 600 "${WINE_DESKTOP[@]}" "$CLANG_BUILD/tests/e2e/e2e_tests.exe"
    fi
    timeout 30 wineserver -k
    stop_display
    rm -rf "$WINEPREFIX"
else
    tail -30 "$logs/build-windows.log"
    fail_step "Windows build failed"
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
