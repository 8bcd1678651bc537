// The demo client: a script such as a client application would run against the module.
// Run it with scripts/demo.sh; the first argument is the folder of this file.
//
// It uses a sample workspace: a workspace object that answers every data service call
// from the reply files in examples/workspace, named <ServerProgID>.<Method>.xml or .txt,
// and records every request, so the demo can show what the module sent. Change a reply
// file or a call below and run the demo again.

var workspace = new ActiveXObject("WQStandins.Workspace");
var replies = workspace.LoadReplyFolder(WScript.Arguments(0) + "\\workspace");
WScript.Echo("Sample workspace: " + replies + " reply files");

var main = new ActiveXObject("WQCGenericSvcs.Main");

// Runs one operation, then prints its result and the request the module sent.
function show(what, operation) {
  var before = workspace.RequestCount;
  var result;
  try {
    result = operation();
  } catch (e) {
    result = "error 0x" + (e.number >>> 0).toString(16) + ": " + e.description;
  }
  WScript.Echo("");
  WScript.Echo(what + (result === undefined ? "" : " -> " + result));
  for (var i = before + 1; i <= workspace.RequestCount; i++) {
    var input = workspace.RequestXml(i, false);
    WScript.Echo("  sent " + workspace.RequestMethod(i) + ": " + (input ? input : "(no input)"));
  }
}

// A list as scripting clients pass one: a SAFEARRAY of VARIANTs.
function list(values) {
  var d = new ActiveXObject("Scripting.Dictionary");
  for (var i = 0; i < values.length; i++) d.Add(i, values[i]);
  return d.Items();
}

WScript.Echo("");
WScript.Echo("== Objects");
var pump = 0;
show("CreateObject(Pump, P-101)", function () { return pump = main.CreateObject(workspace, "Pump", "P-101"); });
show("ObjectDisplayName(" + pump + ")", function () { return main.ObjectDisplayName(workspace, pump); });
show("ObjectClass(" + pump + ")", function () { return main.ObjectClass(workspace, pump); });
show("CloneObject(" + pump + ")", function () { return main.CloneObject(workspace, pump); });
show("CopyObject(" + pump + ")", function () { return main.CopyObject(workspace, pump); });
show("DeleteObjects(1002, 1003)", function () { main.DeleteObjects(workspace, list([1002, 1003])); });

WScript.Echo("");
WScript.Echo("== Cases");
show("GoverningCase(" + pump + ")", function () { return main.GoverningCase(workspace, pump); });
show("RenameCase(Design, Design B)", function () { main.RenameCase(workspace, "Design", "Design B"); });
show("AssignObjectCase(" + pump + ", Operating)", function () { main.AssignObjectCase(workspace, pump, "Operating"); });
show("CopyObjectCase(" + pump + ", Operating -> Design B)",
     function () { main.CopyObjectCase(workspace, pump, "", "Operating", "Design B"); });
show("SetObjectGoverningCase(Operating, [" + pump + "])",
     function () { main.SetObjectGoverningCase(workspace, "Operating", list([pump])); });
show("SetDefaultGlobalGoverningCase(Base)", function () { main.SetDefaultGlobalGoverningCase(workspace, "Base"); });
show("RemoveObjectCase(" + pump + ", Operating)", function () { main.RemoveObjectCase(workspace, pump, "Operating"); });
show("DeleteCase(Design B)", function () { main.DeleteCase(workspace, "Design B"); });

WScript.Echo("");
WScript.Echo("== Workspace settings");
show("VRMProjectStatus()", function () { return main.VRMProjectStatus(workspace); });
show("EnumerationOptions(Fluids)", function () {
  var closed = 0;
  return new VBArray(main.EnumerationOptions(workspace, "Fluids", closed)).toArray().join(", ");
});

WScript.Echo("");
WScript.Echo("== Field formatting with the workspace's descriptive texts");
var formatter = new ActiveXObject("WQCGenericSvcs.WQCFieldFormatter");
show("Initialize()", function () { formatter.Initialize(workspace); });
show("FormatReal(1500, %.1,3e)", function () { return formatter.FormatReal(1500, "", "", "", "%.1,3e"); });
show("FormatReal(1e6, %.2H)", function () { return formatter.FormatReal(1e6, "", "", "", "%.2H"); });
show("FormatReal(0.5, ca. %*+.2f m)", function () { return formatter.FormatReal(0.5, "ca.", "m", "", "%*+.2f"); });
show("UnformatReal(ca. 12.5 m)", function () { return formatter.UnformatReal("ca. 12.5 m", "%f", null, null, null); });

WScript.Echo("");
WScript.Echo("== A failure, as a client sees it");
workspace.FailAt("Execute", 0x80004005 | 0, "The server is not reachable");
show("ResetObjectGoverningCase([" + pump + "])", function () { main.ResetObjectGoverningCase(workspace, list([pump])); });
