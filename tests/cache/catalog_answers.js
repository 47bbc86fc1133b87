// Writes every answer a script client of the catalog can observe, one line each, so that two
// processes can be compared line by line: the modules in collection order with every property
// and detail list, the folders, display names and FilesToModules keys, and FindModuleForFile
// and FindModuleForFileInFolder for every file of every module with folder matching off and on.
// The stand-ins' values are the caller's (QV_STANDIN_KEY); this script only flips MatchFolder.
var shell = new ActiveXObject("WScript.Shell");
var stateKey = "HKCU\\" + shell.Environment("PROCESS")("QV_STANDIN_KEY") + "\\";
var lines = [];

function answer(get) {
  try {
    var value = get();
    return value === null ? "null" : typeof value + ":" + String(value);
  } catch (e) {
    return "error " + (e.number >>> 0).toString(16) + " " + e.description;
  }
}

function each(collection, visit) {
  for (var e = new Enumerator(collection); !e.atEnd(); e.moveNext()) visit(e.item());
}

function describe(label, item, names) {
  var parts = [];
  for (var i = 0; i < names.length; i++)
    parts.push(names[i] + "=" + answer(function () { return item[names[i]]; }));
  lines.push(label + " " + parts.join(" "));
}

// A detail list: its count, then each item; or the error the property gives.
function list(label, module, property, names) {
  var items;
  var failure = answer(function () { items = module[property]; return items.Count; });
  lines.push(label + " " + property + " " + failure);
  if (failure.indexOf("error") === 0) return;
  each(items, function (item) { describe("  " + property, item, names); });
}

function keyOf(module) { return module === null ? "null" : module.Key; }

var catalog = new ActiveXObject("QvLiteModCat.MMCatalog");
var modules = [];
each(catalog.GetModules(), function (module) { modules.push(module); });
for (var m = 0; m < modules.length; m++) {
  var module = modules[m];
  describe("module", module, ["Key", "ModuleID", "Language", "Version", "Name", "Path", "Author",
                              "Subject", "Comments", "DisplayName", "IsInstalled", "NeedsDownload"]);
  list(module.Key, module, "Dialogs", ["Name"]);
  list(module.Key, module, "CustomActions", ["Name"]);
  list(module.Key, module, "Dependencies", ["Key", "ModuleID", "Version", "Language"]);
  list(module.Key, module, "Exclusions", ["Key", "ModuleID", "MinVersion", "MaxVersion", "Language"]);
  list(module.Key, module, "Files", ["File", "FileName", "Directory", "Version", "Language",
                                     "FileSize", "Sequence"]);
  list(module.Key, module, "DownloadFiles", ["Location", "MediaLocation", "InternetLocation",
                                             "FileSize", "CheckSum"]);
  lines.push("display " + answer(function () { return catalog.GetModuleDisplayName(module.Key); }));
}
each(catalog.GetModuleFolders(), function (folder) {
  describe("folder", folder, ["Path", "Name", "Folder", "Kind"]);
  each(folder.Modules, function (module) { lines.push("  holds " + module.Key); });
});

for (var matchFolder = 0; matchFolder <= 1; matchFolder++) {
  shell.RegWrite(stateKey + "MatchFolder", matchFolder, "REG_DWORD");
  for (m = 0; m < modules.length; m++) {
    each(modules[m].Files, function (file) {
      var name = file.FileName.split("|").pop();
      var destination = "[" + file.Directory + "]" + name;
      var version = file.Version, language = file.Language;
      lines.push("match " + matchFolder + " " + destination + " " + [
        answer(function () { return keyOf(catalog.FindModuleForFile(destination, version, language)); }),
        answer(function () { return keyOf(catalog.FindModuleForFile(name, "", "")); }),
        answer(function () {
          return keyOf(catalog.FindModuleForFileInFolder(destination, version, language));
        }),
        answer(function () { return catalog.GetModuleKeyForFile(name); })].join(" | "));
    });
  }
}
WScript.Echo(lines.join("\n"));
