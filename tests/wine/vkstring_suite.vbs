' VkString driven by VBScript through late binding, as a script client on Windows uses it.
'
'   cscript //nologo vkstring_suite.vbs <scratch folder> <part>
'
' Parts:
'   main  every member of IVkString, with the ANSI code page 1252 and the time zone UTC
'   cp932 the members whose results depend on the ANSI code page, under code page 932
'   zone  the RFC 822 members under a zone of UTC+05:30 without daylight time
'
' Each member gets a status: passed (every check held), FAILED (a check did not hold or the
' call raised an error), UNFINISHED (the call answered E_NOTIMPL, "Not implemented", which
' VBScript reports as error 445; such a member is not counted as passed) or NOT CHECKED (a check
' needed another member that is unfinished or failing). The last line is the sentinel
'   DONE failures=<n> unfinished=<n> unchecked=<n>
' and the exit code is the number of failures (capped at 100).
'
' Wine's VBScript lacks ChrW, AscW and the byte-string functions and cannot index byte arrays,
' so characters outside ASCII are made with the component (AppendEncoded from UTF-8 hex) and
' byte arrays are checked by handing them back to the component.
Option Explicit

Const E_NOTIMPL = &H80004001
Const VB_NOT_SUPPORTED = 445          ' what VBScript makes of E_NOTIMPL
Const BLOCKED = &H80040207            ' raised by a helper whose own member call failed

Dim fso, status, order, detail, failures, unfinishedCount, uncheckedCount, scratch, part, helper
Set fso = CreateObject("Scripting.FileSystemObject")
Set status = CreateObject("Scripting.Dictionary")
Set detail = CreateObject("Scripting.Dictionary")
order = Array()
failures = 0
unfinishedCount = 0
uncheckedCount = 0

' ---- bookkeeping ----------------------------------------------------------------------------

Sub Note(member)
  If Not status.Exists(member) Then
    status.Add member, "passed"
    detail.Add member, ""
    ReDim Preserve order(UBound(order) + 1)
    order(UBound(order)) = member
  End If
End Sub

Sub Fail(member, message)
  Note member
  If status(member) <> "unfinished" Then status(member) = "FAILED"
  detail(member) = detail(member) & vbCrLf & "    " & message
  failures = failures + 1
  WScript.Echo "FAIL " & member & ": " & message
End Sub

Sub Unfinished(member)
  Note member
  status(member) = "unfinished"
End Sub

Sub Unchecked(member, what, needed)
  Note member
  If status(member) = "passed" Then status(member) = "unchecked"
  detail(member) = detail(member) & vbCrLf & "    " & what & ": needs " & needed
End Sub

Function IsNotImplemented(n)
  IsNotImplemented = (n = E_NOTIMPL Or n = VB_NOT_SUPPORTED)
End Function

' Takes the error state of the statement just run: true when it raised nothing. Not implemented
' marks the member unfinished; a helper's BLOCKED leaves it unchecked; anything else fails it.
Function CallOk(member, what)
  Dim n, d, source
  n = Err.Number
  d = Err.Description
  source = Err.Source
  Err.Clear
  Note member
  CallOk = (n = 0)
  If n = 0 Then Exit Function
  If IsNotImplemented(n) Then
    Unfinished member
  ElseIf n = BLOCKED Then
    Unchecked member, what, source
  Else
    Fail member, what & ": raised &H" & Hex(n) & " " & d
  End If
End Function

' For the helpers below: the error state of their own call to `member`, recorded against that
' member. True when the call failed; the helper then raises BLOCKED to its caller.
Function HelperFailed(member, what)
  Dim n, d, source
  n = Err.Number
  d = Err.Description
  source = Err.Source
  Err.Clear
  HelperFailed = (n <> 0)
  If n = 0 Then Exit Function
  If n = BLOCKED Then
    blockedBy = source
  Else
    blockedBy = member
    If IsNotImplemented(n) Then
      Unfinished member
    Else
      Fail member, what & ": raised &H" & Hex(n) & " " & d
    End If
  End If
End Function

Dim blockedBy

Function Show(v)
  Select Case VarType(v)
    Case vbString: Show = "'" & v & "' (hex " & HexOf(v) & ")"
    Case vbNull: Show = "Null"
    Case vbEmpty: Show = "Empty"
    Case Else: Show = CStr(v) & " (type " & VarType(v) & ")"
  End Select
End Function

' Checks the result of the statement just run: no error, the expected type and value.
Sub Chk(member, what, actual, expected)
  If Not CallOk(member, what) Then Exit Sub
  If VarType(actual) <> VarType(expected) Then
    Fail member, what & ": got " & Show(actual) & ", expected " & Show(expected)
  ElseIf actual <> expected Then
    Fail member, what & ": got " & Show(actual) & ", expected " & Show(expected)
  End If
End Sub

' The same for automation dates, compared to within a millisecond.
Sub ChkDate(member, what, actual, expected)
  If Not CallOk(member, what) Then Exit Sub
  If VarType(actual) <> vbDate Then
    Fail member, what & ": got " & Show(actual) & ", expected a date"
  ElseIf Abs(CDbl(actual) - expected) > 0.00000001 Then
    Fail member, what & ": got " & CStr(CDbl(actual)) & ", expected " & CStr(expected)
  End If
End Sub

' ---- helpers ----------------------------------------------------------------------------------

Function L(n)
  L = CLng(n)
End Function

' The helpers check their own member calls: when one fails, they record it against that member
' and raise BLOCKED, so that the check that called them counts as not checked, not as failed.

Function NewS(ByVal text)
  On Error Resume Next
  Dim o
  Set o = CreateObject("VkString.VkString")
  o.Str = text
  Set NewS = o
  If HelperFailed("Str (put)", "setting a test text") Then
    On Error GoTo 0
    Err.Raise BLOCKED, blockedBy, "needs " & blockedBy
  End If
End Function

' A string from the hex of its UTF-8 bytes.
Function U(ByVal hexBytes)
  On Error Resume Next
  helper.Clear
  helper.AppendEncoded hexBytes, "hex", "utf-8"
  If Not HelperFailed("AppendEncoded", "making a test text from hex") Then
    U = helper.Str
    If Not HelperFailed("Str (get)", "reading a test text") Then Exit Function
  End If
  On Error GoTo 0
  Err.Raise BLOCKED, blockedBy, "needs " & blockedBy
