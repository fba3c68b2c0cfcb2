#!/usr/bin/env bash
# Runs every test: the unit tests in a normal and an ASan+UBSan build, the check that the
# stored code-page tables are exactly what the generator makes, and the Windows module under
# Wine (scripts/wine-test.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs=$(nproc)

echo "== unit tests (release)"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

echo "== unit tests (ASan + UBSan)"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DVK_SANITIZE=ON -DVK_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan -j"$jobs"
# One process for the whole suite: starting the sanitizer runtime once per test case would
# cost more than the tests themselves.
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  build-asan/vk_tests --gtest_brief=1

if [[ -x tools/codepage-gen/check.sh ]]; then
  echo "== stored code-page tables match the generator"
  tools/codepage-gen/check.sh
fi

echo "== the Windows module under Wine"
scripts/wine-test.sh
