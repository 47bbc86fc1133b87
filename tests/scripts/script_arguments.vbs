' The script argument rule from VBScript, on the registered test class with the catalog's
' interface (QvTest.ScriptProbe) and the folder item's (QvTest.FolderItemProbe):
' variables receive out values, values and missing arguments are accepted, and an out value
' the caller does not receive becomes the call's result.

Dim cat : Set cat = CreateObject("QvTest.ScriptProbe")
Dim serial : serial = cat.Reserved3

' Plain members: retval results and in values from variables.
Dim a, b : a = 2 : b = 40
AssertEqual CLng(42), cat.Reserved1(a, b), "two inputs from variables, the retval as result"
AssertEqual CLng(14), cat.Reserved2(7), "an input literal"
cat.AutoRefresh = False
AssertEqual CLng(0), cat.Reserved7, "a property put"
cat.Reserved9 100
AssertEqual CLng(101), cat.Reserved8(1), "a method without result"

' [in, out] IUnknown**: a variable receives the object; its previous object goes in.
Dim modules
cat.GetModules modules
AssertTrue IsObject(modules), "GetModules fills a variable"
Dim first : first = modules.Reserved3
AssertTrue first > serial, "a new object came back"
cat.GetModules modules
AssertEqual first * 100, modules.Reserved3, "the variable's object went in"
Dim folders
Call cat.GetModuleFolders(folders)
AssertTrue IsObject(folders), "GetModuleFolders with Call"

' The same member as a function: the out value becomes the result.
Dim result
Set result = cat.GetModules()
AssertTrue IsObject(result), "no argument: the object is the result"
Set result = cat.GetModules(Nothing)
AssertTrue IsObject(result), "Nothing by value: the object is the result"
Set result = cat.GetModules((modules))
AssertEqual modules.Reserved3 * 100, result.Reserved3, "an object by value goes in"
Dim unchanged : Set unchanged = modules
result = Empty
result = cat.GetModules(modules)
AssertTrue IsEmpty(result), "a variable received the value: no result"
AssertTrue Not (modules Is unchanged), "the variable was replaced"

' FindModuleForFile: module in a variable, found as result.
Dim module, found
found = cat.FindModuleForFile("[SystemFolder]viewer.dll", "1.0", "1033", module)
AssertEqual CLng(-1), found, "found is the result"
AssertTrue IsObject(module), "the module variable received the object"
Dim kept : Set kept = module
found = cat.FindModuleForFile("none", "", "", module)
AssertEqual CLng(0), found, "nothing found"
AssertTrue IsEmpty(module) Or IsNull(module) Or (IsObject(module) And (module Is Nothing)), _
    "an out parameter starts empty: nothing found leaves no object"
Dim foundVariable
cat.FindModuleForFileInFolder "x.dll", "", "", module, foundVariable
AssertEqual CLng(-1), foundVariable, "both out values in variables"
AssertTrue IsObject(module), "and the module"
Set result = cat.FindModuleForFile("x.dll", "", "")
AssertTrue IsObject(result), "module not received: it is the result"

' Other retvals.
AssertEqual "a.dll:key", cat.GetModuleKeyForFile("a.dll"), "a text result"
AssertEqual "Name of k:0", cat.GetModuleDisplayName("k:0"), "another text result"
AssertTrue IsObject(cat.GetModule("k:0", "1033")), "an object result"
AssertEqual True, cat.SupportsProject(cat), "an object input"
On Error Resume Next
Set result = cat.GetModule("nokey", "")
AssertEqual &H80004005, Err.Number, "a failure stays a failure"
Err.Clear
On Error Goto 0

' Property puts that take their value by reference.
Dim item : Set item = CreateObject("QvTest.FolderItemProbe")
item.Name = "literal name"
AssertEqual "literal name", item.Name, "put of a literal"
Dim text : text = "variable folder"
item.Folder = text
AssertEqual "variable folder", item.Folder, "put of a variable"
item.Kind = 1
AssertEqual 1, item.Kind, "put of a number"
AssertTrue IsObject(item.Modules), "an object property"

Finish
