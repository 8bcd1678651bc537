// A scripting client of the class and unit-set selections and of the rename dialog: made by
// ProgID and called late-bound, ShowDialog given no parent window, the dialogs played by
// the test server's driver.
eval(new ActiveXObject("Scripting.FileSystemObject").OpenTextFile(
    WScript.ScriptFullName.replace(/[^\\]*$/, "lib\\check.js")).ReadAll());
var SINGLE_LIST = 209, NEW_NAME = 212, OK = 1;

try {
  var ws = new ActiveXObject("WQStandins.Workspace");
  var driver = new ActiveXObject("WQTestServer.DialogDriver");
  ws.SetReply(SERVER, "ListClasses", "<ListClasses><Class Name='PUMP_C' DisplayName='Pump'/>" +
              "<Class Name='VALVE_G' DisplayName='Gate valve'/></ListClasses>");
  ws.SetReply(SERVER, "ListUnitSets", "<UnitSets><UnitSet>SI</UnitSet><UnitSet>Imperial</UnitSet></UnitSets>");
  ws.SetReply(SERVER, "ListCases", "<ListCases><Case ID='1' CaseName='Design'/></ListCases>");

  var classes = new ActiveXObject("WQCGenericSvcs.WQCSelectClassDlg");
  classes.BaseClass = "EQUIPMENT";
  driver.DoubleClick(SINGLE_LIST, 0);
  driver.Expect();
  check(classes.ShowDialog(ws) === true && classes.Selection(1) === "VALVE_G" &&
        classes.Class(2) === "PUMP_C", "class by display name");

  var units = new ActiveXObject("WQCGenericSvcs.WQCSelectUnitSetDlg.380");
  units.LoadOptions(ws);
  check(units.OptionCount === 2 && units.Option(1) === "Imperial", "unit sets");

  var rename = new ActiveXObject("WQCGenericSvcs.WQCRenameCaseDlg");
  driver.SetText(NEW_NAME, "Design 2");
  driver.Click(OK);
  driver.Expect();
  check(rename.ShowDialog(ws) === true && rename.SelectionCase === "Design" &&
        rename.SelectionName === "Design 2", "the two names");

  check(driver.DialogsSeen === 2 && driver.Failures === "", "driver: " + driver.Failures);
} catch (err) {
  check(false, "unexpected error " + (err.number >>> 0).toString(16) + " " + err.description);
}
finish();
