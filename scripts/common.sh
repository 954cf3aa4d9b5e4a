# Shared by run.sh, test.sh, package.sh and the benchmark: the step lines, the packages, the
# builds, the display and the Wine prefix. Source it from the repository root.

LORVANE_ROOT=$(pwd)
WINDOWS_BUILD=$LORVANE_ROOT/build/win
NATIVE_BUILD=$LORVANE_ROOT/build/native
FUZZ_BUILD=$LORVANE_ROOT/build/fuzz
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=,winedbg.exe=d"

# Debian packages the project builds, runs and tests with. The font tests pick DejaVu faces,
# some of more than 14 characters, in the Font dialog; fonts-wine brings the faces Wine draws its
# own window frames and dialogs with (see prepare_prefix).
LORVANE_PACKAGES=(g++-mingw-w64-x86-64 mingw-w64-tools binutils-mingw-w64-x86-64 wine wine64
                  xvfb xdotool imagemagick cmake make g++ libgtest-dev
                  fonts-dejavu-core fonts-dejavu-extra fonts-wine)
# package.sh packs the exe with zip.
LORVANE_RELEASE_PACKAGES=(zip unzip)
# The fuzz targets need clang and its libFuzzer and sanitizer runtimes.
LORVANE_FUZZ_PACKAGES=(clang libclang-rt-14-dev)

# Step lines: a script says what each step does when it starts and how long it took when it ends,
# on one line, so that nothing runs silently:
#   step_start "building the native tests"    prints "building the native tests ... "
#   step_end done                              ends that line with "done (41.2 s)"
STEP_START_NS=0
step_start() {
    STEP_START_NS=$(date +%s%N)
    printf '%s ... ' "$1"
}

step_end() {
    echo "$1 ($(step_elapsed))"
}

# The time since step_start (or since START, in nanoseconds of date +%s%N), as "8.4 s" or
# "3 min 14 s".
step_elapsed() {
    local tenths=$((($(date +%s%N) - ${1:-$STEP_START_NS}) / 100000000))
    if [ "$tenths" -lt 600 ]; then
        printf '%d.%d s' $((tenths / 10)) $((tenths % 10))
    else
        printf '%d min %d s' $((tenths / 600)) $((tenths / 10 % 60))
    fi
}

# Runs COMMAND (a function or program, in this shell) as one step called LABEL, with its output
# in the file LOG; when it fails, shows the end of the log. Gives the command's status.
run_step() {
    local label=$1 log=$2
    shift 2
    step_start "$label"
    if "$@" >"$log" 2>&1; then
        step_end done
    else
        local status=$?
        step_end FAILED
        tail -30 "$log" | filter_wine_noise
        echo "(all of it in $log)"
        return "$status"
    fi
}

# Drops the lines Wine prints that say nothing about the program: without a real disk behind Z:
# (the root folder) it cannot read a volume label.
filter_wine_noise() {
    grep --line-buffered -v -F -e 'Read access denied for device L"\\??\\Z:\\", FS volume label and serial are not available.' || true
}

is_installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

