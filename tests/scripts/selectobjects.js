// A scripting client of the object and datasheet selections: made by ProgID, filters and
// modes set late-bound, the dialogs played by the test server's driver, and the choice
// read back as IDs, names and the selection XML.
eval(new ActiveXObject("Scripting.FileSystemObject").OpenTextFile(
    WScript.ScriptFullName.replace(/[^\\]*$/, "lib\\check.js")).ReadAll());
var MULTI_LIST = 208, SINGLE_LIST = 209, ONLY_EDITABLE = 273, ONLY_SUMMARIES = 274;
var OK = 1, CANCEL = 2;

try {
  var ws = new ActiveXObject("WQStandins.Workspace");
  var driver = new ActiveXObject("WQTestServer.DialogDriver");
  ws.SetReply(SERVER, "ListObjects",
              "<ListObjects><Object OID='103' KnownName='P-103'/>" +
              "<Object OID='100' KnownName='P-100' Editable='false'/>" +
              "<Object OID='101' KnownName='P-101' Editable='true'/></ListObjects>");
  ws.SetReply(SERVER, "ListDatasheets",
              "<ListDatasheets><Datasheet OID='4' KnownName='DS-D' Editable='true' IsDatasheet='true'/>" +
              "<Datasheet OID='1' KnownName='DS-A' Editable='false' IsDatasheet='true'/>" +
              "<Datasheet OID='3' KnownName='DS-C' IsProjectSummary='true' IsDatasheet='false'/>" +
              "<Datasheet OID='2' KnownName='DS-B'/></ListDatasheets>");

  // One object, chosen under the "only editable" filter.
  var objects = new ActiveXObject("WQCGenericSvcs.WQCSelectObjectDlg");
  objects.FilterClass = "PUMP";
  objects.Title = "Pick a pump";
  driver.NoteText(0);
  driver.NoteListItems(SINGLE_LIST);
  driver.Click(ONLY_EDITABLE);
  driver.NoteListItems(SINGLE_LIST);
  driver.Select(SINGLE_LIST, 1);
  driver.Click(OK);
  driver.Expect();
  check(objects.ShowDialog(ws) === true, "the object dialog answers true after OK");
  check(ws.RequestXml(1) === '<ListObjects FilterClass="vt8:PUMP"/>', "request " + ws.RequestXml(1));
  check(objects.ObjectCount === 3 && objects.ObjectName(1) === "P-100" &&
        objects.ObjectID(1) === 100 && objects.ObjectEditable(1) === false &&
        objects.ObjectEditable(3) === true, "the objects in name order with their flags");
  check(objects.SelectionCount === 1 && objects.Selection(1) === 103, "the second editable one");
  check(objects.SelectionAsXML() ===
        '<?xml version="1.0"?>\n<Select>\n  <Option Value="103"/>\n</Select>',
        "selection XML " + objects.SelectionAsXML());

  // Several datasheets, the project-summary filter taken off in the dialog.
  var sheets = new ActiveXObject("WQCGenericSvcs.WQCSelectDatasheetDlg.380");
  sheets.MultiSelect = true;
  sheets.HideNonEditable = false;
  driver.NoteText(0);
  driver.NoteListItems(MULTI_LIST);
  driver.Click(ONLY_SUMMARIES);
  driver.NoteListItems(MULTI_LIST);
  driver.Select(MULTI_LIST, 3);
  driver.SelectAlso(MULTI_LIST, 1);
  driver.Click(OK);
  driver.Expect();
  check(sheets.ShowDialog(ws, 0) === true, "the datasheet dialog answers true after OK");
  check(ws.RequestXml(2) === "<ListDatasheets>vt8:</ListDatasheets>", "request " + ws.RequestXml(2));
  check(sheets.DatasheetCount === 4 && sheets.IsProjectSummaryDatasheet(3) === true &&
        sheets.DatasheetEditable(1) === false, "the datasheets with their flags");
  check(sheets.SelectionCount === 2 && sheets.Selection(1) === 2 && sheets.Selection(2) === 4,
        "IDs in list order: " + sheets.SelectionCount);

  // Cancel keeps the choice.
  driver.Click(CANCEL);
  driver.Expect();
  check(sheets.ShowDialog(ws) === false && sheets.SelectionCount === 2, "cancel changes nothing");

  check(driver.Notes === "Pick a pump\nP-100|P-101|P-103\nP-101|P-103\n" +
                         "Select Datasheet\nDS-A|DS-C|DS-D\nDS-A|DS-B|DS-C|DS-D\n",
        "the dialogs as shown: " + driver.Notes);
  check(driver.DialogsSeen === 3 && driver.Failures === "", "driver: " + driver.Failures);
} catch (err) {
  check(false, "unexpected error " + (err.number >>> 0).toString(16) + " " + err.description);
}
finish();
