// A scripting client of the associate-hold object: creates holds late-bound on the
// stand-in workspace (its dialog is driven by the C++ tests) and reads the untouched results.
eval(new ActiveXObject("Scripting.FileSystemObject").OpenTextFile(
    WScript.ScriptFullName.replace(/[^\\]*$/, "lib\\check.js")).ReadAll());
var E_INVALIDARG = 0x80070057 | 0, E_FAIL = 0x80004005 | 0;
var SERVER = "ZERAZevozarAdid.Main";

try {
  var hold = new ActiveXObject("WQCGenericSvcs.WQCAssocHoldDlg.380");
  var ws = new ActiveXObject("WQStandins.Workspace");
  function lastRequest() { return ws.RequestXml(ws.RequestCount); }

  check(hold.Create === true && hold.Selection === -1, "results before any dialog");
  check(hold.Name === "" && hold.Reason === "", "no name or reason yet: " + hold.Name + "|" + hold.Reason);
  hold.Title = "Pick a hold";

  ws.SetReply(SERVER, "CreateHoldObject", "1234");
  check(hold.CreateHold(ws, "H-7", "Awaiting <vendor> data", "Hold") === 1234, "CreateHold");
  check(lastRequest() ===
        '<CreateHoldObject KnownName="vt8:H-7" Class="vt8:Hold">Awaiting &lt;vendor&gt; data</CreateHoldObject>',
        "request " + lastRequest());
  ws.SetReply(SERVER, "CreateHoldObject", "12 of them");
  check(hold.CreateHold(ws, "H-8", "") === 12, "leading digits of the reply");
  check(lastRequest() === '<CreateHoldObject KnownName="vt8:H-8"></CreateHoldObject>',
        "an omitted class is not sent " + lastRequest());

  ws.FailAt("Execute", E_FAIL, "The server is down");
  expectError(function () { hold.CreateHold(ws, "H-9", "r"); }, E_FAIL, "a failing Execute");
  expectError(function () { hold.CreateHold(new ActiveXObject("WQStandins.WorkspaceNoWQ"), "H", "r"); },
              E_INVALIDARG, "a workspace without IWQWorkspace");
} catch (e) {
  check(false, "uncaught error " + (e.number >>> 0).toString(16) + " " + e.description);
}

finish();