End Function

' The hex of a string's UTF-8 bytes.
Function HexOf(ByVal text)
  On Error Resume Next
  Dim o
  Set o = NewS(text)
  If Not HelperFailed("Str (put)", "setting a text to show in hex") Then
    HexOf = o.GetEncoded("hex", "utf-8")
    If Not HelperFailed("GetEncoded", "showing a text in hex") Then Exit Function
  End If
  On Error GoTo 0
  Err.Raise BLOCKED, blockedBy, "needs " & blockedBy
End Function

' The hex of the bytes in a byte-array VARIANT: the bytes read as ISO-8859-1 are one character
' each, which GetEncoded writes back as the same bytes.
Function BytesHex(bytes)
  On Error Resume Next
  Dim o
  Set o = CreateObject("VkString.VkString")
  o.AppendMultibyte bytes, "iso-8859-1"
  If Not HelperFailed("AppendMultibyte", "reading a byte array back") Then
    BytesHex = o.GetEncoded("hex", "iso-8859-1")
    If Not HelperFailed("GetEncoded", "showing bytes in hex") Then Exit Function
  End If
  On Error GoTo 0
  Err.Raise BLOCKED, blockedBy, "needs " & blockedBy
End Function

' The hex of a file's bytes (a file without zero bytes).
Function FileHex(path)
  On Error Resume Next
  Dim o, loaded
  Set o = CreateObject("VkString.VkString")
  loaded = o.LoadFile(path, "iso-8859-1")
  If Not HelperFailed("LoadFile", "reading a file's bytes") Then
    If loaded <> 1 Then
      FileHex = "(unreadable)"
      Exit Function
    End If
    FileHex = o.GetEncoded("hex", "iso-8859-1")
    If Not HelperFailed("GetEncoded", "showing a file's bytes in hex") Then Exit Function
  End If
  On Error GoTo 0
  Err.Raise BLOCKED, blockedBy, "needs " & blockedBy
End Function

Function FileSize(path)
  If fso.FileExists(path) Then FileSize = L(fso.GetFile(path).Size) Else FileSize = L(-1)
End Function

Function ScratchFile(name)
  ScratchFile = fso.BuildPath(scratch, name)
  If fso.FileExists(ScratchFile) Then fso.DeleteFile ScratchFile, True
End Function

' Which byte the ANSI form holds for U+00E9: -23 under code page 1252.
Function AnsiProbe()
  On Error Resume Next
  Dim o
  Set o = NewS(U("C3A9"))
  o.Shorten 0
  AnsiProbe = o.AnsiCharAt(0)
  If Err.Number <> 0 Then AnsiProbe = "(" & Err.Description & ")"
  Err.Clear
End Function

' ---- main part: every member ---------------------------------------------------------------

Sub TestStrAppendPrependClearLength()
  On Error Resume Next
  Dim s, r
  Set s = CreateObject("VkString.VkString")
  r = s.Str : Chk "Str (get)", "new object", r, ""
  r = s.Length : Chk "Length", "new object", r, L(0)
  s.Str = "hello" : r = s.Str : Chk "Str (put)", "put 'hello'", r, "hello"
  s.Str = "a" & Chr(0) & "b" : r = Len(s.Str) : Chk "Str (put)", "embedded U+0000 kept", r, L(3)
  r = s.Length : Chk "Length", "3 units with a U+0000", r, L(3)
  s.Str = Empty : r = s.Str : Chk "Str (put)", "put Empty reads back empty", r, ""
  s.Str = U("CEB1") & "x" : r = HexOf(s.Str) : Chk "Str (get)", "U+03B1 round trip", r, "CEB178"

  Set s = NewS("cd")
  s.Prepend "ab" : r = s.Str : Chk "Prepend", "'ab' before 'cd'", r, "abcd"
  s.Append "ef" : r = s.Str : Chk "Append", "'ef' after 'abcd'", r, "abcdef"
  s.Append "" : r = s.Str : Chk "Append", "empty argument", r, "abcdef"
  s.Prepend "" : r = s.Str : Chk "Prepend", "empty argument", r, "abcdef"
  r = s.Length : Chk "Length", "'abcdef'", r, L(6)
  s.Clear : r = s.Str : Chk "Clear", "clears", r, ""
  r = s.Length : Chk "Clear", "length after", r, L(0)
  s.Clear : r = s.Str : Chk "Clear", "on an empty value", r, ""

  ' Code page 1252 lacks U+03B1; appending keeps it, and appending an empty string changes
  ' nothing (the value makes no trip through the ANSI form).
  Set s = NewS(U("CEB1") & "x")
  s.Append "y" : r = HexOf(s.Str) : Chk "Append", "non-ANSI character kept", r, "CEB17879"
  s.Append "" : r = HexOf(s.Str) : Chk "Append", "empty argument keeps what 1252 lacks", r, "CEB17879"
End Sub

