#!/usr/bin/env bash
# Prints the measurement report (live results and a marked record) and the journal report
# through the browser's document to PDF, then turns every page into a PNG under out/.
# Usage: scripts/look-reports.sh [build-folder]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-look}
cmake -S . -B "$build" -G Ninja > /dev/null
cmake --build "$build" --target look_pictures
mkdir -p out
export QT_QPA_PLATFORM=offscreen
COLDPOINT_LOOK_DIR="$PWD/out" "$build/scripts/look/look_pictures" \
  --gtest_filter='LookReports.*'
for pdf in measurement-live measurement-record journal; do
  rm -f out/"$pdf"-*.png
  pdftoppm -r 60 -png out/"$pdf".pdf out/"$pdf"
done
ls out/measurement-live*.png out/measurement-record*.png out/journal*.png
