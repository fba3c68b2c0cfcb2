#!/usr/bin/env bash
# End-to-end tests of the vkstring program: each runs the built program against the registered
# module, as a user would, and checks its output, exit code and files.
# Usage: cli_test.sh SECTION VKSTRING DATA_DIR WORK_DIR
# with VK_REGISTRY naming a registry where the module is registered (the CTest fixture does it).
# SECTION is one of: conversions, arguments, options, errors, help, convert.
set -uo pipefail
section=$1
vk=$2
data=$3
work=$4
mkdir -p "$work"
export TZ=UTC
failures=0

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# check EXIT STDOUT [STDERR-PART] -- CALL...: runs vkstring with the calls, with standard input
# from $stdin_file (empty when unset), and compares.
check() {
  local want_code=$1 want_out=$2 want_err="" got_out got_err code
  shift 2
  if [[ $1 != -- ]]; then want_err=$1; shift; fi
  shift
  got_out=$("$vk" "$@" <"${stdin_file:-/dev/null}" 2>"$work/stderr"; echo "rc=$?")
  code=${got_out##*rc=}
  got_out=${got_out%rc=*}
  got_out=${got_out%$'\n'}
  got_err=$(cat "$work/stderr")
  [[ $code == "$want_code" ]] || fail "vkstring $*: exit $code, expected $want_code (stderr: $got_err)"
  [[ $got_out == "$want_out" ]] || fail "vkstring $*: printed [$got_out], expected [$want_out]"
  if [[ -n $want_err ]]; then
    [[ $got_err == *"$want_err"* ]] || fail "vkstring $*: stderr [$got_err] lacks [$want_err]"
  elif [[ $want_code == 0 && -n $got_err ]]; then
    fail "vkstring $*: unexpected stderr [$got_err]"
  fi
}

# A path as a string argument: quotes doubled.
quoted() { local p=${1//\"/\"\"}; printf '"%s"' "$p"; }
hex() { od -An -v -tx1 "$1" | tr -d ' \n'; }

case $section in
conversions)
  # Every DATA_DIR/TEXT.CHARSET beside a TEXT.utf-8: the charset's bytes (made by iconv) must
  # come out as the UTF-8 text, and the UTF-8 text as the charset's bytes, byte for byte.
  count=0
  for encoded in "$data"/*; do
    name=${encoded##*/}
    text=${name%%.*}
    charset=${name#*.}
    utf8=$data/$text.utf-8
    [[ $charset != utf-8 && -f $utf8 && $name != *.sh ]] || continue
    count=$((count + 1))
    rm -f "$work/out"
    check 0 $'1\n1' -- "LoadFile($(quoted "$encoded"), \"$charset\")" "SaveToFile($(quoted "$work/out"), \"utf-8\")"
    cmp -s "$work/out" "$utf8" || fail "$name read as $charset differs from $text.utf-8"
    rm -f "$work/out"
    check 0 "" -- --strict --quiet "LoadFile($(quoted "$utf8"), \"utf-8\")" "SaveToFile($(quoted "$work/out"), \"$charset\")"
    cmp -s "$work/out" "$encoded" || fail "$text.utf-8 written as $charset differs from $name"
    # The same through byte arrays: the file's bytes in, the charset's bytes out in hex.
    check 0 "$(hex "$encoded")" -- "AppendMultibyte(@$encoded, \"$charset\")" "EmitMultibyte(\"$charset\")"
    stdin_file=$encoded check 0 "$(hex "$utf8")" -- "AppendMultibyte(-, \"$charset\")" "EmitMultibyte(\"utf-8\")"
  done
  ((count >= 8)) || fail "only $count encoded texts found in $data"
  ;;

arguments)
  printf 'abc' >"$work/abc.bin"
  printf 'caf\xe9' >"$work/cafe.1252"
  : >"$work/empty.bin"
  # Strings: UTF-8 in and out, "" for a quote, the empty string.
  check 0 $'h\u00e9llo w\u00f6rld \U0001F600\n14' -- "Str = \"héllo wörld 😀\"" Str Length
  check 0 'say "hi"' -- 'Str = "say ""hi"""' Str
  check 0 "" -- 'Str = ""' Str
  check 0 $'a\nab' -- 'str = "a"' STR 'append("b")' 'Str()'
  # Members without a result print nothing.
  check 0 "ab" -- 'Str = " a"' 'Append("b ")' Trim Str
  # Integers in decimal and hexadecimal.
  check 0 $'abc\nef' -- 'Str = "abcdef"' 'Left(3)' 'Right(&H2)'
  check 0 "HeLLo" -- 'Str = "Hello"' 'ReplaceAnsiChar(&H6C, 76)' Str
  check 0 "" -- 'Str = "abc"' 'Left(-5)'
  # Dates: the literal's fields are the local time the member receives.
  check 0 "2024-03-05T14:03:07Z" -- 'AppendDateRfc3339(#2024-03-05 14:03:07#)' Str
  check 0 "2024-03-05T14:03:00Z" -- 'AppendDateRfc3339(#3/5/2024 2:03 PM#)' Str
  check 0 "Tue, 05 Mar 2024 00:00:00 +0000" -- 'AppendDateRfc822(#3/5/2024#)' Str
  # Date results in ISO form, in the zone the member answers in.
  check 0 "2024-03-05T19:03:07" -- 'Str = "Tue, 05 Mar 2024 14:03:07 -0500"' 'ParseDateRfc822()'
  TZ=Asia/Tokyo check 0 "2024-03-06T04:03:07" -- 'Str = "Tue, 05 Mar 2024 14:03:07 -0500"' ParseDateRfc822
  check 0 "1899-12-30T00:00:00" -- 'Str = "no date here"' ParseDateRfc3339
  # Codings.
  check 0 "YWJj" -- 'Append("abc")' 'GetEncoded("base64", "utf-8")'
  check 0 $'abc\n3\n3' -- 'AppendEncoded("YWJj", "base64", "utf-8")' Str Length NumAscii
  # Byte arrays out: hex; an empty array prints an empty line.
  check 0 $'c3a9\ne9' -- 'Str = "é"' 'EmitMultibyte("utf-8")' 'EmitMultibyte("windows-1252")'
  check 0 "" -- 'EmitMultibyte("utf-8")'
  # Byte arrays in: standard input (read once, for every '-'), files.
  stdin_file=$work/abc.bin check 0 "abcabc" -- 'AppendMultibyte(-, "utf-8")' 'AppendMultibyte(-, "utf-8")' Str
  check 0 "café" -- "AppendMultibyte(@$work/cafe.1252, \"windows-1252\")" Str
  check 0 "café" -- "AppendMultibyte(@$(quoted "$work/cafe.1252"), \"windows-1252\")" Str
  check 0 "x" -- 'Str = "x"' "AppendMultibyte(@$work/empty.bin, \"utf-8\")" Str
  # A name with a quote and a comma travels through @"..." and "...".
  odd=$work/it\'s,\"odd\".txt
  printf 'odd' >"$odd"
  check 0 "odd" -- "AppendMultibyte(@$(quoted "$odd"), \"utf-8\")" Str
  check 0 $'1\nodd' -- "LoadFile($(quoted "$odd"), \"utf-8\")" Str
  ;;

options)
  rm -f "$work/quiet.txt"
  check 0 "" -- --quiet 'Str = "kept"' Str 'SaveToFile("'"$work"'/quiet.txt", "utf-8")'
  [[ $(cat "$work/quiet.txt" 2>/dev/null) == kept ]] || fail "--quiet must still make the calls"
  # A member reporting failure prints 0; --strict makes that the exit code 1 and stops there.
  check 0 "0" -- 'LoadFile("/nonexistent/x.txt", "utf-8")'
  # A missing file is named before LoadFile runs; a file an earlier call writes is not missing.
  check 1 "" 'no file "/nonexistent/x.txt" to load (--strict)' -- --strict 'LoadFile("/nonexistent/x.txt", "utf-8")' 'Str = "later"' Str
  rm -f "$work/made.txt"
  check 0 "1
