#!/usr/bin/env bash
# Cross-builds the Windows module VelkorString.dll with mingw-w64 (64-bit) into build-win64/
# (or the folder given as the first argument) and checks that it exports exactly the four entry
# points and imports system DLLs only.
#
# Installs what it needs when missing (Debian 12, as root): the mingw-w64 toolchain, widl, and
# Wine's development files (the IDL files the type library imports, stdole2.tlb). libbzip2 has no
# mingw-w64 package, so its source is fetched with `apt-get source` (adding a deb-src entry when
# there is none) and compiled into the module.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${1:-build-win64}
[[ $build = /* ]] || build=$root/$build

packages=(cmake make mingw-w64 mingw-w64-tools libwine-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
fi

# libbzip2's source tree, fetched once per build folder.
bzip2_dir=$build/bzip2
bzip2_src=$(ls -d "$bzip2_dir"/src/bzip2-*/ 2>/dev/null | head -n1 || true)
if [[ -z $bzip2_src || ! -f $bzip2_src/bzlib.c ]]; then
  if ! grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    echo "adding a deb-src entry for the libbzip2 source"
    cat >/etc/apt/sources.list.d/debian-src.sources <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
EOF
    apt-get update -qq
  fi
  rm -rf "$bzip2_dir"
  mkdir -p "$bzip2_dir/src"
  (cd "$bzip2_dir" && apt-get source --download-only bzip2 >fetch.log 2>&1) || {
    apt-get update -qq
    (cd "$bzip2_dir" && apt-get source --download-only bzip2 >fetch.log 2>&1)
  } || { cat "$bzip2_dir/fetch.log"; exit 1; }
  tar -xzf "$bzip2_dir"/bzip2_*.orig.tar.gz -C "$bzip2_dir/src"
  bzip2_src=$(ls -d "$bzip2_dir"/src/bzip2-*/ | head -n1)
fi
bzip2_src=${bzip2_src%/}

cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DVK_BUILD_TESTS=OFF -DVK_BUILD_BENCH=OFF \
  -DVK_BZIP2_SOURCE_DIR="$bzip2_src" >/dev/null
cmake --build "$build" --target VelkorString -j"$(nproc)"

dll=$build/VelkorString.dll
objdump=x86_64-w64-mingw32-objdump
"$objdump" -p "$dll" >"$build/VelkorString.objdump.txt"
exports=$(awk '/\[Ordinal\/Name Pointer\] Table/{t=1;next} t&&/^\t\[/{print $NF;next} t{t=0}' \
  "$build/VelkorString.objdump.txt" | sort | tr '\n' ' ')
expected="DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer "
if [[ $exports != "$expected" ]]; then
  echo "VelkorString.dll exports '$exports', expected '$expected'" >&2
  exit 1
fi
imports=$(awk '/DLL Name:/{print toupper($3)}' "$build/VelkorString.objdump.txt" | sort -u | tr '\n' ' ')
for name in $imports; do
  case $name in
    KERNEL32.DLL | ADVAPI32.DLL | OLE32.DLL | OLEAUT32.DLL | MSVCRT.DLL | USER32.DLL | GDI32.DLL) ;;
    *) echo "VelkorString.dll imports $name, which is not a system DLL" >&2; exit 1 ;;
  esac
done
echo "built $dll (exports: $exports; imports: $imports)"
