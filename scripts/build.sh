#!/usr/bin/env bash
# Builds everything (library, native module, vk_regsvr, vkstring, tests, benchmarks; the Windows
# module and vkstring.exe when the toolchain is installed), then registers the native module and
# runs the vkstring demonstration (scripts/demo.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build build -j"$(nproc)"
# The Windows module as well when the mingw-w64 toolchain and Wine's IDL files are installed
# (scripts/wine-test.sh installs them, builds the module and tests it under Wine).
if command -v x86_64-w64-mingw32-g++-posix >/dev/null 2>&1 && command -v x86_64-w64-mingw32-widl >/dev/null 2>&1 &&
   [[ -f /usr/include/wine/wine/windows/oaidl.idl ]]; then
  scripts/build-dll.sh
fi
scripts/demo.sh build
