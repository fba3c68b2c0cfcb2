#!/usr/bin/env bash
# The Debian package end to end: `cpack -G DEB` in the release build makes it; lintian finds no
# error in it (warnings are printed); `dpkg -i` installs it and its postinst registers the module
# into /var/lib/vkstring/registry; vkstring from PATH, run as an unprivileged user with no
# VK_REGISTRY and an empty HOME, converts the samples exactly as iconv does; `man vkstring` and
# `man vk_regsvr` find their pages; `dpkg --purge` leaves none of the package's files and no
# registry behind. Whatever fails, the package is purged before the script ends.
#
# Usage: deb_test.sh BUILD_DIR SOURCE_DIR   (as root: it installs a package)
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }
if [[ $(id -u) != 0 ]]; then
  echo "NOT RUN: installing a package needs root"
  exit 0
fi
if dpkg -s vkstring >/dev/null 2>&1; then
  echo "a vkstring package is installed already; this test would remove it" >&2
  exit 1
fi

work=$(mktemp -d /tmp/vk_deb_test.XXXXXX)
cleanup() {
  dpkg --purge vkstring >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
home=$work/home out=$work/out
mkdir -p "$home" "$out"
chmod 755 "$work" "$home"
chmod 777 "$out"
cp "$source"/samples/*.txt "$work/" && chmod 644 "$work"/*.txt

(cd "$build" && cpack -G DEB) >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$build"/packages/vkstring_*.deb | head -n1)
echo "package: $(basename "$deb") ($(stat -c %s "$deb") bytes), depends: $(dpkg-deb -f "$deb" Depends)"

# lintian: errors fail, warnings are shown.
lintian --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1 || true
grep -v "running with root privileges" "$work/lintian.log" | sed 's/^/  lintian: /'
grep -q '^E: ' "$work/lintian.log" && fail "lintian reports errors"

# Man pages: a docker-like machine's dpkg may be told to leave them out of every package.
excluded=$(grep -ls 'path-exclude.*/usr/share/man' /etc/dpkg/dpkg.cfg.d/* 2>/dev/null || true)
[[ -z $excluded ]] || echo "note: $excluded excludes man pages; this test installs with --path-include for ours"

dpkg -i --path-include='/usr/share/man/man1/vk*' "$deb" >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; exit 1; }
mapfile -t files < <(dpkg -L vkstring | while read -r path; do [[ -f $path ]] && echo "$path"; done)
echo "installed ${#files[@]} files"
[[ -f /var/lib/vkstring/registry ]] || fail "postinst did not write /var/lib/vkstring/registry"
grep -q "/usr/lib/vkstring/libVelkorString.so" /var/lib/vkstring/registry ||
  fail "the machine registry does not name the installed module"

user_env=(env -i PATH=/usr/bin:/bin HOME="$home" LANG=C.UTF-8)
as_user() { setpriv --reuid=nobody --regid=nogroup --clear-groups "$@"; }
[[ $(command -v vkstring) = /usr/bin/vkstring ]] || fail "vkstring is not /usr/bin/vkstring on PATH"
for sample in "japanese.shift_jis.txt shift_jis CP932" "menu.windows-1252.txt windows-1252 WINDOWS-1252"; do
  read -r name charset iconv_name <<<"$sample"
  (cd "$out" && as_user "${user_env[@]}" vkstring --strict --quiet \
     "LoadFile(\"$work/$name\", \"$charset\")" "SaveToFile(\"$out/$name.utf-8\", \"utf-8\")") ||
    fail "vkstring from PATH could not convert $name as nobody"
  iconv -f "$iconv_name" -t UTF-8 "$work/$name" | cmp -s - "$out/$name.utf-8" ||
    fail "$name: the UTF-8 differs from iconv's"
  as_user "${user_env[@]}" vkstring -f "$charset" -t utf-8 "$work/$name" | cmp -s - "$out/$name.utf-8" ||
    fail "$name: conversion mode differs from the members"
done
[[ -z $(ls -A "$home") ]] || fail "the user's empty HOME was written: $(ls -A "$home")"
for page in vkstring vk_regsvr; do
  where=$(as_user "${user_env[@]}" man -w "$page" 2>/dev/null) || where=
  [[ $where = /usr/share/man/man1/$page.1.gz ]] || fail "man -w $page: '$where'"
  as_user "${user_env[@]}" man "$page" 2>/dev/null | grep -q "$page" || fail "man $page shows nothing"
done

dpkg --purge vkstring >"$work/purge.log" 2>&1 || { cat "$work/purge.log"; fail "dpkg --purge failed"; }
left=0
for path in "${files[@]}"; do
  if [[ -e $path ]]; then
    fail "left after purge: $path"
    left=$((left + 1))
  fi
done
[[ ! -e /var/lib/vkstring ]] || fail "left after purge: /var/lib/vkstring ($(ls -A /var/lib/vkstring))"
echo "after purge: $left of ${#files[@]} files left, /var/lib/vkstring $([[ -e /var/lib/vkstring ]] && echo present || echo gone)"

echo "DONE failures=$failures"
[[ $failures = 0 ]]
