// Shared by the scripting-client tests, loaded with eval (the host has no includes):
// counted checks, expected errors and the closing line ctest looks for.
// The server component every data service call of the module goes to.
var SERVER = "ZERAZevozarAdid.Main";
var failures = 0;
function check(cond, what) {
  if (!cond) { WScript.Echo("FAIL: " + what); failures++; }
}
function expectError(f, number, what) {
  try {
    f();
    check(false, what + " must throw");
  } catch (e) {
    check(e.number === number, what + ": error number " + (e.number >>> 0).toString(16));
    return e;
  }
  return null;
}
// The newest Desc of the "WQError" text of a caught error.
function message(e) {
  var m = /^<WQError Desc="([^"]*)"/.exec(e ? e.description : "");
  return m ? m[1] : "";
}
// Wine's host exits with 0 when a script throws: only a last line "ok" passes.
function finish() {
  WScript.Echo(failures ? failures + " failure(s)" : "ok");
  WScript.Quit(failures ? 1 : 0);
}
