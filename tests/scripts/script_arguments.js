// The script argument rule from JScript, which passes everything by value: out values the
// caller cannot receive become the call's result.

run(function () {
  var cat = new ActiveXObject("QvTest.ScriptProbe");
  assertEqual(42, cat.Reserved1(2, 40), "a retval result");

  var modules = cat.GetModules();
  assertEqual("object", typeof modules, "GetModules(): the object is the result");
  var serial = modules.Reserved3();
  var again = cat.GetModules(modules);
  assertEqual(serial * 100, again.Reserved3(), "an object passed in goes in");
  assertEqual(serial, modules.Reserved3(), "the caller's object is unchanged");
  assertEqual("object", typeof cat.GetModules(null), "null goes in as no object");
  assertEqual("object", typeof cat.GetModuleFolders(), "GetModuleFolders()");

  var module = cat.FindModuleForFile("[SystemFolder]viewer.dll", "1.0", "1033");
  assertEqual("object", typeof module, "FindModuleForFile: the module is the result");
  assertTrue(module !== null, "and it was found");
  assertEqual(null, cat.FindModuleForFile("none", "", ""), "nothing found: null");
  assertEqual("object", typeof cat.FindModuleForFileInFolder("x.dll", "", "", null),
              "a placeholder for the module changes nothing");

  assertEqual("a.dll:key", cat.GetModuleKeyForFile("a.dll"), "a text result");
  assertEqual(true, cat.SupportsProject(cat), "an object input");

  var item = new ActiveXObject("QvTest.FolderItemProbe");
  item.Name = "literal name";
  assertEqual("literal name", item.Name, "a put by reference takes a value");
  item.Kind = 1;
  assertEqual(1, item.Kind, "a number put");
});

finish();
