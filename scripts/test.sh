#!/usr/bin/env bash
# Sets up the machine, builds everything in Debug with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs every test in parallel (the long exhaustive checks
# excepted, and the tests on an X server of their own, which CI runs in a step after this one:
# ctest --test-dir build/debug -L x11).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build/debug -G Ninja -DCMAKE_BUILD_TYPE=Debug
cmake --build build/debug -j"$(nproc)"
ctest --test-dir build/debug --output-on-failure -LE "exhaustive|fuzz|x11" -j"$(nproc)"
