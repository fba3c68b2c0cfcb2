#!/usr/bin/env bash
# Makes the charset-encoded copies of the UTF-8 texts in this folder with iconv, an
# implementation independent of the component, so that the end-to-end tests compare the
# component's conversions with bytes it did not make itself. Run once when a text changes;
# the outputs are committed.
set -euo pipefail
cd "$(dirname "$0")"
# text      charset name used in the tests   iconv's name for the same code page
pairs=(
  "japanese shift_jis CP932"
  "japanese utf-16le UTF-16LE"
  "menu windows-1252 CP1252"
  "menu utf-16be UTF-16BE"
  "russian windows-1251 CP1251"
  "russian koi8-r KOI8-R"
  "greek iso-8859-7 ISO-8859-7"
  "korean euc-kr CP949"
  "chinese-simplified gbk CP936"
  "chinese-traditional big5 CP950"
)
for pair in "${pairs[@]}"; do
  read -r text charset iconvName <<<"$pair"
  iconv -f UTF-8 -t "$iconvName" "$text.utf-8" >"$text.$charset"
done
