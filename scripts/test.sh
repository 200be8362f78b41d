#!/usr/bin/env bash
# Installs what is missing, checks the tree's structure (layers, Qt, format: check-tree.sh),
# builds everything and runs every test: the main build (warnings are errors), then the
# layers without Qt under ThreadSanitizer and under AddressSanitizer + UndefinedBehaviorSanitizer,
# then the window layer's and both windows' tests under the latter, then every fuzz harness
# for a short time on its seeds.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

bash scripts/check-tree.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCOLDPOINT_WERROR=ON
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs" --timeout 300

for san in thread address; do
  cmake -S . -B "build-$san" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCOLDPOINT_WITH_QT=OFF -DCOLDPOINT_SANITIZE=$san
  cmake --build "build-$san" -j "$jobs"
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
  ASAN_OPTIONS="halt_on_error=1 detect_leaks=1" \
  UBSAN_OPTIONS="halt_on_error=1 print_stacktrace=1" \
    ctest --test-dir "build-$san" --output-on-failure -j "$jobs" --timeout 600
done

cmake -S . -B build-address-qt -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCOLDPOINT_SANITIZE=address
cmake --build build-address-qt -j "$jobs" --target ui_tests app_tests app_english_tests
ASAN_OPTIONS="halt_on_error=1 detect_leaks=1" \
LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp" \
UBSAN_OPTIONS="halt_on_error=1 print_stacktrace=1" \
  ctest --test-dir build-address-qt --output-on-failure -j "$jobs" --timeout 600 \
    -E '_NOT_BUILT$'

# The Linux bus, the HID layer and coldpoint against the kernel's own HID drivers, in a VM.
bash scripts/vm-test.sh build

# The readers of outside bytes under libFuzzer, all harnesses at once, 20 s each.
bash scripts/fuzz.sh 20
