' A VBScript client: VBScript hands its variables to the module by reference, and reads
' the text of a failure from the error info the failing call left.
Option Explicit
Const SERVER = "ZERAZevozarAdid.Main"
Dim failures : failures = 0
Sub Check(cond, what)
  If Not cond Then
    WScript.Echo "FAIL: " & what
    failures = failures + 1
  End If
End Sub

Dim ws, tools, main, sel, hold, claim, oid, className, flag, attribute
Set ws = CreateObject("WQStandins.Workspace")
Set tools = CreateObject("WQStandins.ClientTools")
Set main = CreateObject("WQCGenericSvcs.Main")
Set sel = CreateObject("WQCGenericSvcs.WQCSelectCaseDlg")
Set hold = CreateObject("WQCGenericSvcs.WQCAssocHoldDlg")
Set claim = CreateObject("WQCGenericSvcs.WQCClaimDlg")
Function LastRequest()
  LastRequest = ws.RequestXml(ws.RequestCount)
End Function

' A deletion whose pipe cannot be compacted succeeds; the compaction's error must not
' describe the next failure, which has no text of its own.
tools.Reset
tools.FailAt "Create", &H80040154, "Client tools are not installed"
ws.SetReply SERVER, "DeleteObjects", "<CompactPipe ServerID=""5""/>"
main.DeleteObjects ws, 5
Check tools.CallLog = "Create -> 0x80040154", "the compaction was tried: " & tools.CallLog
tools.Reset
On Error Resume Next
oid = sel.Selection(0)
Check Err.Number = 5, "Selection(0) fails with error 5, not " & Err.Number
Check Err.Description = "Invalid procedure call or argument", "VBScript's own text, not: " & Err.Description
Err.Clear
On Error GoTo 0

' Variables arrive as references to VARIANTs: the values are sent, with their own types.
ws.SetReply SERVER, "CreateHoldObject", "7"
className = "Hold"
Check hold.CreateHold(ws, "H-1", "Why", className) = 7, "CreateHold"
Check LastRequest() = "<CreateHoldObject KnownName=""vt8:H-1"" Class=""vt8:Hold"">Why</CreateHoldObject>", _
      "a string variable as the class: " & LastRequest()
flag = True
hold.CreateHold ws, "H-2", "Why", flag
Check LastRequest() = "<CreateHoldObject KnownName=""vt8:H-2"">Why</CreateHoldObject>", _
      "a flag is no class: " & LastRequest()
className = ""
hold.CreateHold ws, "H-3", "Why", className
Check LastRequest() = "<CreateHoldObject KnownName=""vt8:H-3"">Why</CreateHoldObject>", _
      "an empty class is not sent: " & LastRequest()

ws.SetReply SERVER, "ListObjectParts", "<ListObjectParts/>"
attribute = "Design"
claim.Initialize ws, 7, attribute
Check LastRequest() = "<ListObjectParts OID=""vt3:7"" Attribute=""vt8:Design""/>", _
      "a claim's attribute variable: " & LastRequest()

Dim objectId, objects
objectId = 12
ws.SetReply SERVER, "GetGoverningCase", "3"
Check main.GoverningCase(ws, objectId) = 3, "GoverningCase of a variable"
Check LastRequest() = "<GetGoverningCase OID=""vt3:12""/>", "its object: " & LastRequest()
ws.SetReply SERVER, "SetGoverningCase", ""
objects = Array(4, 9)
main.ResetObjectGoverningCase ws, objects
Check LastRequest() = "<SetGoverningCase><OID>vt3:4</OID><OID>vt3:9</OID></SetGoverningCase>", _
      "an array variable: " & LastRequest()
main.SetObjectGoverningCase ws, "Design", objectId
Check LastRequest() = "<SetGoverningCase CaseName=""vt8:Design""><OID>vt3:12</OID></SetGoverningCase>", _
      "a single object variable: " & LastRequest()

' Variables that hold no id: refused with E_INVALIDARG, nothing sent. VBScript shows the number
' as it is when the failure has a description of its own, else as its own error 5.
Const E_INVALIDARG = &H80070057
Dim executedBefore, wrongIds, wrongId
Function Executions()
  Executions = UBound(Split(ws.CallLog, "Execute("))
End Function
executedBefore = Executions()
wrongIds = Array("1,2", 1.5, "12abc", CDate(12.5), True, CCur(12.5))
For Each wrongId In wrongIds
  objectId = wrongId
  On Error Resume Next
  main.DeleteObjects ws, objectId
  Check Err.Number = E_INVALIDARG, "DeleteObjects of the variable " & wrongId & ": " & Err.Number
  Err.Clear
  main.CloneObject ws, objectId
  Check Err.Number = E_INVALIDARG, "CloneObject of the variable " & wrongId & ": " & Err.Number
  Check InStr(Err.Description, "a list must be an array of ids") > 0, "why: " & Err.Description
  Err.Clear
  sel.AppendContext objectId
  Check Err.Number = 5, "AppendContext of the variable " & wrongId & ": " & Err.Number
  Err.Clear
  On Error GoTo 0
Next
' A variable holding a list where one id goes: no id, whatever the list holds.
objectId = Array(12)
On Error Resume Next
main.CloneObject ws, objectId
Check Err.Number = E_INVALIDARG, "CloneObject of a variable holding Array(12): " & Err.Number
Check InStr(Err.Description, "a list must be an array of ids") > 0, "why: " & Err.Description
Err.Clear
On Error GoTo 0
' A whole number beyond a long: refused as the typed parameters refuse it, not read as none.
Const DISP_E_OVERFLOW = &H8002000A
objectId = 3000000000
On Error Resume Next
main.DeleteObjects ws, objectId
Check Err.Number = DISP_E_OVERFLOW, "DeleteObjects of 3000000000: " & Err.Number
Err.Clear
main.ResetObjectGoverningCase ws, Array(5, objectId)
Check Err.Number = DISP_E_OVERFLOW, "ResetObjectGoverningCase of 3000000000: " & Err.Number
Err.Clear
oid = main.GoverningCase(ws, objectId)
Check Err.Number = DISP_E_OVERFLOW, "GoverningCase of 3000000000: " & Err.Number
Err.Clear
On Error GoTo 0
Check Executions() = executedBefore, "nothing was sent"
objectId = "12"
ws.SetReply SERVER, "CloneObject", "13"
Check main.CloneObject(ws, objectId) = 13, "a whole number in a text variable is the id"
Check LastRequest() = "<CloneObject OID=""vt3:12""/>", "the text's id: " & LastRequest()

If failures = 0 Then
  WScript.Echo "ok"
Else
  WScript.Echo failures & " failure(s)"
End If
WScript.Quit failures
