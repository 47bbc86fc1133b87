' What the catalog scripts share: the settings the environment's stand-ins read (registry
' values under StateKey) and a scratch folder of their own.  run-script.sh puts this file in
' front of every VBScript test, after the assertions.
Const StateKey = "HKCU\Software\Quorvane\Showloom\StandIn\"
Dim shell : Set shell = CreateObject("WScript.Shell")
Dim fso : Set fso = CreateObject("Scripting.FileSystemObject")

Sub SetState(name, value)
  shell.RegWrite StateKey & name, value, "REG_SZ"
End Sub

Sub SetNumber(name, value)
  shell.RegWrite StateKey & name, value, "REG_DWORD"
End Sub

Sub WriteText(path, text)
  Dim stream : Set stream = fso.CreateTextFile(path, True)
  stream.Write text
  stream.Close
End Sub

' An empty folder of this name under %TEMP% (Wine's ExpandEnvironmentStrings hands back the
' terminating null character too).
Function FreshFolder(name)
  FreshFolder = Replace(shell.ExpandEnvironmentStrings("%TEMP%"), Chr(0), "") & "\" & name
  If fso.FolderExists(FreshFolder) Then fso.DeleteFolder FreshFolder, True
  fso.CreateFolder FreshFolder
End Function
