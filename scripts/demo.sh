#!/usr/bin/env bash
# The main job's demonstration: registers the native module of BUILD_DIR (default build) into
# BUILD_DIR/registry with vk_regsvr and drives it with vkstring on the sample texts of samples/:
# Shift_JIS and windows-1252 to UTF-8 and back (compared byte for byte with the originals), a
# base64 coding and two date calls.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
out=$build/demo
mkdir -p "$out"
export VK_REGISTRY=$build/registry
"$build/vk_regsvr" /s "$build/libVelkorString.so"
echo "registered $build/libVelkorString.so in $VK_REGISTRY"

run() {
  printf '\n$ vkstring'
  printf " '%s'" "$@"
  printf '\n'
  "$build/vkstring" "$@"
}

for sample in "samples/japanese.shift_jis.txt shift_jis" "samples/menu.windows-1252.txt windows-1252"; do
  read -r file charset <<<"$sample"
  name=$(basename "$file" ".$charset.txt")
  run --strict "LoadFile(\"$file\", \"$charset\")" "SaveToFile(\"$out/$name.utf-8.txt\", \"utf-8\")" Length
  cat "$out/$name.utf-8.txt"
  run --strict --quiet "LoadFile(\"$out/$name.utf-8.txt\", \"utf-8\")" "SaveToFile(\"$out/$name.$charset.txt\", \"$charset\")"
  cmp "$file" "$out/$name.$charset.txt"
  echo "(back in $charset: byte for byte the same as $file)"
done
run 'Str = "héllo wörld"' 'GetEncoded("base64", "iso-8859-1")' 'GetEncoded("base64", "utf-8")'
run 'AppendDateRfc3339(#2024-03-05 14:03:07#)' Str 'ParseDateRfc3339()' Clear 'Append("Tue, 05 Mar 2024 14:03:07 -0500")' ParseDateRfc822
