// VkString driven by JScript through late binding.
//
//   cscript //nologo vkstring_suite.js <scratch folder>
//
// Run with the ANSI code page 1252 and the time zone UTC. Every member of IVkString is called;
// each gets a status: passed, FAILED (a check did not hold or the call raised an error),
// UNFINISHED (the call answered E_NOTIMPL; not counted as passed) or NOT CHECKED (a check needed
// another member that is unfinished or failing). The last line is the sentinel
//   DONE failures=<n> unfinished=<n> unchecked=<n>
// and the exit code is the number of failures (capped at 100).
//
// JScript builds any string itself (\u escapes), so the texts here do not depend on the
// component's own codings. Wine's JScript cannot look at DATE values or byte arrays (typeof
// answers E_NOTIMPL), so dates are only handed to new Date() and byte arrays only handed back
// to the component; those conversions are checked apart from the member calls.

var E_NOTIMPL = 0x80004001;
var fso = new ActiveXObject("Scripting.FileSystemObject");
var status = {};
var order = [];
var details = {};
var failures = 0;

function hex32(n) { return "0x" + (n >>> 0).toString(16).toUpperCase(); }

function note(member) {
  if (!status.hasOwnProperty(member)) {
    status[member] = "passed";
    details[member] = [];
    order.push(member);
  }
}

function fail(member, message) {
  note(member);
  if (status[member] != "unfinished") status[member] = "FAILED";
  details[member].push(message);
  failures++;
  WScript.Echo("FAIL " + member + ": " + message);
}

function unchecked(member, what, needed) {
  note(member);
  if (status[member] == "passed") status[member] = "unchecked";
  details[member].push(what + ": needs " + needed);
}

// Thrown by a helper whose own member call failed (that failure is recorded against the
// helper's member): the check that called the helper is left unchecked.
function Blocked(member) { this.member = member; }

// Runs one member call; E_NOTIMPL marks the member unfinished, a helper's Blocked leaves it
// unchecked, any other error fails it.
function attempt(member, what, fn) {
  note(member);
  try {
    return { ok: true, value: fn() };
  } catch (e) {
    if (e instanceof Blocked) {
      unchecked(member, what, e.member);
    } else if ((e.number >>> 0) == E_NOTIMPL) {
      status[member] = "unfinished";
    } else {
      fail(member, what + ": raised " + hex32(e.number) + " " + e.message);
    }
    return { ok: false };
  }
}

// A helper's own call to `member`.
function helperCall(member, what, fn) {
  try {
    return fn();
  } catch (e) {
    if (e instanceof Blocked) throw e;
    note(member);
    if ((e.number >>> 0) == E_NOTIMPL) {
      status[member] = "unfinished";
    } else {
      fail(member, what + ": raised " + hex32(e.number) + " " + e.message);
    }
    throw new Blocked(member);
  }
}

function codes(text) {
  var out = [];
  for (var i = 0; i < text.length; i++) out.push(text.charCodeAt(i).toString(16).toUpperCase());
  return out.join(" ");
}

function show(v) {
  if (typeof v == "string") return "'" + v + "' [" + codes(v) + "]";
  return String(v) + " (" + typeof v + ")";
}

// Checks a member call's result: no error, same type and value.
function chk(member, what, fn, expected) {
  var r = attempt(member, what, fn);
  if (!r.ok) return;
  var same;
  try {
    same = typeof r.value == typeof expected && r.value === expected;
  } catch (e) {
    fail(member, what + ": the result could not be read (" + hex32(e.number) + " " + e.message + ")");
    return;
  }
  if (!same) fail(member, what + ": got " + show(r.value) + ", expected " + show(expected));
}

function obj(text) {
  var o = new ActiveXObject("VkString.VkString");
  if (text !== undefined) helperCall("Str (put)", "setting a test text", function () { o.Str = text; });
  return o;
}

