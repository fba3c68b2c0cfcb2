' While the module is registered for this script host's bitness: CreateObject succeeds and the
' object works (run by the Wine stage after the other bitness's module has been unregistered).
Option Explicit
Dim s, n, d, failures
failures = 0
On Error Resume Next
Set s = CreateObject("VkString.VkString")
n = Err.Number
d = Err.Description
Err.Clear
If n <> 0 Then
  WScript.Echo "FAIL CreateObject(""VkString.VkString""): &H" & Hex(n) & " " & d
  WScript.Echo "DONE failures=1"
  WScript.Quit 1
End If
s.Append "VkString"
s.Append " twice"
s.Prepend ">"
If Err.Number <> 0 Then
  WScript.Echo "FAIL calling the object: &H" & Hex(Err.Number) & " " & Err.Description
  failures = failures + 1
  Err.Clear
End If
On Error GoTo 0
If s.Str <> ">VkString twice" Then
  WScript.Echo "FAIL Str is '" & s.Str & "'"
  failures = failures + 1
End If
If s.Length <> 15 Then
  WScript.Echo "FAIL Length is " & s.Length & ", expected 15"
  failures = failures + 1
End If
WScript.Echo "DONE failures=" & failures
WScript.Quit failures
