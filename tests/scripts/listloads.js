// Every list load fed a reply that breaks off after two items, on an empty list and on a
// full one: the load fails and adds nothing, so the count is what it was and the next
// showing, finding the list still empty, asks the workspace again. Loads that succeed
// still add.
eval(new ActiveXObject("Scripting.FileSystemObject").OpenTextFile(
    WScript.ScriptFullName.replace(/[^\\]*$/, "lib\\check.js")).ReadAll());

function fails(f) {
  try { f(); } catch (e) { return true; }
  return false;
}

try {
  var ws = new ActiveXObject("WQStandins.Workspace");
  function loader(name) { return function (o) { return o[name](ws); }; }
  function show(o) { return o.ShowDialog(ws); }

  // [object, request, the whole reply, load, count (none: the list lives in the dialog),
  //  the call that must ask again after a failed load on an empty list]
  var rows = [
    ["WQCSelectCaseDlg", "ListCases",
     "<ListCases><Case ID='1' CaseName='Design'/><Case ID='2' CaseName='Winter'/></ListCases>",
     loader("LoadCaseList"), function (o) { return o.CaseCount; }, show],
    ["WQCSelectClassDlg", "ListClasses",
     "<ListClasses><Class Name='PUMP_C' DisplayName='Pump'/><Class Name='VALVE_G' " +
     "DisplayName='Gate valve'/></ListClasses>",
     loader("LoadClassList"), function (o) { return o.ClassCount; }, show],
    ["WQCSelectObjectDlg", "ListObjects",
     "<ListObjects><Object OID='103' KnownName='P-103'/><Object OID='100' KnownName='P-100'/>" +
     "</ListObjects>",
     loader("LoadObjectList"), function (o) { return o.ObjectCount; }, show],
    ["WQCSelectUnitSetDlg", "ListUnitSets",
     "<UnitSets><UnitSet>SI</UnitSet><UnitSet>Imperial</UnitSet></UnitSets>",
     loader("LoadOptions"), function (o) { return o.OptionCount; }, show],
    ["WQCSelectDatasheetDlg", "ListDatasheets",
     "<ListDatasheets><Datasheet OID='4' KnownName='DS-D'/><Datasheet OID='1' KnownName='DS-A'/>" +
     "</ListDatasheets>",
     loader("LoadDatasheetList"), function (o) { return o.DatasheetCount; }, show],
    ["WQCSelectKBDlg", "ListKB",
     "<ListKB><KB KBName='SizeLine' Display='Size line'/><KB KBName='Flush' Display='Flush'/>" +
     "</ListKB>",
     loader("LoadList"), function (o) { return o.Count; }, show],
    ["WQCClaimDlg", "ListObjectParts",
     "<ListObjectParts><Part OID='8' Name='Pump'/><Part OID='9' Name='Motor'/></ListObjectParts>",
     function (o) { return o.Initialize(ws, 7); }, function (o) { return o.ObjectCount; },
     function (o) { return o.Initialize(ws, 7); }],
    ["WQCRenameCaseDlg", "ListCases",
     "<ListCases><Case ID='1' CaseName='Design'/><Case ID='2' CaseName='Winter'/></ListCases>",
     show, null, show],
    ["WQCAssocHoldDlg", "ListActiveHolds",
     "<ActiveHolds><Hold OID='31' Name='H-1'/><Hold OID='32' Name='H-2'/></ActiveHolds>",
     show, null, show]
  ];

  for (var i = 0; i < rows.length; i++) {
    var row = rows[i], name = row[0], request = row[1], whole = row[2];
    var load = row[3], count = row[4], again = row[5];
    // The two items whole, the third cut off inside its tag.
    var broken = whole.replace(/<\/\w+>$/, "") + "<" + /^<\w+><(\w+)/.exec(whole)[1];

    ws.Reset();
    ws.SetReply(SERVER, request, broken);
    var o = new ActiveXObject("WQCGenericSvcs." + name);
    check(fails(function () { load(o); }), name + ": a reply that breaks off must fail");
    if (count) check(count(o) === 0, name + ": an empty list took " + count(o) + " items");
    var asked = ws.RequestCount;
    // A dialog over a list kept from the failed load is cancelled, not waited for.
    var driver = new ActiveXObject("WQTestServer.DialogDriver");
    driver.Click(2);
    driver.Expect();
    check(fails(function () { again(o); }), name + ": the broken reply again must fail");
    check(ws.RequestCount === asked + 1, name + ": not asked again after a failed load");
    // The holds are read by their dialog as it opens.
    if (name !== "WQCAssocHoldDlg")
      check(driver.DialogsSeen === 0, name + ": a dialog was shown after a failed load");
    if (!count) continue;

    ws.SetReply(SERVER, request, whole);
    load(o);
    check(count(o) === 2, name + ": the whole reply gave " + count(o) + " items");
    ws.SetReply(SERVER, request, broken);
    check(fails(function () { load(o); }), name + ": a reply that breaks off must fail, full");
    check(count(o) === 2, name + ": a full list of 2 has " + count(o) + " after a failed load");
  }
} catch (e) {
  check(false, "unexpected error " + (e.number >>> 0).toString(16) + " " + e.description);
}
finish();
