#!/usr/bin/env bash
# The Debian package end to end, as root: `cpack -G DEB` in the release build; lintian on the .deb
# (an error fails, warnings are shown); `dpkg -i` registers the module into the machine registry;
# vkstring from PATH, run by an unprivileged user with no VK_REGISTRY and an empty HOME, converts
# the samples exactly as iconv does; `man` finds both pages; installing again leaves one set of
# entries; `dpkg -r` unregisters, removing the registry when nothing else is in it and keeping
# an administrator's ANSI code page when it is; `dpkg --purge` leaves no file of the package and
# no registry behind, each listed file checked. The package is purged on any exit, so a failing
# run leaves the machine as it found it.
#
# Usage: deb_test.sh BUILD_DIR SOURCE_DIR   (BUILD_DIR: a release build with its targets built)
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

registry_dir=/var/lib/vkstring
if [[ $(id -u) != 0 ]]; then
  echo "deb_test.sh installs a package: run it as root" >&2
  exit 1
fi
# Never take over (and then purge) an installation or a registry that was here before.
if dpkg -s vkstring >/dev/null 2>&1 || [[ -e $registry_dir ]]; then
  echo "vkstring is installed or $registry_dir exists already; remove them first" \
       "(dpkg --purge vkstring)" >&2
  exit 1
fi

