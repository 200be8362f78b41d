#!/usr/bin/env bash
# Installs what is missing, builds coldpoint-demo and starts it: the Russian build with the
# stand-in analyzer plugged in, one determination about every three minutes.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --target coldpoint-demo -j "$(nproc)"
# The journal lives next to the program; an empty one spares the first start its error box.
[ -e build/app/data2.tab ] || : > build/app/data2.tab
exec build/app/coldpoint-demo
