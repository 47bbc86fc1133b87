' MergeModule2 from VBScript: creation by ProgID, Load of generated packages, its properties
' and collections as a script sees them (For Each, Item by position, text and variable, the
' value types), and the errors of Load and of a module object without a module.  What each
' field holds is compared with msitools by the installer tests.
' Argument: the folder of the server fixture packages.

Const ProgId = "QvModCat.MergeModule2.1"
Const NoModule = "The module object has no module; call Load first."
Dim packages : packages = WScript.Arguments(0)

Dim m, value, name, expected
Set m = CreateObject("QvModCat.MergeModule2")
AssertEqual "IMergeModule2", TypeName(CreateObject(ProgId)), "the versioned ProgID"
On Error Resume Next
value = m.Name
AssertError &H8000FFFF, ProgId, NoModule, "Name before Load"
Set value = m.Files
AssertError &H8000FFFF, ProgId, NoModule, "Files before Load"

' Load errors carry the installer's own text (its code does not reach a script intact).
Dim installer : Set installer = CreateObject("WindowsInstaller.Installer")
For Each name In Array("missing.msm", "not_a_package.msm")
  installer.OpenDatabase packages & "\" & name, 0
  expected = Err.Description
  Err.Clear
  m.Load packages & "\" & name
  AssertTrue Err.Number <> 0 And expected <> "", "Load " & name & " fails"
  AssertEqual ProgId, Err.Source, "Load " & name & ": source"
  AssertEqual expected, Err.Description, "Load " & name & ": the installer's text"
  Err.Clear
Next
On Error Goto 0
AssertEqual packages & "\not_a_package.msm|:0", m.Path & "|" & m.Key, _
    "a failed Load leaves the module it began to read"

m.Load packages & "\full_module.msm"
Const Scriptable = "Qv.Scriptable.5A1B2C3D_4E5F_4061_8273_9A8B7C6D5E4F"
AssertEqual "{5A1B2C3D-4E5F-4061-8273-9A8B7C6D5E4F}|" & Scriptable & "|" & Scriptable & _
    ":1033|" & packages & "\full_module.msm|Module used by the automation tests|" & _
    "Scriptable Module|Quorvane Test Authors|4.3.2.1|Scriptable Module", _
    m.Name & "|" & m.ModuleID & "|" & m.Key & "|" & m.Path & "|" & m.Comments & "|" & _
    m.Subject & "|" & m.Author & "|" & m.Version & "|" & m.DisplayName, _
    "text properties (DisplayName is the Subject)"
AssertEqual CLng(1033), m.Language, "Language"
AssertEqual True, m.IsInstalled, "IsInstalled"
AssertEqual False, m.NeedsDownload, "NeedsDownload"

' One property of an item by name (Wine's VBScript has no Eval).
Function Prop(item, name)
  Select Case name
    Case "Key" : Prop = item.Key
    Case "Language" : Prop = item.Language
    Case "Name" : Prop = item.Name
    Case "File" : Prop = item.File
    Case "FileSize" : Prop = item.FileSize
    Case "FileName" : Prop = item.FileName
  End Select
End Function

' The items' values through For Each, joined as "[a][b]", after checking Count and that the
' default member is Item (what Item takes as an index is the detail collection tests').
Function Walk(collection, name, count)
  Dim item, i
  Walk = ""
  AssertEqual CLng(count), collection.Count, name & ": Count"
  For Each item In collection
    Walk = Walk & "[" & Prop(item, name) & "]"
  Next
  For i = 1 To collection.Count
    AssertEqual Prop(collection(i), name), Prop(collection.Item(i), name), name & ": default " & i
  Next
End Function

Const Alpha = "Qv.Alpha.00000000_0000_0000_0000_000000000001"
Const Mike = "Qv.Mike.00000000_0000_0000_0000_000000000002"
Const Zulu = "Qv.Zulu.00000000_0000_0000_0000_000000000003"
Dim deps : Set deps = m.Dependencies
AssertEqual "[" & Alpha & ":0][" & Mike & ":1033][" & Zulu & ":1031]", Walk(deps, "Key", 3), _
    "dependencies in ascending key order"
AssertEqual vbLong, VarType(deps(2).Language), "dependency Language is a number"
Dim position : position = 2
AssertEqual Mike & ":1033", deps(position).Key, "an index in a variable (by reference)"

Dim exclusions : Set exclusions = m.Exclusions
AssertEqual "[Qv.Beta.00000000_0000_0000_0000_000000000008:-1]" & _
    "[Qv.Old.00000000_0000_0000_0000_000000000009:1033]", Walk(exclusions, "Key", 2), "exclusion Key"
AssertEqual "[-1][1033]", Walk(exclusions, "Language", 2), "exclusion Language"
AssertEqual vbString, VarType(exclusions(1).Language), "exclusion Language is text"

AssertEqual "[SetupDialog][AboutDialog][ZoomDialog]", Walk(m.Dialogs, "Name", 3), "Dialogs"
AssertEqual "[RegisterThing][Set?Folder]", Walk(m.CustomActions, "Name", 2), _
    "CustomActions (names pass through the ANSI code page)"

Dim files : Set files = m.Files
AssertEqual "[alpha.txt][thing.dll][thing.ini]", Walk(files, "File", 3), "File (key order)"
AssertEqual "[10][65536][300]", Walk(files, "FileSize", 3), "FileSize"
AssertEqual vbLong, VarType(files(1).FileSize), "FileSize is a number"
AssertEqual "[alpha.txt][THING~1.DLL|thing.dll][thing.ini]", Walk(files, "FileName", 3), "FileName"
' The descriptor named by the package code is missing: a collection or our error.
On Error Resume Next
value = m.DownloadFiles.Count
AssertTrue Err.Number = 0 Or Err.Source = ProgId, "DownloadFiles without descriptor"
Err.Clear
On Error Goto 0

' A module without details, loaded into the same object.
m.Load packages & "\bare_module.msm"
AssertEqual "Qv.Bare.6B2C3D4E_5F60_4172_8394_AB9C8D7E6F50:0||", m.Key & "|" & m.Name & "|" & _
    m.Subject, "Load replaces the module; no package code, no Subject"
AssertEqual m.Path, m.DisplayName, "DisplayName without Subject is the path"
Dim list
For Each list In Array(m.Dialogs, m.CustomActions, m.Dependencies, m.Exclusions, m.Files)
  AssertEqual "", Walk(list, "Name", 0), TypeName(list) & " of a bare module"
Next

Finish
