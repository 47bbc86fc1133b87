' Assertions for VBScript test scripts.  The test runner (run-script.sh) puts this file in
' front of the script, so the script starts with its own statements and ends with Finish,
' which prints "<N> passed, <M> failed" and exits with 1 after any failure.  Every failed
' check prints what was checked, what was expected and what came.
Option Explicit

Dim QvPassed, QvFailed
QvPassed = 0
QvFailed = 0

Function QvShow(value)
  If IsObject(value) Then
    If value Is Nothing Then QvShow = "Nothing" Else QvShow = "<" & TypeName(value) & ">"
  ElseIf IsNull(value) Then
    QvShow = "Null"
  ElseIf IsEmpty(value) Then
    QvShow = "Empty"
  Else
    QvShow = """" & CStr(value) & """ (" & TypeName(value) & ")"
  End If
End Function

Sub QvRecord(ok, what, detail)
  If ok Then
    QvPassed = QvPassed + 1
  Else
    QvFailed = QvFailed + 1
    WScript.Echo "FAILED: " & what & detail
  End If
End Sub

' Equal values of the same subtype (texts compare exactly).
Sub AssertEqual(expected, actual, what)
  Dim ok
  ok = (VarType(expected) = VarType(actual))
  If ok Then ok = (expected = actual)
  QvRecord ok, what, ": expected " & QvShow(expected) & ", got " & QvShow(actual)
End Sub

Sub AssertTrue(condition, what)
  QvRecord CBool(condition), what, ""
End Sub

' Checks the error left by the statement before, run under On Error Resume Next, and clears
' it.  An expected number of 0 means no error.
Sub AssertError(number, source, description, what)
  Dim ok
  ok = (Err.Number = number)
  If ok And number <> 0 Then ok = (Err.Source = source) And (Err.Description = description)
  QvRecord ok, what, ": expected error " & Hex(number) & " from """ & source & """ """ & _
      description & """, got " & Hex(Err.Number) & " from """ & Err.Source & """ """ & _
      Err.Description & """"
  Err.Clear
End Sub

Sub Finish()
  WScript.Echo QvPassed & " passed, " & QvFailed & " failed"
  If QvFailed > 0 Then WScript.Quit 1
  WScript.Quit 0
End Sub
