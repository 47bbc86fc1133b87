// MergeModule2 from JScript: every property, collections through Enumerator, Item(n),
// Item("n"), and the errors of Load.  Argument: the folder of the server fixture packages.

var packages = WScript.Arguments(0);
var INVALID_ARG = 0x80070057 | 0;
var SCRIPTABLE = "Qv.Scriptable.5A1B2C3D_4E5F_4061_8273_9A8B7C6D5E4F";
var MIKE = "Qv.Mike.00000000_0000_0000_0000_000000000002:1033";

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
  assertThrows(0x8000FFFF, "The module object has no module; call Load first.",
               function () { return m.Name; }, "Name before Load");
  var installer = new ActiveXObject("WindowsInstaller.Installer");
  var names = ["missing.msm", "not_a_package.msm"];
  for (var i = 0; i < names.length; i++) {
    var path = packages + "\\" + names[i];
    var expected = errorOf(function () { installer.OpenDatabase(path, 0); });
    var got = errorOf(function () { m.Load(path); });
    assertTrue(expected.number !== 0 && got.number < 0, "Load " + names[i] + ": a failure");
    assertEqual(expected.description, got.description, "Load " + names[i] + ": the installer's text");
  }

  m.Load(packages + "\\full_module.msm");
  var properties = {
    Name: "{5A1B2C3D-4E5F-4061-8273-9A8B7C6D5E4F}", ModuleID: SCRIPTABLE, Key: SCRIPTABLE + ":1033",
    Path: packages + "\\full_module.msm", Comments: "Module used by the automation tests",
    Subject: "Scriptable Module", Author: "Quorvane Test Authors", Language: 1033,
    Version: "4.3.2.1", DisplayName: "Scriptable Module", IsInstalled: true, NeedsDownload: false
  };
  for (var name in properties) assertEqual(properties[name], m[name], name);

  var deps = m.Dependencies;
  assertEqual(3, deps.Count, "Dependencies.Count");
  assertEqual("[0][1033][1031]", walk(deps, "Language"), "dependency languages (numbers)");
  assertEqual(MIKE, deps.Item(2).Key, "Item(2)");
  assertEqual(MIKE, deps.Item("2").Key, "Item(\"2\")");
  assertEqual(INVALID_ARG, errorOf(function () { deps.Item(0); }).number, "Item(0)");
  assertEqual(INVALID_ARG, errorOf(function () { deps.Item(4); }).number, "Item(Count + 1)");
  assertEqual("string", typeof m.Exclusions.Item(1).Language, "an exclusion's Language is text");
  assertEqual("[SetupDialog][AboutDialog][ZoomDialog]", walk(m.Dialogs, "Name"), "Dialogs");
  assertEqual("[RegisterThing][Set?Folder]", walk(m.CustomActions, "Name"), "CustomActions");
  assertEqual("[alpha.txt][thing.dll][thing.ini]", walk(m.Files, "File"), "Files");

  m.Load(packages + "\\bare_module.msm");
  assertEqual("", walk(m.Dependencies, "Key") + walk(m.Files, "File"), "a bare module's lists");
});

finish();
