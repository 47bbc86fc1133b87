' The catalog's modules and folders as a VBScript client sees them: two folders of generated
' packages and a gallery, configured through the application-services stand-in; order and
' duplicate keys, gallery modules, packages rewritten on disk, a text file named like a
' package, AutoRefresh, two catalogs in one process, the store emptied with the last catalog,
' module objects that outlive it, and the search-path edits of the folder collection.
' Arguments: the folder of the catalog fixture packages, msmbuild.exe, the descriptions folder.

Const CatalogProgId = "QvLiteModCat.MMCatalog"
Const ReportedSource = "QvLiteModCat.MMCatalog.1"
Const InvalidArg = &H80070057
Const StateKey = "HKCU\Software\Quorvane\Showloom\StandIn\"

Const AlphaKey = "Qv.Alpha.1A2B3C4D_0000_4000_8000_000000000001:1033"
Const BetaKey = "Qv.Beta.1A2B3C4D_0000_4000_8000_000000000002:0"
Const SharedKey = "Qv.Shared.1A2B3C4D_0000_4000_8000_000000000003:0"
Const RewriteKey = "Qv.Rewrite.1A2B3C4D_0000_4000_8000_000000000004:0"
Const GammaKey = "Qv.Gamma.1A2B3C4D_0000_4000_8000_000000000005:0"
Const GalleryKey = "Qv.GalleryOnly:1031"

Dim packages : packages = WScript.Arguments(0)
Dim msmbuild : msmbuild = WScript.Arguments(1)
Dim descriptions : descriptions = WScript.Arguments(2)
Dim shell : Set shell = CreateObject("WScript.Shell")
Dim fso : Set fso = CreateObject("Scripting.FileSystemObject")

Sub SetState(name, value)
  shell.RegWrite StateKey & name, value, "REG_SZ"
End Sub

Function StateText(name)
  StateText = shell.RegRead(StateKey & name)
End Function

Sub WriteText(path, text)
  Dim stream : Set stream = fso.CreateTextFile(path, True)
  stream.Write text
  stream.Close
End Sub

' The keys of a module collection in enumeration order, joined by " | ".
Function KeysOf(modules)
  Dim module, keys
  keys = ""
  For Each module In modules
    If keys <> "" Then keys = keys & " | "
    keys = keys & module.Key
  Next
  KeysOf = keys
End Function

' (Wine's VBScript has no Join.)
Function Joined(list)
  Dim text, i
  text = ""
  For i = 0 To UBound(list)
    If i > 0 Then text = text & " | "
    text = text & list(i)
  Next
  Joined = text
End Function

' --- a fresh tree and settings ----------------------------------------------------------------
' Wine's ExpandEnvironmentStrings hands back the terminating null character too.
Dim temp : temp = Replace(shell.ExpandEnvironmentStrings("%TEMP%"), Chr(0), "")
Dim root : root = temp & "\qv-catalog-vbs"
If fso.FolderExists(root) Then fso.DeleteFolder root, True
fso.CreateFolder root
Dim mods1 : mods1 = root & "\Mods1"
Dim mods2 : mods2 = root & "\Mods2"
Dim mods3 : mods3 = root & "\Mods3"
Dim indexed : indexed = root & "\Indexed"
Dim staging : staging = root & "\staging"
Dim folder
For Each folder In Array(mods1, mods2, mods3, indexed, staging, root & "\product", _
                         root & "\product\ObjectGallery")
  fso.CreateFolder folder
Next
fso.CopyFile packages & "\alpha.msm", mods1 & "\alpha.msm"
fso.CopyFile packages & "\shared_first.msm", mods1 & "\shared.msm"
fso.CopyFile packages & "\rewrite_v1.msm", mods1 & "\rewrite.msm"
fso.CopyFile packages & "\beta.msm", mods2 & "\beta.msm"
fso.CopyFile packages & "\shared_second.msm", mods2 & "\shared.msm"
Dim gallery : gallery = root & "\product\ObjectGallery\"
WriteText gallery & "GalleryOnly.ini", "[MergeModule]" & vbCrLf & "ModuleID=Qv.GalleryOnly" & _
    vbCrLf & "Language=1031" & vbCrLf & "Subject=Offered by the gallery" & vbCrLf
