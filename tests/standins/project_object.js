// The stand-in project object as a script uses it.  Prints "all checks passed" only when every
// check holds: Wine's cscript ends a script that raises with exit code 0.
var failures = [];
function check(condition, what) { if (!condition) failures.push(what); }
try {
  var project = new ActiveXObject("QvStandIn.Project");
  check(project.ProjectType === 0, "a new project has type 0");
  project.projecttype = "9";
  check(project.ProjectType === 9, "names are matched without case and text is converted");
  check(new ActiveXObject("QvStandIn.Project").ProjectType === 0, "each project has its own type");
  var threw = false;
  try { project.ProjectType = "not a number"; } catch (e) { threw = true; }
  check(threw && project.ProjectType === 9, "a value that is no number is refused");
} catch (e) {
  failures.push("exception " + (e.number >>> 0).toString(16) + " " + e.description);
}
WScript.Echo(failures.length ? "failed: " + failures.join("; ") : "all checks passed");
WScript.Quit(failures.length);
