#!/usr/bin/env bash
# The installed project end to end: `cmake --install BUILD --prefix <temporary>` puts the files
# where they belong and registers the module into that prefix's machine registry; vkstring from
# the prefix's bin/, run as an unprivileged user with no VK_REGISTRY and an empty HOME, converts
# the samples exactly as iconv does (the machine registry serves it); that user cannot change
# the machine registry; VK_REGISTRY still names the whole registry; the uninstall target removes
# the files and the registration.
#
# Usage: install_test.sh BUILD_DIR SOURCE_DIR   (as root it drops to nobody for the user's part)
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

work=$(mktemp -d /tmp/vk_install_test.XXXXXX)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix home=$work/home out=$work/out
mkdir -p "$prefix" "$home" "$out"
chmod 755 "$work" "$prefix" "$home"
chmod 777 "$out"
cp "$source"/samples/*.txt "$work/" && chmod 644 "$work"/*.txt

cmake --install "$build" --prefix "$prefix" >"$work/install.log" || { cat "$work/install.log"; exit 1; }
for file in bin/vkstring bin/vk_regsvr lib/vkstring/libVelkorString.so var/lib/vkstring/registry \
            share/doc/VkString/README.md share/doc/VkString/LICENSE; do
  [[ -f $prefix/$file ]] || fail "not installed: $file"
done

# The machine registry stays readable by every user whatever the umask of whoever registers.
# (Unregistering first, so that the file is written anew.)
(umask 077 && "$prefix/bin/vk_regsvr" --machine /u /s "$prefix/lib/vkstring/libVelkorString.so" &&
  "$prefix/bin/vk_regsvr" --machine /s "$prefix/lib/vkstring/libVelkorString.so") ||
  fail "registering again under umask 077 failed"
mode=$(stat -c %a "$prefix/var/lib/vkstring/registry")
[[ $mode = 644 ]] || fail "the machine registry's mode is $mode after a registration under umask 077"

# An unprivileged user: nobody when this runs as root, else whoever runs it.
as_user() {
  if [[ $(id -u) = 0 ]]; then
    setpriv --reuid=nobody --regid=nogroup --clear-groups "$@"
  else
    "$@"
  fi
}
user_env=(env -u VK_REGISTRY -u XDG_DATA_HOME HOME="$home")

for sample in "japanese.shift_jis.txt shift_jis CP932" "menu.windows-1252.txt windows-1252 WINDOWS-1252"; do
  read -r name charset iconv_name <<<"$sample"
  (cd "$out" && as_user "${user_env[@]}" "$prefix/bin/vkstring" --strict --quiet \
     "LoadFile(\"$work/$name\", \"$charset\")" "SaveToFile(\"$out/$name.utf-8\", \"utf-8\")") ||
    fail "installed vkstring could not convert $name (exit $?)"
  iconv -f "$iconv_name" -t UTF-8 "$work/$name" | cmp -s - "$out/$name.utf-8" ||
    fail "$name: the UTF-8 differs from iconv's"
done
[[ -z $(ls -A "$home") ]] || fail "the user's empty HOME was written: $(ls -A "$home")"

# Found on PATH (its argv[0] a bare name), vkstring still finds the prefix's machine registry.
sum=$(cd "$out" && as_user "${user_env[@]}" PATH="$prefix/bin:/usr/bin:/bin" vkstring \
        'Append("abc")' Length) || fail "vkstring from PATH failed (exit $?): $sum"
[[ $sum = 3 ]] || fail "vkstring from PATH: Length printed '$sum', expected 3"

if [[ $(id -u) = 0 ]]; then
  before=$(cat "$prefix/var/lib/vkstring/registry")
  code=0
  as_user "${user_env[@]}" "$prefix/bin/vk_regsvr" --machine /u "$prefix/lib/vkstring/libVelkorString.so" \
    >"$out/regsvr.log" 2>&1 || code=$?
  [[ $code = 5 ]] || fail "an unprivileged vk_regsvr --machine /u: exit $code, expected 5"
  grep -q "access denied" "$out/regsvr.log" || fail "no access-denied message: $(cat "$out/regsvr.log")"
  [[ $(cat "$prefix/var/lib/vkstring/registry") == "$before" ]] || fail "the machine registry changed"
fi

# VK_REGISTRY names the whole registry: the machine's is not consulted under it.
: >"$out/empty-registry"
code=0
VK_REGISTRY=$out/empty-registry "$prefix/bin/vkstring" Length >/dev/null 2>&1 || code=$?
[[ $code = 6 ]] || fail "with VK_REGISTRY naming an empty registry: exit $code, expected 6"

cmake --build "$build" --target uninstall >"$work/uninstall.log" || { cat "$work/uninstall.log"; exit 1; }
left=$(find "$prefix" -type f)
[[ -z $left ]] || fail "left after uninstall: $left"

echo "DONE failures=$failures"
[[ $failures = 0 ]]
