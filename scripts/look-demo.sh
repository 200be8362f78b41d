#!/usr/bin/env bash
# Pictures of coldpoint-demo in the middle of a determination: out/coldpoint-demo.png
# (1280 x 800, the rate chart's page) and out/coldpoint-demo-chart1.png, -chart2.png (the
# other two run charts). The demo runs offscreen in a directory of its own, its determination
# shortened to RUN_SECONDS (default 90), and takes the pictures once the charts have curves
# and two of the three results are found.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target coldpoint-demo-probe -j "$(nproc)"
mkdir -p out
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$build/app/coldpoint-demo-probe" "$work/"
mkdir -p "$work/gr"
: > "$work/data2.tab"
rm -f out/coldpoint-demo*.png
QT_QPA_PLATFORM=offscreen timeout 600 "$work/coldpoint-demo-probe" \
  --run-seconds "${RUN_SECONDS:-90}" --picture "$PWD/out/coldpoint-demo.png"
for p in out/coldpoint-demo.png out/coldpoint-demo-chart1.png out/coldpoint-demo-chart2.png; do
  test -s "$p"
  echo "$p"
done