Sub TestSearchAndEdit()
  On Error Resume Next
  Dim s, r
  Set s = NewS("a-b-c")
  s.ReplaceFirst "-", "+" : r = s.Str : Chk "ReplaceFirst", "first '-'", r, "a+b-c"
  s.ReplaceFirst "", "x" : r = s.Str : Chk "ReplaceFirst", "empty search text", r, "a+b-c"
  s.ReplaceFirst "zz", "x" : r = s.Str : Chk "ReplaceFirst", "absent search text", r, "a+b-c"
  Set s = NewS("aaa")
  s.ReplaceAll "aa", "b" : r = s.Str : Chk "ReplaceAll", "'aa' by 'b' in 'aaa'", r, "ba"
  Set s = NewS("a-b-c")
  s.ReplaceAll "-", "" : r = s.Str : Chk "ReplaceAll", "deleting", r, "abc"
  Set s = NewS(U("C3A9") & "-" & U("C3A9"))
  s.ReplaceAll U("C3A9"), "e" : r = s.Str : Chk "ReplaceAll", "U+00E9 by 'e'", r, "e-e"

  Set s = NewS(" " & vbTab & "abc " & vbTab)
  s.Trim : r = s.Str : Chk "Trim", "spaces and tabs", r, "abc"
  Set s = NewS(vbCrLf & "x ")
  s.Trim : r = s.Str : Chk "Trim", "leading CR LF stays", r, vbCrLf & "x"
  Set s = NewS(vbCrLf & " x " & vbLf)
  s.Trim2 : r = s.Str : Chk "Trim2", "CR LF removed too", r, "x"
  Set s = NewS(" a " & vbTab & vbTab & " b ")
  s.TrimInside : r = s.Str : Chk "TrimInside", "runs collapse", r, " a b "

  Set s = NewS("hello")
  r = s.Contains("ell") : Chk "Contains", "'ell' in 'hello'", r, L(1)
  r = s.Contains("xyz") : Chk "Contains", "'xyz'", r, L(0)
  r = NewS("").Contains("") : Chk "Contains", "empty in empty", r, L(1)
  r = s.BeginsWith("he") : Chk "BeginsWith", "'he'", r, L(1)
  r = s.BeginsWith("lo") : Chk "BeginsWith", "'lo'", r, L(0)
  r = s.BeginsWith("") : Chk "BeginsWith", "empty", r, L(1)
  r = s.EndsWith("lo") : Chk "EndsWith", "'lo'", r, L(1)
  r = s.EndsWith("hello!") : Chk "EndsWith", "longer than the text", r, L(0)
  r = s.EndsWith("") : Chk "EndsWith", "empty", r, L(1)

  Set s = NewS("abc")
  s.Shorten 1 : r = s.Str : Chk "Shorten", "one byte", r, "ab"
  s.Shorten -1 : r = s.Str : Chk "Shorten", "negative empties", r, ""
  Set s = NewS("abc")
  s.Shorten 100 : r = s.Str : Chk "Shorten", "more than the length", r, ""
  Set s = NewS(U("CEB1") & "abc")
  s.Shorten 0 : r = s.Length : Chk "Shorten", "0 leaves the ANSI form: length in ANSI bytes", r, L(3)

  Set s = NewS("a.b.c")
  s.ReplaceAnsiChar 46, 45 : r = s.Str : Chk "ReplaceAnsiChar", "'.' to '-'", r, "a-b-c"
  s.RemoveAnsiChar 45 : r = s.Str : Chk "RemoveAnsiChar", "'-' removed", r, "abc"
  Set s = NewS(U("C3A9") & "x" & U("C3A9"))
  s.RemoveAnsiChar 233 : r = s.Str : Chk "RemoveAnsiChar", "233 removes U+00E9 (1252)", r, "x"
  Set s = NewS(U("C3A9") & "x" & U("C3A9"))
  s.RemoveAnsiChar -23 : r = s.Str : Chk "RemoveAnsiChar", "-23 as well", r, "x"
  Set s = NewS("x" & U("C3A9"))
  s.ReplaceAnsiChar 233, 101 : r = s.Str : Chk "ReplaceAnsiChar", "U+00E9 to 'e' (1252)", r, "xe"

  r = NewS("abc").LastAnsiChar : Chk "LastAnsiChar", "'abc'", r, L(99)
  r = NewS("x" & U("C3A9")).LastAnsiChar : Chk "LastAnsiChar", "ends in U+00E9 (1252)", r, L(-23)
  r = NewS("").LastAnsiChar : Chk "LastAnsiChar", "empty", r, L(0)
  Set s = NewS("A")
  r = s.AnsiCharAt(0) : Chk "AnsiCharAt", "'A' at 0", r, L(65)
  r = s.AnsiCharAt(1) : Chk "AnsiCharAt", "past the end", r, L(0)
  r = s.AnsiCharAt(-1) : Chk "AnsiCharAt", "negative index", r, L(0)
End Sub

Sub TestSlices()
  On Error Resume Next
  Dim s, r
  Set s = NewS("abc")
  r = s.Left(2) : Chk "Left", "Left(2) of 'abc'", r, "ab"
  r = s.Left(5) : Chk "Left", "Left(5)", r, "abc"
  r = s.Left(0) : Chk "Left", "Left(0)", r, ""
  r = s.Right(2) : Chk "Right", "Right(2)", r, "bc"
  r = s.Right(0) : Chk "Right", "Right(0)", r, ""
  r = s.Mid(1, 5) : Chk "Mid", "Mid(1, 5)", r, "bc"
  r = s.Mid(3, 1) : Chk "Mid", "Mid(3, 1)", r, ""
  r = s.Mid(4, 1) : Chk "Mid", "Mid(4, 1)", r, ""
  r = s.Str : Chk "Left", "value unchanged by slicing", r, "abc"
  ' U+03B1 is not in code page 1252: the slices cut the wide form and keep it.
  Set s = NewS(U("CEB1") & "abc")
  r = s.Right(3) : Chk "Right", "wide form", r, "abc"
  r = HexOf(s.Left(1)) : Chk "Left", "wide form keeps U+03B1", r, "CEB1"
  r = HexOf(s.Mid(0, 2)) : Chk "Mid", "wide form keeps U+03B1", r, "CEB161"
  r = HexOf(s.Str) : Chk "Right", "U+03B1 still there", r, "CEB1616263"

  Set s = NewS("abc")
  r = s.StrComp("ABC", 1) : Chk "StrComp", "case-sensitive", r, L(1)
  r = s.StrComp("ABC", 0) : Chk "StrComp", "case-insensitive", r, L(0)
  r = s.StrComp("abd", 1) : Chk "StrComp", "'abc' before 'abd'", r, L(-1)
  r = s.StrComp("ab", 1) : Chk "StrComp", "a proper prefix sorts first", r, L(1)

  Set s = NewS("hello world")
  s.ChopAfter "lo" : r = s.Str : Chk "ChopAfter", "'lo'", r, "hello"
  s.ChopAfter "xyz" : r = s.Str : Chk "ChopAfter", "absent", r, "hello"
  s.ChopAfter "" : r = s.Str : Chk "ChopAfter", "empty empties", r, ""
  Set s = NewS("hello world")
  s.ChopBefore "wor" : r = s.Str : Chk "ChopBefore", "'wor'", r, "world"
  s.ChopBefore "wor" : r = s.Str : Chk "ChopBefore", "at the start: unchanged", r, "world"
  s.ChopBefore "xyz" : r = s.Str : Chk "ChopBefore", "absent", r, "world"
End Sub

