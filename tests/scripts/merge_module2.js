// MergeModule2 from JScript: properties, collections through Enumerator, item(n), item("n"),
// and the errors of Load.  Argument: the folder of the server fixture packages.

var packages = WScript.Arguments(0);
var INVALID_ARG = 0x80070057 | 0, UNEXPECTED = 0x8000FFFF | 0;
var NO_MODULE = "The module object has no module; call Load first.";

// A property of every item, through Enumerator, joined as "[a][b]".
function walk(collection, property) {
  var text = "";
  for (var e = new Enumerator(collection); !e.atEnd(); e.moveNext()) text += "[" + e.item()[property] + "]";
  return text;
}

function errorOf(body) {
  try { body(); } catch (e) { return { number: e.number | 0, description: e.description }; }
  return { number: 0, description: "" };
}

run(function () {
  var m = new ActiveXObject("QvModCat.MergeModule2");
  assertThrows(UNEXPECTED, NO_MODULE, function () { return m.Name; }, "Name before Load");

  var installer = new ActiveXObject("WindowsInstaller.Installer");
  var names = ["missing.msm", "not_a_package.msm"];
  for (var i = 0; i < names.length; i++) {
    var path = packages + "\\" + names[i];
    var expected = errorOf(function () { installer.OpenDatabase(path, 0); });
    assertTrue(expected.number !== 0, "the installer refuses " + names[i]);
    var got = errorOf(function () { m.Load(path); });
    assertTrue(got.number < 0, "Load " + names[i] + ": a failure");
    assertEqual(expected.description, got.description, "Load " + names[i] + ": text");
  }

  m.Load(packages + "\\full_module.msm");
  assertEqual("Qv.Scriptable.5A1B2C3D_4E5F_4061_8273_9A8B7C6D5E4F:1033", m.Key, "Key");
  assertEqual("{5A1B2C3D-4E5F-4061-8273-9A8B7C6D5E4F}", m.Name, "Name");
  assertEqual(packages + "\\full_module.msm", m.Path, "Path");
  assertEqual("Quorvane Test Authors", m.Author, "Author");
  assertEqual("Module used by the automation tests", m.Comments, "Comments");
  assertEqual("Scriptable Module", m.DisplayName, "DisplayName");
  assertEqual(1033, m.Language, "Language");
  assertEqual("4.3.2.1", m.Version, "Version");
  assertEqual(true, m.IsInstalled, "IsInstalled");
  assertEqual(false, m.NeedsDownload, "NeedsDownload");

  var deps = m.Dependencies;
  assertEqual(3, deps.Count, "Dependencies.Count");
  assertEqual("[0][1033][1031]", walk(deps, "Language"), "dependency languages");
  assertEqual("number", typeof deps.Item(1).Language, "a dependency's Language is a number");
  assertEqual("Qv.Mike.00000000_0000_0000_0000_000000000002:1033", deps.Item(2).Key, "item(2)");
  assertEqual("Qv.Mike.00000000_0000_0000_0000_000000000002:1033", deps.Item("2").Key, "item(\"2\")");
  assertEqual(INVALID_ARG, errorOf(function () { deps.Item(0); }).number, "item(0)");
  assertEqual(INVALID_ARG, errorOf(function () { deps.Item(4); }).number, "item(Count + 1)");

  var exclusions = m.Exclusions;
  assertEqual("[-1][1033]", walk(exclusions, "Language"), "exclusion languages");
  assertEqual("string", typeof exclusions.Item(1).Language, "an exclusion's Language is text");
  assertEqual("[SetupDialog][AboutDialog][ZoomDialog]", walk(m.Dialogs, "Name"), "Dialogs");
  assertEqual("[RegisterThing][Set?Folder]", walk(m.CustomActions, "Name"), "CustomActions");
  assertEqual("[alpha.txt][thing.dll][thing.ini]", walk(m.Files, "File"), "Files");
  assertEqual("[1][2][3]", walk(m.Files, "Sequence"), "file sequences");
  // The descriptor named by the package code is missing: a collection or an error with a text.
  try {
    assertEqual(0, m.DownloadFiles.Count, "DownloadFiles without descriptor");
  } catch (e) {
    assertTrue(e.description !== "", "DownloadFiles without descriptor: text");
  }

  m.Load(packages + "\\bare_module.msm");
  assertEqual(0, m.Dependencies.Count, "a bare module's dependencies");
  assertEqual("", walk(m.Files, "File"), "a bare module's files");
});

finish();