// The hex of a byte array's bytes, read back through ISO-8859-1 (one character per byte).
function bytesHex(bytes) {
  var o = obj();
  helperCall("AppendMultibyte", "reading a byte array back", function () { o.AppendMultibyte(bytes, "iso-8859-1"); });
  return helperCall("GetEncoded", "showing bytes in hex", function () { return o.GetEncoded("hex", "iso-8859-1"); });
}
function fileHex(path) {
  var o = obj();
  var loaded = helperCall("LoadFile", "reading a file's bytes", function () { return o.LoadFile(path, "iso-8859-1"); });
  if (loaded != 1) return "(unreadable)";
  return helperCall("GetEncoded", "showing a file's bytes in hex", function () { return o.GetEncoded("hex", "iso-8859-1"); });
}
function scratchFile(name) {
  var path = fso.BuildPath(scratch, name);
  if (fso.FileExists(path)) fso.DeleteFile(path, true);
  return path;
}
// The UTC milliseconds of a DATE, or a message when JScript cannot take it.
function dateMillis(member, what, value) {
  try {
    return new Date(value).getTime();
  } catch (e) {
    fail(member, what + ": the DATE could not be read: " + hex32(e.number) + " " + e.message);
    return NaN;
  }
}
function chkDate(member, what, fn, expectedMillis) {
  var r = attempt(member, what, fn);
  if (!r.ok) return;
  var ms = dateMillis(member, what, r.value);
  if (isNaN(ms)) return;
  // Local and UTC agree: this suite runs in the zone UTC.
  if (Math.abs(ms - expectedMillis) > 1) {
    fail(member, what + ": got " + new Date(ms).toUTCString() + ", expected " + new Date(expectedMillis).toUTCString());
  }
}

// ---- tests -------------------------------------------------------------------------------------

function testValue() {
  var s = obj();
  chk("Str (get)", "new object", function () { return s.Str; }, "");
  chk("Length", "new object", function () { return s.Length(); }, 0);
  chk("Str (put)", "Latin, Greek, CJK", function () { s.Str = "x\u00e9\u03b1\u4e2d"; return s.Str; }, "x\u00e9\u03b1\u4e2d");
  chk("Str (put)", "UTF-8 form of the put text", function () { return s.GetEncoded("hex", "utf-8"); }, "78C3A9CEB1E4B8AD");
  chk("Length", "four UTF-16 units", function () { return s.Length(); }, 4);
  chk("Str (put)", "surrogate pair", function () { s.Str = "\ud83d\ude00"; return s.Str; }, "\ud83d\ude00");
  chk("Length", "a surrogate pair is two units", function () { return s.Length(); }, 2);
  chk("Str (put)", "embedded U+0000", function () { s.Str = "a\u0000b"; return s.Str; }, "a\u0000b");
  chk("Str (put)", "undefined reads back empty", function () { s.Str = undefined; return s.Str; }, "");

  s = obj("cd");
  chk("Prepend", "'ab' before 'cd'", function () { s.Prepend("ab"); return s.Str; }, "abcd");
  chk("Append", "'ef' after it", function () { s.Append("ef"); return s.Str; }, "abcdef");
  chk("Append", "Greek kept", function () { s.Append("\u03b1"); return s.Str; }, "abcdef\u03b1");
  chk("Prepend", "Greek kept", function () { s.Prepend("\u03b2"); return s.Str; }, "\u03b2abcdef\u03b1");
  chk("Append", "empty changes nothing", function () { s.Append(""); return s.Str; }, "\u03b2abcdef\u03b1");
  chk("Clear", "empties", function () { s.Clear(); return s.Str; }, "");
  chk("Clear", "length 0", function () { return s.Length(); }, 0);
}

