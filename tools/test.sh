#!/usr/bin/env bash
# Sets up the machine, builds, and runs every test: the format check, the full suite, and
# the unit tests again in a build with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
bash tools/check-format.sh
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"
bash tools/with-display.sh ctest --test-dir build --output-on-failure -j 1
bash tools/test-win.sh build-win

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVESK_SANITIZE=ON
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
  bash tools/with-display.sh ctest --test-dir build-asan --output-on-failure -L unit -j 1
