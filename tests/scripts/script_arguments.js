// The script argument rule from JScript, which passes everything by value: out values the
// caller cannot receive become the call's result.

run(function () {
  var cat = new ActiveXObject("QvTest.ScriptProbe");
  assertEqual(42, cat.Reserved1(2, 40), "a retval result");

  var modules = cat.GetModules();  // no argument: the object is the result, used below
  var serial = modules.Reserved3();
  assertEqual(serial * 100, cat.GetModules(modules).Reserved3(), "an object passed in goes in");
  assertEqual(serial, modules.Reserved3(), "the caller's object is unchanged");
  assertEqual("object", typeof cat.GetModules(null), "null goes in as no object");

  assertEqual(null, cat.FindModuleForFile("none", "", ""), "nothing found: null");
  assertEqual("object", typeof cat.FindModuleForFileInFolder("x.dll", "", "", null),
              "a placeholder for the module changes nothing");
});

finish();
