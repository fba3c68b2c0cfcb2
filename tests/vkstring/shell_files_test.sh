#!/usr/bin/env bash
# The generated man page renders without warnings and carries the --help text; the generated
# bash completion completes options, member names and charset names inside a call's quotes.
# Usage: shell_files_test.sh VKSTRING MAN_PAGE COMPLETION
set -uo pipefail
vk=$1 page=$2 completion=$3
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

if command -v groff >/dev/null; then
  warnings=$(groff -man -Tutf8 -ww -z "$page" 2>&1)
  [[ -z $warnings ]] || fail "groff warns: $warnings"
  rendered=$(groff -man -Tascii "$page" 2>/dev/null | col -b)
  for line in "usage: vkstring -f FROM -t TO" "LoadFile(filename As String, charset As String) As Long" "Exit codes:"; do
    [[ $(tr -s ' ' <<<"$rendered") == *"$(tr -s ' ' <<<"$line")"* ]] || fail "the rendered page lacks [$line]"
  done
else
  grep -q '^\.TH VKSTRING 1' "$page" || fail "no .TH line"
  grep -q '^\.SH NAME' "$page" || fail "no NAME section"
fi
# Every line of --help is in the page (roff escapes aside).
diff <("$vk" --help) <(sed -n '/^\.nf$/,/^\.fi$/p' "$page" | sed '1d;$d;s/^\\&//;s/\\e/\\/g') >/dev/null ||
  fail "the page's text is not the --help text"

source "$completion"
# complete WORDS... : completions of the last word.
complete_words() {
  COMP_WORDS=("$@")
  COMP_CWORD=$(($# - 1))
  COMPREPLY=()
  _vkstring
  printf '%s\n' "${COMPREPLY[@]}"
}
while IFS='|' read -r words want; do
  IFS=';' read -r -a argv <<<"$words"
  got=$(complete_words vkstring "${argv[@]}" | paste -sd ' ')
  [[ $got == "$want" ]] || fail "completing [$words]: got [$got], expected [$want]"
done <<'CASES'
--st|--strict
LoadF|LoadFile
'EmitM|'EmitMultibyte
-f;shift-j|shift-jis
-t;UTF_16|utf-16 utf-16be utf-16le
'LoadFile("x.txt", "shift-j|'LoadFile("x.txt", "shift-jis"
--strict;'Str = "a"';'EmitMultibyte("KOI8-|'EmitMultibyte("koi8-r" 'EmitMultibyte("koi8-ru" 'EmitMultibyte("koi8-u"
CASES
exit $((failures > 0))
