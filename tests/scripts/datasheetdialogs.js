// A scripting client of the two datasheet dialogs: both are reached by ProgID and called
// late-bound, texts coerced to numbers. Their arrays of longs are for compiled clients:
// a script holds only arrays of VARIANTs (Wine's host refuses the others outright).
eval(new ActiveXObject("Scripting.FileSystemObject").OpenTextFile(
    WScript.ScriptFullName.replace(/[^\\]*$/, "lib\\check.js")).ReadAll());

try {
  var open = new ActiveXObject("WQCGenericSvcs.WQCOpenDatasheetDlg.380");
  open.SetTitle("Open");
  open.AddNewDatasheet(7, "T-1", "Pump", "P-1", true, 2);
  open.AddExistingDatasheet("2", "101", "Valve", "V-1", "Base", "B", true, 1);
  open.AddNewDiagram("Flow", false);
  open.AddExistingDiagram(1, 102, "PID-1", "PID", "Base", "A", true);
  check(open.GetCreateAsBuilt() === false, "no as-built choice before a showing");

  var byType = new ActiveXObject("WQCGenericSvcs.WQCSelDsByTypeDlg");
  byType.AddDatasheetTemplate("Pump");
  byType.AddDatasheetTemplate(42);
} catch (e) {
  check(false, "unexpected error " + (e.number >>> 0).toString(16) + " " + e.description);
}
finish();