Sub TestMarkupAndWords()
  On Error Resume Next
  Dim s, r, pair, parts, word, want
  Set s = NewS("a<b & ""c"" 'd'")
  s.HtmlEntityEncode : r = s.Str : Chk "HtmlEntityEncode", "four characters", r, "a&lt;b &amp; &quot;c&quot; 'd'"
  Set s = NewS("&amp;lt;") : s.HtmlEntityDecode : r = s.Str : Chk "HtmlEntityDecode", "'&amp;lt;'", r, "<"
  Set s = NewS("&lt;b&gt;") : s.HtmlEntityDecode : r = s.Str : Chk "HtmlEntityDecode", "'&lt;b&gt;'", r, "<b>"
  Set s = NewS("&nbsp;") : s.HtmlEntityDecode : r = s.Str : Chk "HtmlEntityDecode", "'&nbsp;'", r, " "
  Set s = NewS("&eacute;&#233;&#xe9;") : s.HtmlEntityDecode : r = HexOf(s.Str)
  Chk "HtmlEntityDecode", "three forms of U+00E9 (1252)", r, "C3A9C3A9C3A9"
  Set s = NewS("&euro;&#8364;&#x20AC;") : s.HtmlEntityDecode : r = HexOf(s.Str)
  Chk "HtmlEntityDecode", "three forms of the euro sign", r, "E282ACE282ACE282AC"
  Set s = NewS("&#55357;&#56832;") : s.HtmlEntityDecode : r = HexOf(s.Str)
  Chk "HtmlEntityDecode", "surrogate pair as two references", r, "F09F9880"

  Set s = NewS("<b>bold</b> text") : s.StripHtml : r = s.Str : Chk "StripHtml", "tags", r, "bold text"
  Set s = NewS("<a href=""x>y"">link</a>") : s.StripHtml : r = s.Str : Chk "StripHtml", "quoted '>'", r, "link"
  Set s = NewS("a > b") : s.StripHtml : r = s.Str : Chk "StripHtml", "'a > b'", r, "a > b"
  Set s = NewS("a < b") : s.StripHtml : r = s.Str : Chk "StripHtml", "'a < b'", r, "a "

  For Each pair In Array("box|boxes", "church|churches", "city|cities", "day|days", "leaf|leaves", _
                         "knife|knives", "bus|bus", "BOX|BOXs")
    parts = Split(pair, "|") : word = parts(0) : want = parts(1)
    Set s = NewS(word) : s.Pluralize : r = s.Str
    Chk "Pluralize", "'" & word & "'", r, want
  Next
  For Each pair In Array("boxes|box", "cities|city", "wolves|wolf", "moves|move", "prizes|prize", _
                         "heroes|heroes", "glass|glass", "always|always", "ALWAYS|ALWAYS", "yes|ye", _
                         "s|", "10s|10s")
    parts = Split(pair, "|") : word = parts(0) : want = parts(1)
    Set s = NewS(word) : s.Unpluralize : r = s.Str
    Chk "Unpluralize", "'" & word & "'", r, want
  Next

  r = NewS("a.txt").Matches("*.txt", 1) : Chk "Matches", "'*.txt'", r, L(1)
  r = NewS("ab").Matches("a*b*b", 1) : Chk "Matches", "'a*b*b' against 'ab'", r, L(0)
  r = NewS("").Matches("*", 1) : Chk "Matches", "'*' against empty", r, L(1)
  r = NewS("x").Matches("", 1) : Chk "Matches", "empty pattern", r, L(0)
  r = NewS("abc").Matches("ABC", 1) : Chk "Matches", "case-sensitive", r, L(0)
  r = NewS("abc").Matches("ABC", 0) : Chk "Matches", "case-insensitive", r, L(1)
  r = NewS(U("C3A9")).Matches(U("C389"), 0) : Chk "Matches", "no folding beyond ASCII", r, L(0)
End Sub

Sub TestScripts()
  On Error Resume Next
  Dim s, r
  ' abcd, U+00E9 (Latin), U+0100 (Central European), U+03B1 U+03B2 (Greek), U+05D0 (Hebrew),
  ' U+0627 (Arabic), U+3042 (hiragana), U+D55C (Hangul), U+4E2D (CJK), U+0E01 (Thai),
  ' U+0416 (Cyrillic), U+0301 (in no class)
  Set s = NewS("abcd" & U("C3A9C480CEB1CEB2D790D8A7E38182ED959CE4B8ADE0B881D096CC81"))
  r = s.NumAscii : Chk "NumAscii", "4 ASCII letters", r, L(4)
  r = s.NumLatin : Chk "NumLatin", "U+00E9", r, L(1)
  r = s.NumCentralEuro : Chk "NumCentralEuro", "U+0100", r, L(1)
  r = s.NumGreek : Chk "NumGreek", "two Greek letters", r, L(2)
  r = s.NumHebrew : Chk "NumHebrew", "U+05D0", r, L(1)
  r = s.NumArabic : Chk "NumArabic", "U+0627", r, L(1)
  r = s.NumJapanese : Chk "NumJapanese", "U+3042", r, L(1)
  r = s.NumKorean : Chk "NumKorean", "U+D55C", r, L(1)
  r = s.NumChinese : Chk "NumChinese", "U+4E2D", r, L(1)
  r = s.NumThai : Chk "NumThai", "U+0E01", r, L(1)
  r = s.NumCyrillic : Chk "NumCyrillic", "U+0416", r, L(1)
  r = NewS(U("E6BCA2E5AD97E6BCA2E38182E38184")).NumChinese : Chk "NumChinese", "three kanji", r, L(3)
  Set s = CreateObject("VkString.VkString")
  r = s.NumAscii : Chk "NumAscii", "empty text", r, L(0)
  r = s.NumLatin : Chk "NumLatin", "empty text", r, L(0)
  r = s.NumCentralEuro : Chk "NumCentralEuro", "empty text", r, L(0)
  r = s.NumGreek : Chk "NumGreek", "empty text", r, L(0)
  r = s.NumHebrew : Chk "NumHebrew", "empty text", r, L(0)
  r = s.NumArabic : Chk "NumArabic", "empty text", r, L(0)
  r = s.NumJapanese : Chk "NumJapanese", "empty text", r, L(0)
  r = s.NumKorean : Chk "NumKorean", "empty text", r, L(0)
  r = s.NumChinese : Chk "NumChinese", "empty text", r, L(0)
  r = s.NumThai : Chk "NumThai", "empty text", r, L(0)
  r = s.NumCyrillic : Chk "NumCyrillic", "empty text", r, L(0)
  r = NewS(U("C487CB87")).NumCentralEuro : Chk "NumCentralEuro", "U+0107 and U+02C7", r, L(2)
  r = NewS(U("EFBCA1EFBDB1")).NumLatin + NewS(U("EFBCA1EFBDB1")).NumJapanese : Chk "NumLatin", "full-width and half-width forms count nowhere", r, L(0)
