' After DllUnregisterServer: the ProgID no longer resolves, so CreateObject must fail.
Option Explicit
Dim s, n, d
On Error Resume Next
Set s = CreateObject("VkString.VkString")
n = Err.Number
d = Err.Description
Err.Clear
On Error GoTo 0
If n = 0 Then
  WScript.Echo "FAIL CreateObject(""VkString.VkString"") still creates an object after unregistration"
  WScript.Echo "DONE failures=1"
  WScript.Quit 1
End If
WScript.Echo "CreateObject fails as expected: &H" & Hex(n) & " " & d
WScript.Echo "DONE failures=0"
WScript.Quit 0
