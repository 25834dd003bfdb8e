#!/usr/bin/env bash
# Sets up the machine, builds velogram and the module in Release into build/release, and runs
# `velogram demo` in build/demo-run: the bundled pressure transducer recording calibrated
# through the module, with a short summary of the fit, the samples and the throughput.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build/release -j"$(nproc)" --target velogram
mkdir -p build/demo-run
cd build/demo-run
# The units velogram adds to its unit list stay with the demo, not in the user's settings.
export XDG_CONFIG_HOME="$PWD/config"
../release/bin/velogram demo
echo
echo "The calibrated recording: build/demo-run/pressure_calibrated.csv"