WriteText gallery & "Twin.ini", "[MergeModule]" & vbCrLf & _
    "ModuleID=Qv.Alpha.1A2B3C4D_0000_4000_8000_000000000001" & vbCrLf & "Language=1033" & vbCrLf
WriteText gallery & "NoId.ini", "[MergeModule]" & vbCrLf & "Language=1033" & vbCrLf

' Environment references and a trailing backslash in the list; the second folder named first.
Dim listed : listed = "%TEMP%\qv-catalog-vbs\Mods2,%TEMP%\qv-catalog-vbs\Mods1\"
SetState "SearchPathList", listed
SetState "ExtraSearchPathList", ""
SetState "ModuleFolder0", indexed
SetState "ModuleFolder1", ""
SetState "ProductFolder", root & "\product"
SetState "ModulesIniFolder", root
SetState "FilesIniFolder", root
SetState "ExcludedFilePatterns", ""
SetState "PreferredLanguage", ""
SetState "FailOperation", ""

' --- listing ----------------------------------------------------------------------------------
Dim cat : Set cat = CreateObject(CatalogProgId)
Dim other : Set other = CreateObject(CatalogProgId)
Dim mods : Set mods = cat.GetModules()
Dim expected : expected = Joined(Array(AlphaKey, RewriteKey, SharedKey, BetaKey, GalleryKey))
AssertEqual expected, KeysOf(mods), "folders in path order, packages in path order, then the gallery"
AssertEqual CLng(5), mods.Count, "Count"
AssertEqual "Shared (second folder)", mods.Item(SharedKey).Subject, _
    "a shared key goes to the folder that sorts last"
AssertEqual mods2 & "\shared.msm", mods.Item(SharedKey).Path, "the winner's package"
AssertEqual SharedKey, mods.Item(3).Key, "at the position of the first package with the key"
AssertEqual mods1 & "\alpha.msm", mods.Item(AlphaKey).Path, "a package takes precedence over a descriptor"
AssertEqual "Offered by the gallery", mods.Item(GalleryKey).Subject, "a gallery-only module"
AssertTrue mods.Item("Qv.Nothing:0") Is Nothing, "a missing key gives Nothing"
AssertEqual expected, KeysOf(other.GetModules()), "a second catalog lists the same"
Dim held : cat.GetModules held
AssertEqual expected, KeysOf(held), "GetModules fills a variable"

' --- a text file named like a package -----------------------------------------------------------
fso.CopyFile packages & "\not_a_package.msm", mods2 & "\x.msm"
AssertEqual expected, KeysOf(cat.GetModules()), "x.msm adds nothing and the refresh goes on"

