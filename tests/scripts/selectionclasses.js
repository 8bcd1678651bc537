// A scripting client of the class, object, datasheet and unit-set selections and of the
// rename dialog: each is created by ProgID and called late-bound, its dialog played by the
// test server's driver, ShowDialog given no parent window.
eval(new ActiveXObject("Scripting.FileSystemObject").OpenTextFile(
    WScript.ScriptFullName.replace(/[^\\]*$/, "lib\\check.js")).ReadAll());
var E_INVALIDARG = 0x80070057 | 0;
var SINGLE_LIST = 209, MULTI_LIST = 208, ONLY_EDITABLE = 273, NEW_NAME = 212, OK = 1;
var SERVER = "ZERAZevozarAdid.Main";

try {
  var ws = new ActiveXObject("WQStandins.Workspace");
  var driver = new ActiveXObject("WQTestServer.DialogDriver");

  ws.SetReply(SERVER, "ListClasses", "<ListClasses><Class Name='PUMP_C' DisplayName='Pump'/>" +
              "<Class Name='VALVE_G' DisplayName='Gate valve'/></ListClasses>");
  var classes = new ActiveXObject("WQCGenericSvcs.WQCSelectClassDlg");
  classes.BaseClass = "EQUIPMENT";
  driver.Select(SINGLE_LIST, 0);
  driver.Click(OK);
  driver.Expect();
  check(classes.ShowDialog(ws) === true, "class chosen");
  check(ws.RequestXml(1) === '<ListClasses BaseClass="vt8:EQUIPMENT"/>', "class request " + ws.RequestXml(1));
  check(classes.Selection(1) === "VALVE_G" && classes.ClassCount === 2 && classes.Class(2) === "PUMP_C",
        "class names by display name");

  ws.SetReply(SERVER, "ListObjects", "<ListObjects><Object OID='10' KnownName='A' Editable='false'/>" +
              "<Object OID='11' KnownName='B'/></ListObjects>");
  var objects = new ActiveXObject("WQCGenericSvcs.WQCSelectObjectDlg.380");
  objects.MultiSelect = true;
  objects.FilterClass = "Diagram";
  objects.HideNonEditable = true;
  driver.NoteText(0);
  driver.Select(MULTI_LIST, 0);
  driver.Click(OK);
  driver.Expect();
  check(objects.ShowDialog(ws) === true, "object chosen");
  check(objects.Selection(1) === 11 && objects.SelectionCount === 1, "the editable object");
  check(objects.ObjectEditable(1) === false && objects.ObjectName(2) === "B" && objects.ObjectID(2) === 11,
        "object list");
  check(objects.SelectionAsXML().indexOf('<Option Value="11"/>') > 0, "object XML");

  ws.SetReply(SERVER, "ListDatasheets", "<ListDatasheets><Datasheet OID='3' KnownName='S1'/>" +
              "<Datasheet OID='4' KnownName='S2' IsProjectSummary='true'/></ListDatasheets>");
  var sheets = new ActiveXObject("WQCGenericSvcs.WQCSelectDatasheetDlg");
  sheets.HideNonProjectSummaryDatasheets = false;
  sheets.Title = "Sheets";
  driver.NoteText(0);
  driver.DoubleClick(SINGLE_LIST, 0);
  driver.Expect();
  check(sheets.ShowDialog(ws) === true && sheets.Selection(1) === 3, "datasheet chosen");
  check(sheets.IsProjectSummaryDatasheet(2) === true && sheets.DatasheetEditable(1) === true &&
        sheets.DatasheetName(1) === "S1" && sheets.DatasheetID(2) === 4 && sheets.DatasheetCount === 2,
        "datasheet list");

  ws.SetReply(SERVER, "ListUnitSets", "<UnitSets><UnitSet>SI</UnitSet><UnitSet>Imperial</UnitSet></UnitSets>");
  var units = new ActiveXObject("WQCGenericSvcs.WQCSelectUnitSetDlg");
  units.LoadOptions(ws);
  check(units.OptionCount === 2 && units.Option(1) === "Imperial", "unit sets");
  expectError(function () { var u = units.Selection(1); }, E_INVALIDARG, "no unit set chosen");

  ws.SetReply(SERVER, "ListCases", "<ListCases><Case ID='1' CaseName='Design'/></ListCases>");
  var rename = new ActiveXObject("WQCGenericSvcs.WQCRenameCaseDlg");
  check(rename.SelectionCase === "", "no case before OK: " + rename.SelectionCase);
  driver.SetText(NEW_NAME, "Design 2");
  driver.Click(OK);
  driver.Expect();
  check(rename.ShowDialog(ws) === true, "rename confirmed");
  check(rename.SelectionCase === "Design" && rename.SelectionName === "Design 2", "the two names");

  check(driver.Notes === "Select Diagram\nSheets\n", "captions: " + driver.Notes);
  check(driver.DialogsSeen === 4, "dialogs seen " + driver.DialogsSeen);
  check(driver.Failures === "", "the driver's failures: " + driver.Failures);
} catch (err) {
  check(false, "unexpected error " + (err.number >>> 0).toString(16) + " " + err.description);
}
finish();
