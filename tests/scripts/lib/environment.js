// What the catalog scripts share: the settings the environment's stand-ins read (registry
// values under StateKey) and a scratch folder of their own.  run-script.sh puts this file in
// front of every JScript test, after the assertions.
var StateKey = "HKCU\\Software\\Quorvane\\Showloom\\StandIn\\";
var shell = new ActiveXObject("WScript.Shell");
var fso = new ActiveXObject("Scripting.FileSystemObject");

function setState(name, value) { shell.RegWrite(StateKey + name, value, "REG_SZ"); }
function setNumber(name, value) { shell.RegWrite(StateKey + name, value, "REG_DWORD"); }
function writeText(path, text) {
  var stream = fso.CreateTextFile(path, true);
  stream.Write(text);
  stream.Close();
}

// An empty folder of this name under %TEMP% (Wine's ExpandEnvironmentStrings hands back the
// terminating null character too).
function freshFolder(name) {
  var folder = shell.ExpandEnvironmentStrings("%TEMP%").replace(/\0/g, "") + "\\" + name;
  if (fso.FolderExists(folder)) fso.DeleteFolder(folder, true);
  fso.CreateFolder(folder);
  return folder;
}
