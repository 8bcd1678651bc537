// Every list load fed a reply that breaks off after two items, on an empty list and on a
// full one: it fails and adds nothing, so the count stays and the next showing of the
// still empty list asks the workspace again, showing no dialog. Loads that succeed add.
eval(new ActiveXObject("Scripting.FileSystemObject").OpenTextFile(
    WScript.ScriptFullName.replace(/[^\\]*$/, "lib\\check.js")).ReadAll());

function fails(f) {
  try { f(); } catch (e) { return true; }
  return false;
}

try {
  var ws = new ActiveXObject("WQStandins.Workspace");
  function call(name) { return function (o) { return name ? o[name](ws) : o.ShowDialog(ws); }; }
  function claim(o) { return o.Initialize(ws, 7); }
  var cases = "<ListCases><Case ID='1' CaseName='D'/><Case ID='2' CaseName='W'/></ListCases>";

  // [object, request, whole reply, load, count property (none: the dialog holds the list),
  //  the call that asks again]
  var rows = [
    ["WQCSelectCaseDlg", "ListCases", cases, call("LoadCaseList"), "CaseCount", call()],
    ["WQCSelectClassDlg", "ListClasses", "<ListClasses><Class Name='P' DisplayName='Pump'/>" +
     "<Class Name='V' DisplayName='Valve'/></ListClasses>", call("LoadClassList"), "ClassCount",
     call()],
    ["WQCSelectObjectDlg", "ListObjects", "<ListObjects><Object OID='3' KnownName='P-3'/>" +
     "<Object OID='1' KnownName='P-1'/></ListObjects>", call("LoadObjectList"), "ObjectCount",
     call()],
    ["WQCSelectUnitSetDlg", "ListUnitSets",
     "<UnitSets><UnitSet>SI</UnitSet><UnitSet>US</UnitSet></UnitSets>", call("LoadOptions"),
     "OptionCount", call()],
    ["WQCSelectDatasheetDlg", "ListDatasheets",
     "<ListDatasheets><Datasheet OID='4' KnownName='D'/><Datasheet OID='1' KnownName='A'/>" +
     "</ListDatasheets>", call("LoadDatasheetList"),
     "DatasheetCount", call()],
    ["WQCSelectKBDlg", "ListKB", "<ListKB><KB KBName='Size' Display='Size'/><KB KBName='Flush' " +
     "Display='Flush'/></ListKB>", call("LoadList"), "Count", call()],
    ["WQCClaimDlg", "ListObjectParts", "<ListObjectParts><Part OID='8' Name='Pump'/>" +
     "<Part OID='9' Name='Motor'/></ListObjectParts>", claim, "ObjectCount", claim],
    ["WQCRenameCaseDlg", "ListCases", cases, call(), null, call()],
    ["WQCAssocHoldDlg", "ListActiveHolds", "<ActiveHolds><Hold OID='31' Name='H-1'/>" +
     "<Hold OID='32' Name='H-2'/></ActiveHolds>", call(), null, call()]
  ];

  for (var i = 0; i < rows.length; i++) {
    var row = rows[i], name = row[0], load = row[3], count = row[4], again = row[5];
    // The two items whole, the third cut off inside its tag.
    var broken = row[2].replace(/<\/\w+>$/, "") + "<" + /^<\w+><(\w+)/.exec(row[2])[1];
    ws.Reset();
    ws.SetReply(SERVER, row[1], broken);
    var o = new ActiveXObject("WQCGenericSvcs." + name);
    check(fails(function () { load(o); }), name + ": a reply that breaks off must fail");
    if (count) check(o[count] === 0, name + ": an empty list took " + o[count] + " items");
    var asked = ws.RequestCount, driver = new ActiveXObject("WQTestServer.DialogDriver");
    driver.Click(2);  // a dialog over a list kept from the failed load is cancelled
    driver.Expect();
    check(fails(function () { again(o); }), name + ": the broken reply again must fail");
    check(ws.RequestCount === asked + 1, name + ": not asked again after a failed load");
    // The holds are read by their dialog as it opens.
    check(driver.DialogsSeen === 0 || name === "WQCAssocHoldDlg", name + ": a dialog was shown");
    if (!count) continue;

    ws.SetReply(SERVER, row[1], row[2]);
    load(o);
    check(o[count] === 2, name + ": the whole reply gave " + o[count] + " items");
    ws.SetReply(SERVER, row[1], broken);
    check(fails(function () { load(o); }), name + ": a reply that breaks off must fail, full");
    check(o[count] === 2, name + ": a full list of 2 has " + o[count] + " after a failed load");
  }
} catch (e) {
  check(false, "unexpected error " + (e.number >>> 0).toString(16) + " " + e.description);
}
finish();