function testEditing() {
  var s = obj("a-b-c");
  chk("ReplaceFirst", "first '-'", function () { s.ReplaceFirst("-", "+"); return s.Str; }, "a+b-c");
  chk("ReplaceAll", "'-' by '\u00e9'", function () { s.ReplaceAll("-", "\u00e9"); return s.Str; }, "a+b\u00e9c");
  chk("ReplaceAll", "'aa' by 'b' in 'aaa'", function () { var t = obj("aaa"); t.ReplaceAll("aa", "b"); return t.Str; }, "ba");
  chk("Trim", "spaces and tabs", function () { var t = obj(" \tx\t "); t.Trim(); return t.Str; }, "x");
  chk("Trim", "CR LF stays", function () { var t = obj("\r\nx"); t.Trim(); return t.Str; }, "\r\nx");
  chk("Trim2", "CR LF goes", function () { var t = obj("\r\n x \n"); t.Trim2(); return t.Str; }, "x");
  chk("TrimInside", "runs collapse", function () { var t = obj(" a \t\t b "); t.TrimInside(); return t.Str; }, " a b ");
  s = obj("h\u00e9llo w\u00f6rld");
  chk("Contains", "non-ASCII", function () { return s.Contains("\u00f6r"); }, 1);
  chk("Contains", "absent", function () { return s.Contains("xyz"); }, 0);
  chk("BeginsWith", "'h\u00e9'", function () { return s.BeginsWith("h\u00e9"); }, 1);
  chk("BeginsWith", "'w'", function () { return s.BeginsWith("w"); }, 0);
  chk("EndsWith", "'rld'", function () { return s.EndsWith("rld"); }, 1);
  chk("EndsWith", "longer than the text", function () { return s.EndsWith("xh\u00e9llo w\u00f6rld"); }, 0);
  chk("Shorten", "two bytes", function () { var t = obj("abcd"); t.Shorten(2); return t.Str; }, "ab");
  chk("Shorten", "negative empties", function () { var t = obj("abcd"); t.Shorten(-1); return t.Str; }, "");
  chk("ReplaceAnsiChar", "'\u00e9' to 'e' (1252)", function () { var t = obj("\u00e9t\u00e9"); t.ReplaceAnsiChar(233, 101); return t.Str; }, "ete");
  chk("RemoveAnsiChar", "'\u00e9' (1252)", function () { var t = obj("\u00e9t\u00e9"); t.RemoveAnsiChar(-23); return t.Str; }, "t");
  chk("LastAnsiChar", "'\u00e9' is -23", function () { return obj("caf\u00e9").LastAnsiChar(); }, -23);
  chk("AnsiCharAt", "'A' at 0", function () { return obj("A").AnsiCharAt(0); }, 65);
  chk("AnsiCharAt", "past the end", function () { return obj("A").AnsiCharAt(1); }, 0);
  s = obj("\u03b1bc");
  chk("Left", "two units", function () { return s.Left(2); }, "\u03b1b");
  chk("Right", "two units", function () { return s.Right(2); }, "bc");
  chk("Mid", "from 1", function () { return s.Mid(1, 5); }, "bc");
  chk("Mid", "past the end", function () { return s.Mid(4, 1); }, "");
  chk("StrComp", "case-sensitive", function () { return obj("abc").StrComp("ABC", 1); }, 1);
  chk("StrComp", "case-insensitive", function () { return obj("abc").StrComp("ABC", 0); }, 0);
  chk("StrComp", "true as the flag", function () { return obj("abc").StrComp("ABC", true); }, 1);
  chk("StrComp", "before", function () { return obj("abc").StrComp("abd", 1); }, -1);
  chk("ChopAfter", "'lo'", function () { var t = obj("hello world"); t.ChopAfter("lo"); return t.Str; }, "hello");
  chk("ChopAfter", "empty empties", function () { var t = obj("hello"); t.ChopAfter(""); return t.Str; }, "");
  chk("ChopBefore", "'w\u00f6r'", function () { var t = obj("h\u00e9llo w\u00f6rld"); t.ChopBefore("w\u00f6r"); return t.Str; }, "w\u00f6rld");
  chk("ChopBefore", "absent", function () { var t = obj("hello"); t.ChopBefore("x"); return t.Str; }, "hello");
}

function testMarkupAndWords() {
  chk("HtmlEntityEncode", "four characters", function () { var t = obj("a<b & \"c\" 'd'"); t.HtmlEntityEncode(); return t.Str; },
      "a&lt;b &amp; &quot;c&quot; 'd'");
  chk("HtmlEntityDecode", "named, decimal, hexadecimal", function () { var t = obj("&eacute;&#233;&#xe9;&euro;&#x20AC;&amp;lt;"); t.HtmlEntityDecode(); return t.Str; },
      "\u00e9\u00e9\u00e9\u20ac\u20ac<");
  chk("HtmlEntityDecode", "surrogate pair as two references", function () { var t = obj("&#55357;&#56832;"); t.HtmlEntityDecode(); return t.Str; },
      "\ud83d\ude00");
  chk("StripHtml", "tags", function () { var t = obj("<p class='x'>caf\u00e9</p> ok"); t.StripHtml(); return t.Str; }, "caf\u00e9 ok");
  chk("StripHtml", "'a < b'", function () { var t = obj("a < b"); t.StripHtml(); return t.Str; }, "a ");
  var plural = [["box", "boxes"], ["city", "cities"], ["knife", "knives"], ["potato", "potatos"], ["bus", "bus"]];
  for (var i = 0; i < plural.length; i++) {
    (function (word, want) {
      chk("Pluralize", "'" + word + "'", function () { var t = obj(word); t.Pluralize(); return t.Str; }, want);
    })(plural[i][0], plural[i][1]);
  }
  var singular = [["boxes", "box"], ["leaves", "leaf"], ["quizzes", "quizz"], ["always", "always"], ["days", "day"]];
  for (var j = 0; j < singular.length; j++) {
    (function (word, want) {
      chk("Unpluralize", "'" + word + "'", function () { var t = obj(word); t.Unpluralize(); return t.Str; }, want);
    })(singular[j][0], singular[j][1]);
  }
  chk("Matches", "'*.txt'", function () { return obj("a.txt").Matches("*.txt", 1); }, 1);
  chk("Matches", "'a*b*b' against 'ab'", function () { return obj("ab").Matches("a*b*b", 1); }, 0);
  chk("Matches", "case-insensitive", function () { return obj("ABC").Matches("a*c", 0); }, 1);
  chk("Matches", "no folding beyond ASCII", function () { return obj("\u00e9").Matches("\u00c9", 0); }, 0);
}

