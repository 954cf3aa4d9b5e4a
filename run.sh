#!/usr/bin/env bash
# Installs what is missing, builds Lorvane and starts it under Wine, with FILE if given.
#   ./run.sh [FILE]
#   ./run.sh --screenshot OUT.png [FILE]   saves a picture of the window once the file is shown,
#                                          then closes the program
# Without a display, Xvfb is started. The Wine prefix (and with it Lorvane's settings) lives in
# $WINEPREFIX, by default ~/.lorvane/wine.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/common.sh

screenshot=""
if [ "${1:-}" = "--screenshot" ]; then
    [ $# -ge 2 ] || { echo "usage: ./run.sh --screenshot OUT.png [FILE]" >&2; exit 2; }
    screenshot=$(realpath -m "$2")
    shift 2
fi
file=${1:-}
[ -n "$file" ] && file=$(realpath -m "$file")

ensure_packages "${LORVANE_PACKAGES[@]}"
build_windows Lorvane >/dev/null
export WINEPREFIX=${WINEPREFIX:-$HOME/.lorvane/wine}

if [ -n "$screenshot" ]; then
    LORVANE_OWN_DISPLAY=1 start_display
else
    start_display
fi
trap stop_display EXIT
prepare_prefix

args=()
[ -n "$file" ] && args+=("$(winepath -w "$file")")

if [ -z "$screenshot" ]; then
    wine "$WINDOWS_BUILD/Lorvane.exe" "${args[@]}"
    exit $?
fi

# The virtual desktop draws the window's frame and caption without a window manager.
"${WINE_DESKTOP[@]}" "$WINDOWS_BUILD/Lorvane.exe" "${args[@]}" &
viewer=$!
desktop=""
for _ in $(seq 100); do
    desktop=$(xdotool search --name "Lorvane - Wine desktop" 2>/dev/null | head -1) && [ -n "$desktop" ] && break
    sleep 0.2
done
sleep 3  # the file is read and painted
import -window root "$screenshot"
[ -n "$desktop" ] && xdotool key --window "$desktop" ctrl+w 2>/dev/null || true
for _ in $(seq 50); do
    kill -0 "$viewer" 2>/dev/null || break
    sleep 0.2
done
kill -0 "$viewer" 2>/dev/null && timeout 10 wineserver -k
echo "Saved $screenshot"
