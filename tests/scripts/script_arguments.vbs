' The script argument rule from VBScript, on registered test classes with the catalog's
' interface (QvTest.ScriptProbe) and the folder item's (QvTest.FolderItemProbe): variables
' receive out values, values and missing arguments are accepted, and an out value the caller
' does not receive becomes the call's result.

Dim cat : Set cat = CreateObject("QvTest.ScriptProbe")
Dim a, b : a = 2 : b = 40
AssertEqual CLng(42), cat.Reserved1(a, b), "inputs from variables, the retval as result"

' [in, out] IUnknown**: a variable receives the object, and its previous object goes in.
Dim modules, first, result
cat.GetModules modules
AssertTrue IsObject(modules), "GetModules fills a variable"
first = modules.Reserved3
Call cat.GetModules(modules)
AssertEqual first * 100, modules.Reserved3, "the variable's object went in"
Set result = cat.GetModules()
AssertTrue IsObject(result), "no argument: the object is the result"
Set result = cat.GetModules(Nothing)
AssertTrue IsObject(result), "Nothing by value: the object is the result"
Set result = cat.GetModules((modules))
AssertEqual modules.Reserved3 * 100, result.Reserved3, "an object by value goes in"
result = Empty
result = cat.GetModules(modules)
AssertTrue IsEmpty(result), "a variable received the value: no result"

' FindModuleForFile: the module in a variable, found as the result.
Dim module, found
found = cat.FindModuleForFile("[SystemFolder]viewer.dll", "1.0", "1033", module)
AssertEqual CLng(-1), found, "found is the result"
AssertTrue IsObject(module), "the module variable received the object"
AssertEqual CLng(0), cat.FindModuleForFile("none", "", "", module), "nothing found"
cat.FindModuleForFileInFolder "x.dll", "", "", module, found
AssertTrue found = -1 And IsObject(module), "both out values in variables"
Set result = cat.FindModuleForFile("x.dll", "", "")
AssertTrue IsObject(result), "the module not received: it is the result"
On Error Resume Next
Set result = cat.GetModule("nokey", "")
AssertEqual &H80004005, Err.Number, "a failure stays a failure"
On Error Goto 0

' Property puts that take their value by reference.
Dim item : Set item = CreateObject("QvTest.FolderItemProbe")
item.Name = "literal name"
AssertEqual "literal name", item.Name, "put of a literal"
Dim text : text = "variable folder"
item.Folder = text
AssertEqual "variable folder", item.Folder, "put of a variable"

Finish
