' The catalog's modules and folders as a VBScript client sees them, configured through the
' application-services stand-in: order and duplicate keys over two folders, gallery modules,
' packages rewritten on disk, a text file named like a package, AutoRefresh, two catalogs,
' module objects that outlive the last catalog, and the search-path edits of the folders.
' Arguments: the folder of the catalog fixture packages, msmbuild.exe, the descriptions folder.

Const CatalogProgId = "QvLiteModCat.MMCatalog"
Const AlphaKey = "Qv.Alpha.1A2B3C4D_0000_4000_8000_000000000001:1033"
Const BetaKey = "Qv.Beta.1A2B3C4D_0000_4000_8000_000000000002:0"
Const SharedKey = "Qv.Shared.1A2B3C4D_0000_4000_8000_000000000003:0"
Const RewriteKey = "Qv.Rewrite.1A2B3C4D_0000_4000_8000_000000000004:0"
Const GammaKey = "Qv.Gamma.1A2B3C4D_0000_4000_8000_000000000005:0"
Const GalleryKey = "Qv.GalleryOnly:1031"

Dim packages : packages = WScript.Arguments(0)

' The keys of a module collection in enumeration order, each followed by ";".
Function KeysOf(modules)
  Dim module
  KeysOf = ""
  For Each module In modules
    KeysOf = KeysOf & module.Key & ";"
  Next
End Function

Dim root : root = FreshFolder("qv-catalog-vbs")
Dim mods1 : mods1 = root & "\Mods1"
Dim mods2 : mods2 = root & "\Mods2"
Dim indexed : indexed = root & "\Indexed"
Dim gallery : gallery = root & "\product\ObjectGallery\"
Dim folder
For Each folder In Array(mods1, mods2, root & "\Mods3", indexed, root & "\staging", _
                         root & "\product", gallery)
  fso.CreateFolder folder
Next
fso.CopyFile packages & "\alpha.msm", mods1 & "\alpha.msm"
fso.CopyFile packages & "\shared_first.msm", mods1 & "\shared.msm"
fso.CopyFile packages & "\rewrite_v1.msm", mods1 & "\rewrite.msm"
fso.CopyFile packages & "\beta.msm", mods2 & "\beta.msm"
fso.CopyFile packages & "\shared_second.msm", mods2 & "\shared.msm"
WriteText gallery & "GalleryOnly.ini", "[MergeModule]" & vbCrLf & "ModuleID=Qv.GalleryOnly" & _
    vbCrLf & "Language=1031" & vbCrLf & "Subject=Offered by the gallery" & vbCrLf
WriteText gallery & "Twin.ini", "[MergeModule]" & vbCrLf & _
    "ModuleID=Qv.Alpha.1A2B3C4D_0000_4000_8000_000000000001" & vbCrLf & "Language=1033" & vbCrLf
WriteText gallery & "NoId.ini", "[MergeModule]" & vbCrLf & "Language=1033" & vbCrLf

' Environment references and a trailing backslash in the list; the second folder named first.
Dim listed : listed = "%TEMP%\qv-catalog-vbs\Mods2,%TEMP%\qv-catalog-vbs\Mods1\"
SetState "SearchPathList", listed
SetState "ModuleFolder0", indexed
SetState "ProductFolder", root & "\product"
For Each folder In Array("ExtraSearchPathList", "ModuleFolder1", "ModulesIniFolder", _
    "FilesIniFolder", "ExcludedFilePatterns", "PreferredLanguage", "FailOperation")
  SetState folder, ""
Next

' --- listing, a text file named like a package ----------------------------------------------
Dim cat : Set cat = CreateObject(CatalogProgId)
Dim other : Set other = CreateObject(CatalogProgId)
Dim mods : Set mods = cat.GetModules()
Dim expected : expected = AlphaKey & ";" & RewriteKey & ";" & SharedKey & ";" & BetaKey & ";"
AssertEqual expected & GalleryKey & ";", KeysOf(mods), "folders, then packages in path order, then the gallery"
AssertEqual "Shared (second folder)", mods.Item(SharedKey).Subject, "a shared key goes to the folder that sorts last"
AssertEqual SharedKey, mods.Item(3).Key, "at the position of the first package with the key"
AssertEqual mods1 & "\alpha.msm", mods.Item(AlphaKey).Path, "a package takes precedence over a descriptor"
AssertEqual "Offered by the gallery", mods.Item(GalleryKey).Subject, "a gallery-only module"
Dim held : other.GetModules held
AssertEqual KeysOf(mods), KeysOf(held), "a second catalog lists the same, into a variable"
fso.CopyFile packages & "\not_a_package.msm", mods2 & "\x.msm"
AssertEqual expected & GalleryKey & ";", KeysOf(cat.GetModules()), "x.msm adds nothing and the refresh goes on"