work=$(mktemp -d /tmp/vk_deb_test.XXXXXX)
cleanup() {
  if dpkg -s vkstring >/dev/null 2>&1; then
    dpkg --purge vkstring >/dev/null 2>&1 || echo "dpkg --purge vkstring failed in cleanup" >&2
  fi
  # It was not there before this run (checked above), even if a faulty purge leaves it.
  rm -rf "$registry_dir"
  rm -rf "$work"
}
trap cleanup EXIT
home=$work/home out=$work/out
mkdir -p "$home" "$out"
chmod 755 "$work" "$home"
chmod 777 "$out"
cp "$source"/samples/*.txt "$work/" && chmod 644 "$work"/*.txt

# The package, made afresh.
rm -f "$build"/packages/vkstring_*.deb
(cd "$build" && cpack -G DEB >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$build"/packages/vkstring_*.deb)
echo "built $(basename "$deb"): $(dpkg-deb -f "$deb" Depends)"

# lintian: errors fail the test; everything it says is shown.
lintian_code=0
lintian --fail-on error --display-info "$deb" >"$work/lintian.log" 2>&1 || lintian_code=$?
grep -v 'running with root privileges' "$work/lintian.log" || true
[[ $lintian_code = 0 ]] || fail "lintian reports errors (exit $lintian_code)"

# Every file and folder of the package. A minimal image's /etc/dpkg/dpkg.cfg.d may drop
# /usr/share/man and /usr/share/doc at install (path-exclude): the package's own paths are
# included again on the command line, where the last matching rule wins; the exclusions such
# an image has are given first, so the override is exercised on every machine.
mapfile -t paths < <(dpkg-deb -c "$deb" | awk '{print substr($6, 2)}' | sed 's|/$||' | grep -v '^$')
mapfile -t files < <(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print substr($6, 2)}')
module=$(printf '%s\n' "${files[@]}" | grep '/libVelkorString\.so$') || { echo "no module in $deb"; exit 1; }
install_options=(--path-exclude='/usr/share/man/*' --path-exclude='/usr/share/doc/*')
for path in "${paths[@]}"; do install_options+=(--path-include="$path"); done

# The maintainer scripts run the package's own vk_regsvr: another one earlier on PATH (as a
# `cmake --install` into /usr/local puts it) would register into its own prefix. A stand-in that
# does nothing lies first on PATH for every dpkg run.
mkdir "$work/other-bin"
printf '#!/bin/sh\nexit 0\n' >"$work/other-bin/vk_regsvr"
chmod 755 "$work/other-bin/vk_regsvr"
run_dpkg() {
  PATH="$work/other-bin:$PATH" dpkg "$@" >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; exit 1; }
}

run_dpkg -i "${install_options[@]}" "$deb"
for file in "${files[@]}"; do
  [[ -f $file ]] || fail "not installed: $file"
done
[[ -f $registry_dir/registry ]] || fail "no machine registry after dpkg -i"
grep -qF "$module" "$registry_dir/registry" || fail "the module is not registered in $registry_dir/registry"
mode=$(stat -c %a "$registry_dir/registry" 2>/dev/null) || true
[[ $mode = 644 ]] || fail "the machine registry's mode is $mode"

# An unprivileged user with nothing of his own: no VK_REGISTRY, no XDG_DATA_HOME, an empty HOME.
as_user() {
  setpriv --reuid=nobody --regid=nogroup --clear-groups env -i PATH=/usr/bin:/bin HOME="$home" "$@"
}
found=$(as_user sh -c 'command -v vkstring') || true
[[ $found = /usr/bin/vkstring ]] || fail "vkstring on PATH is '$found'"
for sample in "japanese.shift_jis.txt shift_jis CP932" "menu.windows-1252.txt windows-1252 WINDOWS-1252"; do
  read -r name charset iconv_name <<<"$sample"
  rm -f "$out/$name.utf-8"
  (cd "$out" && as_user vkstring --strict --quiet \
     "LoadFile(\"$work/$name\", \"$charset\")" "SaveToFile(\"$out/$name.utf-8\", \"utf-8\")") ||
    fail "vkstring from PATH could not convert $name"
  iconv -f "$iconv_name" -t UTF-8 "$work/$name" | cmp -s - "$out/$name.utf-8" ||
    fail "$name: the UTF-8 differs from iconv's"
done
[[ -z $(ls -A "$home") ]] || fail "the user's empty HOME was written: $(ls -A "$home")"

for page in vkstring vk_regsvr; do
  where=$(as_user man -w "$page" 2>&1) || true
  [[ $where = /usr/share/man/man1/$page.1.gz ]] || fail "man -w $page: $where"
  as_user env MANPAGER=cat MANWIDTH=80 man "$page" 2>/dev/null | grep -q "^NAME" ||
    fail "man $page shows no page"
done

# Installing the same package again (an upgrade's path) rewrites the same entries.
before=$(cat "$registry_dir/registry" 2>/dev/null) || true
run_dpkg -i "${install_options[@]}" "$deb"
[[ $(cat "$registry_dir/registry" 2>/dev/null) == "$before" ]] || fail "installing again changed the machine registry"

# Removed with nothing else in it, the machine registry goes with the module's entries; so does
# what unregistering leaves of one an administrator deleted (its lock).
for registry_before_removal in registered deleted; do
  [[ $registry_before_removal = deleted ]] && rm "$registry_dir/registry"
  run_dpkg -r vkstring
  [[ ! -e $registry_dir ]] ||
    fail "left after dpkg -r ($registry_before_removal): $registry_dir ($(ls -A "$registry_dir"))"
  run_dpkg -i "${install_options[@]}" "$deb"
  grep -qF "$module" "$registry_dir/registry" || fail "the module is not registered after installing again"
done

# An administrator's ANSI code page outlives removal (it is his setting), and purging removes it.
vk_regsvr --machine --ansi-code-page 932 || fail "vk_regsvr --machine --ansi-code-page 932"
run_dpkg -r vkstring
for file in "${files[@]}"; do
  [[ ! -e $file ]] || fail "left after dpkg -r: $file"
done
if [[ -f $registry_dir/registry ]]; then
  ! grep -qF "$module" "$registry_dir/registry" || fail "the module is still registered after dpkg -r"
  grep -q 'ACP' "$registry_dir/registry" || fail "dpkg -r dropped the administrator's ACP"
else
  fail "dpkg -r removed the registry holding the administrator's ACP"
fi

run_dpkg --purge vkstring
for path in "${paths[@]}"; do
  # Folders other packages share (/usr, /usr/bin, ...) stay; the package's own go.
  if [[ -d $path ]]; then
    [[ $path != */vkstring ]] || fail "folder left after purge: $path"
  elif [[ -e $path ]]; then
    fail "left after purge: $path"
  fi
done
[[ ! -e $registry_dir ]] || fail "left after purge: $registry_dir ($(ls -A "$registry_dir"))"
dpkg -s vkstring >/dev/null 2>&1 && fail "dpkg still knows vkstring after purge"

echo "DONE failures=$failures"
[[ $failures = 0 ]]