1" -- --strict 'Str = "made"' 'SaveToFile("'"$work"'/made.txt", "utf-8")' 'LoadFile("'"$work"'/made.txt", "utf-8")'
  check 1 "0" "answered 0" -- 'Str = "x"' --strict 'SaveToFile("/nonexistent/dir/x.txt", "utf-8")'
  # A name the lookup knows but with no converter reaches the member, which answers 0.
  check 1 "0" "answered 0" -- --strict 'LoadFile("'"$work"'/quiet.txt", "asmo-449")'
  # Unknown charset names in calls stop the command line before the object is made (exit 2,
  # nothing printed, not even the results of the calls before); names the lookup accepts in
  # any spelling it accepts pass.
  while IFS='|' read -r call message; do
    check 2 "" "$message" -- 'Str = "x"' "$call"
  done <<'CASES'
LoadFile("/nonexistent/x.txt", "no-such-charset")|unknown charset "no-such-charset"
SaveToFile("/tmp/never.txt", "utf8x")|unknown charset "utf8x"
AppendMultibyte(-, "windows1252")|did you mean "windows-1252"
EmitMultibyte("")|unknown charset ""
GetEncoded("base64", "koi8rr")|unknown charset "koi8rr"
GetEncoded("bas64", "utf-8")|unknown encoding "bas64"; did you mean "base64", "base-64"?
AppendEncoded("eA==", "quoted_printable", "utf-8")|did you mean "quoted-printable"?
AppendEncoded("eA==", " hex", "utf-8")|unknown encoding " hex"
GetEncoded("", "utf-8")|unknown encoding ""
CASES
  for name in utf-8 " UTF_8 " Windows-1252 shift_jis koi8-r; do
    check 0 "" -- --quiet 'Str = "a"' "EmitMultibyte(\"$name\")"
  done
  # Every encoding name the component accepts, in any letter case, passes.
  for name in base64 BASE-64 qp Quoted-Printable hex HEXIDECIMAL url; do
    check 0 "" -- --quiet 'Str = "a"' "GetEncoded(\"$name\", \"utf-8\")"
  done
  # A 0 that answers a question is not a failure.
  check 0 $'0\n1' -- --strict 'Str = "abc"' 'Contains("z")' 'SaveToFile("'"$work"'/quiet.txt", "utf-8")'
  # -- ends the options.
  check 2 "" "no calls given" -- --
  version=$("$vk" --version) || fail "--version exits non-zero"
  [[ $version == "vkstring "* ]] || fail "--version printed [$version]"
  ;;

