// A scripting client of the four format controls, without a container: a format given to
// Initialize comes back from Format, and the stock property Enabled is late-bound.
eval(new ActiveXObject("Scripting.FileSystemObject").OpenTextFile(
    WScript.ScriptFullName.replace(/[^\\]*$/, "lib\\check.js")).ReadAll());

try {
  var cases = [
    ["WQCGenericSvcs.WQCBoolFormatCtl", "%t", "%t"],
    ["WQCGenericSvcs.WQCBoolFormatCtl.380", "%x", "%y"],
    ["WQCGenericSvcs.WQCDateFormatCtl", "%B-%Y", "%B-%Y"],
    ["WQCGenericSvcs.WQCIntegerFormatCtl", "%+d", "%+d"],
    ["WQCGenericSvcs.WQCRealFormatCtl", "%*.3,2e", "%*.3,2e"],
    ["WQCGenericSvcs.WQCRealFormatCtl.380", "%.2E", "%g"]
  ];
  for (var i = 0; i < cases.length; i++) {
    var control = new ActiveXObject(cases[i][0]);
    control.Initialize(cases[i][1]);
    check(control.Format === cases[i][2], cases[i][0] + " " + cases[i][1] + ": " + control.Format);
  }

  var bool = new ActiveXObject("WQCGenericSvcs.WQCBoolFormatCtl");
  check(bool.Format === "", "no format before Initialize (a null text): " + bool.Format);
  check(bool.Enabled === true, "enabled at first");
  bool.Enabled = false;
  check(bool.Enabled === false, "Enabled put and got late-bound");
} catch (e) {
  check(false, "unexpected error " + (e.number >>> 0).toString(16) + " " + e.description);
}
finish();
