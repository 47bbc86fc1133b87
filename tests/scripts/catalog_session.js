// The environment's typical session from JScript, which passes every argument by value: a
// file lookup's module is the call's result (null when nothing is found) and the found flag
// stays out of reach.  Argument: the folder of the catalog fixture packages.

var CatalogProgId = "QvLiteModCat.MMCatalog";
var EditionProgId = "QvLiteModCat.MMCatalogPro";
var ViewerKey = "Qv.Viewer.1A2B3C4D_0000_4000_8000_000000000006:1033";
var AppKey = "Qv.ViewerApp.1A2B3C4D_0000_4000_8000_000000000007:0";
var MultiId = "Qv.Multi.1A2B3C4D_0000_4000_8000_000000000008";

var packages = WScript.Arguments(0);

function keyOf(module) { return module === null ? "null" : module.Key; }
function project(type) {
  var made = new ActiveXObject("QvStandIn.Project");
  made.ProjectType = type;
  return made;
}

var root = freshFolder("qv-catalog-session-js");
var modsFolder = root + "\\mods";
fso.CreateFolder(modsFolder);
fso.CreateFolder(root + "\\ini");
var names = ["viewer_sys", "viewer_app", "lang_de", "lang_en", "lang_9"];
for (var i = 0; i < names.length; i++)
  fso.CopyFile(packages + "\\" + names[i] + ".msm", modsFolder + "\\" + names[i] + ".msm");
writeText(root + "\\ini\\modules.ini", "[modules]\r\n" + ViewerKey + "=Acme Viewer\r\n");
writeText(root + "\\ini\\FilesToModules.ini", "[FilesToModules]\r\n" +
          "other.dll=0:Qv.ViewerApp.1A2B3C4D_0000_4000_8000_000000000007\r\n");
setState("SearchPathList", modsFolder);
setState("ExtraSearchPathList", "");
setState("ModuleFolder0", "");
setState("ProductFolder", root + "\\product");
setState("ModulesIniFolder", root + "\\ini");
setState("FilesIniFolder", root + "\\ini");
setState("ExcludedFilePatterns", "*.txt");
setState("PreferredLanguage", "");
setState("FailOperation", "");
setState("ProjectFailOperation", "");
setNumber("MatchVersion", 0);
setNumber("MatchFolder", 1);
setNumber("ActiveProjectType", 0);

run(function () {
  var managerMade = false;
  try {
    new ActiveXObject("QvLiteModCat.MMCatalogManager");
    managerMade = true;
  } catch (e) {
  }
  assertTrue(!managerMade, "a script cannot create the catalog manager (it refuses IDispatch)");

  var cat = new ActiveXObject(CatalogProgId);
  var edition = new ActiveXObject(EditionProgId);

  var keys = [];
  for (var each = new Enumerator(cat.GetModules()); !each.atEnd(); each.moveNext())
    keys.push(each.item().Key);
  assertEqual([MultiId + ":9", MultiId + ":1031", MultiId + ":1033", AppKey, ViewerKey].join(";"),
              keys.join(";"), "the modules in package path order");
  var folders = cat.GetModuleFolders();
  assertEqual(1, folders.Count, "one folder");
  assertEqual(modsFolder, folders.Item(1).Path, "its path");
  assertEqual(null, edition.GetModules(), "the edition catalog has no modules");

  assertEqual(ViewerKey, keyOf(cat.FindModuleForFile("[SystemFolder]viewer.dll", "2.1.0.5", "1033")),
              "viewer.dll in the system folder");
  assertEqual("null", keyOf(cat.FindModuleForFile("[SystemFolder]viewer.dll", "", "0")),
              "nothing for the neutral one there");
  assertEqual(AppKey, keyOf(cat.FindModuleForFile("[ProgramFilesFolder]Acme\\viewer.dll", "", "")),
              "an empty language is the neutral one");
  setNumber("ActiveProjectType", 1);
  assertEqual("null", keyOf(cat.FindModuleForFile("<WINSYSDIR>\\viewer.dll", "", "1033")),
              "the script notation with folder matching");
  setNumber("MatchFolder", 0);
  assertEqual(ViewerKey, keyOf(cat.FindModuleForFile("<WINSYSDIR>\\viewer.dll", "", "1033")),
              "the script notation without");
  setNumber("ActiveProjectType", 0);
  assertEqual(AppKey, keyOf(cat.FindModuleForFile("[SystemFolder]viewer.dll", "", "0")),
              "folder matching off");
  setNumber("MatchFolder", 1);
  assertEqual(ViewerKey, keyOf(cat.FindModuleForFileInFolder("[SystemFolder]viewer.dll", "", "1033")),
              "FindModuleForFileInFolder");
  assertEqual("null", keyOf(cat.FindModuleForFileInFolder("viewer.dll", "", "1033")),
              "FindModuleForFileInFolder without a folder");
  assertEqual("null", keyOf(cat.FindModuleForFile("[ProgramFilesFolder]Acme\\readme.txt", "", "")),
              "an excluded name");
  assertEqual(AppKey, keyOf(cat.FindModuleForFile("other.dll", "", "")),
              "a file listed in FilesToModules.ini");

  assertEqual(MultiId + ":1033", keyOf(cat.GetModule(MultiId + ":0", "1033")), "GetModule");
  assertEqual(MultiId + ":1031", keyOf(cat.GetModule(MultiId + ":0", "2052")), "the lowest language");
  assertEqual("Acme Viewer", cat.GetModuleDisplayName(ViewerKey), "GetModuleDisplayName");
  assertEqual(AppKey, cat.GetModuleKeyForFile("C:\\Windows\\system32\\OTHER.DLL"), "GetModuleKeyForFile");

  assertEqual(true, cat.SupportsProject(project(3)), "project type 3");
  assertEqual(false, cat.SupportsProject(project(9)), "project type 9");
  assertEqual(true, edition.SupportsProject(project(9)), "the edition catalog: type 9");

  assertEqual(ViewerKey, keyOf(cat.FindModuleForFile("[SystemFolder]viewer.dll", "", "1033")), "before");
  fso.DeleteFile(modsFolder + "\\viewer_sys.msm");
  var ending = "MsiOpenDatabase(" + modsFolder + "\\viewer_sys.msm)";
  var description = "";
  try {
    cat.FindModuleForFile("[SystemFolder]viewer.dll", "", "1033");
  } catch (e) {
    description = e.description;
  }
  assertEqual(ending, description.substr(description.length - ending.length),
              "a package gone before its folder is looked up");
});
fso.DeleteFolder(root, true);
finish();