errors)
  printf 'abc' >"$work/abc.bin"
  # Class by class: the message names the call, the exit code the class; calls before the
  # failing one have been made and printed.
  check 4 "" "'Frobnicate': no member is called Frobnicate" -- Frobnicate
  # The member table is known: an unknown name stops the command line before any call.
  check 4 "" "'Lengthy()': no member" -- 'Str = "a"' Str 'Lengthy()' Str
  check 5 "" "'Append(\"a\", \"b\")': wrong number of arguments (2 given; Append(Str As String))" -- 'Append("a", "b")'
  check 5 "" "wrong number of arguments (0 given; Left(numChars As Long) As String)" -- 'Left()'
  check 5 "" "wrong number of arguments" -- 'Trim(1)'
  check 5 "" "'Left(@$work/abc.bin)': argument 1 (a byte array) has the wrong type" -- "Left(@$work/abc.bin)"
  check 5 "" "argument 2 (a string) has the wrong type" -- 'Mid(1, "two")'
  check 5 "" "'Length = 3': Length is not a property that can be set" -- 'Length = 3'
  check 5 "" "NumAscii is not a property that can be set" -- 'NumAscii = 3'
  # Malformed calls: nothing runs, not even the well-formed calls before them.
  rm -f "$work/never.txt"
  check 3 "" "'Append(\"abc': malformed call: the string is not closed" -- 'Str = "x"' "SaveToFile(\"$work/never.txt\", \"utf-8\")" 'Append("abc'
  [[ ! -e $work/never.txt ]] || fail "a call before a malformed one was made"
  check 3 "" "'Append(abc)': malformed call: expected a string in double quotes" -- 'Append(abc)'
  check 3 "" "'Left(9999999999)': malformed call: the number does not fit in 32 bits at column 6" -- 'Left(9999999999)'
  check 3 "" "bad date #2024-02-30#" -- 'AppendDateRfc3339(#2024-02-30#)'
  check 3 "" "malformed call: expected a member name" -- ''
  check 3 "" "argument 1: cannot open '$work/missing.bin'" -- "AppendMultibyte(@$work/missing.bin, \"utf-8\")"
  # The command line itself.
  check 2 "" "no calls given" --
  check 2 "" "unknown option --bogus" -- --bogus Str
  # Output that cannot be written.
  "$vk" 'Str = "x"' Str >/dev/full 2>"$work/stderr"
  code=$?
  [[ $code == 7 ]] || fail "writing to a full device: exit $code, expected 7"
  grep -q "cannot write the results" "$work/stderr" || fail "writing to a full device: no message"
  # Creation failures say how to register (a registry file not made yet holds nothing; a
  # corrupt one is reported as corrupt, see registry_test.sh).
  rm -f "$work/no-registry"
  VK_REGISTRY=$work/no-registry check 6 "" "not registered (0x800401F3); register the module into the registry file $work/no-registry" -- Str
  VK_REGISTRY=$work/no-registry check 6 "" "vk_regsvr" -- Str
  ;;

