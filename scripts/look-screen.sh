#!/usr/bin/env bash
# Pictures of every tab of both builds as a screen of the given size shows the window, maximized
# by a window manager: out/screen-russian-1.png to -6.png and out/screen-english-1.png to -6.png
# (tabs "Температура" to "eeprom"). Runs the picture maker on a virtual X server with openbox.
# Usage: scripts/look-screen.sh [WIDTHxHEIGHT] [build-folder]   (default 1024x768, build-look)
set -euo pipefail
cd "$(dirname "$0")/.."
size=${1:-1024x768}
build=${2:-build-look}
cmake -S . -B "$build" -G Ninja > /dev/null
cmake --build "$build" --target look_pictures
mkdir -p out
rm -f out/screen-*.png
xvfb-run -a -s "-screen 0 ${size}x24" bash -c '
  openbox > /dev/null 2>&1 &
  wm=$!
  # The window manager is up once it names itself on the root window.
  for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2> /dev/null | grep -q "window id" && break
    sleep 0.1
  done
  QT_QPA_PLATFORM=xcb COLDPOINT_LOOK_SCREEN="$PWD/out" "$1/scripts/look/look_pictures" \
    --gtest_filter="LookScreen.*"
  status=$?
  kill "$wm"
  exit $status
' look-screen "$build"
ls out/screen-*.png
