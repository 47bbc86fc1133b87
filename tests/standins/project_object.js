// The stand-in project object as a script uses it: created by ProgID, ProjectType set and read
// late-bound.  Prints "all checks passed" only when every check holds: Wine's cscript ends a
// script that raises with exit code 0, so the test looks for that line.
var failures = 0;
function check(condition, what) {
  if (!condition) {
    WScript.Echo("failed: " + what);
    failures++;
  }
}

try {
  var project = new ActiveXObject("QvStandIn.Project");
  check(project.ProjectType === 0, "a new project has type 0");
  project.ProjectType = 3;
  check(project.ProjectType === 3, "the type set is read back");
  project.projecttype = "9";
  check(project.ProjectType === 9, "names are matched without case and text is converted");
  var second = new ActiveXObject("QvStandIn.Project");
  check(second.ProjectType === 0, "each project has its own type");
  var threw = false;
  try { project.ProjectType = "not a number"; } catch (e) { threw = true; }
  check(threw && project.ProjectType === 9, "a value that is no number is refused");
} catch (e) {
  check(false, "exception " + (e.number >>> 0).toString(16) + " " + e.description);
}
if (failures === 0) WScript.Echo("all checks passed");
WScript.Quit(failures === 0 ? 0 : 1);
