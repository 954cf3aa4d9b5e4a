#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test level: the native unit tests, a short
# run of each fuzz target, the in-process tests under Wine, and the black-box tests of the real
# exe. Says what each step does and how long it took; the whole output of each step is kept in
# build/test-logs. Ends with one line "N passed, N failed"; the exit status is non-zero when
# anything failed.
set -uo pipefail
# The last command of a pipeline runs in this shell, so that show_progress can tell run_suite
# whether it printed anything.
shopt -s lastpipe
cd "$(dirname "$0")"
source scripts/common.sh

passed=0
failed=0
logs=$LORVANE_ROOT/build/test-logs
mkdir -p "$logs"
run_started=$(date +%s%N)

# Runs one GoogleTest program as a step called LABEL and adds its counts; the program's output
# goes to build/test-logs/NAME.log. A program that ends without its summary (a crash, a hang cut
# by the timeout) counts as one failure.
run_suite() {
    local label=$1 name=$2
    shift 2
    local log=$logs/$name.log
    step_start "$label"
    suite_spoke=""
    "$@" 2>&1 | stdbuf -oL tr -d '\r' | tee "$log" | filter_wine_noise | show_progress
    local suite_passed suite_failed
    suite_passed=$(grep -oE '^\[  PASSED  \] [0-9]+' "$log" | grep -oE '[0-9]+$' | tail -1)
    # Each failed test is reported as it ends, as "[  FAILED  ] Suite.Name (N ms)".
    suite_failed=$(grep -cE '^\[  FAILED  \] [^ ]+ \([0-9]+ ms\)' "$log")
    if ! grep -qE '^\[==========\] [0-9]+ tests? from' "$log"; then
        say_in_step "$name ended without its summary (its output is in $log)"
        suite_failed=$((suite_failed + 1))
    fi
    passed=$((passed + ${suite_passed:-0}))
    failed=$((failed + suite_failed))
    [ -z "$suite_spoke" ] || printf '%s: ' "$label"
    step_end "${suite_passed:-0} passed, $suite_failed failed"
}

# Prints a line in the middle of a step, first ending the step's own line.
say_in_step() {
    [ -n "$suite_spoke" ] || echo
    suite_spoke=1
    printf '  %s\n' "$@"
}

# Reads a GoogleTest program's output and shows what matters while it runs: what each failed
# test printed, and every 20 s how many tests are done. A program that ends in the middle of a
# test (a crash) shows what that test printed.
show_progress() {
    local line total="?" done=0 last=$SECONDS in_test=""
    local output=()
    while IFS= read -r line; do
        case "$line" in
        "[==========] Running "*)
            total=${line#*Running }
            total=${total%% *}
            ;;
        "[ RUN      ] "*) in_test=1 output=() ;;
        "[       OK ] "*) in_test="" done=$((done + 1)) ;;
        "[  FAILED  ] "*" ms)")
            say_in_step "${output[@]}" "$line"
            in_test="" done=$((done + 1)) last=$SECONDS
            ;;
        *) [ -z "$in_test" ] || output+=("$line") ;;
        esac
        if [ $((SECONDS - last)) -ge 20 ]; then
            say_in_step "$done of $total tests done"
            last=$SECONDS
        fi
    done
    [ -z "$in_test" ] || say_in_step "${output[@]}"
}

# Runs each fuzz target for a few seconds from its seeds with a fixed seed; each target counts
# as one test, passed when libFuzzer ends without a finding.
run_fuzzers() {
    local name runs fuzz_passed=0 fuzz_failed=0
    step_start "fuzzing each target for 3 s"
    echo
    for name in $(fuzz_targets); do
        rm -rf "$FUZZ_BUILD/smoke/$name"
        if run_fuzz_target "$name" 3 "$FUZZ_BUILD/smoke/$name/corpus" -seed=1 \
            >"$logs/fuzz-$name.log" 2>&1; then
            runs=$(grep -oE '^Done [0-9]+ runs' "$logs/fuzz-$name.log" | grep -oE '[0-9]+')
            echo "  $name: passed (${runs:-?} runs)"
            fuzz_passed=$((fuzz_passed + 1))
        else
            grep -E '^(SUMMARY|==[0-9]+==ERROR|.*check failed)' "$logs/fuzz-$name.log" | head -5 |
                sed 's/^/    /'
            echo "  $name: FAILED (log in $logs/fuzz-$name.log)"
            fuzz_failed=$((fuzz_failed + 1))
        fi
    done
    passed=$((passed + fuzz_passed))
    failed=$((failed + fuzz_failed))
    printf 'fuzz targets: '
    step_end "$fuzz_passed passed, $fuzz_failed failed"
}

