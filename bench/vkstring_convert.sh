#!/usr/bin/env bash
# Converting a 100 MB file to UTF-8 with `vkstring` (LoadFile + SaveToFile through the registered
# component) against the `iconv` and `uconv` commands on the same file, in the same run, for
# Shift_JIS and windows-1252. Every program reads the file and writes the UTF-8 copy; the three
# copies must be identical, so no program wins by doing less.
#
# Usage: bench/vkstring_convert.sh [BUILD_DIR] [MEGABYTES] [ROUNDS]
# BUILD_DIR (default build) holds vkstring, vk_regsvr and libVelkorString.so; the module is
# registered into BUILD_DIR/bench-registry. Each program runs ROUNDS (default 5) times,
# interleaved with its peers; the best wall and processor (user + system) times are reported
# with the ratios peer / vkstring (above 1: vkstring is faster).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${1:-build}
[[ $build = /* ]] || build=$root/$build
megabytes=${2:-100}
rounds=${3:-5}
for tool in iconv uconv; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (scripts/install-deps.sh installs it)" >&2; exit 1; }
done

work=$build/bench-convert
mkdir -p "$work"
export VK_REGISTRY=$build/bench-registry
"$build/vk_regsvr" /s "$build/libVelkorString.so"

# The inputs: the repository's sample texts repeated to the size asked for (whole copies, so
# that every program sees complete characters): the sample doubled to a block of about 1 MB,
# then the block repeated.
make_input() {  # sample output
  local sample=$1 out=$2 bytes=$((megabytes * 1000 * 1000))
  [[ -f $out && $(stat -c %s "$out") -ge $bytes ]] && return
  cp "$sample" "$out.block"
  while (($(stat -c %s "$out.block") < 1000000)); do
    cat "$out.block" "$out.block" >"$out.twice" && mv "$out.twice" "$out.block"
  done
  local block_bytes count
  block_bytes=$(stat -c %s "$out.block")
  count=$(((bytes + block_bytes - 1) / block_bytes))
  for ((i = 0; i < count; ++i)); do cat "$out.block"; done >"$out.part"
  rm -f "$out.block"
  mv "$out.part" "$out"
}

# Runs a command once; prints "wall cpu" in seconds.
measure() {
  local TIMEFORMAT='%R %U %S' t
  t=$({ time "$@" >/dev/null 2>&1; } 2>&1) || { echo "failed: $*" >&2; exit 1; }
  awk '{printf "%.3f %.3f\n", $1, $2 + $3}' <<<"$t"
}

best() {  # the smaller of two "wall cpu" pairs, field by field
  awk -v a="$1" -v b="$2" 'BEGIN{split(a,x," ");split(b,y," ");
    printf "%.3f %.3f\n", (x[1]<y[1]?x[1]:y[1]), (x[2]<y[2]?x[2]:y[2])}'
}

# label sample vkstring-charset iconv-charset uconv-charset
cases=(
  "Shift_JIS samples/japanese.shift_jis.txt shift_jis CP932 windows-31j"
  "windows-1252 samples/menu.windows-1252.txt windows-1252 CP1252 windows-1252"
)
printf '%-13s %-9s %9s %9s   %s\n' "conversion" "program" "wall s" "cpu s" "ratio peer/vkstring (wall, cpu)"
for entry in "${cases[@]}"; do
  read -r label sample vkName iconvName uconvName <<<"$entry"
  input=$work/input.$vkName
  make_input "$sample" "$input"
  declare -A time=([vkstring]="1e9 1e9" [iconv]="1e9 1e9" [uconv]="1e9 1e9")
  for ((r = 0; r < rounds; ++r)); do
    time[vkstring]=$(best "${time[vkstring]}" "$(measure "$build/vkstring" --strict --quiet \
      "LoadFile(\"$input\", \"$vkName\")" "SaveToFile(\"$work/out.vkstring\", \"utf-8\")")")
    time[iconv]=$(best "${time[iconv]}" "$(measure sh -c "iconv -f $iconvName -t UTF-8 '$input' >'$work/out.iconv'")")
    time[uconv]=$(best "${time[uconv]}" "$(measure uconv -f "$uconvName" -t utf-8 -o "$work/out.uconv" "$input")")
  done
  cmp "$work/out.vkstring" "$work/out.iconv" || { echo "vkstring and iconv disagree on $label" >&2; exit 1; }
  cmp "$work/out.vkstring" "$work/out.uconv" || { echo "vkstring and uconv disagree on $label" >&2; exit 1; }
  read -r vw vc <<<"${time[vkstring]}"
  for program in vkstring iconv uconv; do
    read -r w c <<<"${time[$program]}"
    ratio=$(awk -v w="$w" -v c="$c" -v vw="$vw" -v vc="$vc" 'BEGIN{printf "%.2f, %.2f", w/vw, c/vc}')
    [[ $program == vkstring ]] && ratio=""
    printf '%-13s %-9s %9s %9s   %s\n' "$label" "$program" "$w" "$c" "$ratio"
  done
  rm -f "$work"/out.*
done
echo "($megabytes MB per input, best of $rounds rounds; $(stat -c %s "$work/input.shift_jis") bytes of Shift_JIS)"
