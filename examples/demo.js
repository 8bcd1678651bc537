// The demo client: a script such as a client application would run against the module.
// Run it with scripts/demo.sh; the first argument is the folder of this file.
var shell = new ActiveXObject("WScript.Shell");
var libKey = "HKCR\\TypeLib\\{38000000-A35F-4D89-960A-B075AD91A15F}\\17c.0\\";
WScript.Echo("Type library: " + shell.RegRead(libKey));

// The sample workspace: a workspace object that answers from the reply files in
// examples/workspace, named <ServerProgID>.<Method>.xml.
var workspace = new ActiveXObject("WQStandins.Workspace");
var replies = workspace.LoadReplyFolder(WScript.Arguments(0) + "\\workspace");
WScript.Echo("Sample workspace: " + replies + " scripted replies");