# Installs those of the given packages that are missing, as one step.
ensure_packages() {
    local missing=()
    step_start "checking the Debian packages"
    for package in "$@"; do
        is_installed "$package" || missing+=("$package")
    done
    if [ ${#missing[@]} -eq 0 ]; then
        step_end "all installed"
        return 0
    fi
    step_end "missing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    step_start "installing them with apt-get (a few minutes)"
    if $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq &&
        $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
            "${missing[@]}" >/dev/null; then
        step_end done
    else
        step_end FAILED
        return 1
    fi
}

# Configures and builds the Windows program and its tests in folder BUILD with toolchain file
# TOOLCHAIN (in cmake/), the given targets only when some are given.
build_windows_with() {
    local build=$1 toolchain=$2
    shift 2
    local targets=()
    [ $# -gt 0 ] && targets=(--target "$@")
    cmake -S "$LORVANE_ROOT" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$LORVANE_ROOT/cmake/$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DLORVANE_TESTS=ON >/dev/null &&
        cmake --build "$build" -j"$(nproc)" "${targets[@]}"
}

# The Windows build: MinGW-w64 GCC and windres.
build_windows() { build_windows_with "$WINDOWS_BUILD" mingw-w64-x86_64.cmake "$@"; }

# The same Windows program built a second way: clang, lld and llvm-rc over the MinGW-w64 headers
# and libraries, into its own folder.
CLANG_BUILD=$LORVANE_ROOT/build/clang
LORVANE_CLANG_PACKAGES=(clang lld llvm)
build_windows_clang() { build_windows_with "$CLANG_BUILD" clang-mingw-x86_64.cmake "$@"; }

build_native() {
    cmake -S "$LORVANE_ROOT" -B "$NATIVE_BUILD" -DCMAKE_BUILD_TYPE=Debug >/dev/null &&
        cmake --build "$NATIVE_BUILD" -j"$(nproc)"
}

# The fuzz targets, built natively with clang.
build_fuzz() {
    cmake -S "$LORVANE_ROOT" -B "$FUZZ_BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DLORVANE_FUZZ=ON >/dev/null &&
        cmake --build "$FUZZ_BUILD" -j"$(nproc)"
}

# The names of the fuzz targets, one per source file tests/fuzz/NAME.cpp.
fuzz_targets() {
    local source
    for source in "$LORVANE_ROOT"/tests/fuzz/*_fuzz.cpp; do
        basename "$source" .cpp
    done
}

# Runs fuzz target NAME for SECONDS, growing the corpus in folder CORPUS from the committed
# seeds, with any further libFuzzer options. A finding is saved in CORPUS/../artifacts and makes
# the exit status non-zero; a run that hangs is cut off a minute after its time.
run_fuzz_target() {
    local name=$1 seconds=$2 corpus=$3
    shift 3
    local artifacts
    artifacts=$(dirname "$corpus")/artifacts
    mkdir -p "$corpus" "$artifacts"
    timeout $((seconds + 60)) "$FUZZ_BUILD/tests/fuzz/$name" -max_total_time="$seconds" -timeout=10 \
        -artifact_prefix="$artifacts/$name-" "$@" "$corpus" "$LORVANE_ROOT/tests/fuzz/corpus/$name"
}

# Starts Xvfb on a free display unless one is given, and exports DISPLAY. LORVANE_XVFB_PID holds
# the server we started, if any.
LORVANE_XVFB_PID=""
start_display() {
    if [ -n "${DISPLAY:-}" ] && [ "${LORVANE_OWN_DISPLAY:-}" != "1" ]; then
        return 0
    fi
    local number=90
    while [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ]; do
        number=$((number + 1))
    done
    Xvfb ":$number" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    LORVANE_XVFB_PID=$!
    export DISPLAY=":$number"
    for _ in $(seq 50); do
        [ -e "/tmp/.X11-unix/X$number" ] && return 0
        sleep 0.1
    done
    echo "Xvfb did not start" >&2
    return 1
}

stop_display() {
    [ -n "$LORVANE_XVFB_PID" ] && kill "$LORVANE_XVFB_PID" 2>/dev/null
    LORVANE_XVFB_PID=""
}

# Prepares the Wine prefix in $WINEPREFIX (created when missing) and puts Wine's own fonts in it.
prepare_prefix() {
    mkdir -p "$WINEPREFIX"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        timeout 120 wineboot -i >/dev/null 2>&1
        # A program that crashes ends at once instead of waiting in the debugger.
        timeout 60 wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
            /v Debugger /d false /f >/dev/null 2>&1
        timeout 60 wineserver -w
    fi
    install_wine_fonts
}

# Wine draws the caption buttons with Marlett and its dialogs in Tahoma, and Lorvane's default
# display font is MS Sans Serif. fonts-wine installs them in a folder that this Wine does not
# search, so they go where every Windows program finds its fonts: without them the caption buttons
# show as letters, and the text and the Font dialog fall back to another face. Needed before a
# program starts.
install_wine_fonts() {
    local fonts=$WINEPREFIX/drive_c/windows/Fonts font
    mkdir -p "$fonts"
    for font in marlett.ttf tahoma.ttf tahomabd.ttf sserife.fon; do
        cp -u "/usr/share/wine/fonts/$font" "$fonts/" || return 1
    done
}

# Runs a Windows program in a virtual desktop of the prefix: the windows get their frames and
# captions from Wine itself, with no window manager needed. Use as "${WINE_DESKTOP[@]}" PROGRAM.
WINE_DESKTOP=(wine explorer /desktop=Lorvane,1280x1000)
