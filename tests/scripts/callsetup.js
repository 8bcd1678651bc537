// Every operation that makes a data service call, with the call's server or method, or a
// step of writing its request, refused by the workspace: the operation fails with the
// refusal (a KB run with E_FAIL over it) and nothing is executed. Operations that show a
// dialog are called through their loading methods, so that no window waits for a user.
eval(new ActiveXObject("Scripting.FileSystemObject").OpenTextFile(
    WScript.ScriptFullName.replace(/[^\\]*$/, "lib\\check.js")).ReadAll());
var E_ACCESSDENIED = 0x80070005 | 0, E_FAIL = 0x80004005 | 0;

try {
  var ws = new ActiveXObject("WQStandins.Workspace");
  function make(name) { return new ActiveXObject("WQCGenericSvcs." + name); }
  var main = make("Main");
  var kb = make("WQCSelectKBDlg");

  // [name, call, code the operation answers]
  var operations = [
    ["GoverningCase", function () { return main.GoverningCase(ws, 12); }],
    ["CreateObject", function () { main.CreateObject(ws, "Pump", "P-101"); }],
    ["DeleteObjects", function () { main.DeleteObjects(ws, 5); }],
    ["CloneObject", function () { main.CloneObject(ws, 5); }],
    ["CopyObject", function () { main.CopyObject(ws, 5); }],
    ["EnumerationOptions", function () { main.EnumerationOptions(ws, "Size", false); }],
    ["CreateGlobalCase", function () { main.CreateGlobalCase(ws, "Design", 0); }],
    ["CreateRestrictedCase", function () { main.CreateRestrictedCase(ws, "Design", 5, 0); }],
    ["DeleteCase", function () { main.DeleteCase(ws, "Old"); }],
    ["RenameCase", function () { main.RenameCase(ws, "Old", "New"); }],
    ["CopyObjectCase", function () { main.CopyObjectCase(ws, 4, "1,2", "A", "B"); }],
    ["RemoveObjectCase", function () { main.RemoveObjectCase(ws, 4, "A"); }],
    ["AssignObjectCase", function () { main.AssignObjectCase(ws, 4, "A"); }],
    ["ObjectDisplayName", function () { main.ObjectDisplayName(ws, 9); }],
    ["RunKBMethod", function () { main.RunKBMethod("Size", 17, ws, 0, 0, 0, 1); }, E_FAIL],
    ["RunKBRule", function () { main.RunKBRule("Check", ws, 0, 0, 0, 1); }, E_FAIL],
    ["ObjectClass", function () { main.ObjectClass(ws, 9); }],
    ["SaveVRMProjectData", function () { main.SaveVRMProjectData(ws, "<P/>", false); }],
    ["SetObjectGoverningCase", function () { main.SetObjectGoverningCase(ws, "A", 8); }],
    ["ResetObjectGoverningCase", function () { main.ResetObjectGoverningCase(ws, 8); }],
    ["SetDefaultGlobalGoverningCase", function () { main.SetDefaultGlobalGoverningCase(ws, "A"); }],
    ["GetComponentGroupings", function () { main.GetComponentGroupings(ws); }],
    ["SetComponentGroupings", function () { main.SetComponentGroupings(ws, "<G/>"); }],
    ["CheckForCopyObjectCase", function () { main.CheckForCopyObjectCase(ws, "1,2", "A", "B"); }],
    ["SelectCase.LoadCaseList", function () { make("WQCSelectCaseDlg").LoadCaseList(ws); }],
    ["SelectClass.LoadClassList", function () { make("WQCSelectClassDlg").LoadClassList(ws); }],
    ["SelectObject.LoadObjectList", function () { make("WQCSelectObjectDlg").LoadObjectList(ws); }],
    ["SelectUnitSet.LoadOptions", function () { make("WQCSelectUnitSetDlg").LoadOptions(ws); }],
    ["SelectDatasheet.LoadDatasheetList",
     function () { make("WQCSelectDatasheetDlg").LoadDatasheetList(ws); }],
    ["FieldFormatter.Initialize", function () { make("WQCFieldFormatter").Initialize(ws); }],
    ["AssocHold.CreateHold", function () { make("WQCAssocHoldDlg").CreateHold(ws, "H", "Why"); }],
    ["Claim.Initialize", function () { make("WQCClaimDlg").Initialize(ws, 5); }],
    ["Claim.ClaimObject", function () { make("WQCClaimDlg").ClaimObject(ws, 5, true); }],
    ["Claim.ClaimObjectEx", function () { make("WQCClaimDlg").ClaimObjectEx(ws, 5, 1); }],
    ["UnClaim.Initialize", function () { make("WQCUnClaimDlg").Initialize(ws, 5); }],
    ["UnClaim.UnClaimObject", function () { make("WQCUnClaimDlg").UnClaimObject(ws, 5); }],
    ["ConflictResolution.Initialize", function () { make("WQCConflictResolution").Initialize(ws); }],
    ["SelectKB.LoadList", function () { kb.LoadList(ws); }],
    ["SelectKB.RunRule", function () { kb.RunRule("Check", ws, 0, true); }, E_FAIL],
    ["SelectKB.RunMethod", function () { kb.RunMethod("Size", 17, ws, 0, true); }, E_FAIL],
    ["SelectKB.ReloadKBModule", function () { kb.ReloadKBModule("Piping", "p.kb", ws); }],
    ["SelectKB.LoadKBModule", function () { kb.LoadKBModule("p.kb", ws); }],
    ["SelectKB.UnloadKBModule", function () { kb.UnloadKBModule("Piping", ws); }],
    ["SelectKB.LoadKBModuleFromXML", function () { kb.LoadKBModuleFromXML("Piping", "<KB/>", ws); }]
  ];

  var steps = ["put_ServerProgID", "put_MethodName"];
  for (var s = 0; s < steps.length; s++) {
    for (var i = 0; i < operations.length; i++) {
      var op = operations[i], what = op[0] + " with " + steps[s] + " refused";
      ws.Reset();
      ws.SetReply("*", "*", "1");
      ws.FailAt(steps[s], E_ACCESSDENIED, "The workspace refused the call");
      expectError(op[1], op[2] || E_ACCESSDENIED, what);
      var log = ws.CallLog;
      check(log.indexOf(steps[s] + "(") >= 0 && log.indexOf("-> 0x80070005") >= 0,
            what + ": the step was not reached\n" + log);
      check(log.indexOf("Execute") < 0, what + ": executed\n" + log);
    }
  }

  // A step of the writing refused: the request is written no further and not sent, and
  // the error keeps the workspace's words, not a later step's complaint of what the failed
  // one left undone.
  var writing = ["StartDocument", "StartElement", "WriteVariantAttribute", "CloseStartTag",
                 "WriteVariantElement", "WriteText", "WriteRaw", "EndElement", "put_Input"];
  var complaint = /no element open|without an open start tag|" is open|still open|needs an/;
  for (var s = 0; s < writing.length; s++) {
    for (var i = 0; i < operations.length; i++) {
      var op = operations[i], what = op[0] + " with " + writing[s] + " refused";
      var boom = "boom at " + writing[s];
      ws.Reset();
      ws.SetReply("*", "*", "1");
      ws.FailAt(writing[s], E_ACCESSDENIED, boom);
      var e = null;
      try { op[1](); } catch (caught) { e = caught; }
      var log = ws.CallLog, failed = log.indexOf(writing[s] + "(");
      if (failed < 0) continue;  // the operation writes no such step
      check(e !== null && e.number === (op[2] || E_ACCESSDENIED),
            what + ": error " + (e ? (e.number >>> 0).toString(16) : "none"));
      var text = e ? e.description : "";
      check(text.indexOf(boom) >= 0 && !complaint.test(text), what + ": " + text);
      var lines = text.split("\r\n");
      for (var l = 1; l < lines.length; l++)
        check(lines[l] !== lines[l - 1], what + ": a line twice in\n" + text);
      var end = log.indexOf("\n", failed), after = end < 0 ? "" : log.substring(end + 1);
      check(!/^(Start|Write|Close|End|put_Input|Execute)/m.test(after),
            what + ": written on\n" + log);
    }
  }
} catch (e) {
  check(false, "unexpected error " + (e.number >>> 0).toString(16) + " " + e.description);
}
finish();
