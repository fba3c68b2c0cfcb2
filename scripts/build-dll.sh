#!/usr/bin/env bash
# Cross-builds the Windows module VelkorString.dll with mingw-w64, 64-bit into build-win64/ and
# 32-bit into build-win32/, and checks that each exports exactly the four entry points, under
# their plain names, and imports system DLLs only; builds each one's installer (.msi, wixl).
#
# Usage: scripts/build-dll.sh [64|32|both] [build folder]
#   no bitness builds both into their default folders; a folder alone (the older form) means 64.
#
# Has scripts/install-deps.sh install what it needs when missing (Debian 12, as root): the
# mingw-w64 toolchains, widl, wixl and msitools, and Wine's development files (the IDL files the
# type library imports, stdole2.tlb; the 32-bit stdole2.tlb comes from Wine's i386 half). libbzip2 has no
# mingw-w64 package, so its Debian source is fetched (install-deps.sh bzip2-source) and compiled
# into the module. Configures with the mingw64 / mingw32 presets of CMakePresets.json.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bits=both
folder=
case ${1:-} in
  32 | 64 | both) bits=$1; folder=${2:-} ;;
  '') ;;
  *) bits=64; folder=$1 ;;
esac
if [[ $bits = both && -n $folder ]]; then
  echo "usage: $0 [64|32|both] [build folder] (a folder goes with one bitness)" >&2
  exit 2
fi

deps="$root/scripts/install-deps.sh"
"$deps" dll
stdole32=/usr/lib/i386-linux-gnu/wine/i386-windows
if [[ $bits != 64 ]]; then
  # The 32-bit stdole2.tlb comes from Wine's i386 half. When the package archive cannot install
  # it (a mirror caught mid-sync leaves its i386 dependencies unresolvable), the file alone is
  # unpacked from the libwine:i386 package; when even that fails, a build of both bitnesses
  # makes the 64-bit module and says plainly that the 32-bit one was not built; asked for 32
  # alone, it fails.
  unpacked=$root/${folder:-build-win32}
  [[ ${folder:-} != /* ]] || unpacked=$folder
  unpacked=$unpacked/stdole-i386
  if "$deps" i386 libwine:i386; then
    :
  elif "$deps" i386-stdole "$unpacked"; then
    echo "libwine:i386 cannot be installed now: the 32-bit stdole2.tlb was unpacked from its package into $unpacked"
    stdole32=$unpacked
  else
    if [[ $bits = both ]]; then
      echo "NOT BUILT: the 32-bit module (libwine:i386 cannot be installed from the package archive now)"
      bits=64
    else
      echo "libwine:i386 cannot be installed: the 32-bit module cannot be built" >&2
      exit 1
    fi
  fi
fi

# libbzip2's source tree, fetched once per build folder; prints its path.
bzip2_source() {
  local bzip2_dir=$1/bzip2 src
  src=$(ls -d "$bzip2_dir"/src/bzip2-*/ 2>/dev/null | head -n1 || true)
  if [[ -z $src || ! -f $src/bzlib.c ]]; then
    rm -rf "$bzip2_dir"
    mkdir -p "$bzip2_dir/src"
    "$deps" bzip2-source "$bzip2_dir" >&2 || return 1
    tar -xzf "$bzip2_dir"/bzip2_*.orig.tar.gz -C "$bzip2_dir/src"
    src=$(ls -d "$bzip2_dir"/src/bzip2-*/ | head -n1)
  fi
  echo "${src%/}"
}

# build <32|64> <folder>: configures, builds and checks one module.
build() {
  local bits=$1 build=$2 prefix
  [[ $build = /* ]] || build=$root/$build
  if [[ $bits = 32 ]]; then prefix=i686-w64-mingw32; else prefix=x86_64-w64-mingw32; fi
  mkdir -p "$build"
  local bzip2_src
  bzip2_src=$(bzip2_source "$build")

  # The preset gives the toolchain and the options; the folder and libbzip2's source go on top.
  local stdole=()
  [[ $bits = 64 ]] || stdole=(-DVK_STDOLE_DIR="$stdole32")
  cmake --preset "mingw$bits" -B "$build" -DVK_BZIP2_SOURCE_DIR="$bzip2_src" "${stdole[@]}" >/dev/null
  # The module, the command-line client vkstring.exe that drives it through ole32, and the
  # installer that carries both (VkString-<version>-win<bits>.msi, built with wixl).
  cmake --build "$build" --target VelkorString vkstring msi -j"$(nproc)"

  local dll=$build/VelkorString.dll listing=$build/VelkorString.objdump.txt
  "$prefix-objdump" -p "$dll" >"$listing"
  local exports expected="DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer "
  exports=$(awk '/\[Ordinal\/Name Pointer\] Table/{t=1;next} t&&/^\t\[/{print $NF;next} t{t=0}' \
    "$listing" | sort | tr '\n' ' ')
  # (a 32-bit name still carrying its __stdcall decoration, "DllGetClassObject@12", fails here)
  if [[ $exports != "$expected" ]]; then
    echo "$dll exports '$exports', expected '$expected'" >&2
    return 1
  fi
  local imports name
  imports=$(awk '/DLL Name:/{print toupper($3)}' "$listing" | sort -u | tr '\n' ' ')
  for name in $imports; do
    case $name in
      KERNEL32.DLL | ADVAPI32.DLL | OLE32.DLL | OLEAUT32.DLL | MSVCRT.DLL | USER32.DLL | GDI32.DLL) ;;
      *) echo "$dll imports $name, which is not a system DLL" >&2; return 1 ;;
    esac
  done
  local machine expected_machine=pei-x86-64
  [[ $bits = 64 ]] || expected_machine=pei-i386
  machine=$(awk '/file format/{print $NF; exit}' "$listing")
  if [[ $machine != "$expected_machine" ]]; then
    echo "$dll is built for '$machine', expected '$expected_machine'" >&2
    return 1
  fi
  # Windows keeps the stack aligned to 16 bytes only, so no 32- or 64-byte aligned vector move
  # may address it (the build has the assembler encode aligned moves as unaligned ones).
  local aligned
  aligned=$("$prefix-objdump" -d --no-show-raw-insn "$dll" |
    grep -E 'vmov(dqa|aps|apd)(32|64)?[[:space:]]' | grep -E '%[yz]mm' | grep -cE '\(%[re][sb]p[,)]' || true)
  if ((aligned != 0)); then
    echo "$dll has $aligned aligned 32/64-byte vector moves against the stack" >&2
    return 1
  fi
  echo "built $dll ($bits-bit, $machine; exports: $exports; imports: $imports; no aligned wide vector moves against the stack)"
  local msi
  msi=$(ls "$build"/VkString-*-win"$bits".msi)
  echo "built $msi ($(stat -c %s "$msi") bytes)"
}

case $bits in
  64) build 64 "${folder:-build-win64}" ;;
  32) build 32 "${folder:-build-win32}" ;;
  both)
    build 64 build-win64
    build 32 build-win32
    ;;
esac
