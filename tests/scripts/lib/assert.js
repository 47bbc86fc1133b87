// Assertions for JScript test scripts.  The test runner (run-script.sh) puts this file in
// front of the script.  A script runs its checks inside run(function () { ... }) (an exception
// that escapes counts as a failure and is printed) and ends with finish(), which prints
// "<N> passed, <M> failed" and exits with 1 after any failure.

var qvPassed = 0, qvFailed = 0;

function qvShow(value) {
  if (value === null) return "null";
  if (typeof value === "undefined") return "undefined";
  if (typeof value === "object") return "<object>";
  if (typeof value === "unknown") return "<unknown>";
  return "\"" + String(value) + "\" (" + typeof value + ")";
}

function qvRecord(ok, what, detail) {
  if (ok) {
    qvPassed++;
  } else {
    qvFailed++;
    WScript.Echo("FAILED: " + what + detail);
  }
}

// Strictly equal values (same type).
function assertEqual(expected, actual, what) {
  qvRecord(expected === actual, what, ": expected " + qvShow(expected) + ", got " + qvShow(actual));
}

function assertTrue(condition, what) {
  qvRecord(!!condition, what, "");
}

function run(body) {
  try {
    body();
  } catch (e) {
    qvRecord(false, "unexpected error", ": " + (e.number | 0) + " " + e.description);
  }
}

function finish() {
  WScript.Echo(qvPassed + " passed, " + qvFailed + " failed");
  WScript.Quit(qvFailed > 0 ? 1 : 0);
}
