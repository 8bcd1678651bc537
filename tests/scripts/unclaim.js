// A scripting client of the unclaim object: asks late-bound whether unclaiming needs the
// user, shows the report (the test server's driver confirms it), then unclaims.
eval(new ActiveXObject("Scripting.FileSystemObject").OpenTextFile(
    WScript.ScriptFullName.replace(/[^\\]*$/, "lib\\check.js")).ReadAll());
var E_FAIL = 0x80004005 | 0;
var NAME_EDIT = 255, REPORT_EDIT = 253, OK = 1;

try {
  var unclaim = new ActiveXObject("WQCGenericSvcs.WQCUnClaimDlg");
  var ws = new ActiveXObject("WQStandins.Workspace");
  ws.SetReply(SERVER, "UnClaimObject", "");

  expectError(function () { unclaim.ShowDialog(); }, E_FAIL, "ShowDialog before Initialize");
  ws.SetReply(SERVER, "UnClaimObjectReport",
              '<UnClaimObjectReport Name="P-102" ClaimSetting="3"><Report>Nozzle N1\nNozzle N2</Report>' +
              '</UnClaimObjectReport>');
  check(unclaim.Initialize(ws, 12) === true, "a claimed object needs the dialog");
  check(ws.RequestXml(1) === "12", "the report request " + ws.RequestXml(1));
  var driver = new ActiveXObject("WQTestServer.DialogDriver");
  driver.NoteText(NAME_EDIT);
  driver.NoteText(REPORT_EDIT);
  driver.Click(OK);
  driver.Expect();
  check(unclaim.ShowDialog() === true, "ShowDialog answers true after OK " + driver.Failures);
  check(driver.Notes === "P-102\nNozzle N1\r\nNozzle N2\n", "the dialog as shown: " + driver.Notes);
  unclaim.UnClaimObject(ws);
  check(ws.RequestXml(ws.RequestCount) === "12", "the object shown is unclaimed");
} catch (e) {
  check(false, "uncaught error " + (e.number >>> 0).toString(16) + " " + e.description);
}

finish();
