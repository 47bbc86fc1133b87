// MergeModule2 from JScript, where it differs from VBScript: collections walked with
// Enumerator (which asks for the enumerator member as a method), and the types JScript sees.
// Argument: the server fixture packages.

var packages = WScript.Arguments(0);

// A property of every item, through Enumerator, joined as "[a][b]".
function walk(collection, property) {
  var text = "";
  for (var e = new Enumerator(collection); !e.atEnd(); e.moveNext()) text += "[" + e.item()[property] + "]";
  return text;
}

run(function () {
  var m = new ActiveXObject("QvModCat.MergeModule2");
  m.Load(packages + "\\full_module.msm");
  assertEqual("[0][1033][1031]", walk(m.Dependencies, "Language"), "dependency languages (numbers)");
  assertEqual("string", typeof m.Exclusions.Item(1).Language, "an exclusion's Language is text");
});

finish();