End Sub

Sub TestCodings()
  On Error Resume Next
  Dim s, r
  Set s = CreateObject("VkString.VkString")
  s.AppendEncoded " YWJj" & vbCrLf, "base64", "utf-8" : r = s.Str : Chk "AppendEncoded", "base64 'YWJj'", r, "abc"
  s.Clear : s.AppendEncoded "YQ==Yg==", "base64", "utf-8" : r = s.Str : Chk "AppendEncoded", "base64 stops at '='", r, "a"
  s.Clear : s.AppendEncoded "c3a9", "hex", "utf-8" : r = HexOf(s.Str) : Chk "AppendEncoded", "hex c3a9", r, "C3A9"
  s.Clear : s.AppendEncoded "E9", "hex", "iso-8859-1" : r = HexOf(s.Str) : Chk "AppendEncoded", "hex E9 latin-1", r, "C3A9"
  s.Clear : s.AppendEncoded "a%2db+c", "url", "utf-8" : r = s.Str : Chk "AppendEncoded", "url", r, "a-b c"
  s.Clear : s.AppendEncoded "a=3Db", "qp", "utf-8" : r = s.Str : Chk "AppendEncoded", "quoted-printable", r, "a=b"
  s.Clear : s.AppendEncoded "a=" & vbCrLf & "b", "quoted-printable", "utf-8" : r = s.Str : Chk "AppendEncoded", "soft line break", r, "ab"
  s.Clear : s.AppendEncoded "YWJj", "base64", "no-such-charset" : r = s.Str : Chk "AppendEncoded", "unknown charset", r, ""
  s.Str = "x" : s.AppendEncoded "1B244224221B2842", "hex", "iso-2022-jp" : r = HexOf(s.Str)
  Chk "AppendEncoded", "ISO-2022-JP bytes appended", r, "78E38182"

  Set s = NewS(U("C3A9"))
  r = s.GetEncoded("hex", "utf-8") : Chk "GetEncoded", "hex of U+00E9", r, "C3A9"
  r = s.GetEncoded("hex", "windows-1252") : Chk "GetEncoded", "hex in windows-1252", r, "E9"
  r = s.GetEncoded("qp", "utf-8") : Chk "GetEncoded", "quoted-printable", r, "=C3=A9"
  Set s = NewS("a b-c")
  r = s.GetEncoded("url", "utf-8") : Chk "GetEncoded", "url", r, "a+b%2Dc"
  Set s = NewS("abc")
  r = s.GetEncoded("base64", "utf-8") : Chk "GetEncoded", "base64", r, "YWJj"
  r = s.GetEncoded("BASE64", "utf-8") : Chk "GetEncoded", "encoding name case", r, "YWJj"
  r = s.GetEncoded("base32", "utf-8") : Chk "GetEncoded", "unknown encoding", r, ""
  r = s.GetEncoded("base64", "no-such-charset") : Chk "GetEncoded", "unknown charset", r, ""
  Set s = NewS("a=b")
  r = s.GetEncoded("quoted-printable", "utf-8") : Chk "GetEncoded", "qp of '='", r, "a=3Db"
  ' The charset conversions behind the codings: table code pages, ISO-2022 and the Unicode forms.
  Set s = NewS(U("E38182"))
  r = s.GetEncoded("hex", "shift_jis") : Chk "GetEncoded", "Shift_JIS", r, "82A0"
  r = s.GetEncoded("hex", "euc-jp") : Chk "GetEncoded", "EUC-JP", r, "A4A2"
  r = s.GetEncoded("hex", "iso-2022-jp") : Chk "GetEncoded", "ISO-2022-JP", r, "1B244224221B2842"
  r = s.GetEncoded("hex", "utf-16be") : Chk "GetEncoded", "UTF-16BE", r, "3042"
  r = NewS(U("ED959C")).GetEncoded("hex", "euc-kr") : Chk "GetEncoded", "EUC-KR", r, "C7D1"
  r = NewS(U("E4B8AD")).GetEncoded("hex", "gb2312") : Chk "GetEncoded", "GB2312", r, "D6D0"
  r = NewS(U("E4B8AD")).GetEncoded("hex", "big5") : Chk "GetEncoded", "Big5", r, "A4A4"
  r = NewS(U("D096")).GetEncoded("hex", "koi8-r") : Chk "GetEncoded", "KOI8-R", r, "F6"
  r = NewS(U("F09F9880")).GetEncoded("hex", "utf-32") : Chk "GetEncoded", "UTF-32 (little-endian)", r, "00F60100"
End Sub