function testScripts() {
  var s = obj("abcd\u00e9\u0100\u03b1\u03b2\u05d0\u0627\u3042\ud55c\u4e2d\u0e01\u0416\u0301\uff21\ud83d\ude00");
  var expected = [["NumAscii", 4], ["NumLatin", 1], ["NumCentralEuro", 1], ["NumGreek", 2], ["NumHebrew", 1],
                  ["NumArabic", 1], ["NumJapanese", 1], ["NumKorean", 1], ["NumChinese", 1], ["NumThai", 1],
                  ["NumCyrillic", 1]];
  for (var i = 0; i < expected.length; i++) {
    (function (name, want) {
      chk(name, "one text of every class", function () { return s[name]; }, want);
      chk(name, "empty text", function () { return obj()[name]; }, 0);
    })(expected[i][0], expected[i][1]);
  }
  chk("NumKorean", "U+D7AF in, U+D7B0 out", function () { return obj("\ud7af\ud7b0").NumKorean; }, 1);
  chk("NumChinese", "U+9FAF in, U+9FB0 out", function () { return obj("\u9faf\u9fb0").NumChinese; }, 1);
}

function testCodings() {
  chk("AppendEncoded", "base64", function () { var t = obj("x"); t.AppendEncoded("w6k=", "base64", "utf-8"); return t.Str; }, "x\u00e9");
  chk("AppendEncoded", "hex in Shift_JIS", function () { var t = obj(); t.AppendEncoded("82A0", "hex", "shift_jis"); return t.Str; }, "\u3042");
  chk("AppendEncoded", "url", function () { var t = obj(); t.AppendEncoded("a%2db+c", "url", "utf-8"); return t.Str; }, "a-b c");
  chk("AppendEncoded", "quoted-printable", function () { var t = obj(); t.AppendEncoded("=C3=A9=\r\nx", "quoted-printable", "utf-8"); return t.Str; }, "\u00e9x");
  chk("AppendEncoded", "ISO-2022-KR bytes", function () { var t = obj(); t.AppendEncoded("1B2429430E47510F", "hex", "iso-2022-kr"); return t.Str; }, "\ud55c");
  chk("GetEncoded", "base64", function () { return obj("abc").GetEncoded("base64", "utf-8"); }, "YWJj");
  chk("GetEncoded", "hex UTF-8", function () { return obj("\u00e9\u20ac").GetEncoded("hex", "utf-8"); }, "C3A9E282AC");
  chk("GetEncoded", "hex windows-1252", function () { return obj("\u00e9\u20ac").GetEncoded("hex", "windows-1252"); }, "E980");
  chk("GetEncoded", "url", function () { return obj("a b-c").GetEncoded("url", "utf-8"); }, "a+b%2Dc");
  chk("GetEncoded", "quoted-printable", function () { return obj("a=b").GetEncoded("qp", "utf-8"); }, "a=3Db");
  chk("GetEncoded", "ISO-2022-JP", function () { return obj("\u3042").GetEncoded("hex", "iso-2022-jp"); }, "1B244224221B2842");
  chk("GetEncoded", "UTF-7", function () { return obj("\u00e9").GetEncoded("hex", "utf-7"); }, "2B414F6B2D");
  chk("GetEncoded", "unknown charset", function () { return obj("abc").GetEncoded("base64", "no-such-charset"); }, "");
}