' --- rewriting a package ------------------------------------------------------------------
Dim built : built = shell.Run("""" & WScript.Arguments(1) & """ """ & WScript.Arguments(2) & _
    "\rewrite_v2.msm.txt"" -o """ & root & "\staging""", 0, True)
AssertTrue built = 0, "msmbuild built the second content"
fso.CopyFile root & "\staging\rewrite_v2.msm", mods1 & "\rewrite.msm", True
Dim kept : Set kept = cat.GetModules().Item(RewriteKey)
AssertEqual "Rewrite v2", kept.Subject, "a newer package is read again"
' The older content goes back with its older time: not read again.
fso.CopyFile packages & "\rewrite_v1.msm", mods1 & "\rewrite.msm", True
AssertEqual "Rewrite v2", cat.GetModules().Item(RewriteKey).Subject, "an older package is not read again"

' --- AutoRefresh and the second catalog -----------------------------------------------------
cat.AutoRefresh = False
fso.CopyFile packages & "\gamma.msm", mods2 & "\gamma.msm"
AssertEqual expected & GalleryKey & ";", KeysOf(cat.GetModules()), "AutoRefresh off freezes the collection"
cat.AutoRefresh = True
expected = expected & GammaKey & ";" & GalleryKey & ";"
AssertEqual expected, KeysOf(cat.GetModules()), "AutoRefresh on: the new package"
' The refresh marked the second catalog dirty: it rebuilds though its own refresh finds nothing.
AssertEqual expected, KeysOf(other.GetModules()), "the second catalog rebuilds"

' --- the last catalog goes: the store is emptied, module objects stay ------------------------
Set mods = Nothing
Set held = Nothing
Set cat = Nothing
Set other = Nothing
AssertEqual "Rewrite v2", kept.Subject, "a module object answers after its catalog went"
AssertEqual CLng(0), kept.Files.Count, "and reads its files"
Set cat = CreateObject(CatalogProgId)
AssertEqual "Rewrite v1", cat.GetModules().Item(RewriteKey).Subject, "a new catalog rescans every folder"

' --- the folders --------------------------------------------------------------------------
Dim folders : Set folders = cat.GetModuleFolders()
AssertEqual CLng(3), folders.Count, "two listed folders and an indexed one"
AssertEqual 1, folders.Item(1).Kind, "the store's order: the indexed folder first"
AssertEqual mods1 & "\", folders.Item("2").Path, "the expanded entry keeps its backslash"
AssertEqual CLng(3), folders.Item(3).Modules.Count, "Mods2's modules (x.msm is none)"
On Error Resume Next
Set folder = folders.Item(4)
AssertError &H80070057, "QvLiteModCat.MMCatalog.1", _
    "The folder collection has no folder with this index or key.", "a missing folder"
On Error Goto 0

folders.AddFolder root & "\Mods3"
Dim withMods3 : withMods3 = listed & "," & LCase(root) & "\mods3\"
AssertEqual withMods3, shell.RegRead(StateKey & "SearchPathList"), "AddFolder appends the folder in lower case"
folders.AddFolder UCase(root) & "\MODS3\"
folders.AddFolder "%TEMP%\qv-catalog-vbs\mods2\"
folders.AddFolder mods1
AssertEqual withMods3, shell.RegRead(StateKey & "SearchPathList"), "folders already listed are not added again"
AssertEqual CLng(0), folders.RemoveFolder(1), "RemoveFolder of the indexed folder"
AssertEqual withMods3, shell.RegRead(StateKey & "SearchPathList"), "an indexed folder leaves the list alone"
AssertEqual indexed, shell.RegRead(StateKey & "ModuleFolder0"), "and the indexed list too"
folders.RemoveFolder 1
AssertEqual LCase(mods2 & "," & root & "\mods3\"), shell.RegRead(StateKey & "SearchPathList"), _
    "RemoveFolder writes the expanded entries back in lower case"
AssertEqual mods2, folders.Item(1).Path, "the later folder moved down"

Set folders = Nothing
Set cat = Nothing
Set kept = Nothing
fso.DeleteFolder root, True
Finish
