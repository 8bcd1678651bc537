// A scripting client of Main: creates it by both ProgIDs, calls the object and case
// operations late-bound against the stand-in workspace, and checks each request sent
// and each result returned.
eval(new ActiveXObject("Scripting.FileSystemObject").OpenTextFile(
    WScript.ScriptFullName.replace(/[^\\]*$/, "lib\\check.js")).ReadAll());
var E_INVALIDARG = 0x80070057 | 0, E_FAIL = 0x80004005 | 0;

// An uncaught error fails the test with its text (the host itself would exit 0).
try {
  var main = new ActiveXObject("WQCGenericSvcs.Main");
  var main380 = new ActiveXObject("WQCGenericSvcs.Main.380");
  var ws = new ActiveXObject("WQStandins.Workspace");

  // The request of the last call, with VARIANT types shown.
  function lastRequest() { return ws.RequestXml(ws.RequestCount); }

// A SAFEARRAY of VARIANTs, as scripting clients pass lists.
function safeArray(values) {
  var d = new ActiveXObject("Scripting.Dictionary");
  for (var i = 0; i < values.length; i++) d.Add(i, values[i]);
  return d.Items();
}

  // Object operations.
  ws.SetReply(SERVER, "CreateObject", "1234");
  check(main.CreateObject(ws, "Pump", "P-101") === 1234, "CreateObject result");
  check(ws.RequestServer(1) === SERVER, "server " + ws.RequestServer(1));
  check(lastRequest() === '<CreateObject Class="vt8:Pump" KnownName="vt8:P-101"/>',
        "CreateObject request " + lastRequest());
  check(main380.CreateObject(ws, "Pump", "") === 1234, "version-dependent ProgID");
  check(lastRequest() === '<CreateObject Class="vt8:Pump"/>', "no KnownName " + lastRequest());
  // A reply that is no whole number is refused, quoted, never read as an id.
  ws.SetReply(SERVER, "CreateObject", "not a number");
  var refused = expectError(function () { main.CreateObject(ws, "Pump", ""); },
                            0x80020005 | 0, "a reply that is not a number");
  check(message(refused) === "The reply to CreateObject is not a whole number: 'not a number'",
        "the refusal quotes the reply: " + (refused && refused.description));

  ws.SetReply(SERVER, "CloneObject", "77");
  check(main.CloneObject(ws, 5) === 77, "CloneObject");
  check(lastRequest() === '<CloneObject OID="vt3:5"/>', "CloneObject request " + lastRequest());
  ws.SetReply(SERVER, "CopyObject", " -12\r\n");
  check(main.CopyObject(ws, "6") === -12, "CopyObject reads a number between blanks");
  check(lastRequest() === '<CopyObject OID="vt3:6"/>', "CopyObject request " + lastRequest());

  ws.SetReply(SERVER, "ObjectName", "Pump P-101");
  check(main.ObjectDisplayName(ws, 9) === "Pump P-101", "ObjectDisplayName");
  check(ws.RequestMethod(ws.RequestCount) === "ObjectName", "ObjectDisplayName method");
  ws.SetReply(SERVER, "ObjectClass", "Pump");
  check(main.ObjectClass(ws, 9) === "Pump", "ObjectClass");
  check(lastRequest() === '<ObjectClass OID="vt3:9"/>', "ObjectClass request " + lastRequest());

  ws.SetReply(SERVER, "DeleteObjects", "");
  main.DeleteObjects(ws, safeArray([5, 0, 7]));
  check(lastRequest() === '<DeleteObjects><Object OID="vt3:5"/><Object OID="vt3:7"/></DeleteObjects>',
        "DeleteObjects of an array " + lastRequest());
  main.DeleteObjects(ws, 0);
  check(lastRequest() === '<DeleteObjects></DeleteObjects>', "DeleteObjects of 0 " + lastRequest());
  main.DeleteObjects(ws, "42");
  check(lastRequest() === '<DeleteObjects><Object OID="vt3:42"/></DeleteObjects>',
        "DeleteObjects of one id " + lastRequest());
  main.SpawnExecution(ws, "x", 1);

  // Case operations.
  ws.SetReply(SERVER, "GetGoverningCase", "3");
  check(main.GoverningCase(ws, 12) === 3, "GoverningCase");
  check(lastRequest() === '<GetGoverningCase OID="vt3:12"/>', "GoverningCase request");
  check(main.GoverningCase(ws) === 3, "GoverningCase without an object");
  check(lastRequest() === '<GetGoverningCase OID="vt3:-1"/>', "GoverningCase -1 " + lastRequest());

  ws.SetReply(SERVER, "*", "");
  main.DeleteCase(ws, "Old");
  check(lastRequest() === '<DeleteCase CaseName="vt8:Old"/>', "DeleteCase " + lastRequest());
  main.RenameCase(ws, "Old", "New");
  check(lastRequest() === '<RenameCase CaseNameOld="vt8:Old" CaseNameNew="vt8:New"/>', "RenameCase");
  main.CopyObjectCase(ws, 4, "1,2", "A", "B");
  check(lastRequest() === '<CopyObjectCase ObjectID="vt3:4" MultipleOIDs="vt8:1,2" FromCaseName="vt8:A" ToCaseName="vt8:B"/>',
        "CopyObjectCase " + lastRequest());
  main.RemoveObjectCase(ws, 4, "A");
  check(lastRequest() === '<RemoveObjectCase ObjectID="vt3:4" CaseName="vt8:A"/>', "RemoveObjectCase");
  main.AssignObjectCase(ws, 4, "A");
  check(lastRequest() === '<AssignObjectCase ObjectID="vt3:4" CaseName="vt8:A"/>', "AssignObjectCase");
  main.CheckForCopyObjectCase(ws, "1,2", "A", "B");
  check(lastRequest() === '<CheckForCopyObjectCase MultipleOIDs="vt8:1,2" FromCaseName="vt8:A" ToCaseName="vt8:B"/>',
        "CheckForCopyObjectCase " + lastRequest());
  main.SetObjectGoverningCase(ws, "Design", safeArray([8, 9]));
  check(lastRequest() === '<SetGoverningCase CaseName="vt8:Design"><OID>vt3:8</OID><OID>vt3:9</OID></SetGoverningCase>',
        "SetObjectGoverningCase " + lastRequest());
  main.ResetObjectGoverningCase(ws, 8);
  check(lastRequest() === '<SetGoverningCase><OID>vt3:8</OID></SetGoverningCase>', "ResetObjectGoverningCase " + lastRequest());
  main.SetDefaultGlobalGoverningCase(ws, "Design");
  check(lastRequest() === '<SetGoverningCase Global="vt11:-1" CaseName="vt8:Design"/>',
        "SetDefaultGlobalGoverningCase " + lastRequest());

  // Failures reach the script with their error text.
  var before = ws.RequestCount;
  var noWq = new ActiveXObject("WQStandins.WorkspaceNoWQ");
  expectError(function () { main.CreateObject(noWq, "Pump", ""); }, E_INVALIDARG, "workspace without IWQWorkspace");
  var e = expectError(function () { main.SetDefaultGlobalGoverningCase(noWq, "x"); }, E_INVALIDARG,
                      "case operation on a bad workspace");
  check(e && e.description.indexOf("<WQError ") === 0, "case failure has a WQError text: " + (e && e.description));

  ws.FailAt("Execute", E_FAIL, "The server refused the case");
  e = expectError(function () { main.SetObjectGoverningCase(ws, "Design", 8); }, E_FAIL, "failing Execute");
  check(e && e.description.indexOf('Desc="The server refused the case"') > 0, "server text kept: " + (e && e.description));
  expectError(function () { main.CloneObject(ws, 1); }, E_FAIL, "object operation with failing Execute");
  ws.FailAt("Execute", 0, "");


  // KB runs: the parameters arrive as one "Variant", the value comes back.
  ws.SetReply(SERVER, "RunRule", '<!--SimpleResponse--><Variant vt="8" value="done"/>');
  check(main.RunKBRule("Check", ws, 0, 1, 0, 5) === "done", "RunKBRule result");
  check(ws.RequestXml(ws.RequestCount, false) ===
        '<KBDescriptor ActiveDocOid="0" CaseID="1" name="Check"><UserParameters>' +
        '<Variant value="5" vt="3"/></UserParameters></KBDescriptor>', "RunKBRule request " + ws.RequestXml(ws.RequestCount, false));
  expectError(function () { main.RunKBMethod("Size", 4, noWq, 0, 0, 0, null); }, E_INVALIDARG,
              "KB method on a bad workspace");
} catch (e) {
  check(false, "uncaught error " + (e.number >>> 0).toString(16) + " " + e.description);
}

finish();