Sub TestDates()
  On Error Resume Next
  Dim s, r
  Set s = NewS("2024-03-05T14:03:07Z")
  r = s.ParseDateRfc3339 : ChkDate "ParseDateRfc3339", "'2024-03-05T14:03:07Z'", r, 45356.5854976852
  Set s = NewS("2024-03-05T14:03:07.250+05:30")
  r = s.ParseDateRfc3339 : ChkDate "ParseDateRfc3339", "offset +05:30", r, 45356 + (8 * 3600 + 33 * 60 + 7) / 86400
  Set s = NewS("20240305T14:03:07Z")
  r = s.ParseDateRfc3339 : ChkDate "ParseDateRfc3339", "basic date form", r, 45356.5854976852

  ' The machine's zone is UTC in this part: local time is UTC.
  Set s = NewS("Tue, 05 Mar 2024 14:03:07 -0500")
  r = s.ParseDateRfc822 : ChkDate "ParseDateRfc822", "-0500 to local (UTC)", r, 45356.7938310185
  Set s = NewS("05 Mar 2024 14:03:07 EST")
  r = s.ParseDateRfc822 : ChkDate "ParseDateRfc822", "zone word EST", r, 45356.7938310185
  Set s = NewS("01 Jan 2024 00:30:00 +0100")
  r = s.ParseDateRfc822 : ChkDate "ParseDateRfc822", "day roll", r, 45291 + 23.5 / 24

  Set s = CreateObject("VkString.VkString")
  s.AppendDateRfc3339 45356.585497685184 : r = s.Str : Chk "AppendDateRfc3339", "2024-03-05", r, "2024-03-05T14:03:07Z"
  s.AppendDateRfc3339 0 : r = s.Str : Chk "AppendDateRfc3339", "appends: day 0 after it", r, "2024-03-05T14:03:07Z1899-12-30T00:00:00Z"
  s.Clear : s.AppendDateRfc3339 -1.25 : r = s.Str : Chk "AppendDateRfc3339", "-1.25", r, "1899-12-29T06:00:00Z"
  s.Clear : s.AppendDateRfc3339 CDate("2024-03-05 14:03:07") : r = s.Str : Chk "AppendDateRfc3339", "a VBScript date", r, "2024-03-05T14:03:07Z"
  s.Clear : s.AppendDateRfc822 45356.585497685184 : r = s.Str : Chk "AppendDateRfc822", "UTC machine", r, "Tue, 05 Mar 2024 14:03:07 +0000"
  ' A parsed date handed straight back.
  Set s = NewS("2024-03-05T14:03:07Z")
  r = s.ParseDateRfc3339
  If CallOk("ParseDateRfc3339", "a date to hand back") Then
    s.Clear : s.AppendDateRfc3339 r : r = s.Str
    Chk "AppendDateRfc3339", "round trip of a parsed date", r, "2024-03-05T14:03:07Z"
  Else
    Unchecked "AppendDateRfc3339", "round trip of a parsed date", "ParseDateRfc3339"
  End If
End Sub

Sub TestByteArrays()
  On Error Resume Next
  Dim s, t, b, r
  ' AppendMultibyte with VARIANTs that are not byte arrays.
  Set t = CreateObject("VkString.VkString")
  t.AppendMultibyte "abc", "utf-16le" : r = t.Str : Chk "AppendMultibyte", "a string's UTF-16LE bytes", r, "abc"
  t.Clear : t.AppendMultibyte CLng(&H636261), "utf-8" : r = t.Str : Chk "AppendMultibyte", "a Long's four bytes", r, "abc"
  t.Clear : t.AppendMultibyte Empty, "utf-8" : r = t.Str : Chk "AppendMultibyte", "Empty adds nothing", r, ""

  b = NewS("").EmitMultibyte("utf-8") : r = IsNull(b) : Chk "EmitMultibyte", "empty text gives Null", r, True
  Set s = NewS(U("E38182") & "a")
  b = s.EmitMultibyte("shift_jis")
  If Not CallOk("EmitMultibyte", "Shift_JIS") Then
    Unchecked "AppendMultibyte", "byte arrays", "EmitMultibyte"
    Exit Sub
  End If
  r = VarType(b) : Chk "EmitMultibyte", "a byte array", r, vbArray + vbByte
  r = BytesHex(b) : Chk "EmitMultibyte", "Shift_JIS bytes", r, "82A061"
  Set t = CreateObject("VkString.VkString")
  t.AppendMultibyte b, "shift_jis" : r = HexOf(t.Str) : Chk "AppendMultibyte", "Shift_JIS bytes back", r, "E3818261"
  b = s.EmitMultibyte("utf-16le")
  If CallOk("EmitMultibyte", "UTF-16LE") Then
    t.AppendMultibyte b, "utf-16le" : r = HexOf(t.Str)
    Chk "AppendMultibyte", "appended after the text", r, "E3818261E3818261"
  End If
  b = NewS(U("C3A9")).EmitMultibyte("utf-8")
  If CallOk("EmitMultibyte", "UTF-8") Then r = BytesHex(b) : Chk "EmitMultibyte", "UTF-8 bytes", r, "C3A9"
  b = NewS("xyz").EmitMultibyte("utf-8")
  If CallOk("EmitMultibyte", "UTF-8 of 'xyz'") Then
    t.Clear : t.AppendMultibyte b, "no-such-charset" : r = t.Str : Chk "AppendMultibyte", "unknown charset", r, ""
  End If
End Sub

' Texts long enough for the vector conversions (blocks of 16 to 64 bytes): each sequence
' length in long runs and in a fine mix, through UTF-16 and back, and through a UTF-8 file.
Sub TestLongTexts()
  On Error Resume Next
  Dim pieces, units, h, i, n, s, t, f, r
  pieces = Array("41", "C3A9", "D096", "E4B8AD", "E38082", "F09F9880", "0A", "CEB1", "EFBFBF", "3132")
  units = Array(1, 1, 1, 1, 1, 2, 1, 1, 1, 2)
  h = "" : n = 0
  For i = 0 To 999
    h = h & pieces(i Mod 10) : n = n + units(i Mod 10)
  Next
  For i = 0 To 399
    h = h & pieces((i \ 40) Mod 10) : n = n + units((i \ 40) Mod 10)
  Next
  Set s = NewS(U(h))
  r = s.Length : Chk "Length", "a long mixed text read from UTF-8", r, L(n)
  r = s.GetEncoded("hex", "utf-8") : Chk "GetEncoded", "a long mixed text back to UTF-8", r, h
  f = ScratchFile("long.txt")
  r = s.SaveToFile(f, "utf-8") : Chk "SaveToFile", "a long mixed text", r, L(1)
  r = FileSize(f) : Chk "SaveToFile", "its UTF-8 size", r, L(Len(h) \ 2)
  Set t = NewS("previous")
  r = t.LoadFile(f, "utf-8") : Chk "LoadFile", "a long mixed text", r, L(1)
  r = (t.Str = s.Str) : Chk "LoadFile", "the same long text read back", r, True
End Sub

