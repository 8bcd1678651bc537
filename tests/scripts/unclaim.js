// A scripting client of the unclaim object: asks late-bound whether unclaiming needs the
// user, then unclaims, on the stand-in workspace.
eval(new ActiveXObject("Scripting.FileSystemObject").OpenTextFile(
    WScript.ScriptFullName.replace(/[^\\]*$/, "lib\\check.js")).ReadAll());
var E_FAIL = 0x80004005 | 0;
var SERVER = "ZERAZevozarAdid.Main";

try {
  var unclaim = new ActiveXObject("WQCGenericSvcs.WQCUnClaimDlg");
  var ws = new ActiveXObject("WQStandins.Workspace");
  ws.SetReply(SERVER, "UnClaimObject", "");

  expectError(function () { unclaim.ShowDialog(); }, E_FAIL, "ShowDialog before Initialize");
  unclaim.UnClaimObject(ws, "17");
  check(ws.RequestMethod(1) === "UnClaimObject" && ws.RequestXml(1) === "17",
        "an explicit OID needs no Initialize: " + ws.RequestXml(1));

  ws.SetReply(SERVER, "UnClaimObjectReport",
              '<UnClaimObjectReport Name="P-101" ClaimSetting="0"><Report>nothing</Report></UnClaimObjectReport>');
  check(unclaim.Initialize(ws, -5) === false, "claim setting 0 needs no dialog");
  check(ws.RequestXml(2) === "-5", "the report request " + ws.RequestXml(2));
  unclaim.UnClaimObject(ws);
  check(ws.RequestXml(3) === "-5", "the initialized object is unclaimed " + ws.RequestXml(3));

  ws.SetReply(SERVER, "UnClaimObjectReport", '<UnClaimObjectReport Name="P-102" ClaimSetting="3"/>');
  check(unclaim.Initialize(ws, 12) === true, "a claimed object needs the dialog");
} catch (e) {
  check(false, "uncaught error " + (e.number >>> 0).toString(16) + " " + e.description);
}

finish();
