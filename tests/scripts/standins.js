// A scripting client of the workspace stand-in: scripts replies, makes a request as the
// module would, and reads the request back.
eval(new ActiveXObject("Scripting.FileSystemObject").OpenTextFile(
    WScript.ScriptFullName.replace(/[^\\]*$/, "lib\\check.js")).ReadAll());

var ws = new ActiveXObject("WQStandins.Workspace");
ws.SetReply(SERVER, "ListCases", "<ListCases><Case ID='1' CaseName='Base'/></ListCases>");

var call = ws.CreateDataServiceCall();
call.Flags = 0;
call.ServerProgID = SERVER;
call.MethodName = "ListCases";
call.StartDocument();
call.StartElement("ListCases");
call.WriteVariantAttribute("RestrictedCases", true);
call.CloseStartTag();
call.WriteVariantElement("ObjectId", 7);
call.WriteVariantElement("Name", "a<b");
call.EndElement("ListCases");
call.Execute(0);
check(call.Response === "<ListCases><Case ID='1' CaseName='Base'/></ListCases>", "scripted reply");

check(ws.RequestCount === 1, "one request");
check(ws.RequestServer(1) === SERVER, "server " + ws.RequestServer(1));
check(ws.RequestMethod(1) === "ListCases", "method");
var typed = ws.RequestXml(1);
check(typed === '<ListCases RestrictedCases="vt11:-1"><ObjectId>vt3:7</ObjectId>' +
                '<Name>vt8:a&lt;b</Name></ListCases>', "typed request " + typed);
var plain = ws.RequestXml(1, false);
check(plain === '<ListCases RestrictedCases="-1"><ObjectId>7</ObjectId><Name>a&lt;b</Name></ListCases>',
      "plain request " + plain);
check(ws.Call(1) === "CreateDataServiceCall", "first call " + ws.Call(1));
check(ws.Call(7) === 'WriteVariantAttribute("RestrictedCases", vt11:-1)', "attribute call " + ws.Call(7));
check(ws.CallLog.split("\n").length === ws.CallCount, "log lines");

// A failing step carries its HRESULT and description to the script.
ws.FailAt("Execute", 0x80004005 | 0, "The server is down");
var again = ws.CreateDataServiceCall();
again.ServerProgID = SERVER;
again.MethodName = "ListCases";
var e = expectError(function () { again.Execute(0); }, 0x80004005 | 0, "scripted failure");
check(e && e.description === "The server is down", "failure description");
check(ws.Call(ws.CallCount) === "Execute(0) -> 0x80004005", "failure noted " + ws.Call(ws.CallCount));

// The demo's kind of workspace: a folder of reply files.
var fso = new ActiveXObject("Scripting.FileSystemObject");
var folder = fso.GetParentFolderName(WScript.ScriptFullName) + "\\replies";
var loaded = new ActiveXObject("WQStandins.Workspace");
check(loaded.LoadReplyFolder(folder) === 2, "reply files loaded");
var q = loaded.CreateDataServiceCall();
q.ServerProgID = "zerazevozaradid.main";
q.MethodName = "CreateObject";
q.Execute(0);
check(q.Response === "42", "reply from a file: " + q.Response);

var noWq = new ActiveXObject("WQStandins.WorkspaceNoWQ");
check(noWq.RequestCount === 0, "the variant without IWQWorkspace is scriptable too");

finish();
