// A scripting client of the claim object: loads an object's parts late-bound from the
// stand-in workspace, lets the test server's driver choose in the dialog, and claims.
eval(new ActiveXObject("Scripting.FileSystemObject").OpenTextFile(
    WScript.ScriptFullName.replace(/[^\\]*$/, "lib\\check.js")).ReadAll());
var E_INVALIDARG = 0x80070057 | 0, E_FAIL = 0x80004005 | 0, DISP_E_TYPEMISMATCH = 0x80020005 | 0;
var SERVER = "ZERAZevozarAdid.Main";
var OK = 1;

try {
  var claim = new ActiveXObject("WQCGenericSvcs.WQCClaimDlg");
  var ws = new ActiveXObject("WQStandins.Workspace");
  function lastRequest() { return ws.RequestXml(ws.RequestCount); }
  ws.SetReply(SERVER, "ClaimObject", "");
  ws.SetReply(SERVER, "ClaimObjectEx", "");

  var e = expectError(function () { claim.ClaimObject(ws, 42); }, E_FAIL, "no setting before Initialize");
  check(message(e) === "WQCClaimDlg interface not initialized", "text " + message(e));
  claim.ClaimObject(ws, "17", true);
  check(lastRequest() === '<ClaimObject ObjectId="vt3:17" ClaimExclusive="vt11:-1"/>',
        "ClaimObject request " + lastRequest());
  claim.ClaimObjectEx(ws, 17, 5);
  check(lastRequest() === '<ClaimObjectEx ObjectId="vt3:17" ClaimSetting="vt3:5"/>',
        "ClaimObjectEx passes the setting on " + lastRequest());
  e = expectError(function () { claim.ClaimObject(ws, "abc", false); }, DISP_E_TYPEMISMATCH, "a text OID");
  check(message(e) === "Could not infer ObjectID from second argument", "text " + message(e));

  ws.SetReply(SERVER, "ListObjectParts",
              '<ListObjectParts><Part OID="8" Name="Pump" ClaimMode="2"/><Part OID="0" Name="Gone"/>' +
              '<Part Name="No OID"/><Part OID="9" Name="Motor" ClaimMode="1"/></ListObjectParts>');
  claim.Initialize(ws, 7, "Design");
  check(lastRequest() === '<ListObjectParts OID="vt3:7" Attribute="vt8:Design"/>', "request " + lastRequest());
  check(claim.ObjectCount === 2, "parts without a positive OID are dropped: " + claim.ObjectCount);
  check(claim.SelectedOID === -1 && claim.SelectedClaim === false, "nothing chosen yet");
  claim.ClaimObjectEx(ws);
  check(lastRequest() === '<ClaimObjectEx ObjectId="vt3:-1" ClaimSetting="vt3:2"/>',
        "without a dialog the choice is nothing, shared " + lastRequest());

  var driver = new ActiveXObject("WQTestServer.DialogDriver");
  driver.Click(OK);
  driver.Expect();
  check(claim.ShowDialog() === true, "the first part, exclusive, after OK " + driver.Failures);
  check(claim.SelectedOID === 8 && claim.SelectedClaim === true && claim.ObjectCount === 0,
        "the choice " + claim.SelectedOID);
  claim.ClaimObject(ws);
  check(lastRequest() === '<ClaimObject ObjectId="vt3:8" ClaimExclusive="vt11:-1"/>',
        "the chosen claim " + lastRequest());

  expectError(function () { claim.Initialize(new ActiveXObject("WQStandins.WorkspaceNoWQ"), 7); },
              E_INVALIDARG, "a workspace without IWQWorkspace");
} catch (e) {
  check(false, "uncaught error " + (e.number >>> 0).toString(16) + " " + e.description);
}

finish();