function testDates() {
  chkDate("ParseDateRfc3339", "'2024-03-05T14:03:07Z'", function () { return obj("2024-03-05T14:03:07Z").ParseDateRfc3339(); },
          Date.UTC(2024, 2, 5, 14, 3, 7));
  chkDate("ParseDateRfc3339", "offset +05:30", function () { return obj("2024-03-05T14:03:07.250+05:30").ParseDateRfc3339(); },
          Date.UTC(2024, 2, 5, 8, 33, 7));
  chkDate("ParseDateRfc822", "-0500", function () { return obj("Tue, 05 Mar 2024 14:03:07 -0500").ParseDateRfc822(); },
          Date.UTC(2024, 2, 5, 19, 3, 7));
  chkDate("ParseDateRfc822", "two-digit year", function () { return obj("5 mar 24 14:03 GMT").ParseDateRfc822(); },
          Date.UTC(2024, 2, 5, 14, 3, 0));
  chk("AppendDateRfc3339", "a number as the date", function () { var t = obj(); t.AppendDateRfc3339(45356.585497685184); return t.Str; },
      "2024-03-05T14:03:07Z");
  var t = obj("2024-03-05T14:03:07Z");
  var parsed = attempt("ParseDateRfc3339", "a date to hand back", function () { return t.ParseDateRfc3339(); });
  if (parsed.ok) {
    chk("AppendDateRfc3339", "a parsed DATE handed back", function () { t.Clear(); t.AppendDateRfc3339(parsed.value); return t.Str; },
        "2024-03-05T14:03:07Z");
  } else {
    unchecked("AppendDateRfc3339", "a parsed DATE handed back", "ParseDateRfc3339");
  }
  chk("AppendDateRfc822", "UTC machine", function () { var t = obj("x "); t.AppendDateRfc822(45356.585497685184); return t.Str; },
      "x Tue, 05 Mar 2024 14:03:07 +0000");
}

function testBytes() {
  var s = obj("\u3042\u00e9a");
  var sjis = attempt("EmitMultibyte", "Shift_JIS", function () { return s.EmitMultibyte("shift_jis"); });
  if (sjis.ok) {
    chk("EmitMultibyte", "Shift_JIS bytes (U+00E9 has none)", function () { return bytesHex(sjis.value); }, "82A061");
    chk("AppendMultibyte", "Shift_JIS bytes back", function () { var t = obj("<"); t.AppendMultibyte(sjis.value, "shift_jis"); return t.Str; }, "<\u3042a");
  } else {
    unchecked("AppendMultibyte", "byte arrays", "EmitMultibyte");
  }
  var utf16 = attempt("EmitMultibyte", "UTF-16LE", function () { return s.EmitMultibyte("utf-16le"); });
  if (utf16.ok) {
    chk("AppendMultibyte", "UTF-16LE bytes back", function () { var t = obj(); t.AppendMultibyte(utf16.value, "utf-16le"); return t.Str; }, "\u3042\u00e9a");
  }
  chk("EmitMultibyte", "empty text gives null", function () { return obj().EmitMultibyte("utf-8"); }, null);
  chk("AppendMultibyte", "a string's UTF-16LE bytes", function () { var t = obj(); t.AppendMultibyte("\u00e9t\u00e9", "utf-16le"); return t.Str; }, "\u00e9t\u00e9");
  chk("AppendMultibyte", "an integer's four bytes", function () { var t = obj(); t.AppendMultibyte(0x636261, "utf-8"); return t.Str; }, "abc");
  chk("AppendMultibyte", "nothing for undefined", function () { var t = obj("x"); t.AppendMultibyte(undefined, "utf-8"); return t.Str; }, "x");
}

function testFiles() {
  var text = "caf\u00e9 \u3042";
  var f = scratchFile("js-utf8.txt");
  chk("SaveToFile", "UTF-8", function () { return obj(text).SaveToFile(f, "utf-8"); }, 1);
  chk("SaveToFile", "UTF-8 bytes", function () { return fileHex(f); }, "636166C3A920E38182");
  chk("LoadFile", "UTF-8", function () { var t = obj("old"); var ok = t.LoadFile(f, "utf-8"); return ok + ":" + t.Str; }, "1:" + text);
  chk("AppendToFile", "UTF-8", function () { return obj("!").AppendToFile(f, "utf-8"); }, 1);
  chk("AppendToFile", "appended bytes", function () { return fileHex(f); }, "636166C3A920E3818221");
  var kana = "abc \u3042\u4e2d";
  f = scratchFile("js-euc.txt");
  chk("SaveToFile", "EUC-JP", function () { return obj(kana).SaveToFile(f, "euc-jp"); }, 1);
  chk("SaveToFile", "EUC-JP bytes", function () { return fileHex(f); }, "61626320A4A2C3E6");
  chk("LoadFile", "EUC-JP", function () { var t = obj(); t.LoadFile(f, "euc-jp"); return t.Str; }, kana);
  chk("LoadFile", "missing file keeps the text", function () { var t = obj("keep"); var ok = t.LoadFile(scratchFile("none.txt"), "utf-8"); return ok + ":" + t.Str; }, "0:keep");
  f = scratchFile("js-\u0436\u4e2d.txt");
  chk("SaveToFile", "Cyrillic and CJK in the name", function () { return obj(text).SaveToFile(f, "utf-16le"); }, 1);
  chk("SaveToFile", "the file has that name", function () { return fso.FileExists(f); }, true);
  chk("LoadFile", "Cyrillic and CJK in the name", function () { var t = obj(); t.LoadFile(f, "utf-16le"); return t.Str; }, text);
}

