// A scripting client of the KB selection and the KB dialog request: made by ProgID and
// called late-bound; the selection dialog, given no parent window, is played by the test
// server's driver.
eval(new ActiveXObject("Scripting.FileSystemObject").OpenTextFile(
    WScript.ScriptFullName.replace(/[^\\]*$/, "lib\\check.js")).ReadAll());
var KB_LIST = 209;

try {
  var ws = new ActiveXObject("WQStandins.Workspace");
  var driver = new ActiveXObject("WQTestServer.DialogDriver");
  ws.SetReply(SERVER, "ListKB", "<ListKB><KB KBName='SizeLine' Display='Size line' CaseFixed='1'/>" +
              "<KB KBName='Flush' Display='Flush the line' CaseFixed='1'/></ListKB>");

  var kb = new ActiveXObject("WQCGenericSvcs.WQCSelectKBDlg");
  kb.OID = 12;
  driver.DoubleClick(KB_LIST, 1);
  driver.Expect();
  check(kb.ShowDialog(ws) === true && kb.Selection === "Flush", "the entry picked");
  check(kb.Count === 2 && kb.Item(1) === "SizeLine", "the list");

  var request = new ActiveXObject("WQCGenericSvcs.WQCKBDialogRequest.380");
  request.Initialise("<ScriptUI/>", 42);
  check(request.OID === 42, "dialog request OID");

  check(driver.DialogsSeen === 1 && driver.Failures === "", "driver: " + driver.Failures);
} catch (err) {
  check(false, "unexpected error " + (err.number >>> 0).toString(16) + " " + err.description);
}
finish();
