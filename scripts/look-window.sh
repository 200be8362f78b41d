#!/usr/bin/env bash
# Renders the main window of both builds at 1280 x 800 with Qt's offscreen platform into
# out/window.png (Russian), out/window-english.png and the service tabs beside them.
# Usage: scripts/look-window.sh [build-folder]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-look}
cmake -S . -B "$build" -G Ninja > /dev/null
cmake --build "$build" --target look_pictures
mkdir -p out
export QT_QPA_PLATFORM=offscreen
COLDPOINT_LOOK_PNG="$PWD/out/window.png" "$build/scripts/look/look_pictures" \
  --gtest_filter='LookWindow.*'
ls out/window*.png
