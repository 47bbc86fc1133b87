' The environment's session from VBScript, on generated packages configured through the
' stand-ins, as a script client sees it: For Each, out values into variables, a found flag
' without a module, and the errors a client sees.  The rules behind each answer are pinned by
' the catalog tests (tests/catalog).  Argument: the folder of the catalog fixture packages.

Const CatalogProgId = "QvLiteModCat.MMCatalog"
Const EditionProgId = "QvLiteModCat.MMCatalogPro"
Const AccessDenied = &H80070005

Const ViewerKey = "Qv.Viewer.1A2B3C4D_0000_4000_8000_000000000006:1033"
Const AppKey = "Qv.ViewerApp.1A2B3C4D_0000_4000_8000_000000000007:0"
Const MultiId = "Qv.Multi.1A2B3C4D_0000_4000_8000_000000000008"

Dim packages : packages = WScript.Arguments(0)

Function KeyOf(module)
  If module Is Nothing Then KeyOf = "Nothing" Else KeyOf = module.Key
End Function

' FindModuleForFile as "<found> <key>".
Function Lookup(catalog, destination, version, language)
  Dim module, found
  Set module = Nothing
  found = catalog.FindModuleForFile(destination, version, language, module)
  Lookup = found & " " & KeyOf(module)
End Function

' --- a fresh tree and settings ----------------------------------------------------------------
Dim root : root = FreshFolder("qv-catalog-session-vbs")
Dim modsFolder : modsFolder = root & "\mods"
fso.CreateFolder modsFolder
fso.CreateFolder root & "\ini"
Dim name
For Each name In Array("viewer_sys", "viewer_app", "lang_de", "lang_en", "lang_9")
  fso.CopyFile packages & "\" & name & ".msm", modsFolder & "\" & name & ".msm"
Next
WriteText root & "\ini\modules.ini", "[modules]" & vbCrLf & ViewerKey & "=Acme Viewer" & vbCrLf
WriteText root & "\ini\FilesToModules.ini", "[FilesToModules]" & vbCrLf & "orphan.dll=0:Qv.Missing" & vbCrLf

' The stand-ins' state: these values alone (an absent value reads as empty or 0).
shell.Run "reg delete """ & Left(StateKey, Len(StateKey) - 1) & """ /f", 0, True
SetState "SearchPathList", modsFolder
SetState "ProductFolder", root & "\product"
SetState "ModulesIniFolder", root & "\ini"
SetState "FilesIniFolder", root & "\ini"
SetNumber "MatchFolder", 1

Dim cat : Set cat = CreateObject(CatalogProgId)
Dim edition : Set edition = CreateObject(EditionProgId)

Dim mods, keys, module
Set mods = cat.GetModules()
keys = ""
For Each module In mods
  keys = keys & module.Key & ";"
Next
AssertEqual MultiId & ":9;" & MultiId & ":1031;" & MultiId & ":1033;" & AppKey & ";" & ViewerKey & ";", _
    keys, "the modules in package path order"

' --- out values into variables, a found flag without a module, errors --------------------------
Dim found : Set module = Nothing
cat.FindModuleForFile "[SystemFolder]viewer.dll", "2.1.0.5", "1033", module, found
AssertEqual CLng(-1), found, "the found flag into a variable"
AssertEqual ViewerKey, KeyOf(module), "and the module"
AssertEqual "-1 Nothing", Lookup(cat, "orphan.dll", "", ""), _
    "listed for a module the catalog lacks: found, without a module"
SetState "ProjectFailOperation", "GetProjectType"
SetNumber "ProjectFailHResult", AccessDenied
Dim project : Set project = CreateObject("QvStandIn.Project")
project.ProjectType = 1
On Error Resume Next
found = edition.SupportsProject(project)
AssertTrue Err.Number = AccessDenied And Err.Source = "QvLiteModCat.MMCatalogPro.1", _
    "a failing project, reported by the edition catalog under its own name"
Err.Clear
On Error Goto 0
SetState "ProjectFailOperation", ""

' --- a package gone before its folder is looked up --------------------------------------------
AssertEqual "-1 " & ViewerKey, Lookup(cat, "[SystemFolder]viewer.dll", "", "1033"), "before"
fso.DeleteFile modsFolder & "\viewer_sys.msm"
Dim ending : ending = "MsiOpenDatabase(" & modsFolder & "\viewer_sys.msm)"
On Error Resume Next
found = Lookup(cat, "[SystemFolder]viewer.dll", "", "1033")
Dim number, source, description
number = Err.Number : source = Err.Source : description = Err.Description
Err.Clear
On Error Goto 0
AssertTrue number <> 0, "the lookup fails"
AssertEqual "QvLiteModCat.MMCatalog.1", source, "reported by the catalog"
AssertEqual ending, Right(description, Len(ending)), "with the installer call that failed"

Set mods = Nothing
Set module = Nothing
Set cat = Nothing
Set edition = Nothing
fso.DeleteFolder root, True
Finish