Sub TestFiles()
  On Error Resume Next
  Dim s, t, f, r, name
  Set s = NewS("h" & U("C3A9") & "llo")
  f = ScratchFile("utf8.txt")
  r = s.SaveToFile(f, "utf-8") : Chk "SaveToFile", "UTF-8 file", r, L(1)
  r = FileHex(f) : Chk "SaveToFile", "UTF-8 bytes, no BOM", r, "68C3A96C6C6F"
  Set t = NewS("previous")
  r = t.LoadFile(f, "utf-8") : Chk "LoadFile", "UTF-8 file", r, L(1)
  r = t.Str : Chk "LoadFile", "text replaced", r, s.Str
  r = s.AppendToFile(f, "utf-8") : Chk "AppendToFile", "existing file", r, L(1)
  r = FileHex(f) : Chk "AppendToFile", "bytes at the end", r, "68C3A96C6C6F68C3A96C6C6F"

  f = ScratchFile("latin1.txt")
  r = s.SaveToFile(f, "iso-8859-1") : Chk "SaveToFile", "ISO-8859-1 file", r, L(1)
  r = FileSize(f) : Chk "SaveToFile", "5 bytes", r, L(5)
  r = t.LoadFile(f, "windows-1252") : Chk "LoadFile", "windows-1252 file", r, L(1)
  r = t.Str : Chk "LoadFile", "windows-1252 text", r, s.Str

  f = ScratchFile("sjis.txt")
  r = NewS(U("E38182E38184")).SaveToFile(f, "shift_jis") : Chk "SaveToFile", "Shift_JIS file", r, L(1)
  r = FileHex(f) : Chk "SaveToFile", "Shift_JIS bytes", r, "82A082A2"
  r = t.LoadFile(f, "shift_jis") : r = HexOf(t.Str) : Chk "LoadFile", "Shift_JIS file", r, "E38182E38184"

  ' Bytes pass as they are: a UTF-8 byte-order mark is neither written nor stripped.
  f = ScratchFile("bom.txt")
  Set t = CreateObject("VkString.VkString")
  t.AppendEncoded "EFBBBF41", "hex", "utf-8"
  r = t.SaveToFile(f, "utf-8") : Chk "SaveToFile", "a text starting with a UTF-8 mark", r, L(1)
  r = FileHex(f) : Chk "SaveToFile", "the mark's bytes written", r, "EFBBBF41"
  Set t = CreateObject("VkString.VkString")
  r = t.LoadFile(f, "utf-8") : Chk "LoadFile", "a file starting with a UTF-8 mark", r, L(1)
  r = t.GetEncoded("hex", "utf-8") : Chk "LoadFile", "the mark stays in the text", r, "EFBBBF41"

  Set t = NewS("kept")
  r = t.LoadFile(ScratchFile("missing.txt"), "utf-8") : Chk "LoadFile", "missing file", r, L(0)
  r = t.Str : Chk "LoadFile", "text kept when the load fails", r, "kept"
  r = t.LoadFile("", "utf-8") : Chk "LoadFile", "empty name", r, L(0)
  r = t.SaveToFile("", "utf-8") : Chk "SaveToFile", "empty name", r, L(0)
  r = t.AppendToFile("", "utf-8") : Chk "AppendToFile", "empty name", r, L(0)

  f = ScratchFile("empty.txt")
  r = NewS("").SaveToFile(f, "utf-8") : Chk "SaveToFile", "empty text", r, L(1)
  r = FileSize(f) : Chk "SaveToFile", "zero-byte file", r, L(0)
  r = t.LoadFile(f, "utf-8") : Chk "LoadFile", "zero-byte file", r, L(1)
  r = t.Str : Chk "LoadFile", "text emptied", r, ""
  f = ScratchFile("never.txt")
  r = NewS("").AppendToFile(f, "utf-8") : Chk "AppendToFile", "nothing to append", r, L(1)
  r = fso.FileExists(f) : Chk "AppendToFile", "no file created", r, False
  f = ScratchFile("created.txt")
  r = NewS("new").AppendToFile(f, "utf-8") : Chk "AppendToFile", "missing file", r, L(1)
  r = FileHex(f) : Chk "AppendToFile", "file created", r, "6E6577"

  ' A name with a character that code page 1252 lacks goes through the wide file interface.
  name = ScratchFile("wide-" & U("CEB1CEB2") & ".txt")
  r = s.SaveToFile(name, "utf-8") : Chk "SaveToFile", "name outside the ANSI code page", r, L(1)
  r = fso.FileExists(name) : Chk "SaveToFile", "file has the wide name", r, True
  Set t = CreateObject("VkString.VkString")
  r = t.LoadFile(name, "utf-8") : Chk "LoadFile", "name outside the ANSI code page", r, L(1)
  r = t.Str : Chk "LoadFile", "text through the wide name", r, s.Str
End Sub

' ---- cp932 part ------------------------------------------------------------------------------

Sub TestCodePage932()
  On Error Resume Next
  Dim s, r, f
  r = AnsiProbe() : Chk "(ANSI code page)", "U+00E9 has no single byte: the ANSI code page is not 1252", r, L(0)
  Set s = NewS(U("E38182"))
  s.Shorten 0 : r = s.Length : Chk "Shorten", "U+3042 is two ANSI bytes", r, L(2)
  r = s.AnsiCharAt(0) : Chk "AnsiCharAt", "lead byte 0x82", r, L(-126)
  r = s.AnsiCharAt(1) : Chk "AnsiCharAt", "trail byte 0xA0", r, L(-96)
  r = s.LastAnsiChar : Chk "LastAnsiChar", "trail byte 0xA0", r, L(-96)
  Set s = NewS(U("E38182") & "x")
  s.Append "" : r = HexOf(s.Str) : Chk "Append", "932 keeps U+3042 through the ANSI form", r, "E3818278"
  Set s = NewS(U("E38182") & "box")
  s.Pluralize : r = HexOf(s.Str) : Chk "Pluralize", "Japanese text kept by the ANSI form", r, "E38182626F786573"
  r = NewS(U("E38182")).StrComp(U("E38184"), 1) : Chk "StrComp", "0x82A0 before 0x82A2", r, L(-1)
  r = NewS(U("E38182")).StrComp(U("E38182"), 0) : Chk "StrComp", "equal Japanese texts", r, L(0)
  ' Lengths count UTF-16 units while the wide form is current, ANSI bytes while the ANSI form is.
  Set s = NewS(U("E38182E38184E38186"))
  r = HexOf(s.Left(1)) : Chk "Left", "one kana of three", r, "E38182"
  r = HexOf(s.Right(1)) : Chk "Right", "wide form", r, "E38186"
  Set s = NewS(U("CEB1") & "x")
  s.Append "" : r = HexOf(s.Str) : Chk "Append", "932 holds U+03B1 too", r, "CEB178"
  ' A file name that fits code page 932 goes through the narrow interface.
  f = ScratchFile("narrow-" & U("E38182") & ".txt")
  r = NewS("abc").SaveToFile(f, "utf-8") : Chk "SaveToFile", "Japanese name under 932", r, L(1)
  r = fso.FileExists(f) : Chk "SaveToFile", "file has the Japanese name", r, True
  Set s = CreateObject("VkString.VkString")
  r = s.LoadFile(f, "utf-8") : Chk "LoadFile", "Japanese name under 932", r, L(1)
  r = s.Str : Chk "LoadFile", "text", r, "abc"
  r = NewS("abc").AppendToFile(f, "utf-8") : Chk "AppendToFile", "Japanese name under 932", r, L(1)
  r = FileHex(f) : Chk "AppendToFile", "appended", r, "616263616263"
