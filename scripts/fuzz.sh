#!/usr/bin/env bash
# Builds the fuzz harnesses of fuzz/ with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) in build-fuzz and runs every harness at once, each for the
# given seconds on its seeds (made afresh by fuzz_seeds) and the corpus it has grown.
# Fails on any crash, leak, time-out or out-of-memory; the input that caused it is kept
# under build-fuzz/artifacts/.
#   scripts/fuzz.sh [seconds per harness, default 60] [harness ...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
jobs=${JOBS:-$(nproc)}
build=build-fuzz

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DCOLDPOINT_WITH_QT=OFF -DCOLDPOINT_SANITIZE=address -DCOLDPOINT_FUZZ=ON >/dev/null
cmake --build "$build" -j "$jobs" --target fuzzers

# Every harness of fuzz/Harnesses.cmake unless some are named.
harnesses=("$@")
if [ ${#harnesses[@]} -eq 0 ]; then
  mapfile -t harnesses <"$build/fuzz/harnesses.txt"
fi

rm -rf "$build/seeds"
"$build/fuzz/fuzz_seeds" "$build/seeds"
mkdir -p "$build/artifacts" "$build/logs"

# A single allocation above 64 MB is a failure: no count from the input may reach it.
# AddressSanitizer refuses it before touching its pages (libFuzzer's own malloc limit only
# sees an allocation once it is made, which for a huge one may outlast the time-out).
export ASAN_OPTIONS="halt_on_error=1 detect_leaks=1 allocator_may_return_null=0 max_allocation_size_mb=64"
export UBSAN_OPTIONS="halt_on_error=1 print_stacktrace=1"
pids=()
for h in "${harnesses[@]}"; do
  mkdir -p "$build/corpus/$h"
  dict=()
  [ -f "fuzz/$h.dict" ] && dict=(-dict="fuzz/$h.dict")
  "$build/fuzz/fuzz_$h" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 \
    -malloc_limit_mb=64 -max_len=8192 -print_final_stats=1 "${dict[@]}" \
    -artifact_prefix="$build/artifacts/$h-" \
    "$build/corpus/$h" "$build/seeds/$h" >"$build/logs/$h.log" 2>&1 &
  pids+=($!)
done

failed=0
for i in "${!harnesses[@]}"; do
  h=${harnesses[$i]}
  if wait "${pids[$i]}"; then
    echo "fuzz $h: $(grep -m1 'stat::number_of_executed_units' "$build/logs/$h.log" | awk '{print $2}') inputs, no finding"
  else
    failed=1
    echo "fuzz $h: FAILED (log $build/logs/$h.log)"
    tail -n 40 "$build/logs/$h.log"
  fi
done
exit $failed
