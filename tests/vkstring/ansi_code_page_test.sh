#!/usr/bin/env bash
# The native module's ANSI code page as a setting: the members that see the ANSI form (Shorten,
# the Ansi members, StrComp, Pluralize, file names) behave as under Windows with code page 932
# when 932 is set, by VK_ANSI_CODEPAGE for one process or by the registry's ACP value (written
# with vk_regsvr --ansi-code-page), and as under 1252 when nothing sets it; a value that is not
# an ANSI code page is refused with a message and never used.
#
# Usage: ansi_code_page_test.sh VKSTRING VK_REGSVR MODULE
set -uo pipefail
vkstring=$1 regsvr=$2 module=$3
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

work=$(mktemp -d /tmp/vk_acp_test.XXXXXX)
trap 'rm -rf "$work"' EXIT
export VK_REGISTRY=$work/registry
unset VK_ANSI_CODEPAGE
"$regsvr" /s "$module" || { echo "cannot register the module"; exit 1; }

# One case per line: the expected output (lines joined by '|') under 932, under 1252, then the
# calls. The 932 answers are those the Windows suite checks under Wine with code page 932; under
# 1252 the characters it lacks are lost in the ANSI form, by contract.
cases=(
  '2|-126|-96|-96	0|0|0|0	AppendEncoded("E38182", "hex", "utf-8")	Shorten(0)	Length	AnsiCharAt(0)	AnsiCharAt(1)	LastAnsiChar'
  '0|0	-23|1	AppendEncoded("C3A9", "hex", "utf-8")	AnsiCharAt(0)	Length'
  '-1	0	Str = "あ"	StrComp("い", 1)'
  'あboxes	boxes	Str = "あbox"	Pluralize	Str'
  '1|1|1|abcabc	1|1|1|abcabc	Str = "abc"	SaveToFile("narrow-あ.txt", "utf-8")	AppendToFile("narrow-あ.txt", "utf-8")	LoadFile("narrow-あ.txt", "utf-8")	Str'
)

# Runs every case, expecting column `column` (1: 932, 2: 1252); `label` names the setting.
check_cases() {
  local label=$1 column=$2 line expected calls got
  for line in "${cases[@]}"; do
    IFS=$'\t' read -r -a fields <<<"$line"
    expected=${fields[$((column - 1))]}
    calls=("${fields[@]:2}")
    rm -f "$work/narrow-"*
    got=$(cd "$work" && "$vkstring" "${calls[@]}" 2>"$work/stderr" | paste -sd '|')
    [[ $got == "$expected" ]] || fail "$label: ${calls[*]}: got [$got], expected [$expected]"
    [[ ! -s $work/stderr ]] || fail "$label: ${calls[*]}: stderr: $(cat "$work/stderr")"
  done
  if [[ $column = 1 ]]; then
    [[ -f $work/narrow-あ.txt ]] || fail "$label: the file name did not come through as あ"
  fi
}

check_cases "nothing set (1252)" 2
VK_ANSI_CODEPAGE=932 check_cases "VK_ANSI_CODEPAGE=932" 1
"$regsvr" --ansi-code-page 932 >/dev/null || fail "vk_regsvr --ansi-code-page 932 failed"
check_cases "ACP 932 in the registry" 1
VK_ANSI_CODEPAGE=1252 check_cases "VK_ANSI_CODEPAGE=1252 over ACP 932" 2

# Refused settings: never used, always explained.
for bad in 65001 437 1200 abc 932x -932 ""; do
  before=$(cat "$VK_REGISTRY")
  if "$regsvr" --ansi-code-page "$bad" >"$work/out" 2>&1; then
    fail "vk_regsvr --ansi-code-page '$bad' was accepted"
  fi
  grep -q "is refused" "$work/out" || fail "vk_regsvr --ansi-code-page '$bad': no refusal message"
  [[ $(cat "$VK_REGISTRY") == "$before" ]] || fail "vk_regsvr --ansi-code-page '$bad' changed the registry"
done
for bad in 65001 20127 abc; do
  # The registry's 932 decides when the variable is refused.
  got=$(VK_ANSI_CODEPAGE=$bad "$vkstring" 'Str = "あ"' 'StrComp("い", 1)' 2>"$work/stderr")
  [[ $got == -1 ]] || fail "VK_ANSI_CODEPAGE=$bad: got [$got], expected the registry's 932"
  grep -q "VK_ANSI_CODEPAGE is refused" "$work/stderr" || fail "VK_ANSI_CODEPAGE=$bad: no message"
done
# A bad ACP in the registry itself (written by hand): refused, 1252 used.
sed -i 's/^value "ACP" "932"$/value "ACP" "65001"/' "$VK_REGISTRY"
got=$("$vkstring" 'Str = "あbox"' Pluralize Str 2>"$work/stderr")
[[ $got == boxes ]] || fail "ACP 65001 in the registry: got [$got], expected 1252's answer"
grep -q "ACP value is refused" "$work/stderr" || fail "ACP 65001 in the registry: no message"
"$regsvr" --ansi-code-page default >/dev/null || fail "vk_regsvr --ansi-code-page default failed"
grep -q '"ACP"' "$VK_REGISTRY" && fail "--ansi-code-page default left the ACP value"

echo "DONE failures=$failures"
[[ $failures = 0 ]]
