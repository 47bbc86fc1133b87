// Shows that the registered component loads: its file version and description.
var dll = WScript.Arguments(0);
var fso = new ActiveXObject("Scripting.FileSystemObject");
WScript.Echo("QvModCat2.dll registered: " + dll);
WScript.Echo("File version: " + fso.GetFileVersion(dll));
