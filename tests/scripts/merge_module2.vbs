' MergeModule2 from VBScript: creation by ProgID, Load of generated packages, every property
' and every collection, and the errors of Load and of a module object without a module.
' Argument: the folder of the server fixture packages.

Const ProgId = "QvModCat.MergeModule2.1"
Const InvalidArg = &H80070057
Const Unexpected = &H8000FFFF
Dim packages : packages = WScript.Arguments(0)

' What the installer itself says when it is asked to open a package.
Sub InstallerOpenError(path, number, description)
  Dim installer : Set installer = CreateObject("WindowsInstaller.Installer")
  On Error Resume Next
  Dim database : Set database = installer.OpenDatabase(path, 0)
  number = Err.Number
  description = Err.Description
  Err.Clear
End Sub

' --- without a module ---------------------------------------------------------------------
Dim m, versioned, value
Set m = CreateObject("QvModCat.MergeModule2")
Set versioned = CreateObject(ProgId)
AssertEqual "IMergeModule2", TypeName(versioned), "the versioned ProgID creates the same class"
On Error Resume Next
value = m.Name
AssertError Unexpected, ProgId, "The module object has no module; call Load first.", "Name before Load"
Set value = m.Files
AssertError Unexpected, ProgId, "The module object has no module; call Load first.", "Files before Load"
On Error Goto 0

' --- Load errors carry the installer's text ------------------------------------------------
Dim name, expectedNumber, expectedText
For Each name In Array("missing.msm", "not_a_package.msm")
  InstallerOpenError packages & "\" & name, expectedNumber, expectedText
  AssertTrue expectedText <> "", "the installer refuses " & name
  On Error Resume Next
  m.Load packages & "\" & name
  ' The installer's own code does not reach a script intact; its text does.
  AssertTrue Err.Number <> 0, "Load " & name & " fails"
  AssertEqual ProgId, Err.Source, "Load " & name & ": source"
  AssertEqual expectedText, Err.Description, "Load " & name & ": the installer's text"
  Err.Clear
  value = m.Key
  AssertError Unexpected, ProgId, "The module object has no module; call Load first.", _
      "no module after the failed Load of " & name
  On Error Goto 0
Next

' --- a full module ----------------------------------------------------------------------------
m.Load packages & "\full_module.msm"
AssertEqual "{5A1B2C3D-4E5F-4061-8273-9A8B7C6D5E4F}", m.Name, "Name"
AssertEqual "Qv.Scriptable.5A1B2C3D_4E5F_4061_8273_9A8B7C6D5E4F", m.ModuleID, "ModuleID"
AssertEqual "Qv.Scriptable.5A1B2C3D_4E5F_4061_8273_9A8B7C6D5E4F:1033", m.Key, "Key"
AssertEqual packages & "\full_module.msm", m.Path, "Path"
AssertEqual "Module used by the automation tests", m.Comments, "Comments"
AssertEqual "Scriptable Module", m.Subject, "Subject"
AssertEqual "Quorvane Test Authors", m.Author, "Author"
AssertEqual CLng(1033), m.Language, "Language"
AssertEqual "4.3.2.1", m.Version, "Version"
AssertEqual "Scriptable Module", m.DisplayName, "DisplayName (the Subject)"
AssertEqual True, m.IsInstalled, "IsInstalled"
AssertEqual False, m.NeedsDownload, "NeedsDownload"

' One property of an item by name (Wine's VBScript has no Eval).
Function Prop(item, name)
  Select Case name
    Case "Key" : Prop = item.Key
    Case "ModuleID" : Prop = item.ModuleID
    Case "Version" : Prop = item.Version
    Case "Language" : Prop = item.Language
    Case "MinVersion" : Prop = item.MinVersion
    Case "MaxVersion" : Prop = item.MaxVersion
    Case "Name" : Prop = item.Name
    Case "Directory" : Prop = item.Directory
    Case "File" : Prop = item.File
    Case "FileSize" : Prop = item.FileSize
    Case "FileName" : Prop = item.FileName
    Case "Sequence" : Prop = item.Sequence
  End Select
End Function

