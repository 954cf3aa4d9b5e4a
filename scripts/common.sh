# Shared by run.sh, test.sh and the benchmark: the packages, the two builds, the display and the
# Wine prefix. Source it from the repository root.

LORVANE_ROOT=$(pwd)
WINDOWS_BUILD=$LORVANE_ROOT/build/win
NATIVE_BUILD=$LORVANE_ROOT/build/native
FUZZ_BUILD=$LORVANE_ROOT/build/fuzz
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=,winedbg.exe=d"

# Debian packages the project builds, runs and tests with. The font tests pick DejaVu faces,
# some of more than 14 characters, in the Font dialog.
LORVANE_PACKAGES=(g++-mingw-w64-x86-64 mingw-w64-tools binutils-mingw-w64-x86-64 wine wine64
                  xvfb xdotool imagemagick cmake make g++ libgtest-dev
                  fonts-dejavu-core fonts-dejavu-extra)
# package.sh packs the exe with zip.
LORVANE_RELEASE_PACKAGES=(zip unzip)
# The fuzz targets need clang and its libFuzzer and sanitizer runtimes.
LORVANE_FUZZ_PACKAGES=(clang libclang-rt-14-dev)

is_installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

# Installs those of the given packages that are missing.
ensure_packages() {
    local missing=()
    for package in "$@"; do
        is_installed "$package" || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing ${missing[*]} ..."
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq &&
        $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
            "${missing[@]}" >/dev/null
}

# Builds the given targets of the Windows build (all of them when none is given).
build_windows() {
    local targets=()
    [ $# -gt 0 ] && targets=(--target "$@")
    cmake -S "$LORVANE_ROOT" -B "$WINDOWS_BUILD" \
        -DCMAKE_TOOLCHAIN_FILE="$LORVANE_ROOT/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DLORVANE_TESTS=ON >/dev/null &&
        cmake --build "$WINDOWS_BUILD" -j"$(nproc)" "${targets[@]}"
}

# The same Windows program built a second way: clang, lld and llvm-rc over the MinGW-w64 headers
# and libraries, into its own folder.
CLANG_BUILD=$LORVANE_ROOT/build/clang
LORVANE_CLANG_PACKAGES=(clang lld llvm)
build_windows_clang() {
    local targets=()
    [ $# -gt 0 ] && targets=(--target "$@")
    cmake -S "$LORVANE_ROOT" -B "$CLANG_BUILD" \
        -DCMAKE_TOOLCHAIN_FILE="$LORVANE_ROOT/cmake/clang-mingw-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DLORVANE_TESTS=ON >/dev/null &&
        cmake --build "$CLANG_BUILD" -j"$(nproc)" "${targets[@]}"
}

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

# Prepares the Wine prefix in $WINEPREFIX (created when missing).
prepare_prefix() {
    mkdir -p "$WINEPREFIX"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        timeout 120 wineboot -i >/dev/null 2>&1
        # A program that crashes ends at once instead of waiting in the debugger.
        timeout 60 wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
            /v Debugger /d false /f >/dev/null 2>&1
        timeout 60 wineserver -w
    fi
}

# Runs a Windows program in a virtual desktop of the prefix: the windows get their frames and
# captions from Wine itself, with no window manager needed. Use as "${WINE_DESKTOP[@]}" PROGRAM.
WINE_DESKTOP=(wine explorer /desktop=Lorvane,1280x1000)
