#!/usr/bin/env bash
# Installs what is missing, builds Lorvane and starts it under Wine, with FILE if given.
#   ./run.sh [FILE]
#   ./run.sh --screenshot OUT.png [FILE]   waits until the file is shown, saves a picture of the
#                                          window (frame included), then closes the program; when
#                                          the window shows a message instead of the file, it says
#                                          what the message says and exits with status 1
# FILE and OUT.png are taken relative to the folder you are in. Showing the window needs a
# display; a screenshot is taken in a display of its own (Xvfb), so it works without one. The
# Wine prefix (and with it Lorvane's settings) lives in $WINEPREFIX, by default ~/.lorvane/wine.
set -euo pipefail

usage() {
    echo "usage: $0 [FILE]" >&2
    echo "       $0 --screenshot OUT.png [FILE]" >&2
    exit 2
}

# The names are resolved in the caller's folder, before the script moves to its own.
screenshot=""
if [ "${1:-}" = "--screenshot" ]; then
    [ $# -ge 2 ] || usage
    screenshot=$(realpath -m -- "$2")
    [ -d "$(dirname "$screenshot")" ] || { echo "There is no folder $(dirname "$screenshot") for the picture." >&2; exit 1; }
    shift 2
fi
[ $# -le 1 ] || usage
file=""
[ $# -eq 0 ] || file=$(realpath -m -- "$1")

if [ -z "$screenshot" ] && [ -z "${DISPLAY:-}" ]; then
    echo "There is no display here (DISPLAY is not set), so Lorvane cannot show its window." >&2
    echo "To see what it shows, save a picture of it instead:" >&2
    echo "  $0 --screenshot lorvane.png${1:+ $(printf '%q' "$1")}" >&2
    exit 1
fi

cd "$(dirname "$0")"
source scripts/common.sh
logs=$LORVANE_ROOT/build/run-logs
mkdir -p "$logs"

ensure_packages "${LORVANE_PACKAGES[@]}"
run_step "building Lorvane.exe (a few minutes the first time)" "$logs/build.log" \
    build_windows Lorvane shown_window

export WINEPREFIX=${WINEPREFIX:-$HOME/.lorvane/wine}
if [ -n "$screenshot" ]; then
    LORVANE_OWN_DISPLAY=1 start_display
fi
trap stop_display EXIT
if [ -f "$WINEPREFIX/system.reg" ]; then
    run_step "preparing Wine in $WINEPREFIX" "$logs/prefix.log" prepare_prefix
else
    run_step "creating a Wine prefix in $WINEPREFIX (about a minute)" "$logs/prefix.log" prepare_prefix
fi

exe=$(winepath -w "$WINDOWS_BUILD/Lorvane.exe")
args=()
[ -z "$file" ] || args+=("$(winepath -w "$file")")

if [ -z "$screenshot" ]; then
    echo "Lorvane runs until you close its window"
    status=0
    wine "$exe" "${args[@]}" 2> >(filter_wine_noise >&2) || status=$?
    exit "$status"
fi

# The caption holds the file's name once its text is shown; without a file it is the program's.
needle=Lorvane
[ -z "$file" ] || needle=$(basename "$file")
work=$(mktemp -d /tmp/lorvane-screenshot.XXXXXX)
# Wine's processes end before their display does, which they would otherwise report as lost;
# those kept running by another program of the prefix are left alone.
finish() {
    touch "$work/stop"
    timeout 15 wineserver -w || true
    stop_display
    rm -rf "$work"
}
trap finish EXIT

step_start "starting Lorvane and waiting until it shows $needle (at most 5 min)"
# The virtual desktop draws the window's frame and caption without a window manager.
stop=$(winepath -w "$work/stop")
: >"$work/place"
"${WINE_DESKTOP[@]}" "$WINDOWS_BUILD/shown_window.exe" "$needle" "$stop" -- "$exe" "${args[@]}" \
    >"$work/place" 2> >(filter_wine_noise >"$work/errors") &
helper=$!
place=()
while [ ${#place[@]} -lt 5 ] && kill -0 "$helper" 2>/dev/null; do
    sleep 0.2
    read -r -a place < <(tr -d '\r' <"$work/place") || true
done
if [ ${#place[@]} -lt 5 ]; then
    step_end FAILED
    cat "$work/errors" >&2
    exit 1
fi
# A message box comes with a second line: what it says.
message=$(tr -d '\r' <"$work/place" | sed -n '2{s/ *$//;p}')
if [ "${place[4]}" = 1 ]; then
    step_end shown
else
    step_end "not shown"
fi

step_start "saving the window"
read -r left top width height shown <<<"${place[*]}"
desktop=$(xdotool search --name "Lorvane - Wine desktop" | head -1)
import -window "$desktop" -crop "${width}x${height}+${left}+${top}" +repage "$screenshot"
touch "$work/stop"
for _ in $(seq 50); do
    kill -0 "$helper" 2>/dev/null || break
    sleep 0.2
done
if kill -0 "$helper" 2>/dev/null; then
    timeout 10 wineserver -k || true
fi
step_end "$screenshot, ${width}x${height}"
if [ -n "$message" ]; then
    echo "Lorvane shows a message: $message"
fi
if [ "$shown" != 1 ]; then
    echo "$needle is not shown; the picture shows what Lorvane shows instead." >&2
    exit 1
fi