# A fresh Wine prefix and display for the tests of the Windows builds, made once per run.
wine_started=""
start_wine() {
    export WINEPREFIX
    WINEPREFIX=$(mktemp -d /tmp/lorvane-test-prefix.XXXXXX)
    LORVANE_OWN_DISPLAY=1 start_display && prepare_prefix && wine_started=1
}

stop_wine() {
    [ -n "$wine_started" ] || return 0
    timeout 30 wineserver -k
    stop_display
    rm -rf "$WINEPREFIX"
}

# Runs COMMAND with the display of the prefix set to DPI dots per inch, as a user's display at
# that scale would be; Wine reads the value when a program starts. The value goes again after.
at_display_scale() {
    local dpi=$1 status
    shift
    timeout 60 wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    "$@"
    status=$?
    timeout 60 wine reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null 2>&1
    return $status
}

# The in-process and the black-box tests of the Windows build in folder BUILD; NAME tells their
# logs and lines apart from those of another build.
run_windows_tests() {
    local build=$1 name=$2
    if [ -z "$wine_started" ] &&
        ! run_step "preparing Wine (a fresh prefix, a display, fonts)" "$logs/wine.log" start_wine; then
        failed=$((failed + 1))
        return
    fi
    run_suite "in-process tests under Wine${name:+ ($name)}" "win${name:+-$name}" \
        timeout 600 "${WINE_DESKTOP[@]}" "$build/tests/win/win_tests.exe"
    run_suite "in-process tests of the display scale at 192 DPI${name:+ ($name)}" "win-192${name:+-$name}" \
        at_display_scale 192 timeout 300 "${WINE_DESKTOP[@]}" "$build/tests/win/win_tests.exe" \
        --gtest_filter='FontTest.*:DocumentFilesTest.ADropped*:Resources.*'
    export LORVANE_EXE
    LORVANE_EXE=$(winepath -w "$build/Lorvane.exe")
    run_suite "black-box tests of Lorvane.exe${name:+ ($name)}" "e2e${name:+-$name}" \
        timeout 600 "${WINE_DESKTOP[@]}" "$build/tests/e2e/e2e_tests.exe"
}

ensure_packages "${LORVANE_PACKAGES[@]}" "${LORVANE_FUZZ_PACKAGES[@]}" "${LORVANE_CLANG_PACKAGES[@]}" ||
    failed=$((failed + 1))

if run_step "building the native unit tests (about a minute)" "$logs/build-native.log" build_native; then
    run_suite "unit tests" unit timeout 300 "$NATIVE_BUILD/tests/unit/unit_tests"
else
    failed=$((failed + 1))
fi

if run_step "building the fuzz targets (about a minute)" "$logs/build-fuzz.log" build_fuzz; then
    run_fuzzers
else
    failed=$((failed + 1))
fi

if run_step "building the Windows exe and its tests (a few minutes)" "$logs/build-windows.log" \
    build_windows; then
    run_windows_tests "$WINDOWS_BUILD" ""
else
    failed=$((failed + 1))
fi

# The same program and tests built with clang, lld and llvm-rc, as a Windows developer may build them.
if run_step "building the Windows exe and its tests with clang (about a minute)" \
    "$logs/build-clang.log" build_windows_clang; then
    run_windows_tests "$CLANG_BUILD" clang
else
    failed=$((failed + 1))
fi

stop_wine
echo "all steps: $(step_elapsed "$run_started")"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
