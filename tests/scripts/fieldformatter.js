// A scripting client of the field formatter: formats late-bound, initializes it on the
// stand-in workspace and unformats typed text. Runs under a point-decimal (en-US) locale.
eval(new ActiveXObject("Scripting.FileSystemObject").OpenTextFile(
    WScript.ScriptFullName.replace(/[^\\]*$/, "lib\\check.js")).ReadAll());
var E_FAIL = 0x80004005 | 0, E_INVALIDARG = 0x80070057 | 0, DISP_E_TYPEMISMATCH = 0x80020005 | 0;

try {
  var f = new ActiveXObject("WQCGenericSvcs.WQCFieldFormatter.380");
  var ws = new ActiveXObject("WQStandins.Workspace");

  check(f.FormatReal(1500, "", "", "", "%.1,3e") === "1.5e3", "fixed exponent");
  check(f.FormatReal(0.5, "approx", "m", "", "%*+.2f") === "approx +0.50 m", "descriptive text");
  check(f.FormatReal(null, "", "", "", "%X") === "", "no value, no type check");
  check(f.FormatInteger("42", "", "", "", "%+d") === "+42", "an integer given as text");
  var e = expectError(function () { f.FormatBool("maybe", "%y"); }, E_FAIL, "not a boolean");
  check(message(e) === "Could not coerce value to an boolean", "boolean text: " + message(e));
  expectError(function () { f.FormatDate(0, "%Q"); }, E_INVALIDARG, "a time format the runtime refuses");

  // [out] arguments are passed as placeholders; scripts read the returned value only.
  expectError(function () { f.UnformatReal("1.5", "%f", null, null, null); }, E_FAIL, "before Initialize");
  ws.SetReply(SERVER, "InitializeFormatter",
              "<Initialize><Prefix>ca</Prefix><Prefix>ca.</Prefix><Substitution>N/A</Substitution></Initialize>");
  f.Initialize(ws);
  check(ws.RequestMethod(1) === "InitializeFormatter", "the request " + ws.CallLog);
  var prefixes = new VBArray(f.PrefixStrings);
  check(prefixes.lbound(1) === 1 && prefixes.toArray().join("|") === "ca|ca.", "PrefixStrings");
  check(f.UnformatReal("ca. 12.5", "%f", null, null, null) === 12.5, "longest prefix");
  check(f.UnformatReal(" n/a ", "%f", null, null, null) === undefined, "a substitution has no value");
  check(f.UnformatInteger("+7", "%d", null, null, null) === 7, "UnformatInteger");
  e = expectError(function () { f.UnformatReal("1,500", "%f", null, null, null); }, E_FAIL, "grouped number");
  check(message(e) === "Thousands separator is not allowed for number input.", "grouping text: " + message(e));
  e = expectError(function () { f.UnformatInteger("2.5", "%d", null, null, null); }, DISP_E_TYPEMISMATCH,
                  "a fraction is no integer");
  check(message(e) === "Invalid descriptive text", "fraction text: " + message(e));

  ws.FailAt("Execute", E_FAIL, "The server is down");
  expectError(function () { f.Initialize(ws); }, E_FAIL, "failing Execute");
  expectError(function () { return f.PrefixStrings; }, E_FAIL, "no lists after a failed Initialize");
} catch (e) {
  check(false, "uncaught error " + (e.number >>> 0).toString(16) + " " + e.description);
}

finish();
