// A scripting client of the case selection: sets the properties late-bound, lets the
// test server's dialog driver play the user in the dialog that ShowDialog opens, and
// reads the choice back, also as the selection XML.
eval(new ActiveXObject("Scripting.FileSystemObject").OpenTextFile(
    WScript.ScriptFullName.replace(/[^\\]*$/, "lib\\check.js")).ReadAll());
var E_INVALIDARG = 0x80070057 | 0;
var MULTI_LIST = 208, OK = 1, CANCEL = 2;

try {
  var ws = new ActiveXObject("WQStandins.Workspace");
  ws.SetReply(SERVER, "ListCases",
              "<ListCases><Case ID='11' CaseName='Operating'/><Case ID='-31' CaseName='Hydrotest'/>" +
              "<Case ID='12' CaseName='Design'/><Case ID='17' CaseName='winter'/></ListCases>");
  var driver = new ActiveXObject("WQTestServer.DialogDriver");
  var dlg = new ActiveXObject("WQCGenericSvcs.WQCSelectCaseDlg");
  dlg.MultiSelect = true;
  dlg.Title = "Cases to report";
  dlg.RestrictedCases = false;
  dlg.AppendContext(501);
  dlg.AppendContext("502");
  driver.NoteText(0);
  driver.NoteListItems(MULTI_LIST);
  driver.Select(MULTI_LIST, 3);
  driver.SelectAlso(MULTI_LIST, 1);
  driver.Click(OK);
  driver.Expect();
  check(dlg.ShowDialog(ws) === true, "ShowDialog answers true after OK");
  check(ws.RequestXml(1) === '<ListCases RestrictedCases="vt11:0"><ObjectId>vt3:501</ObjectId>' +
                             '<ObjectId>vt3:502</ObjectId></ListCases>', "request " + ws.RequestXml(1));
  check(driver.Notes === "Cases to report\nDesign|Hydrotest (restricted)|Operating|winter\n",
        "the dialog as shown: " + driver.Notes);
  check(dlg.SelectionCount === 2 && dlg.Selection(1) === -31 && dlg.Selection(2) === 17,
        "IDs in list order");
  check(dlg.SelectionName(1) === "Hydrotest", "the bare name " + dlg.SelectionName(1));
  var xml = dlg.SelectionAsXML();
  check(xml === '<?xml version="1.0"?>\n<Select>\n  <Option Value="-31"/>\n  <Option Value="17"/>\n</Select>',
        "selection XML " + xml);
  check(dlg.CaseCount === 4 && dlg.Case(4) === "winter" && dlg.CaseID(1) === 12, "case list");
  expectError(function () { var id = dlg.Selection(3); }, E_INVALIDARG, "Selection(3)");

  // Cancel keeps the choice, and the list is not asked for again.
  driver.Click(CANCEL);
  driver.Expect();
  check(dlg.ShowDialog(ws, 0) === false, "ShowDialog answers false after Cancel");
  check(dlg.SelectionCount === 2 && ws.RequestCount === 1, "cancel changes nothing");

  var fresh = new ActiveXObject("WQCGenericSvcs.WQCSelectCaseDlg.380");
  check(fresh.SelectionAsXML() === "", "nothing chosen yet: an empty text");
  expectError(function () { fresh.ShowDialog(new ActiveXObject("WQStandins.WorkspaceNoWQ")); },
              E_INVALIDARG, "a workspace without IWQWorkspace");
  check(driver.DialogsSeen === 2, "dialogs seen " + driver.DialogsSeen);
  check(driver.Failures === "", "the driver's failures: " + driver.Failures);
} catch (err) {
  check(false, "unexpected error " + (err.number >>> 0).toString(16) + " " + err.description);
}
finish();