End Sub

' ---- zone part -------------------------------------------------------------------------------

Sub TestZone()
  On Error Resume Next
  Dim s, r
  Set s = CreateObject("VkString.VkString")
  s.AppendDateRfc822 45356.585497685184 : r = s.Str : Chk "AppendDateRfc822", "UTC+05:30", r, "Tue, 05 Mar 2024 14:03:07 +0530"
  Set s = NewS("Tue, 05 Mar 2024 14:03:07 -0500")
  r = s.ParseDateRfc822 : ChkDate "ParseDateRfc822", "to local time at UTC+05:30", r, 45356 + (24 * 3600 + 33 * 60 + 7) / 86400
  Set s = NewS("2024-03-05T14:03:07Z")
  r = s.ParseDateRfc3339 : ChkDate "ParseDateRfc3339", "stays UTC", r, 45356.5854976852
End Sub

' ---- run -------------------------------------------------------------------------------------

Dim allMembers, m, missing, passedCount, listUnfinished, listFailed, exitCode
allMembers = Array("Str (get)", "Str (put)", "Append", "ReplaceFirst", "LoadFile", "ReplaceAll", "Trim", _
  "Trim2", "Prepend", "Contains", "Clear", "Shorten", "HtmlEntityEncode", "HtmlEntityDecode", _
  "ReplaceAnsiChar", "LastAnsiChar", "Length", "RemoveAnsiChar", "AnsiCharAt", "SaveToFile", _
  "AppendToFile", "TrimInside", "BeginsWith", "Matches", "NumAscii", "NumLatin", "NumCentralEuro", _
  "NumGreek", "NumHebrew", "NumArabic", "NumJapanese", "NumKorean", "NumChinese", "NumThai", _
  "NumCyrillic", "AppendMultibyte", "EmitMultibyte", "Left", "Right", "Mid", "StrComp", _
  "ParseDateRfc3339", "ParseDateRfc822", "AppendDateRfc3339", "AppendDateRfc822", "AppendEncoded", _
  "GetEncoded", "ChopAfter", "ChopBefore", "EndsWith", "Pluralize", "Unpluralize", "StripHtml")

If WScript.Arguments.Count < 2 Then
  WScript.Echo "usage: vkstring_suite.vbs <scratch folder> main|cp932|zone"
  WScript.Quit 100
End If
scratch = WScript.Arguments(0)
part = WScript.Arguments(1)
If Not fso.FolderExists(scratch) Then fso.CreateFolder scratch
Set helper = CreateObject("VkString.VkString")
WScript.Echo "VBScript suite, part " & part

Select Case part
  Case "main"
    Dim probe
    probe = AnsiProbe()
    If VarType(probe) <> vbLong Then
      Fail "(ANSI code page)", "the probe for code page 1252 failed: " & probe
    ElseIf probe <> -23 Then
      Fail "(ANSI code page)", "expected code page 1252 (U+00E9 as byte -23), got " & probe
    End If
    TestStrAppendPrependClearLength
    TestSearchAndEdit
    TestSlices
    TestMarkupAndWords
    TestScripts
    TestCodings
    TestDates
    TestByteArrays
    TestFiles
    TestLongTexts
    missing = ""
    For Each m In allMembers
      If Not status.Exists(m) Then missing = missing & " " & m
    Next
    If missing <> "" Then Fail "(coverage)", "members never called:" & missing
    If UBound(allMembers) <> 52 Then Fail "(coverage)", "the member list has " & (UBound(allMembers) + 1) & " entries, not 53"
  Case "cp932"
    TestCodePage932
  Case "zone"
    TestZone
  Case Else
    WScript.Echo "unknown part " & part
    WScript.Quit 100
End Select

passedCount = 0
listUnfinished = ""
listFailed = ""
Dim listUnchecked
listUnchecked = ""
For Each m In order
  Select Case status(m)
    Case "passed": passedCount = passedCount + 1
    Case "unfinished": listUnfinished = listUnfinished & " " & m : unfinishedCount = unfinishedCount + 1
    Case "unchecked": listUnchecked = listUnchecked & " " & m : uncheckedCount = uncheckedCount + 1
    Case Else: listFailed = listFailed & " " & m
  End Select
Next
WScript.Echo "members passed: " & passedCount & " of " & (UBound(order) + 1) & " exercised"
If listFailed <> "" Then
  WScript.Echo "FAILED members:" & listFailed
  For Each m In order
    If status(m) = "FAILED" Then WScript.Echo "  " & m & ":" & detail(m)
  Next
End If
If listUnfinished <> "" Then WScript.Echo "UNFINISHED members (E_NOTIMPL, not passed):" & listUnfinished
If listUnchecked <> "" Then
  WScript.Echo "NOT CHECKED members (a check needed an unfinished or failing member):" & listUnchecked
  For Each m In order
    If status(m) = "unchecked" Then WScript.Echo "  " & m & ":" & detail(m)
  Next
End If
WScript.Echo "DONE failures=" & failures & " unfinished=" & unfinishedCount & " unchecked=" & uncheckedCount
exitCode = failures
If exitCode > 100 Then exitCode = 100
WScript.Quit exitCode
