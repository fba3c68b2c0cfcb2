#!/usr/bin/env bash
# vkstring's conversion mode (vkstring -f FROM -t TO FILE) against the `iconv` and `uconv`
# commands on the same 100 MB files, in the same run: Shift_JIS, windows-1252, UTF-16LE and
# EUC-KR to UTF-8, UTF-8 to Shift_JIS, and UTF-8 <-> UTF-16LE of Japanese and of European text. Every program reads the file and writes the
# converted copy; the three copies must be identical, so no program wins by doing less. Then
# the peak memory (maximum resident set size from /usr/bin/time -v) of each program on one
# pair at 100 MB and at 1 GB, each measured in a process of its own.
#
# Usage: bench/vkstring_convert.sh [BUILD_DIR] [MEGABYTES] [ROUNDS] [BIG_MEGABYTES] [BASELINE_DIR]
# BUILD_DIR (default build) holds vkstring. Each program runs ROUNDS (default 5) times,
# interleaved with its peers; the best wall and processor (user + system) times are reported
# with the ratios peer / vkstring (above 1: vkstring is faster). BIG_MEGABYTES (default 1000;
# 0 skips it) sizes the input of the second memory figure. BASELINE_DIR, when given, holds
# another build's vkstring (an older version, say), which then runs beside the others as
# "baseline", so a change's gain shows as the ratio baseline/vkstring of the same run.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${1:-build}
[[ $build = /* ]] || build=$root/$build
megabytes=${2:-100}
rounds=${3:-5}
big_megabytes=${4:-1000}
baseline=${5:-}
programs=(vkstring iconv uconv)
if [[ -n $baseline ]]; then
  [[ $baseline = /* ]] || baseline=$root/$baseline
  [[ -x $baseline/vkstring ]] || { echo "$baseline/vkstring is missing" >&2; exit 1; }
  programs+=(baseline)
fi
for tool in iconv uconv /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (scripts/install-deps.sh installs it)" >&2; exit 1; }
done
vk=$build/vkstring

work=$build/bench-convert
mkdir -p "$work"

# The inputs: a sample text repeated to the size asked for (whole copies, so that every
# program sees complete characters): the sample doubled to a block of about 1 MB, then the
# block repeated.
make_input() {  # sample output megabytes
  local sample=$1 out=$2 bytes=$(($3 * 1000 * 1000))
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

# The samples in the other forms, made once by iconv from the repository's texts.
iconv -f CP932 -t UTF-8 samples/japanese.shift_jis.txt >"$work/japanese.utf-8"
iconv -f CP932 -t UTF-16LE samples/japanese.shift_jis.txt >"$work/japanese.utf-16le"
iconv -f CP1252 -t UTF-8 samples/menu.windows-1252.txt >"$work/menu.utf-8"
iconv -f CP1252 -t UTF-16LE samples/menu.windows-1252.txt >"$work/menu.utf-16le"

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

# The command line of each program for a pair: program from to input output.
command_for() {
  local program=$1 from=$2 to=$3 input=$4 output=$5
  case $program in
    vkstring) echo "$vk -f $from -t $to -o $output $input" ;;
    baseline) echo "$baseline/vkstring -f $from -t $to -o $output $input" ;;
    iconv) echo "iconv -f $from -t $to -o $output $input" ;;
    uconv) echo "uconv -f $from -t $to -o $output $input" ;;
  esac
}

# label sample | vkstring from/to | iconv from/to | uconv from/to
cases=(
  "Shift_JIS->UTF-8|samples/japanese.shift_jis.txt|shift_jis utf-8|CP932 UTF-8|windows-31j utf-8"
  "1252->UTF-8|samples/menu.windows-1252.txt|windows-1252 utf-8|CP1252 UTF-8|windows-1252 utf-8"
  "UTF-8->Shift_JIS|$work/japanese.utf-8|utf-8 shift_jis|UTF-8 CP932|utf-8 windows-31j"
  "UTF-16LE->UTF-8|$work/japanese.utf-16le|utf-16le utf-8|UTF-16LE UTF-8|utf-16le utf-8"
  "UTF-8->UTF-16LE|$work/japanese.utf-8|utf-8 utf-16le|UTF-8 UTF-16LE|utf-8 utf-16le"
  "UTF-16LE->UTF-8(eu)|$work/menu.utf-16le|utf-16le utf-8|UTF-16LE UTF-8|utf-16le utf-8"
  "UTF-8->UTF-16LE(eu)|$work/menu.utf-8|utf-8 utf-16le|UTF-8 UTF-16LE|utf-8 utf-16le"
  "EUC-KR->UTF-8|tests/vkstring/data/korean.euc-kr|euc-kr utf-8|EUC-KR UTF-8|euc-kr utf-8"
)
printf '%-17s %-9s %9s %9s   %s\n' "conversion" "program" "wall s" "cpu s" "ratio peer/vkstring (wall, cpu)"
for entry in "${cases[@]}"; do
  IFS='|' read -r label sample vkPair iconvPair uconvPair <<<"$entry"
  input=$work/input.$(basename "$sample")
  make_input "$sample" "$input" "$megabytes"
  declare -A pair=([vkstring]=$vkPair [iconv]=$iconvPair [uconv]=$uconvPair [baseline]=$vkPair)
  declare -A time=([vkstring]="1e9 1e9" [iconv]="1e9 1e9" [uconv]="1e9 1e9" [baseline]="1e9 1e9")
  for ((r = 0; r < rounds; ++r)); do
    for program in "${programs[@]}"; do
      # shellcheck disable=SC2086
      time[$program]=$(best "${time[$program]}" "$(measure $(command_for "$program" ${pair[$program]} "$input" "$work/out.$program"))")
    done
  done
  cmp "$work/out.vkstring" "$work/out.iconv" || { echo "vkstring and iconv disagree on $label" >&2; exit 1; }
  cmp "$work/out.vkstring" "$work/out.uconv" || { echo "vkstring and uconv disagree on $label" >&2; exit 1; }
  if [[ -n $baseline ]]; then
    cmp "$work/out.vkstring" "$work/out.baseline" || { echo "vkstring and the baseline disagree on $label" >&2; exit 1; }
  fi
  read -r vw vc <<<"${time[vkstring]}"
  for program in "${programs[@]}"; do
    read -r w c <<<"${time[$program]}"
    ratio=$(awk -v w="$w" -v c="$c" -v vw="$vw" -v vc="$vc" 'BEGIN{printf "%.2f, %.2f", w/vw, c/vc}')
    [[ $program == vkstring ]] && ratio=""
    printf '%-17s %-9s %9s %9s   %s\n' "$label" "$program" "$w" "$c" "$ratio"
  done
  rm -f "$work"/out.*
done
echo "($megabytes MB per input, best of $rounds rounds)"

# Peak memory, Shift_JIS to UTF-8: one process per program and size.
peak() {  # program input: the maximum resident set size in MB
  # shellcheck disable=SC2046
  /usr/bin/time -v $(command_for "$1" ${pair_sjis[$1]} "$2" "$work/out.peak") 2>&1 >/dev/null |
    awk -F: '/Maximum resident set size/ {printf "%.1f", $2 / 1024}'
  rm -f "$work/out.peak"
}
declare -A pair_sjis=([vkstring]="shift_jis utf-8" [iconv]="CP932 UTF-8" [uconv]="windows-31j utf-8")
sizes=("$megabytes")
((big_megabytes > 0)) && sizes+=("$big_megabytes")
printf '\n%-28s %10s %10s %10s\n' "peak memory, Shift_JIS->UTF-8" vkstring iconv uconv
for size in "${sizes[@]}"; do
  input=$work/input.Shift_JIS.$size
  [[ $size == "$megabytes" ]] && input=$work/input.japanese.shift_jis.txt || make_input samples/japanese.shift_jis.txt "$input" "$size"
  printf '%-28s %8s MB %8s MB %8s MB\n' "$size MB input" "$(peak vkstring "$input")" "$(peak iconv "$input")" "$(peak uconv "$input")"
done
