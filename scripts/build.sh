#!/usr/bin/env bash
# Builds everything (library, demo, tests, benchmarks) and runs the demo.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)"
./build/vkdemo "$@"