help)
  out=$("$vk" --help) || fail "--help exits non-zero"
  [[ $out == *"Members (53):"* ]] || fail "--help does not announce 53 members"
  listed=$(sed -n '/^Members (53):$/,$p' <<<"$out" | grep -c '^  [A-Z]')
  [[ $listed == 53 ]] || fail "--help lists $listed members, expected 53"
  # Every member of the interface description, with its parameters in order.
  idl=$data/../../../component/VelkorString.idl
  while read -r name params; do
    line=$(sed -n '/^Members (53):$/,$p' <<<"$out" | grep -E "^  $name( |\(|$)" | tr '\n' ' ')
    [[ -n $line ]] || fail "--help does not list $name"
    for p in $params; do
      [[ $line == *"$p As "* ]] || fail "--help's line [$line] lacks parameter $p"
    done
  done < <(sed -nE 's/.*HRESULT ([A-Za-z0-9]+)\((.*)\);/\1 \2/p' "$idl" |
           sed -E 's/\[out, retval\][^,)]*//; s/\[in\] [A-Z]+ //g; s/,//g')
  ;;

convert)
  # Conversion mode against LoadFile + SaveToFile: the same bytes for every encoded text of
  # DATA_DIR and samples/, both ways.
  # same_as_calls FROM TO INPUT: vkstring -c -f FROM -t TO INPUT and the two calls agree.
  same_as_calls() {
    rm -f "$work/by-calls" "$work/by-mode"
    "$vk" --quiet "LoadFile($(quoted "$3"), \"$1\")" "SaveToFile($(quoted "$work/by-calls"), \"$2\")" ||
      fail "LoadFile/SaveToFile $1 -> $2 of $3 failed"
    "$vk" -c -f "$1" -t "$2" "$3" >"$work/by-mode" 2>/dev/null
    cmp -s "$work/by-calls" "$work/by-mode" || fail "-f $1 -t $2 $3 differs from LoadFile + SaveToFile"
  }
  count=0
  for encoded in "$data"/*.* "$data"/../../../samples/*.txt; do
    name=${encoded##*/}
    name=${name%.txt}
    charset=${name#*.}
    [[ $name != *.sh && $charset != "$name" ]] || continue
    count=$((count + 1))
    same_as_calls "$charset" utf-8 "$encoded"
    "$vk" -f "$charset" "$encoded" >"$work/sample.utf-8" || fail "$name does not convert cleanly"
    same_as_calls utf-8 "$charset" "$work/sample.utf-8"
  done
  ((count >= 10)) || fail "only $count encoded texts found"
  # Every code page with a converter (the first name -l gives it), on every byte but 0 and
  # back from what it gave.
  for ((b = 1; b < 256; ++b)); do printf "\\$(printf %03o $b)"; done >"$work/all-bytes"
  pages=0
  while read -r page first _; do
    first=${first%,}
    pages=$((pages + 1))
    same_as_calls "$first" utf-8 "$work/all-bytes"
    cp "$work/by-mode" "$work/page.utf-8"
    same_as_calls utf-8 "$first" "$work/page.utf-8"
  done < <("$vk" -l | grep -v "(no converter)")
  ((pages >= 100)) || fail "the sweep found only $pages convertible code pages"

  # Honest errors: what was converted before is written, the message names the place.
  # table: charset, input (printf), output before the fault (printf), message part
  errors=(
    "utf-8|ab\ncd\xff\xfeef|ab\ncd|(standard input):2: byte offset 5: invalid \"utf-8\" input 0xFF"
    "shift_jis|x\ny\x82\xa0\x82\xff|x\ny\xe3\x81\x82|:2: byte offset 5: invalid \"shift_jis\" input 0x82"
    "euc-kr|ab\xb0\xa1\xc9\xa1z|ab\xea\xb0\x80|:1: byte offset 4: invalid \"euc-kr\" input 0xC9"
    "utf-16le|a\x00\n\x00\x00\xd8b\x00|a\n|:2: byte offset 4: invalid \"utf-16le\" input 0x00 0xD8"
    "iso-2022-jp|a\nb\x1b\$Zcd|a\nb|:2: byte offset 3: invalid \"iso-2022-jp\" input 0x1B"
    "iso-2022-kr|\x1b\$)Ca\n\x0e\x30\x21\x0f\x1b(Bx|a\n\xea\xb0\x80|:2: byte offset 10: invalid \"iso-2022-kr\" input 0x1B"
    "iso-2022-kr|\x1b\$)C\x0e\x30\x21\x30\x0a|\xea\xb0\x80|:1: byte offset 7: invalid \"iso-2022-kr\" input 0x30"
    "hz-gb-2312|ab\n~{\x30\x21~}c~x|ab\n\xe5\x95\x8ac|:2: byte offset 10: invalid \"hz-gb-2312\" input 0x7E"
    "hz-gb-2312|~{\x30\x21\x30\x80~}|\xe5\x95\x8a|:1: byte offset 4: invalid \"hz-gb-2312\" input 0x30"
    "utf-7|a+AGE-\nb\xffc|aa\nb|:2: byte offset 8: invalid \"utf-7\" input 0xFF"
    "utf-7|x+2D0-y|x|:1: byte offset 1: invalid \"utf-7\" input 0x2B"
    "utf-7|x+3gA-y|x|:1: byte offset 1: invalid \"utf-7\" input 0x2B"
  )
  # A surrogate pair in UTF-7, in one base64 run or split over two, is one character.
  printf 'x+2D3eAA-+2D0-+3gA-y' >"$work/pair7"
  stdin_file=$work/pair7 check 0 $'x\xf0\x9f\x98\x80\xf0\x9f\x98\x80y' -- -f utf-7
  for entry in "${errors[@]}"; do
    IFS='|' read -r charset input before message <<<"$entry"
    printf "$input" >"$work/bad"
    printf "$before" >"$work/before"
    stdin_file=$work/bad check 1 "$(cat "$work/before")" "$message" -- -f "$charset" -t utf-8
    "$vk" -f "$charset" -t utf-8 -o "$work/bad.out" "$work/bad" 2>"$work/stderr"
    cmp -s "$work/bad.out" "$work/before" || fail "-o of $charset: the bytes before the fault differ"
    grep -qF "$work/bad:" "$work/stderr" || fail "the message for $charset does not name the file"
  done
  printf 'caf\xc3\xa9 \xe4\xb8\x80 \xe2\x82\xac' >"$work/lossy"
  stdin_file=$work/lossy check 1 $'caf\xe9 ' ":1: byte offset 6: U+4E00 cannot be written in \"windows-1252\"" -- -f utf-8 -t windows-1252
  # -c leaves out and counts.
  stdin_file=$work/lossy check 0 $'caf\xe9  \x80' "1 characters could not be converted" -- -c -t windows-1252
  printf 'a\xff\xfeb\xe4\xb8\x80\xc0' >"$work/bad3"
  stdin_file=$work/bad3 check 0 $'\x61\x62' "4 characters could not be converted" -- -c -f utf-8 -t koi8-r
  # ... in the stateful charsets too: two stray escapes (the reader drops the ESC alone), a '~'
  # starting no escape (kept as text).
  printf 'a\x1b(Bb\x1b(Bc' >"$work/bad-kr"
  stdin_file=$work/bad-kr check 0 "a(Bb(Bc" "2 characters could not be converted" -- -c -f iso-2022-kr
  printf 'a~xb' >"$work/bad-hz"
  stdin_file=$work/bad-hz check 0 "a~xb" "1 characters could not be converted" -- -c -f hz-gb-2312
  # Several files in order, and - for standard input.
  printf 'one\n' >"$work/one"
  stdin_file=$work/one check 0 $'one\none' -- -f utf-8 "$work/one" -
  # Names: unknown ones stop before anything is read or written, with close names.
  rm -f "$work/never"
  check 2 "" 'unknown charset "utf-32x"; did you mean "utf-32"' -- -f utf-32x -t utf-8 -o "$work/never" "$work/one"
  [[ ! -e $work/never ]] || fail "an unknown charset still created the output"
  check 2 "" 'unknown charset "UTF_8x"; did you mean "utf-8"' -- -t UTF_8x
  check 2 "" 'unknown charset "windows1252"; did you mean "windows-1252"' -- -f windows1252
  check 2 "" "option -t needs a value" -- -f utf-8 -t
  check 7 "" "cannot open \"$work/missing\"" -- -f utf-8 "$work/missing"
  listing=$("$vk" --list) || fail "--list exits non-zero"
  grep -qE '^ +932 .*shift-jis' <<<"$listing" || fail "--list lacks 932 shift-jis"
  grep -q '(no converter)' <<<"$listing" || fail "--list marks no code page as without converter"
  "$vk" -h >/dev/null || fail "-h exits non-zero"
  # --raw makes call mode a filter: the same bytes as conversion mode, both ways.
  for encoded in "$data"/russian.koi8-r "$data"/japanese.shift_jis; do
    charset=${encoded##*.}
    "$vk" -f "$charset" "$encoded" >"$work/by-mode"
    "$vk" --raw "AppendMultibyte(-, \"$charset\")" 'EmitMultibyte("utf-8")' <"$encoded" >"$work/by-raw"
    cmp -s "$work/by-mode" "$work/by-raw" || fail "--raw from $charset differs from conversion mode"
    "$vk" --raw "AppendMultibyte(-, \"utf-8\")" "EmitMultibyte(\"$charset\")" <"$work/by-mode" >"$work/back"
    cmp -s "$work/back" "$encoded" || fail "--raw to $charset does not give $encoded back"
  done
  check 0 'aba2' -- --raw 'Str = "ab"' Str 'Left(1)' Length
  ;;

*)
  echo "unknown section $section" >&2
  exit 2
  ;;
esac

if ((failures)); then
  echo "$failures check(s) failed in section $section" >&2
  exit 1
fi
echo "section $section passed"
