' The file members under the system's own file API, driven by the Wine stage.
'   file_safety.vbs <file> append <host> <lines>: appends <lines> distinct lines to <file>; while
'     another host holds the file, AppendToFile answers 0 after its retries and the line is
'     appended again (as a caller of a shared log does).
'   file_safety.vbs <file> savefail: saves 200 KB over <file> under a file-size limit the
'     stage set; the save must answer 0.
Option Explicit
Dim target, mode, s, failures, i, tries, answer
failures = 0
target = WScript.Arguments(0)
mode = WScript.Arguments(1)
Set s = CreateObject("VkString.VkString")
If mode = "append" Then
  For i = 1 To CInt(WScript.Arguments(3))
    s.Clear
    s.Append "host " & WScript.Arguments(2) & " line " & i & " " & String(i * 37 Mod 500 + 1, "0") & vbLf
    tries = 0
    Do
      answer = s.AppendToFile(target, "utf-8")
      tries = tries + 1
    Loop While answer <> 1 And tries < 200
    If answer <> 1 Then
      WScript.Echo "FAIL line " & i & " not appended after " & tries & " tries"
      failures = failures + 1
    End If
  Next
ElseIf mode = "savefail" Then
  s.Append String(200000, "n")
  answer = s.SaveToFile(target, "utf-8")
  If answer <> 0 Then
    WScript.Echo "FAIL SaveToFile past the file-size limit answered " & answer
    failures = failures + 1
  End If
Else
  WScript.Echo "FAIL unknown mode " & mode
  failures = failures + 1
End If
WScript.Echo "DONE failures=" & failures
WScript.Quit failures
