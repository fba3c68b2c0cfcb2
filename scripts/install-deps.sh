#!/usr/bin/env bash
# The one place that provisions the machine (Debian 12, as root); the build and test scripts call
# it and never apt-get themselves. Installs what is missing and leaves the rest alone.
#
#   install-deps.sh [native]           what the native build, tests, benchmarks and fuzzing need,
#                                      and the Debian package's check (dpkg-shlibdeps, lintian, man)
#   install-deps.sh dll                the mingw-w64 toolchains, widl, Wine's IDL files, and
#                                      wixl, msitools and python3 for the installers
#   install-deps.sh wine               dll, plus Wine 64-bit, python3 and the ja_JP.UTF-8 locale
#   install-deps.sh i386 PACKAGE...    32-bit packages: adds the i386 architecture first; fails
#                                      (exit 1) when the archive cannot give them now
#   install-deps.sh i386-stdole DIR    Wine's 32-bit stdole2.tlb alone, unpacked into DIR from the
#                                      libwine:i386 package, for when that package cannot be
#                                      installed (the 32-bit type library needs only this file)
#   install-deps.sh bzip2-source DIR   libbzip2's Debian source archives into DIR (adding a
#                                      deb-src entry when there is none): it has no mingw-w64
#                                      package, so the Windows module compiles it in
#   install-deps.sh PACKAGE...         the packages named
set -euo pipefail

# apt-get update, tried three times: a mirror caught mid-sync answers with index files of the
# wrong size, and a later try usually gets a consistent set. When one index stays out of reach,
# the caller goes on with the indexes that did arrive.
update_indexes() {
  for try in 1 2 3; do
    apt-get update -qq && return 0
    if ((try == 3)); then
      echo "apt-get update failed three times; going on with the indexes at hand" >&2
      return 0
    fi
    echo "apt-get update failed; trying again in $((try * 15)) s" >&2
    sleep $((try * 15))
  done
}

install_packages() {
  local p missing=()
  for p in "$@"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
  done
  # nodejs from another source may provide npm itself.
  if [[ " ${missing[*]} " == *" npm "* ]] && command -v npm >/dev/null; then
    missing=("${missing[@]/npm}")
  fi
  missing=($(printf '%s\n' "${missing[@]}" | grep -v '^$' || true))
  ((${#missing[@]})) || return 0
  echo "installing: ${missing[*]}"
  update_indexes
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
}

native_packages=(cmake g++ make googletest libgtest-dev libbenchmark-dev libbz2-dev libicu-dev
  icu-devtools libssl-dev nodejs npm bzip2 tzdata clang libclang-rt-dev clang-format
  dpkg-dev lintian man-db file)
dll_packages=(cmake make mingw-w64 mingw-w64-tools libwine-dev wixl msitools python3)
wine_packages=("${dll_packages[@]}" wine64 wine locales python3 binutils googletest)

case ${1:-native} in
  native) install_packages "${native_packages[@]}" ;;
  dll) install_packages "${dll_packages[@]}" ;;
  wine)
    install_packages "${wine_packages[@]}"
    # Under LC_ALL=ja_JP.UTF-8 Wine gives its processes the ANSI code page 932 even without the
    # locale, but without it Wine cannot map Japanese file names to the Unix side.
    if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
      echo "generating the locale ja_JP.UTF-8"
      localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
    fi
    ;;
  i386)
    shift
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
      dpkg --add-architecture i386
      apt-get update -qq || echo "apt-get update failed; going on with the indexes at hand" >&2
    fi
    install_packages "$@" || exit 1
    ;;
  i386-stdole)
    dir=${2:?usage: $0 i386-stdole DIR}
    [[ -f $dir/stdole2.tlb ]] && exit 0
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
      dpkg --add-architecture i386
      update_indexes
    fi
    mkdir -p "$dir/package"
    (cd "$dir/package" && apt-get download libwine:i386 >fetch.log 2>&1) || { cat "$dir/package/fetch.log" >&2; exit 1; }
    dpkg-deb -x "$dir"/package/libwine_*_i386.deb "$dir/package/root"
    found=$(find "$dir/package/root" -path '*/i386-windows/stdole2.tlb' | head -n1)
    [[ -n $found ]] || { echo "the libwine:i386 package holds no i386-windows/stdole2.tlb" >&2; exit 1; }
    cp "$found" "$dir/stdole2.tlb"
    rm -rf "$dir/package"
    ;;
  bzip2-source)
    dir=${2:?usage: $0 bzip2-source DIR}
    if ! grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/; then
      echo "adding a deb-src entry for the libbzip2 source" >&2
      cat >/etc/apt/sources.list.d/debian-src.sources <<'SOURCES'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
SOURCES
      apt-get update -qq >&2
    fi
    mkdir -p "$dir"
    (cd "$dir" && apt-get source --download-only bzip2 >fetch.log 2>&1) || {
      apt-get update -qq >&2
      (cd "$dir" && apt-get source --download-only bzip2 >fetch.log 2>&1)
    } || { cat "$dir/fetch.log" >&2; exit 1; }
    ;;
  *) install_packages "$@" ;;
esac
