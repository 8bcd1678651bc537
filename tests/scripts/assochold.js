// A scripting client of the associate-hold object: asks for a new hold in the dialog,
// played by the test server's driver, and creates holds late-bound on the stand-in workspace.
eval(new ActiveXObject("Scripting.FileSystemObject").OpenTextFile(
    WScript.ScriptFullName.replace(/[^\\]*$/, "lib\\check.js")).ReadAll());
var NAME_EDIT = 230, REASON_EDIT = 226, OK = 1;

try {
  var hold = new ActiveXObject("WQCGenericSvcs.WQCAssocHoldDlg.380");
  var ws = new ActiveXObject("WQStandins.Workspace");
  function lastRequest() { return ws.RequestXml(ws.RequestCount); }

  hold.Title = "Pick a hold";
  ws.SetReply(SERVER, "ListActiveHolds", '<ActiveHolds><Hold OID="31" Name="H-1" Date="37000"/></ActiveHolds>');
  var driver = new ActiveXObject("WQTestServer.DialogDriver");
  driver.NoteText(0);
  driver.SetText(NAME_EDIT, "H-10");
  driver.SetText(REASON_EDIT, "Vendor data");
  driver.Click(OK);
  driver.Expect();
  check(hold.ShowDialog(ws) === true, "ShowDialog answers true after OK " + driver.Failures);
  check(driver.Notes === "Pick a hold\n", "the caption " + driver.Notes);
  check(hold.Create === true && hold.Name === "H-10" && hold.Reason === "Vendor data" &&
        hold.Selection === -1, "a new hold: " + hold.Name + "|" + hold.Reason);

  ws.SetReply(SERVER, "CreateHoldObject", "1234");
  check(hold.CreateHold(ws, "H-7", "Awaiting <vendor> data", "Hold") === 1234, "CreateHold");
  check(lastRequest() ===
        '<CreateHoldObject KnownName="vt8:H-7" Class="vt8:Hold">Awaiting &lt;vendor&gt; data</CreateHoldObject>',
        "request " + lastRequest());
  ws.SetReply(SERVER, "CreateHoldObject", "12 of them");
  var refused = expectError(function () { hold.CreateHold(ws, "H-8", ""); }, 0x80020005 | 0,
                            "a reply that is no whole number");
  check(message(refused) === "The reply to CreateHoldObject is not a whole number: '12 of them'",
        "the refusal quotes the reply: " + (refused && refused.description));
  check(lastRequest() === '<CreateHoldObject KnownName="vt8:H-8"></CreateHoldObject>',
        "an omitted class is not sent " + lastRequest());
} catch (e) {
  check(false, "uncaught error " + (e.number >>> 0).toString(16) + " " + e.description);
}

finish();
