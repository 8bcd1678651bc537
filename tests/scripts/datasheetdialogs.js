// A scripting client of the two datasheet dialogs: both are reached by ProgID and called
// late-bound, texts coerced to numbers, the dialogs played by the test server's driver.
// Their arrays of longs are for compiled clients: a script holds only arrays of VARIANTs
// (Wine's host refuses the others outright), so it reads what the dialogs show.
eval(new ActiveXObject("Scripting.FileSystemObject").OpenTextFile(
    WScript.ScriptFullName.replace(/[^\\]*$/, "lib\\check.js")).ReadAll());
var DOCUMENT_LIST = 291, DOCUMENT_TABS = 299, OPEN = 293, TEMPLATE_LIST = 305;
var OK = 1, CANCEL = 2;

try {
  var driver = new ActiveXObject("WQTestServer.DialogDriver");
  var open = new ActiveXObject("WQCGenericSvcs.WQCOpenDatasheetDlg.380");
  open.SetTitle("Open");
  open.AddNewDatasheet(7, "T-1", "Pump", "P-1", true, 2);
  open.AddExistingDatasheet("2", "101", "Valve", "V-1", "Base", "B", true, 1);
  open.AddNewDiagram("Flow", false);
  open.AddExistingDiagram(1, 102, "PID-1", "PID", "Base", "A", true);
  check(open.GetCreateAsBuilt() === false, "no as-built choice before a showing");
  // An existing document opens the dialog on "Current"; the status given as a text puts
  // "Valve" on "Submitted".
  driver.NoteText(0);
  driver.NoteListItems(DOCUMENT_LIST);
  driver.SelectTab(DOCUMENT_TABS, 2);
  driver.NoteListItems(DOCUMENT_LIST);
  driver.SelectTab(DOCUMENT_TABS, 0);
  driver.NoteListItems(DOCUMENT_LIST);
  driver.Click(CANCEL);
  driver.Expect();
  check(open.ShowDialog() === false, "Cancel answers false");
  check(open.GetCreateAsBuilt() === false, "Cancel chooses no as-built summaries");

  var byType = new ActiveXObject("WQCGenericSvcs.WQCSelDsByTypeDlg");
  byType.AddDatasheetTemplate("Pump");
  byType.AddDatasheetTemplate(42);
  driver.NoteListItems(TEMPLATE_LIST);
  driver.Select(TEMPLATE_LIST, 1);
  driver.Click(OK);
  driver.Expect();
  check(byType.ShowDialog() === true, "OK with a template chosen answers true");
  driver.Click(CANCEL);
  driver.Expect();
  check(byType.ShowDialog() === false, "Cancel answers false");

  check(driver.Notes === "Open\nPID-1\nValve\nPump|Flow\nPump|42\n",
        "the dialogs as shown: " + driver.Notes);
  check(driver.DialogsSeen === 3 && driver.Failures === "", "driver: " + driver.Failures);
} catch (e) {
  check(false, "unexpected error " + (e.number >>> 0).toString(16) + " " + e.description);
}
finish();
