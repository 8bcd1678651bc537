// A scripting client of the COM class library: creates the test server's class by both
// ProgIDs and calls it late-bound, as any scripting host does.
eval(new ActiveXObject("Scripting.FileSystemObject").OpenTextFile(
    WScript.ScriptFullName.replace(/[^\\]*$/, "lib\\check.js")).ReadAll());

var w = new ActiveXObject("WQTestServer.TestWidget");
check(w.Add(40, 2) === 42, "Add through IDispatch");
check(w.Add("40", "2") === 42, "string arguments are coerced");
w.Name = "gear";
check(w.Name === "gear", "property put and get");
check(w.Scale(1.5) == 15, "an omitted optional 64-bit argument defaults to 0");
check(w.Scale(1.5, 5) == 20, "an explicit 64-bit argument");

var v = new ActiveXObject("WQTestServer.TestWidget.380");
check(v.Add(1, 2) === 3, "version-dependent ProgID");

try {
  w.Fail(0x80070005 | 0);
  check(false, "Fail must throw");
} catch (e) {
  check(e.number === (0x80070005 | 0), "error number " + e.number);
  check(e.description === "The widget failed", "error description " + e.description);
}

try {
  w.NoSuchMember();
  check(false, "an unknown member must throw");
} catch (e) {
}

finish();
