// Object ids and lists of them, as a JScript client passes them to every method that takes
// one: a value the usual conversions would read as another id (an array through its text
// "1,2" as 12, an object, a fraction rounded) is refused and nothing is sent, and so is a
// whole number beyond a long; a whole number, also as text, goes through; a list is a
// SAFEARRAY of VARIANTs.
eval(new ActiveXObject("Scripting.FileSystemObject").OpenTextFile(
    WScript.ScriptFullName.replace(/[^\\]*$/, "lib\\check.js")).ReadAll());
var E_INVALIDARG = 0x80070057 | 0;
var ID_MESSAGE = "An id must be a whole number and a list must be an array of ids";
var RANGE_MESSAGE = "An id must lie between -2147483648 and 2147483647";

try {
  var ws = new ActiveXObject("WQStandins.Workspace");
  var main = new ActiveXObject("WQCGenericSvcs.Main");
  var claim = new ActiveXObject("WQCGenericSvcs.WQCClaimDlg");
  var unclaim = new ActiveXObject("WQCGenericSvcs.WQCUnClaimDlg");
  var selectCase = new ActiveXObject("WQCGenericSvcs.WQCSelectCaseDlg");
  var openDatasheet = new ActiveXObject("WQCGenericSvcs.WQCOpenDatasheetDlg");
  var selectKb = new ActiveXObject("WQCGenericSvcs.WQCSelectKBDlg");
  var kbRequest = new ActiveXObject("WQCGenericSvcs.WQCKBDialogRequest");
  ws.SetReply(SERVER, "*", "5");
  ws.SetReply(SERVER, "ListObjectParts", "<ListObjectParts/>");
  ws.SetReply(SERVER, "UnClaimObjectReport", "<UnClaimObjectReport/>");
  var simple = '<!--SimpleResponse--><Variant vt="8" value="done"/>';
  ws.SetReply(SERVER, "RunMethod", simple);
  ws.SetReply(SERVER, "RunRule", simple);

  function safeArray(values) {
    var d = new ActiveXObject("Scripting.Dictionary");
    for (var i = 0; i < values.length; i++) d.Add(i, values[i]);
    return d.Items();
  }

  // Every place an id or a list of ids goes. `bare`: the object answers bare HRESULTs,
  // without a description of its own. `list`: a list of ids is taken there.
  var places = [
    {name: "Main.DeleteObjects", list: true, call: function (a) { main.DeleteObjects(ws, a); }},
    {name: "Main.SetObjectGoverningCase", list: true,
     call: function (a) { main.SetObjectGoverningCase(ws, "Design", a); }},
    {name: "Main.ResetObjectGoverningCase", list: true,
     call: function (a) { main.ResetObjectGoverningCase(ws, a); }},
    {name: "Main.CreateRestrictedCase", list: true,
     call: function (a) { main.CreateRestrictedCase(ws, "Hot", a, 0); }},
    {name: "Main.GoverningCase", call: function (a) { return main.GoverningCase(ws, a); }},
    {name: "Main.CloneObject", call: function (a) { main.CloneObject(ws, a); }},
    {name: "Main.CopyObject", call: function (a) { main.CopyObject(ws, a); }},
    {name: "Main.ObjectDisplayName", call: function (a) { main.ObjectDisplayName(ws, a); }},
    {name: "Main.ObjectClass", call: function (a) { main.ObjectClass(ws, a); }},
    {name: "Main.CopyObjectCase", call: function (a) { main.CopyObjectCase(ws, a, "1,2", "A", "B"); }},
    {name: "Main.RemoveObjectCase", call: function (a) { main.RemoveObjectCase(ws, a, "A"); }},
    {name: "Main.AssignObjectCase", call: function (a) { main.AssignObjectCase(ws, a, "A"); }},
    {name: "Main.RunKBMethod object", call: function (a) { main.RunKBMethod("Size", a, ws, 0, 1, 2, 0); }},
    {name: "Main.RunKBMethod case", call: function (a) { main.RunKBMethod("Size", 4, ws, 0, a, 2, 0); }},
    {name: "Main.RunKBRule document", call: function (a) { main.RunKBRule("Check", ws, 0, 1, a, 0); }},
    {name: "WQCClaimDlg.Initialize", call: function (a) { claim.Initialize(ws, a, "Design"); }},
    {name: "WQCClaimDlg.ClaimObject", call: function (a) { claim.ClaimObject(ws, a, true); }},
    {name: "WQCClaimDlg.ClaimObjectEx", call: function (a) { claim.ClaimObjectEx(ws, a, 1); }},
    {name: "WQCUnClaimDlg.Initialize", call: function (a) { unclaim.Initialize(ws, a); }},
    {name: "WQCUnClaimDlg.UnClaimObject", call: function (a) { unclaim.UnClaimObject(ws, a); }},
    {name: "WQCOpenDatasheetDlg.AddNewDatasheet",
     call: function (a) { openDatasheet.AddNewDatasheet(a, "T", "Title", "Name", false, 0); }},
    {name: "WQCOpenDatasheetDlg.AddExistingDatasheet",
     call: function (a) { openDatasheet.AddExistingDatasheet(0, a, "T", "N", "C", "R", false, 0); }},
    {name: "WQCOpenDatasheetDlg.AddExistingDiagram",
     call: function (a) { openDatasheet.AddExistingDiagram(0, a, "N", "K", "C", "R", false); }},
    {name: "WQCSelectCaseDlg.AppendContext", bare: true, call: function (a) { selectCase.AppendContext(a); }},
    {name: "WQCSelectKBDlg.OID", bare: true, call: function (a) { selectKb.OID = a; }},
    {name: "WQCSelectKBDlg.CaseID", bare: true, call: function (a) { selectKb.CaseID = a; }},
    {name: "WQCSelectKBDlg.DocumentOID", bare: true, call: function (a) { selectKb.DocumentOID = a; }},
    {name: "WQCSelectKBDlg.RunMethod", bare: true,
     call: function (a) { selectKb.RunMethod("Size", a, ws, 0, false); }},
    {name: "WQCKBDialogRequest.Initialise", bare: true,
     call: function (a) { kbRequest.Initialise("<ScriptUI/>", a); }}
  ];

  // Runs one call; what it answered and the request it executed, if any.
  function executed() { return (ws.CallLog.match(/Execute\(/g) || []).length; }
  function attempt(place, a) {
    var before = executed(), requests = ws.RequestCount;
    var outcome = {error: null};
    try { place.call(a); } catch (e) { outcome.error = e; }
    outcome.sent = executed() > before;
    outcome.request = outcome.sent ? ws.RequestXml(requests + 1) : "";
    return outcome;
  }

  var refused = [
    {name: "a JScript array", value: [1, 2]},
    {name: "a JScript array of one id", value: [12]},
    {name: "a JScript object", value: {oid: 12}},
    {name: "the text 1,2", value: "1,2"},
    {name: "a text that is no number", value: "12abc"},
    {name: "a fraction", value: 1.5}
  ];
  for (var p = 0; p < places.length; p++) {
    var place = places[p];
    for (var r = 0; r < refused.length; r++) {
      var what = place.name + " with " + refused[r].name;
      var o = attempt(place, refused[r].value);
      check(o.error && o.error.number === E_INVALIDARG,
            what + " is refused: " + (o.error ? (o.error.number >>> 0).toString(16) : "no error"));
      check(!o.sent, what + " sends nothing: " + o.request);
      if (o.error && !place.bare)
        check(message(o.error) === ID_MESSAGE, what + " says why: " + o.error.description);
    }

    // A whole number, also as text, is the id; a list is a SAFEARRAY of VARIANTs.
    var o = attempt(place, "12");
    check(!o.error, place.name + " takes the text 12: " + (o.error && o.error.description));
    check(!o.sent || /\b12\b/.test(o.request), place.name + " sends 12: " + o.request);
    o = attempt(place, safeArray([12, 13]));
    if (place.list) {
      check(!o.error && /\b12\b.*\b13\b/.test(o.request),
            place.name + " takes a SAFEARRAY: " + o.request + (o.error ? o.error.description : ""));
    } else {
      // Where one id goes, a list of one or more is no id, refused as the id rule refuses.
      var lists = [safeArray([12]), safeArray([12, 13])];
      for (var l = 0; l < lists.length; l++) {
        o = attempt(place, lists[l]);
        check(o.error && o.error.number === E_INVALIDARG && !o.sent,
              place.name + " refuses a SAFEARRAY of " + (l + 1) + " for one id: " +
              (o.error ? (o.error.number >>> 0).toString(16) : "no error") + " " + o.request);
        if (o.error && !place.bare)
          check(message(o.error) === ID_MESSAGE, place.name + " says why: " + o.error.description);
      }
    }

    // No id at all is none, not a wrong one: whatever else happens, it is not refused as one.
    var nothing = [null, undefined];
    for (var n = 0; n < nothing.length; n++) {
      o = attempt(place, nothing[n]);
      check(!o.error || message(o.error) !== ID_MESSAGE,
            place.name + " with " + nothing[n] + " is no wrong id");
    }
  }

  // A whole number that no long holds is refused everywhere as the typed parameters refuse
  // it, never read as no id; in a list too.
  var DISP_E_OVERFLOW = 0x8002000A | 0;
  for (var p = 0; p < places.length; p++) {
    var tries = [3000000000].concat(places[p].list ? [safeArray([5, 3000000000, 6])] : []);
    for (var t = 0; t < tries.length; t++) {
      var o = attempt(places[p], tries[t]);
      check(o.error && o.error.number === DISP_E_OVERFLOW && !o.sent,
            places[p].name + " refuses 3000000000" + (t ? " in a list" : "") + ": " +
            (o.error ? (o.error.number >>> 0).toString(16) : "no error") + " " + o.request);
      if (o.error && !places[p].bare)
        check(message(o.error) === RANGE_MESSAGE, places[p].name + " says why: " + o.error.description);
    }
  }

  // The elements of a list are ids too.
  var o = attempt(places[0], safeArray([5, "1,2"]));
  check(o.error && o.error.number === E_INVALIDARG && !o.sent, "a list with a wrong id is refused");
  o = attempt(places[1], safeArray([5, [1, 2]]));
  check(o.error && o.error.number === E_INVALIDARG && !o.sent, "a list holding an array is refused");
  o = attempt(places[0], safeArray([5, "7"]));
  check(o.request === '<DeleteObjects><Object OID="vt3:5"/><Object OID="vt3:7"/></DeleteObjects>',
        "whole numbers, also as texts, in a list: " + o.request);
} catch (e) {
  check(false, "uncaught error " + (e.number >>> 0).toString(16) + " " + e.description);
}

finish();
