#!/usr/bin/env bash
# The registry file as users meet it through vkstring and vk_regsvr:
# - a module named by a relative path, or by a bare name found on the library path, is
#   recorded by its absolute path;
# - a registry file this user may only read (another user's, a system one) serves a call,
#   with or without its lock file, while registering or unregistering into it fails with
#   vk_regsvr's own message and exit code 5, leaving the file as it was;
# - a corrupt registry file is reported as corrupt by both programs, naming the file and the
#   line, never as a class that is not registered.
# Usage: registry_test.sh VKSTRING VK_REGSVR MODULE
# Run as root (as CI does), the read-only cases run as the unprivileged user nobody against a
# root-owned file; run as any other user, the file and its folder lose their write bits.
set -uo pipefail
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# Everything lives under /tmp, where nobody can reach it (the build tree may be private); the
# programs are copied there for the same reason.
work=$(mktemp -d /tmp/vk_registry_test.XXXXXX) || exit 1
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
work=$(realpath "$work")
chmod 755 "$work"
bin=$work/bin
mkdir "$bin"
cp "$1" "$bin/vkstring"
cp "$2" "$bin/vk_regsvr"
cp "$3" "$bin/libVelkorString.so"
chmod 755 "$bin" "$bin"/*
module=$bin/libVelkorString.so
# vk_regsvr keeps the module loaded to its end; under the sanitizers its leak report is noise.
export ASAN_OPTIONS=detect_leaks=0

as_user=()
if [[ $(id -u) == 0 ]]; then as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups); fi

# check WANT_CODE WANT_OUT WANT_ERR_PART -- COMMAND...: runs the command (with the environment
# given as VAR=value words first) and compares its exit code, standard output and error.
check() {
  local want_code=$1 want_out=$2 want_err=$3 got_out got_err code
  shift 4
  got_out=$("$@" 2>"$work/stderr" </dev/null)
  code=$?
  got_err=$(cat "$work/stderr")
  [[ $code == "$want_code" ]] || fail "$*: exit $code, expected $want_code (stderr: $got_err)"
  [[ $got_out == "$want_out" ]] || fail "$*: printed [$got_out], expected [$want_out]"
  if [[ -n $want_err ]]; then
    [[ $got_err == *"$want_err"* ]] || fail "$*: stderr [$got_err] lacks [$want_err]"
  fi
}

# The InprocServer32 path recorded in a registry file.
recorded_module() {
  sed -n '/InprocServer32"$/{n;s/^value "" "\(.*\)"$/\1/p;}' "$1"
}

# --- A relative module path is recorded absolute -------------------------------------------
# Each case: the directory to run in, LD_LIBRARY_PATH, the module argument.
relative_cases=(
  "$bin||libVelkorString.so"
  "$work||bin/../bin/libVelkorString.so"
  "$work|bin|libVelkorString.so"
)
n=0
for c in "${relative_cases[@]}"; do
  IFS='|' read -r dir libpath arg <<<"$c"
  n=$((n + 1))
  registry=$work/relative$n
  check 0 "DllRegisterServer in $module succeeded." "" -- \
    env -C "$dir" VK_REGISTRY="$registry" LD_LIBRARY_PATH="$libpath" "$bin/vk_regsvr" "$arg"
  got=$(recorded_module "$registry")
  [[ $got == "$module" ]] || fail "vk_regsvr $arg in $dir recorded [$got], expected [$module]"
done

# --- A registry this user may only read ------------------------------------------------------
shared=$work/shared
mkdir "$shared"
registry=$shared/registry
check 0 "" "" -- env VK_REGISTRY="$registry" "$bin/vk_regsvr" /s "$module"
[[ -f $registry.lock ]] || fail "registering left no lock file beside $registry"
cp "$registry" "$work/registry.before"
chmod 644 "$registry"
if [[ ${#as_user[@]} -eq 0 ]]; then
  chmod 444 "$registry"
  chmod 555 "$shared"
fi
denied="The registry file $registry may be read but not changed by this user (access denied)"
for lock in kept removed; do
  if [[ $lock == removed ]]; then
    chmod u+w "$shared"
    rm -f "$registry.lock"
    [[ ${#as_user[@]} -eq 0 ]] && chmod 555 "$shared"
  fi
  check 0 $'9\nread-only' "" -- "${as_user[@]}" env VK_REGISTRY="$registry" \
    "$bin/vkstring" 'Str = "read-only"' Length Str
  check 5 "" "$denied" -- "${as_user[@]}" env VK_REGISTRY="$registry" "$bin/vk_regsvr" "$module"
  check 5 "" "$denied" -- "${as_user[@]}" env VK_REGISTRY="$registry" "$bin/vk_regsvr" /u "$module"
  check 5 "" "" -- "${as_user[@]}" env VK_REGISTRY="$registry" "$bin/vk_regsvr" /s "$module"
  cmp -s "$registry" "$work/registry.before" || fail "the read-only registry changed ($lock lock)"
done
chmod 755 "$shared"

# --- A corrupt registry ----------------------------------------------------------------------
corrupt=$work/corrupt
printf 'VkString registry 1\nkey HKEY_CLASSES_ROOT "VkString.VkString"\nvalue "" open\nend\n' >"$corrupt"
cp "$corrupt" "$work/corrupt.before"
why="is corrupt: line 3: a quoted string is expected"
check 6 "" "vkstring: the registry file $corrupt $why (0x800703F1)" -- \
  env VK_REGISTRY="$corrupt" "$bin/vkstring" Length
check 5 "" "The registry file $corrupt $why." -- env VK_REGISTRY="$corrupt" "$bin/vk_regsvr" "$module"
check 5 "" "The registry file $corrupt $why." -- env VK_REGISTRY="$corrupt" "$bin/vk_regsvr" /u "$module"
grep -q "not registered" "$work/stderr" && fail "a corrupt registry reported as not registered"
cmp -s "$corrupt" "$work/corrupt.before" || fail "the corrupt registry was changed"

if [[ $failures -ne 0 ]]; then
  echo "$failures failure(s)" >&2
  exit 1
fi
echo "all registry cases passed"