// ---- run -----------------------------------------------------------------------------------------

var allMembers = ["Str (get)", "Str (put)", "Append", "ReplaceFirst", "LoadFile", "ReplaceAll", "Trim", "Trim2",
  "Prepend", "Contains", "Clear", "Shorten", "HtmlEntityEncode", "HtmlEntityDecode", "ReplaceAnsiChar",
  "LastAnsiChar", "Length", "RemoveAnsiChar", "AnsiCharAt", "SaveToFile", "AppendToFile", "TrimInside",
  "BeginsWith", "Matches", "NumAscii", "NumLatin", "NumCentralEuro", "NumGreek", "NumHebrew", "NumArabic",
  "NumJapanese", "NumKorean", "NumChinese", "NumThai", "NumCyrillic", "AppendMultibyte", "EmitMultibyte",
  "Left", "Right", "Mid", "StrComp", "ParseDateRfc3339", "ParseDateRfc822", "AppendDateRfc3339",
  "AppendDateRfc822", "AppendEncoded", "GetEncoded", "ChopAfter", "ChopBefore", "EndsWith", "Pluralize",
  "Unpluralize", "StripHtml"];

if (WScript.Arguments.length < 1) {
  WScript.Echo("usage: vkstring_suite.js <scratch folder>");
  WScript.Quit(100);
}
var scratch = WScript.Arguments(0);
if (!fso.FolderExists(scratch)) fso.CreateFolder(scratch);
WScript.Echo("JScript suite");

var groups = [testValue, testEditing, testMarkupAndWords, testScripts, testCodings, testDates, testBytes, testFiles];
for (var g = 0; g < groups.length; g++) {
  try {
    groups[g]();
  } catch (e) {
    if (e instanceof Blocked) unchecked("(suite)", "a test group stopped", e.member);
    else fail("(suite)", "a test group stopped: " + hex32(e.number) + " " + e.message);
  }
}
var missing = [];
for (var k = 0; k < allMembers.length; k++) {
  if (!status.hasOwnProperty(allMembers[k])) missing.push(allMembers[k]);
}
if (missing.length) fail("(coverage)", "members never called: " + missing.join(", "));
if (allMembers.length != 53) fail("(coverage)", "the member list has " + allMembers.length + " entries, not 53");

var passed = 0, failedList = [], unfinishedList = [], uncheckedList = [];
for (var m = 0; m < order.length; m++) {
  var st = status[order[m]];
  if (st == "passed") passed++;
  else if (st == "unfinished") unfinishedList.push(order[m]);
  else if (st == "unchecked") uncheckedList.push(order[m]);
  else failedList.push(order[m]);
}
WScript.Echo("members passed: " + passed + " of " + order.length + " exercised");
if (failedList.length) {
  WScript.Echo("FAILED members: " + failedList.join(" "));
  for (var n = 0; n < failedList.length; n++) {
    WScript.Echo("  " + failedList[n] + ":\r\n    " + details[failedList[n]].join("\r\n    "));
  }
}
if (unfinishedList.length) WScript.Echo("UNFINISHED members (E_NOTIMPL, not passed): " + unfinishedList.join(" "));
if (uncheckedList.length) {
  WScript.Echo("NOT CHECKED members (a check needed an unfinished or failing member): " + uncheckedList.join(" "));
  for (var u = 0; u < uncheckedList.length; u++) {
    WScript.Echo("  " + uncheckedList[u] + ":\r\n    " + details[uncheckedList[u]].join("\r\n    "));
  }
}
WScript.Echo("DONE failures=" + failures + " unfinished=" + unfinishedList.length + " unchecked=" + uncheckedList.length);
WScript.Quit(failures > 100 ? 100 : failures);