' A collection's items through For Each, checked against Item(i), Item("i") and the default
' member for every position up to Count; the property values joined as "[a][b]".
Function Walk(collection, name)
  Dim item, text, i
  text = ""
  For Each item In collection
    text = text & "[" & Prop(item, name) & "]"
  Next
  For i = 1 To collection.Count
    AssertEqual Prop(collection.Item(i), name), Prop(collection.Item(CStr(i)), name), _
        name & ": Item(" & i & ") and Item(""" & i & """)"
    AssertEqual Prop(collection(i), name), Prop(collection.Item(i), name), _
        name & ": default member " & i
  Next
  Walk = text
End Function

Sub AssertItemRange(collection, what)
  Dim item
  On Error Resume Next
  Set item = collection.Item(0)
  AssertEqual InvalidArg, Err.Number, what & ": Item(0)"
  Err.Clear
  Set item = collection.Item(collection.Count + 1)
  AssertEqual InvalidArg, Err.Number, what & ": Item(Count + 1)"
  Err.Clear
  On Error Goto 0
End Sub

Dim deps : Set deps = m.Dependencies
AssertEqual CLng(3), deps.Count, "Dependencies.Count"
AssertEqual "[Qv.Alpha.00000000_0000_0000_0000_000000000001:0]" & _
    "[Qv.Mike.00000000_0000_0000_0000_000000000002:1033]" & _
    "[Qv.Zulu.00000000_0000_0000_0000_000000000003:1031]", Walk(deps, "Key"), _
    "dependencies in ascending key order"
AssertEqual "[Qv.Alpha.00000000_0000_0000_0000_000000000001][Qv.Mike.00000000_0000_0000_0000_000000000002]" & _
    "[Qv.Zulu.00000000_0000_0000_0000_000000000003]", Walk(deps, "ModuleID"), "dependency ModuleID"
AssertEqual "[1.0][2.5][3.0]", Walk(deps, "Version"), "dependency Version"
AssertEqual "[0][1033][1031]", Walk(deps, "Language"), "dependency Language"
AssertEqual vbLong, VarType(deps(2).Language), "dependency Language is a number"
AssertEqual "Qv.Mike.00000000_0000_0000_0000_000000000002:1033", deps.Item(2).Key, "Item(2)"
AssertEqual "Qv.Mike.00000000_0000_0000_0000_000000000002:1033", deps.Item("2").Key, "Item(""2"")"
AssertEqual "Qv.Mike.00000000_0000_0000_0000_000000000002:1033", deps.Item(2.0).Key, "Item(2.0)"
Dim position : position = 2
AssertEqual "Qv.Mike.00000000_0000_0000_0000_000000000002:1033", deps(position).Key, _
    "an index in a variable (by reference)"
AssertEqual "Qv.Zulu.00000000_0000_0000_0000_000000000003:1031", deps(deps.Count).Key, _
    "Item(Count) is the last"
AssertItemRange deps, "Dependencies"

Dim exclusions : Set exclusions = m.Exclusions
AssertEqual CLng(2), exclusions.Count, "Exclusions.Count"
AssertEqual "[Qv.Beta.00000000_0000_0000_0000_000000000008:-1][Qv.Old.00000000_0000_0000_0000_000000000009:1033]", _
    Walk(exclusions, "Key"), "exclusion Key"
AssertEqual "[Qv.Beta.00000000_0000_0000_0000_000000000008][Qv.Old.00000000_0000_0000_0000_000000000009]", _
    Walk(exclusions, "ModuleID"), "exclusion ModuleID"
AssertEqual "[0.9][]", Walk(exclusions, "MinVersion"), "exclusion MinVersion"
AssertEqual "[0.99][1.0]", Walk(exclusions, "MaxVersion"), "exclusion MaxVersion"
AssertEqual "[-1][1033]", Walk(exclusions, "Language"), "exclusion Language"
AssertEqual vbString, VarType(exclusions(1).Language), "exclusion Language is text"
AssertItemRange exclusions, "Exclusions"

AssertEqual "[SetupDialog][AboutDialog][ZoomDialog]", Walk(m.Dialogs, "Name"), "Dialogs"
AssertItemRange m.Dialogs, "Dialogs"
AssertEqual "[RegisterThing][Set?Folder]", Walk(m.CustomActions, "Name"), _
    "CustomActions (names pass through the ANSI code page)"
AssertItemRange m.CustomActions, "CustomActions"

Dim files : Set files = m.Files
AssertEqual CLng(3), files.Count, "Files.Count"
AssertEqual "[ThingFolder][ThingFolder][ThingFolder]", Walk(files, "Directory"), "file Directory"
AssertEqual "[alpha.txt][thing.dll][thing.ini]", Walk(files, "File"), "file File (key order)"
AssertEqual "[10][65536][300]", Walk(files, "FileSize"), "file FileSize"
AssertEqual vbLong, VarType(files(1).FileSize), "file FileSize is a number"
AssertEqual "[alpha.txt][THING~1.DLL|thing.dll][thing.ini]", Walk(files, "FileName"), "file FileName"
AssertEqual "[][4.3.2.1][]", Walk(files, "Version"), "file Version"
AssertEqual "[][1033][0]", Walk(files, "Language"), "file Language"
AssertEqual vbString, VarType(files(2).Language), "file Language is text"
AssertEqual "[1][2][3]", Walk(files, "Sequence"), "file Sequence"
AssertItemRange files, "Files"

' The descriptor named by the package code is missing: DownloadFiles gives a collection or
' an error from the module object.
Dim downloads
On Error Resume Next
Set downloads = m.DownloadFiles
If Err.Number <> 0 Then
  AssertEqual ProgId, Err.Source, "DownloadFiles without descriptor: source"
  AssertTrue Err.Description <> "", "DownloadFiles without descriptor: text"
Else
  AssertEqual CLng(0), downloads.Count, "DownloadFiles without descriptor"
End If
Err.Clear
On Error Goto 0

' --- a module without details, loaded into the same object ---------------------------------
m.Load packages & "\bare_module.msm"
AssertEqual "Qv.Bare.6B2C3D4E_5F60_4172_8394_AB9C8D7E6F50:0", m.Key, "Load replaces the module"
AssertEqual "", m.Name, "Name without a package code"
AssertEqual "", m.Subject, "Subject"
AssertEqual "", m.Author, "Author"
AssertEqual CLng(0), m.Language, "Language"
AssertEqual m.Path, m.DisplayName, "DisplayName without Subject is the path"
Dim list, item, visited
For Each list In Array(m.Dialogs, m.CustomActions, m.Dependencies, m.Exclusions, m.Files)
  AssertEqual CLng(0), list.Count, TypeName(list) & " of a bare module"
  visited = 0
  For Each item In list : visited = visited + 1 : Next
  AssertEqual 0, visited, TypeName(list) & ": For Each over nothing"
Next

Finish
