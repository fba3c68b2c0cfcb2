#!/usr/bin/env bash
# Runs every test: the unit tests in a normal and an ASan+UBSan build (with a check that its
# leak detection works), the Unicode and conversion tests without the SIMD loops, the
# many-thread conversion tests under ThreadSanitizer, the installed project (cmake --install into
# a temporary prefix, used by an unprivileged user), the Debian package (built, checked by
# lintian, installed, used and purged), a short run of each fuzz target, the
# check that the stored code-page tables are exactly what the generator makes, and the
# Windows module under Wine (scripts/wine-test.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
# Each stage configures with its preset of CMakePresets.json: `cmake --preset asan` and the
# rest reproduce a stage by hand.
scripts/install-deps.sh
jobs=$(nproc)

echo "== unit tests (release)"
cmake --preset release >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

echo "== cmake --install into a temporary prefix, vkstring from there as an unprivileged user"
tests/install/install_test.sh build .

echo "== the Debian package: lintian, dpkg -i, vkstring from PATH as an unprivileged user, man, purge"
tests/install/deb_test.sh build .

echo "== unit tests (ASan + UBSan)"
cmake --preset asan >/dev/null
cmake --build build-asan -j"$jobs"
# One process for the whole suite: starting the sanitizer runtime once per test case would
# cost more than the tests themselves.
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  build-asan/vk_tests --gtest_brief=1
# The shared module through vk_regsvr and activation by ProgID, and vkstring end to end.
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  build-asan/vk_module_tests --gtest_brief=1
ctest --test-dir build-asan --output-on-failure -R 'vkstring_|module_exports'

echo "== the leak check is live: a test that leaks on purpose must be caught"
ASAN_OPTIONS=detect_leaks=1 build-asan/vk_tests --gtest_also_run_disabled_tests \
  --gtest_filter='LeakCanary.*' >build-asan/leak-canary.log 2>&1 || true
if ! grep -q 'LeakSanitizer: detected memory leaks' build-asan/leak-canary.log; then
  cat build-asan/leak-canary.log
  echo "LeakSanitizer missed the deliberate leak: the suite's leak check is not working"
  exit 1
fi

echo "== Unicode forms and conversions without the SIMD loops (ASan + UBSan)"
cmake --preset no-simd >/dev/null
cmake --build build-nosimd-asan --target vk_conversion_tests -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 build-nosimd-asan/vk_conversion_tests --gtest_brief=1

echo "== conversions from many threads at first use (ThreadSanitizer)"
cmake --preset tsan >/dev/null
cmake --build build-tsan --target vk_conversion_tests -j"$jobs"
# The tests run their threads in a fresh child process; a race report there fails the child.
TSAN_OPTIONS=halt_on_error=1 build-tsan/vk_conversion_tests --gtest_brief=1 --gtest_filter='*ManyThreads*'

echo "== fuzz targets, a short run each on the seed corpus"
scripts/fuzz-run.sh -b build-fuzz -t 12 -s 1

if [[ -x tools/codepage-gen/check.sh ]]; then
  echo "== stored code-page tables match the generator"
  tools/codepage-gen/check.sh
fi

echo "== the Windows module under Wine"
scripts/wine-test.sh
