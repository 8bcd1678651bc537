// A scripting client of the claim object: loads an object's parts late-bound from the
// stand-in workspace, lets the test server's driver choose in the dialog, and claims.
eval(new ActiveXObject("Scripting.FileSystemObject").OpenTextFile(
    WScript.ScriptFullName.replace(/[^\\]*$/, "lib\\check.js")).ReadAll());
var OK = 1;

try {
  var claim = new ActiveXObject("WQCGenericSvcs.WQCClaimDlg");
  var ws = new ActiveXObject("WQStandins.Workspace");
  function lastRequest() { return ws.RequestXml(ws.RequestCount); }
  ws.SetReply(SERVER, "ClaimObject", "");
  ws.SetReply(SERVER, "ClaimObjectEx", "");

  claim.ClaimObjectEx(ws, "17", 5);
  check(lastRequest() === '<ClaimObjectEx ObjectId="vt3:17" ClaimSetting="vt3:5"/>',
        "ClaimObjectEx passes the setting on " + lastRequest());

  ws.SetReply(SERVER, "ListObjectParts",
              '<ListObjectParts><Part OID="8" Name="Pump" ClaimMode="2"/></ListObjectParts>');
  claim.Initialize(ws, 7, "Design");
  check(lastRequest() === '<ListObjectParts OID="vt3:7" Attribute="vt8:Design"/>', "request " + lastRequest());

  var driver = new ActiveXObject("WQTestServer.DialogDriver");
  driver.Click(OK);
  driver.Expect();
  check(claim.ShowDialog() === true, "the first part, exclusive, after OK " + driver.Failures);
  check(claim.SelectedOID === 8 && claim.SelectedClaim === true && claim.ObjectCount === 0,
        "the choice " + claim.SelectedOID);
  claim.ClaimObject(ws);
  check(lastRequest() === '<ClaimObject ObjectId="vt3:8" ClaimExclusive="vt11:-1"/>',
        "the chosen claim " + lastRequest());
} catch (e) {
  check(false, "uncaught error " + (e.number >>> 0).toString(16) + " " + e.description);
}

finish();
