# The command-line client vkstring.exe under Wine, with the module registered: a few calls
# through the system's activation and the type library's IDispatch, a file conversion compared
# byte for byte, and the exit codes of two errors. Sourced by scripts/wine-test.sh, which
# supplies winpath, problem, $root and $log.

# vkstring_calls <tag> <vkstring.exe> <scratch folder (Unix path)>
vkstring_calls() {
  local tag=$1 exe=$2 scratch=$3 n=0
  mkdir -p "$scratch"
  # expect <exit code> <output> -- <calls...>
  expect() {
    local want_code=$1 want_out=$2 got code=0
    shift 3
    n=$((n + 1))
    got=$(LC_ALL=C.UTF-8 TZ=UTC0 timeout 60 wine "$(winpath "$exe")" "$@" 2>"$log/$tag-vkstring-$n.err.txt") || code=$?
    got=$(tr -d '\r' <<<"$got")
    [[ $code == "$want_code" ]] || problem "$tag vkstring.exe $*: exit $code, expected $want_code ($(cat "$log/$tag-vkstring-$n.err.txt"))"
    [[ $got == "$want_out" ]] || problem "$tag vkstring.exe $*: printed [$got], expected [$want_out]"
  }
  expect 0 $'h\u00e9llo w\u00f6rld\n11' -- 'Str = "héllo wörld"' Str Length
  expect 0 "aMOpbGxv" -- 'Str = "héllo"' 'GetEncoded("base64", "utf-8")'
  expect 0 $'c3a9\n2024-03-05T14:03:07Z' -- 'Str = "é"' 'EmitMultibyte("utf-8")' Clear 'AppendDateRfc3339(#2024-03-05 14:03:07#)' Str
  local data=$root/tests/vkstring/data
  rm -f "$scratch/japanese.utf-8"
  expect 0 $'1\n1' -- "LoadFile(\"$(winpath "$data/japanese.shift_jis")\", \"shift_jis\")" \
    "SaveToFile(\"$(winpath "$scratch/japanese.utf-8")\", \"utf-8\")"
  cmp -s "$scratch/japanese.utf-8" "$data/japanese.utf-8" || problem "$tag vkstring.exe: Shift_JIS to UTF-8 differs from the expected file"
  expect 0 "Café" -- "AppendMultibyte(@$(winpath "$data/menu.windows-1252"), \"windows-1252\")" 'Left(4)'
  expect 4 "" -- Frobnicate
  expect 5 "" -- 'Left()'
  expect 5 "" -- 'Append("a", "b")'
  unset -f expect
}