' --- rewriting a package --------------------------------------------------------------------------
AssertEqual "Rewrite v1", cat.GetModules().Item(RewriteKey).Subject, "the first content"
Dim built : built = shell.Run("""" & msmbuild & """ """ & descriptions & "\rewrite_v2.msm.txt"" -o """ & staging & """", 0, True)
AssertTrue built = 0, "msmbuild built the second content"
fso.CopyFile staging & "\rewrite_v2.msm", mods1 & "\rewrite.msm", True
Dim kept : Set kept = cat.GetModules().Item(RewriteKey)
AssertEqual "Rewrite v2", kept.Subject, "a newer package is read again"
Dim keptFiles : keptFiles = kept.Files.Count
' The older content goes back with its older time: not read again.
fso.CopyFile packages & "\rewrite_v1.msm", mods1 & "\rewrite.msm", True
AssertEqual "Rewrite v2", cat.GetModules().Item(RewriteKey).Subject, "an older package is not read again"
AssertEqual "Rewrite v2", other.GetModules().Item(RewriteKey).Subject, "nor by the other catalog"

' --- AutoRefresh and the second catalog -----------------------------------------------------------
cat.AutoRefresh = False
fso.CopyFile packages & "\gamma.msm", mods2 & "\gamma.msm"
AssertEqual expected, KeysOf(cat.GetModules()), "AutoRefresh off freezes the collection"
cat.AutoRefresh = True
Dim withGamma : withGamma = Joined(Array(AlphaKey, RewriteKey, SharedKey, BetaKey, GammaKey, GalleryKey))
AssertEqual withGamma, KeysOf(cat.GetModules()), "AutoRefresh on: the new package"
' The first catalog's refresh marked the second one dirty: it rebuilds although its own
' refresh finds nothing new.
AssertEqual withGamma, KeysOf(other.GetModules()), "the second catalog rebuilds"
AssertEqual expected, KeysOf(mods), "a collection handed out earlier stays as it was"

' --- the last catalog goes: the store is emptied, module objects stay ----------------------------
Set mods = Nothing
Set held = Nothing
Set cat = Nothing
Set other = Nothing
AssertEqual RewriteKey, kept.Key, "a module object answers after its catalog went"
AssertEqual "Rewrite v2", kept.Subject, "with the record it was given"
AssertEqual keptFiles, kept.Files.Count, "and the file list it had read"
Set cat = CreateObject(CatalogProgId)
AssertEqual "Rewrite v1", cat.GetModules().Item(RewriteKey).Subject, "a new catalog rescans every folder"

' --- the folders ------------------------------------------------------------------------------------
Dim folders : Set folders = cat.GetModuleFolders()
AssertEqual CLng(3), folders.Count, "two listed folders and an indexed one"
AssertEqual indexed, folders.Item(1).Path, "the store's order"
AssertEqual 1, folders.Item(1).Kind, "an indexed folder"
AssertEqual mods1 & "\", folders.Item(2).Path, "the expanded entry keeps its backslash"
AssertEqual 0, folders.Item(2).Kind, "a search-path folder"
AssertEqual folders.Item(2).Path, folders.Item("2").Path, "a position and its key text"
AssertEqual CLng(3), folders.Item(3).Modules.Count, "Mods2's modules (x.msm is none)"
Dim item, paths : paths = ""
For Each item In folders
  paths = paths & item.Name & ";"
Next
AssertEqual indexed & ";" & mods1 & "\;" & mods2 & ";", paths, "For Each over the folders"
On Error Resume Next
Set item = folders.Item(4)
AssertError InvalidArg, ReportedSource, "The folder collection has no folder with this index or key.", _
    "a missing folder is an error"
On Error Goto 0

folders.AddFolder mods3
Dim withMods3 : withMods3 = listed & "," & LCase(mods3) & "\"
AssertEqual withMods3, StateText("SearchPathList"), "AddFolder appends the folder in lower case"
folders.AddFolder UCase(mods3) & "\"
folders.AddFolder "%TEMP%\qv-catalog-vbs\mods2\"
folders.AddFolder mods1
AssertEqual withMods3, StateText("SearchPathList"), "folders already listed are not added again"

AssertEqual CLng(0), folders.RemoveFolder(1), "RemoveFolder of the indexed folder"
AssertEqual withMods3, StateText("SearchPathList"), "an indexed folder leaves the list alone"
AssertEqual indexed, StateText("ModuleFolder0"), "and the indexed list too"
AssertEqual CLng(2), folders.Count, "the item is gone"
folders.RemoveFolder 1
AssertEqual LCase(mods2) & "," & LCase(mods3) & "\", StateText("SearchPathList"), _
    "RemoveFolder writes the expanded entries back in lower case"
AssertEqual mods2, folders.Item(1).Path, "the later folder moved down"
folders.RemoveFolder 0
AssertEqual CLng(1), folders.Count, "RemoveFolder 0 removes nothing"

Set folders = Nothing
Set cat = Nothing
Set kept = Nothing
fso.DeleteFolder root, True
Finish
