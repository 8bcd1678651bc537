// Main through COM, against the stand-in workspace: what scripts cannot reach (plain
// [out] values, typed arrays, sentinels on failure, error sources) and the in-process
// comparison.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cwchar>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <standinsclient.h>

#include "WQCGenericSvcs.h"
#include "comtest.h"
#include "xmlattacks.h"
#include "main/main.h"
#include "workspace/dataservicerequest.h"
#include "workspace/objectid.h"

namespace {

using wqstandins::CallLog;
using wqstandins::RequestXml;

constexpr const wchar_t* kServer = kServerProgId;
constexpr long kSentinel = 0x5EA1;

class MainTest : public wqtest::NoLeaks {
 protected:
  MainTest() : NoLeaks(L"WQCGenericSvcs.dll") {}
  void SetUp() override {
    ASSERT_EQ(CoCreateInstance(__uuidof(::Main), nullptr, CLSCTX_INPROC_SERVER,
                               __uuidof(IWQCGenericSvcsMain), main_.put_void()),
              S_OK);
    ASSERT_EQ(wqstandins::CreateWorkspace(ws_), S_OK);
    ASSERT_EQ(wqstandins::CreateWorkspace(noWq_, L"WQStandins.WorkspaceNoWQ"), S_OK);
  }
  void TearDown() override {
    main_.reset();
    NoLeaks::TearDown();
  }
  IDispatch* ws() const { return ws_.get(); }
  LONG Requests() const { return wqstandins::RequestCount(ws_.get()); }
  std::wstring Last() const { return RequestXml(ws_.get(), Requests()); }

  plat::com_ptr<IWQCGenericSvcsMain> main_;
  plat::com_ptr<IWQStandinWorkspace> ws_;
  plat::com_ptr<IWQStandinWorkspace> noWq_;
};

using wqtest::Bstr;

// A SAFEARRAY of `vt` with the given bounds, filled with `values` (one dimension).
plat::unique_safearray Array(VARTYPE vt, std::initializer_list<long> values, LONG lower = 0) {
  SAFEARRAYBOUND bound{static_cast<ULONG>(values.size()), lower};
  plat::unique_safearray array(SafeArrayCreate(vt, 1, &bound));
  LONG i = lower;
  for (long value : values) {
    if (vt == VT_I2) {
      SHORT s = static_cast<SHORT>(value);
      SafeArrayPutElement(array.get(), &i, &s);
    } else if (vt == VT_I4) {
      SafeArrayPutElement(array.get(), &i, &value);
    } else {
      VARIANT v;
      V_VT(&v) = VT_I4;
      V_I4(&v) = value;
      SafeArrayPutElement(array.get(), &i, &v);
    }
    ++i;
  }
  return array;
}

VARIANT ArrayVariant(SAFEARRAY* array, VARTYPE vt) {
  VARIANT v;
  V_VT(&v) = VT_ARRAY | vt;
  V_ARRAY(&v) = array;
  return v;
}

TEST_F(MainTest, ErrorInfoOnlyForItsOwnInterface) {
  plat::com_ptr<ISupportErrorInfo> support;
  ASSERT_EQ(main_.query_to(support), S_OK);
  EXPECT_EQ(support->InterfaceSupportsErrorInfo(__uuidof(IWQCGenericSvcsMain)), S_OK);
  EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE);
}

TEST_F(MainTest, BadWorkspaceSendsNothing) {
  long out = kSentinel;
  EXPECT_EQ(main_->CreateObject(noWq_.get(), Bstr(L"Pump").get(), nullptr, &out), E_INVALIDARG);
  EXPECT_EQ(main_->CloneObject(nullptr, 1, &out), E_INVALIDARG);
  EXPECT_EQ(main_->CopyObject(noWq_.get(), 1, &out), E_INVALIDARG);
  EXPECT_EQ(main_->DeleteCase(noWq_.get(), Bstr(L"A").get()), E_INVALIDARG);
  EXPECT_EQ(main_->CreateGlobalCase(noWq_.get(), Bstr(L"A").get(), &out), E_INVALIDARG);
  EXPECT_EQ(out, kSentinel);
  EXPECT_EQ(main_->SpawnExecution(nullptr, nullptr, 0), S_OK);
  EXPECT_EQ(Requests(), 0);
}

TEST_F(MainTest, FailingStepsLeaveOutValuesAlone) {
  wqstandins::SetReply(ws_.get(), kServer, L"CloneObject", L"12");
  for (const wchar_t* step : {L"CreateDataServiceCall", L"Execute", L"get_Response"}) {
    wqstandins::FailAt(ws_.get(), step, E_ACCESSDENIED, L"denied");
    long out = kSentinel;
    EXPECT_EQ(main_->CloneObject(ws(), 3, &out), E_ACCESSDENIED) << step;
    EXPECT_EQ(out, kSentinel) << step;
    wqstandins::FailAt(ws_.get(), step, S_OK);
  }
  long out = 0;
  EXPECT_EQ(main_->CloneObject(ws(), 3, &out), S_OK);
  EXPECT_EQ(out, 12);
}

TEST_F(MainTest, NullOutPointersSendNothing) {
  EXPECT_EQ(main_->ObjectDisplayName(ws(), 1, nullptr), E_POINTER);
  EXPECT_EQ(main_->ObjectClass(ws(), 1, nullptr), E_POINTER);
  EXPECT_EQ(main_->CreateObject(ws(), Bstr(L"Pump").get(), nullptr, nullptr), E_POINTER);
  EXPECT_EQ(main_->CheckForCopyObjectCase(ws(), nullptr, nullptr, nullptr, nullptr), E_POINTER);
  EXPECT_EQ(Requests(), 0);
  EXPECT_EQ(main_->CreateGlobalCase(ws(), Bstr(L"A").get(), nullptr), E_POINTER);
  EXPECT_EQ(wqtest::TakeErrorDescription(),
            L"<WQError Desc=\"Invalid pointer passed to method WQCGenericSvcs::CreateGlobalCase\" "
            L"Src=\"WQCGenericSvcs::CreateGlobalCase\" HR=\"E_POINTER\" />");
  EXPECT_EQ(Requests(), 0);
}

TEST_F(MainTest, DeleteObjectsReadsIntegerAndVariantArrays) {
  wqstandins::SetReply(ws_.get(), kServer, L"DeleteObjects", L"");
  const std::wstring expected =
      L"<DeleteObjects><Object OID=\"vt3:5\"/><Object OID=\"vt3:7\"/></DeleteObjects>";
  for (VARTYPE vt : {VT_I2, VT_I4, VT_VARIANT}) {
    auto array = Array(vt, {5, 0, 7}, 3);
    EXPECT_EQ(main_->DeleteObjects(ws(), ArrayVariant(array.get(), vt)), S_OK) << vt;
    EXPECT_EQ(Last(), expected) << vt;
  }
  // An array passed by reference, as Visual Basic clients pass them.
  auto array = Array(VT_I4, {5, 7});
  SAFEARRAY* psa = array.get();
  VARIANT byRef;
  V_VT(&byRef) = VT_ARRAY | VT_I4 | VT_BYREF;
  V_ARRAYREF(&byRef) = &psa;
  EXPECT_EQ(main_->DeleteObjects(ws(), byRef), S_OK);
  EXPECT_EQ(Last(), expected);
}

TEST_F(MainTest, DeleteObjectsRefusesArraysItCannotUse) {
  wqstandins::SetReply(ws_.get(), kServer, L"DeleteObjects", L"");
  SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
  plat::unique_safearray twoDims(SafeArrayCreate(VT_I4, 2, bounds));
  plat::unique_safearray texts(SafeArrayCreateVector(VT_BSTR, 0, 2));
  const struct {
    VARIANT value;
    HRESULT hr;
  } cases[] = {{ArrayVariant(twoDims.get(), VT_I4), E_INVALIDARG},
               {ArrayVariant(texts.get(), VT_BSTR), E_INVALIDARG},
               {ArrayVariant(nullptr, VT_I4), E_POINTER}};
  for (const auto& c : cases) {
    EXPECT_EQ(main_->DeleteObjects(ws(), c.value), c.hr);
    const std::wstring description = wqtest::TakeErrorDescription();
    EXPECT_EQ(description.rfind(L"<WQError Desc=\"", 0), 0u) << description;
  }
  EXPECT_EQ(Requests(), 0) << "a refused list is refused before any call is made";
  EXPECT_EQ(CallLog(ws_.get()).find(L"Execute"), std::wstring::npos) << "nothing may be sent";
}

TEST_F(MainTest, RestrictedCaseWithAnEmptyObjectList) {
  wqstandins::SetReply(ws_.get(), kServer, L"CreateCase", L"17");
  long caseId = kSentinel;
  VARIANT empty;
  VariantInit(&empty);
  ASSERT_EQ(main_->CreateRestrictedCase(ws(), Bstr(L"Hot").get(), empty, &caseId), S_OK);
  EXPECT_EQ(caseId, 17);
  EXPECT_EQ(Last(), L"<CreateCase Global=\"vt11:0\" CaseName=\"vt8:Hot\"/>");
  wqstandins::SetReply(ws_.get(), kServer, L"CreateCase", L"");
  ASSERT_EQ(main_->CreateGlobalCase(ws(), Bstr(L"Cold").get(), &caseId), S_OK);
  EXPECT_EQ(caseId, 0);
  EXPECT_EQ(Last(), L"<CreateCase Global=\"vt11:-1\" CaseName=\"vt8:Cold\"/>");
}

TEST_F(MainTest, RestrictedCaseRefusesATwoDimensionalArray) {
  SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
  plat::unique_safearray twoDims(SafeArrayCreate(VT_VARIANT, 2, bounds));
  long caseId = kSentinel;
  EXPECT_EQ(main_->CreateRestrictedCase(ws(), Bstr(L"Hot").get(),
                                        ArrayVariant(twoDims.get(), VT_VARIANT), &caseId),
            E_INVALIDARG);
  EXPECT_EQ(caseId, kSentinel);
  const std::wstring description = wqtest::TakeErrorDescription();
  EXPECT_NE(description.find(L"Desc=\"Safe array is not a 1-Dimensional vector\""),
            std::wstring::npos)
      << description;
  EXPECT_EQ(CallLog(ws_.get()).find(L"Execute"), std::wstring::npos);
}

TEST_F(MainTest, CaseErrorsNameTheMethod) {
  wqstandins::SetReply(ws_.get(), kServer, L"CreateCase", L"5");
  wqstandins::FailAt(ws_.get(), L"get_Response", E_FAIL, L"The reply was lost on the way");
  long caseId = kSentinel;
  EXPECT_EQ(main_->CreateRestrictedCase(ws(), Bstr(L"Hot").get(), VARIANT{}, &caseId), E_FAIL);
  plat::com_ptr<IErrorInfo> info;
  ASSERT_EQ(GetErrorInfo(0, info.put()), S_OK);
  plat::unique_bstr source, description;
  info->GetSource(source.put());
  info->GetDescription(description.put());
  EXPECT_STREQ(source.c_str(), L"WQCGenericSvcs::CreateResrictedCase");
  EXPECT_STREQ(description.c_str(),
               L"<WQError Desc=\"The reply was lost on the way\" HR=\"E_FAIL\" />\r\n"
               L"<WQError Desc=\"The reply was lost on the way\" "
               L"Src=\"WQStandins.DataServiceCall\" HR=\"E_FAIL\" />");
}

// Calls a member of `object` late-bound with `args` in the order written, the last of them
// named by `lastNamed` (the ids of their parameters); the method's own HRESULT when it raised
// one.
HRESULT InvokeByName(IUnknown* object, const wchar_t* name, WORD flags, std::vector<VARIANT> args,
                     std::vector<DISPID> lastNamed = {}, std::wstring* description = nullptr) {
  plat::com_ptr<IDispatch> dispatch;
  if (FAILED(object->QueryInterface(IID_IDispatch, dispatch.put_void()))) return E_NOINTERFACE;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  DISPID id = 0;
  PLAT_RETURN_IF_FAILED(dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
  std::reverse(args.begin(), args.end());
  std::reverse(lastNamed.begin(), lastNamed.end());
  DISPPARAMS params{args.data(), lastNamed.empty() ? nullptr : lastNamed.data(),
                    static_cast<UINT>(args.size()), static_cast<UINT>(lastNamed.size())};
  plat::unique_variant result;
  EXCEPINFO exception{};
  HRESULT hr = dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result.put(),
                                &exception, nullptr);
  if (hr == DISP_E_EXCEPTION) hr = exception.scode;
  if (description && exception.bstrDescription) *description = exception.bstrDescription;
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrHelpFile);
  return hr;
}

// The calls, early- and late-bound, of the methods that take a list of ids (and, when `ids`
// is no array, of the one that takes an id) that did not answer `expected`, one line each.
std::wstring CallsNotAnswering(HRESULT expected, IWQCGenericSvcsMain* main, IDispatch* ws,
                               const VARIANT& ids) {
  VARIANT workspace, name, outId;
  V_VT(&workspace) = VT_DISPATCH;
  V_DISPATCH(&workspace) = ws;
  plat::unique_bstr caseName = Bstr(L"Hot");
  V_VT(&name) = VT_BSTR;
  V_BSTR(&name) = caseName.get();
  long caseId = kSentinel;
  V_VT(&outId) = VT_BYREF | VT_I4;
  V_I4REF(&outId) = &caseId;
  const bool list = V_VT(&ids) & VT_ARRAY;
  const std::pair<const wchar_t*, std::function<HRESULT()>> calls[] = {
      {L"DeleteObjects", [&] { return main->DeleteObjects(ws, ids); }},
      {L"SetObjectGoverningCase",
       [&] { return main->SetObjectGoverningCase(ws, caseName.get(), ids); }},
      {L"ResetObjectGoverningCase", [&] { return main->ResetObjectGoverningCase(ws, ids); }},
      {L"CreateRestrictedCase",
       [&] { return main->CreateRestrictedCase(ws, caseName.get(), ids, &caseId); }},
      {L"GoverningCase",
       [&] { return list ? expected : main->get_GoverningCase(ws, ids, &caseId); }},
      {L"late-bound DeleteObjects",
       [&] {
         return InvokeByName(main, L"DeleteObjects", DISPATCH_METHOD, {workspace, ids});
       }},
      {L"late-bound SetObjectGoverningCase",
       [&] {
         return InvokeByName(main, L"SetObjectGoverningCase", DISPATCH_METHOD,
                             {workspace, name, ids});
       }},
      {L"late-bound ResetObjectGoverningCase",
       [&] {
         return InvokeByName(main, L"ResetObjectGoverningCase", DISPATCH_METHOD, {workspace, ids});
       }},
      {L"late-bound CreateRestrictedCase",
       [&] {
         return InvokeByName(main, L"CreateRestrictedCase", DISPATCH_METHOD,
                             {workspace, name, ids, outId});
       }},
      {L"late-bound GoverningCase",
       [&] {
         return list ? expected
                     : InvokeByName(main, L"GoverningCase", DISPATCH_PROPERTYGET, {workspace, ids});
       }},
  };
  std::wstring unexpected;
  for (const auto& [what, call] : calls) {
    const HRESULT hr = call();
    if (hr != expected) unexpected += std::wstring(what) + L" " + std::to_wstring(hr) + L"\n";
  }
  if (caseId != kSentinel) unexpected += L"a case id was written\n";
  return unexpected;
}

// A VARIANT that refers to itself, alone or in a list, early- or late-bound: refused before
// any call is made, never followed.
TEST_F(MainTest, AReferenceThatNeverEndsIsRefusedBeforeAnyCall) {
  VARIANT loop;
  V_VT(&loop) = VT_BYREF | VT_VARIANT;
  V_VARIANTREF(&loop) = &loop;
  plat::unique_safearray list(SafeArrayCreateVector(VT_VARIANT, 0, 2));
  VARIANT five;
  V_VT(&five) = VT_I4;
  V_I4(&five) = 5;
  for (LONG at : {0, 1}) SafeArrayPutElement(list.get(), &at, at ? &loop : &five);
  EXPECT_EQ(CallsNotAnswering(E_INVALIDARG, main_.get(), ws(), loop), L"");
  EXPECT_EQ(
      CallsNotAnswering(E_INVALIDARG, main_.get(), ws(), ArrayVariant(list.get(), VT_VARIANT)),
      L"");
  EXPECT_EQ(Requests(), 0) << CallLog(ws_.get());
}

// A whole number that no long holds is refused wherever an id or a list of ids goes, as the
// typed parameters refuse it, never read as no id: nothing is sent.
TEST_F(MainTest, AnIdBeyondALongIsRefusedNotSkipped) {
  VARIANT beyond;
  V_VT(&beyond) = VT_R8;
  V_R8(&beyond) = 3000000000.0;
  plat::unique_safearray alone(SafeArrayCreateVector(VT_VARIANT, 0, 1));
  LONG first = 0;
  SafeArrayPutElement(alone.get(), &first, &beyond);
  auto amid = Array(VT_VARIANT, {5, 0, 6});
  LONG middle = 1;
  SafeArrayPutElement(amid.get(), &middle, &beyond);
  for (const VARIANT& ids :
       {beyond, ArrayVariant(alone.get(), VT_VARIANT), ArrayVariant(amid.get(), VT_VARIANT)})
    EXPECT_EQ(CallsNotAnswering(DISP_E_OVERFLOW, main_.get(), ws(), ids), L"");
  EXPECT_EQ(Requests(), 0) << CallLog(ws_.get());
  // Described where the method keeps an error object.
  EXPECT_EQ(main_->ResetObjectGoverningCase(ws(), beyond), DISP_E_OVERFLOW);
  const std::wstring description = wqtest::TakeErrorDescription();
  EXPECT_EQ(description.rfind(std::wstring(L"<WQError Desc=\"") + kObjectIdRangeMessage, 0), 0u)
      << description;
}

// A parameter that reaches the request through a chain of references is written as the value
// the chain ends in; a chain that never ends is not sent.
TEST_F(MainTest, KBParametersAreFollowedByTheOneWalk) {
  wqstandins::SetReply(ws_.get(), kServer, L"RunRule",
                       L"<!--SimpleResponse--><Variant vt=\"3\" value=\"1\"/>");
  VARIANT value, inner, outer;
  V_VT(&value) = VT_I4;
  V_I4(&value) = 42;
  V_VT(&inner) = VT_BYREF | VT_VARIANT;
  V_VARIANTREF(&inner) = &value;
  V_VT(&outer) = VT_BYREF | VT_VARIANT;
  V_VARIANTREF(&outer) = &inner;
  plat::unique_variant result;
  ASSERT_EQ(main_->RunKBRule(Bstr(L"Check").get(), ws(), 0, 1, 2, outer, result.put()), S_OK);
  EXPECT_NE(Last().find(L"<UserParameters><Variant value=\"vt8:42\" vt=\"vt3:3\"/>"),
            std::wstring::npos)
      << Last();
  VARIANT loop;
  V_VT(&loop) = VT_BYREF | VT_VARIANT;
  V_VARIANTREF(&loop) = &loop;
  EXPECT_TRUE(FAILED(main_->RunKBRule(Bstr(L"Check").get(), ws(), 0, 1, 2, loop, result.put())));
  const std::wstring log = CallLog(ws_.get());
  EXPECT_EQ(log.find(L"Execute"), log.rfind(L"Execute")) << "only the first run is sent: " << log;
}

// What a list sends is the ids the check read, whatever type they came in: a text with
// blanks around its number is not sent as that text.
TEST_F(MainTest, GoverningCaseObjectListsSendTheIdsRead) {
  wqstandins::SetReply(ws_.get(), kServer, L"SetGoverningCase", L"");
  auto ids = Array(VT_I2, {4, 9});
  ASSERT_EQ(main_->ResetObjectGoverningCase(ws(), ArrayVariant(ids.get(), VT_I2)), S_OK);
  EXPECT_EQ(Last(), L"<SetGoverningCase><OID>vt3:4</OID><OID>vt3:9</OID></SetGoverningCase>");
  VARIANT one;
  V_VT(&one) = VT_BSTR;
  plat::unique_bstr text = Bstr(L" 12 ");
  V_BSTR(&one) = text.get();
  ASSERT_EQ(main_->SetObjectGoverningCase(ws(), Bstr(L"Design").get(), one), S_OK);
  EXPECT_EQ(Last(),
            L"<SetGoverningCase CaseName=\"vt8:Design\"><OID>vt3:12</OID></SetGoverningCase>");
}

TEST(MainInProcess, CompareObjectsReadsTheReply) {
  plat::com_ptr<IWQStandinWorkspace> ws;
  ASSERT_EQ(wqstandins::CreateWorkspace(ws), S_OK);
  wqstandins::SetReply(ws.get(), kServer, L"CompareObjects", L"<Differences/>");
  auto main = plat::make<::Main>();
  plat::unique_bstr result;
  ASSERT_EQ(main->CompareObjects(ws.get(), 3, 4, result.put()), S_OK);
  EXPECT_STREQ(result.c_str(), L"<Differences/>");
  EXPECT_EQ(RequestXml(ws.get(), 1), L"<CompareObjects OID1=\"vt3:3\" OID2=\"vt3:4\"/>");
  wqstandins::FailAt(ws.get(), L"get_Response", E_FAIL);
  EXPECT_EQ(main->CompareObjects(ws.get(), 3, 4, result.put()), S_OK)
      << "the execution's result stands when only the reply fails";
}

}  // namespace

namespace {

TEST_F(MainTest, EnumerationOptionsComeAsAOneBasedArray) {
  wqstandins::SetReply(ws_.get(), kServer, L"EnumerationOptions",
                       L"<EnumOptions Closed=\"1\"><Option>Water</Option><Option>Steam</Option>"
                       L"</EnumOptions>");
  BOOL closed = 7;
  plat::unique_safearray options;
  ASSERT_EQ(main_->EnumerationOptions(ws(), Bstr(L"Fluids").get(), &closed, options.put()), S_OK);
  EXPECT_EQ(closed, -1);
  EXPECT_EQ(CallLog(ws_.get()).find(L"put_Input(\"Fluids\")") != std::wstring::npos, true)
      << CallLog(ws_.get());
  LONG lower = 0, upper = 0;
  SafeArrayGetLBound(options.get(), 1, &lower);
  SafeArrayGetUBound(options.get(), 1, &upper);
  EXPECT_EQ(lower, 1);
  EXPECT_EQ(upper, 2);
  plat::unique_variant second;
  LONG index = 2;
  ASSERT_EQ(SafeArrayGetElement(options.get(), &index, second.put()), S_OK);
  EXPECT_EQ(V_VT(&second), VT_BSTR);
  EXPECT_STREQ(V_BSTR(&second), L"Steam");

  wqstandins::SetReply(ws_.get(), kServer, L"EnumerationOptions", L"<EnumOptions/>");
  ASSERT_EQ(main_->EnumerationOptions(ws(), Bstr(L"Fluids").get(), &closed, options.put()), S_OK);
  EXPECT_EQ(closed, 0);
  SafeArrayGetLBound(options.get(), 1, &lower);
  SafeArrayGetUBound(options.get(), 1, &upper);
  EXPECT_EQ(upper - lower + 1, 0);
  EXPECT_EQ(lower, 1);

  wqstandins::SetReply(ws_.get(), kServer, L"EnumerationOptions", L"<EnumOptions><Bad/>");
  EXPECT_TRUE(
      FAILED(main_->EnumerationOptions(ws(), Bstr(L"Fluids").get(), &closed, options.put())));
  EXPECT_EQ(closed, 0);
  EXPECT_EQ(options.get(), nullptr);
}

TEST_F(MainTest, ProjectStatusIsFoundByName) {
  const struct {
    std::wstring_view reply;
    EWQCVRMProjectStatus status;
  } cases[] = {{L"wqVRMCommittedProject", wqVRMCommittedProject},
               {std::wstring_view(L"\0wqVRMAsBuilt", 13), wqVRMAsBuilt},
               {L"wqVRMNotRegAsBuilt", wqVRMNotRegAsBuilt},
               {L"<Status>wqVRMAsBuiltPreProject</Status>", wqVRMAsBuiltPreProject},
               {L"wqVRMAsBuilt", wqVRMAsBuilt},
               {L"", wqVRMNotRegistered},
               {L"unknown", wqVRMNotRegistered}};
  for (const auto& c : cases) {
    wqstandins::SetReply(ws_.get(), kServer, L"VRMProjectStatus", c.reply);
    EWQCVRMProjectStatus status = wqVRMProject;
    ASSERT_EQ(main_->VRMProjectStatus(ws(), &status), S_OK) << std::wstring(c.reply);
    EXPECT_EQ(status, c.status) << std::wstring(c.reply);
  }
  wqstandins::FailAt(ws_.get(), L"Execute", E_FAIL, L"Server down");
  EWQCVRMProjectStatus status = wqVRMProject;
  EXPECT_EQ(main_->VRMProjectStatus(ws(), &status), E_FAIL);
  EXPECT_EQ(status, wqVRMNotRegistered);
}

TEST_F(MainTest, SavedProjectDataReportsOnlyAnF) {
  const struct {
    const wchar_t* reply;
    BOOL succeed;
  } cases[] = {{L"False", 0}, {L"F", 0}, {L"True", 65535}, {L"0", 65535}, {L"", 65535}};
  for (const auto& c : cases) {
    wqstandins::SetReply(ws_.get(), kServer, L"SaveVRMProjectData", c.reply);
    BOOL succeed = 1;
    ASSERT_EQ(main_->SaveVRMProjectData(ws(), Bstr(L"<Projects/>").get(), &succeed), S_OK);
    EXPECT_EQ(succeed, c.succeed) << c.reply;
  }
  BOOL succeed = 1;
  EXPECT_EQ(main_->SaveVRMProjectData(noWq_.get(), Bstr(L"x").get(), &succeed), E_NOINTERFACE);
  EXPECT_EQ(succeed, 65535);
}

TEST_F(MainTest, GroupingsPassThroughUnchanged) {
  const wchar_t kText[] = L"<Groupings>\r\n  <Group Name=\"a&amp;b\"/>\r\n</Groupings>";
  wqstandins::SetReply(ws_.get(), kServer, L"GetComponentGroupings", kText);
  plat::unique_bstr text;
  ASSERT_EQ(main_->GetComponentGroupings(ws(), text.put()), S_OK);
  EXPECT_STREQ(text.c_str(), kText);
  wqstandins::SetReply(ws_.get(), kServer, L"GetComponentGroupings", L"");
  ASSERT_EQ(main_->GetComponentGroupings(ws(), text.put()), S_OK);
  ASSERT_NE(text.get(), nullptr);
  EXPECT_EQ(text.length(), 0u);

  wqstandins::SetReply(ws_.get(), kServer, L"SetComponentGroupings", L"ignored");
  ASSERT_EQ(main_->SetComponentGroupings(ws(), Bstr(kText).get()), S_OK);
  wqstandins::FailAt(ws_.get(), L"put_Input", E_OUTOFMEMORY, L"");
  EXPECT_EQ(main_->SetComponentGroupings(ws(), Bstr(kText).get()), E_OUTOFMEMORY);
  plat::com_ptr<IErrorInfo> info;
  ASSERT_EQ(GetErrorInfo(0, info.put()), S_OK);
  plat::unique_bstr source;
  info->GetSource(source.put());
  EXPECT_STREQ(source.c_str(), L"WQCGenericSvcs::SetComponentGroupings");
}

TEST_F(MainTest, ProjectsComeFromTheProjectFramework) {
  plat::com_ptr<IWQStandinVermaro> vermaro;
  ASSERT_EQ(CoCreateInstance(__uuidof(Vermaro), nullptr, CLSCTX_INPROC_SERVER,
                             __uuidof(IWQStandinVermaro), vermaro.put_void()),
            S_OK);
  vermaro->Reset();
  plat::unique_safearray list(SafeArrayCreateVector(VT_VARIANT, 0, 2));
  VARIANT projects;
  V_VT(&projects) = VT_ARRAY | VT_VARIANT;
  V_ARRAY(&projects) = list.get();
  ASSERT_EQ(vermaro->SetProjects(projects), S_OK);

  plat::unique_safearray got;
  ASSERT_EQ(main_->GetProjects(ws(), got.put()), S_OK);
  ASSERT_NE(got.get(), nullptr);
  LONG upper = -1;
  SafeArrayGetUBound(got.get(), 1, &upper);
  EXPECT_EQ(upper, 1);
  ASSERT_EQ(main_->PublishProjectAsBuilt(ws(), Bstr(L"Unit 7").get()), S_OK);
  EXPECT_EQ(CallLog(vermaro.get()),
            L"Create\nInitialize(workspace)\nGetProjects\nCreate\nInitialize(workspace)\n"
            L"PublishAsBuilt(\"Unit 7\")");

  const struct {
    const wchar_t* step;
    const wchar_t* message;
  } failures[] = {{L"Create", L"Unable to instance Vermaro component"},
                  {L"Initialize", L"Unable to initialize Vermaro component"},
                  {L"GetProjects", L"Unable to get the project list from Vermaro component"}};
  for (const auto& f : failures) {
    vermaro->Reset();
    wqstandins::FailAt(vermaro.get(), f.step, E_ACCESSDENIED, L"");
    EXPECT_EQ(main_->GetProjects(ws(), got.put()), E_ACCESSDENIED) << f.step;
    EXPECT_EQ(got.get(), nullptr);
    const std::wstring description = wqtest::TakeErrorDescription();
    EXPECT_EQ(description.rfind(std::wstring(L"<WQError Desc=\"") + f.message + L"\"", 0), 0u)
        << description;
  }
  vermaro->Reset();
  wqstandins::FailAt(vermaro.get(), L"PublishAsBuilt", E_FAIL, L"");
  EXPECT_EQ(main_->PublishProjectAsBuilt(ws(), Bstr(L"Unit 7").get()), E_FAIL);
  EXPECT_NE(wqtest::TakeErrorDescription().find(
                L"Error publishing the updated documents from the As-Built"),
            std::wstring::npos);
  vermaro->Reset();
}

}  // namespace

namespace {

constexpr wchar_t kDiagramServer[] = L"VIDIDIVIzoz.Main";
constexpr wchar_t kSubmit[] = L"DwgManagement::SubmitDiagram";

VARIANT NoObject() {
  VARIANT v;
  V_VT(&v) = VT_I4;
  V_I4(&v) = 0;
  return v;
}

// The server methods of the requests made, one line each.
std::wstring Methods(IWQStandinWorkspace* ws) {
  std::wstring text;
  for (LONG i = 1; i <= wqstandins::RequestCount(ws); ++i) {
    plat::unique_bstr method;
    ws->get_RequestMethod(i, method.put());
    text += method.c_str() + std::wstring(L"\n");
  }
  return text;
}

TEST_F(MainTest, KBMethodRunsOnItsObjectWithTheParameters) {
  wqstandins::SetReply(ws_.get(), kServer, L"*",
                       L"<!--SimpleResponse--><Variant vt=\"3\" value=\"42\"/>");
  plat::unique_variant result, none;
  ASSERT_EQ(main_->RunKBMethod(Bstr(L"Size").get(), 17, ws(), 0, 4, 8, none, result.put()), S_OK);
  EXPECT_EQ(V_I4(&result), 42);
  EXPECT_EQ(Last(),
            L"<KBDescriptor ActiveDocOid=\"vt3:8\" CaseID=\"vt3:4\" name=\"vt8:Size\" "
            L"oid=\"vt3:17\"><UserParameters><Variant value=\"vt8:\" vt=\"vt3:0\"/>"
            L"</UserParameters></KBDescriptor>");
  EXPECT_EQ(main_->RunKBMethod(Bstr(L"Size").get(), 17, noWq_.get(), 0, 4, 8, none, result.put()),
            E_INVALIDARG);
}

// Each diagram's own methods decide whether PreSubmit runs on it: the second diagram's
// class has none, although the first one's had.
TEST_F(MainTest, DiagramsAreSubmittedAfterTheirOwnPreSubmit) {
  wqstandins::QueueReply(ws_.get(), kServer, L"ListKB",
                         L"<ListKB><KB KBName='Other' Display='O'/><KB KBName='PreSubmit' "
                         L"Display='Before submission'/></ListKB>");
  wqstandins::QueueReply(ws_.get(), kServer, L"ListKB", L"<ListKB><KB KBName='Other'/></ListKB>");
  wqstandins::SetReply(ws_.get(), kServer, L"RunMethod",
                       L"<!--SimpleResponse--><Variant vt=\"11\" value=\"-1\"/>");
  wqstandins::SetReply(ws_.get(), kDiagramServer, kSubmit,
                       L"<Reply><Message MessageType='QUESTION' DocumentId='3'>Overwrite?"
                       L"</Message></Reply>");
  auto diagrams = Array(VT_I4, {10, 20}, 1);
  INT submitted = -1;
  ASSERT_EQ(main_->SubmitDiagrams(ws(), diagrams.get(), 0, &submitted), S_OK);
  EXPECT_EQ(submitted, 2);
  EXPECT_EQ(Methods(ws_.get()),
            std::wstring(L"ListKB\nRunMethod\n") + kSubmit + L"\nListKB\n" + kSubmit + L"\n");
  EXPECT_EQ(RequestXml(ws_.get(), 1), L"<ListKB OID=\"vt3:10\" ExcludeDrawingItems=\"vt11:0\"/>");
  plat::unique_bstr server;
  ws_->get_RequestServer(5, server.put());
  EXPECT_STREQ(server.c_str(), kDiagramServer);
  EXPECT_EQ(RequestXml(ws_.get(), 5),
            L"<Document ServerReference=\"vt3:20\" Status=\"vt8:\" Force=\"vt2:-1\"/>");

  plat::unique_safearray none(SafeArrayCreateVector(VT_I4, 0, 0));
  EXPECT_EQ(main_->SubmitDiagrams(ws(), none.get(), 0, &submitted), S_OK);
  EXPECT_EQ(submitted, 0);
  EXPECT_EQ(Requests(), 5) << "nothing to submit, no PreSubmit";
}

TEST_F(MainTest, DiagramRepliesAsDocumentsOrLocations) {
  wchar_t folder[MAX_PATH], path[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  GetTempFileNameW(folder, L"wqd", 0, path);
  FILE* file = _wfopen(path, L"wb");
  ASSERT_NE(file, nullptr);
  fputs("<Reply><Message MessageType='INFO'/></Reply>", file);
  fclose(file);
  const struct {
    const wchar_t* reply;
    HRESULT hr;
  } cases[] = {
      {L"<Reply><Message>No type</Message></Reply>", S_FALSE},
      {L"<Reply><Message/><Note/></Reply>", S_OK},
      {L"  <Reply/>", S_OK},
      // As some servers write it: behind a byte-order mark.
      {L"\xFEFF<Reply><Message>No type</Message></Reply>", S_FALSE},
      {L"\xFEFF <?xml version='1.0' encoding='UTF-8'?><Reply/>", E_FAIL},
      {L"\xFEFF<?xml version='1.0' encoding='UTF-8'?><Reply/>", S_OK},
      {path, S_OK},
      // A reply that does not load stops the submission as a failure, not as S_FALSE.
      {L"<Reply>", E_FAIL},
      {L"", E_FAIL},
  };
  for (const auto& c : cases) {
    wqstandins::SetReply(ws_.get(), kDiagramServer, kSubmit, c.reply);
    const LONG before = Requests();
    auto diagrams = Array(VT_I4, {1, 2});
    EXPECT_EQ(main_->SubmitDiagrams(ws(), diagrams.get(), 0, nullptr), c.hr) << c.reply;
    const LONG submissions = (Requests() - before) / 2;  // with a ListKB each
    EXPECT_EQ(submissions, FAILED(c.hr) ? 1 : 2) << c.reply;
    if (FAILED(c.hr)) {
      EXPECT_NE(wqtest::TakeErrorDescription().find(L"diagram 1 could not be read"),
                std::wstring::npos)
          << c.reply;
    }
  }
  DeleteFileW(path);
}

TEST_F(MainTest, DiagramSubmissionRefusals) {
  auto texts = plat::unique_safearray(SafeArrayCreateVector(VT_BSTR, 0, 1));
  EXPECT_EQ(main_->SubmitDiagrams(ws(), texts.get(), 0, nullptr), E_INVALIDARG);
  EXPECT_EQ(main_->SubmitDiagrams(ws(), nullptr, 0, nullptr), E_INVALIDARG);
  auto diagrams = Array(VT_I4, {4});
  EXPECT_EQ(main_->SubmitDiagrams(noWq_.get(), diagrams.get(), 0, nullptr), E_INVALIDARG);
  EXPECT_EQ(Requests(), 0);

  // A PreSubmit answer that is no boolean stops the submission before the diagram is sent.
  wqstandins::SetReply(ws_.get(), kServer, L"ListKB", L"<ListKB><KB KBName='PreSubmit'/></ListKB>");
  wqstandins::SetReply(ws_.get(), kServer, L"RunMethod",
                       L"<!--SimpleResponse--><Variant vt=\"8\" value=\"maybe\"/>");
  EXPECT_EQ(main_->SubmitDiagrams(ws(), diagrams.get(), 0, nullptr), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(Methods(ws_.get()), L"ListKB\nRunMethod\n");
  // A false one does not.
  wqstandins::SetReply(ws_.get(), kServer, L"RunMethod",
                       L"<!--SimpleResponse--><Variant vt=\"11\" value=\"0\"/>");
  wqstandins::SetReply(ws_.get(), kDiagramServer, kSubmit, L"<Reply/>");
  EXPECT_EQ(main_->SubmitDiagrams(ws(), diagrams.get(), 0, nullptr), S_OK);
  EXPECT_EQ(Methods(ws_.get()),
            std::wstring(L"ListKB\nRunMethod\nListKB\nRunMethod\n") + kSubmit + L"\n");
  // A request the call did not take whole is not sent.
  ASSERT_EQ(
      wqstandins::FailAt(ws_.get(), (std::wstring(kSubmit) + L".WriteVariantAttribute").c_str(),
                         E_OUTOFMEMORY, L"No room"),
      S_OK);
  EXPECT_EQ(main_->SubmitDiagrams(ws(), diagrams.get(), 0, nullptr), E_OUTOFMEMORY);
  const std::wstring text = wqtest::TakeErrorDescription();
  EXPECT_NE(text.find(L"The request to submit diagram 4 could not be written"), std::wstring::npos)
      << text;
  const std::wstring log = CallLog(ws_.get());
  const size_t submission = log.rfind(L"put_MethodName(\"" + std::wstring(kSubmit));
  ASSERT_NE(submission, std::wstring::npos) << log;
  EXPECT_EQ(log.find(L"Execute", submission), std::wstring::npos) << log;

  for (auto stub : {&IWQCGenericSvcsMain::SubmitDatasheets, &IWQCGenericSvcsMain::CheckDatasheets,
                    &IWQCGenericSvcsMain::CheckDiagrams}) {
    EXPECT_EQ((main_.get()->*stub)(nullptr, nullptr, 0, nullptr), S_OK);
    INT count = kSentinel;
    EXPECT_EQ((main_.get()->*stub)(nullptr, nullptr, 0, &count), S_OK);
    EXPECT_EQ(count, 0) << "the members that do nothing count nothing";
  }
  EXPECT_EQ(main_->IssueDatasheets(nullptr, nullptr, 0, nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(main_->IssueDiagrams(nullptr, nullptr, 0, nullptr, nullptr, nullptr), S_OK);
  for (auto issue : {&IWQCGenericSvcsMain::IssueDatasheets, &IWQCGenericSvcsMain::IssueDiagrams}) {
    INT count = kSentinel;
    EXPECT_EQ((main_.get()->*issue)(nullptr, nullptr, 0, nullptr, nullptr, &count), S_OK);
    EXPECT_EQ(count, 0);
  }
}

TEST_F(MainTest, SubmissionCountsWhatWentOutBeforeAFailure) {
  auto diagrams = Array(VT_I4, {1, 2, 3});
  INT submitted = kSentinel;
  // The second diagram went out, but its reply cannot be read: the third is not sent.
  wqstandins::QueueReply(ws_.get(), kDiagramServer, kSubmit, L"<Reply/>");
  wqstandins::QueueReply(ws_.get(), kDiagramServer, kSubmit, L"<Reply>");
  EXPECT_EQ(main_->SubmitDiagrams(ws(), diagrams.get(), 0, &submitted), E_FAIL);
  EXPECT_EQ(submitted, 2);
  wqtest::TakeErrorDescription();

  submitted = kSentinel;
  EXPECT_EQ(main_->SubmitDiagrams(noWq_.get(), diagrams.get(), 0, &submitted), E_INVALIDARG);
  EXPECT_EQ(submitted, 0);
}

// Whatever the parser's own defaults, a reply that declares entities is not expanded.
TEST_F(MainTest, DiagramReplyWithEntityExpansionIsRefusedAtOnce) {
  wchar_t folder[MAX_PATH], path[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  GetTempFileNameW(folder, L"wqd", 0, path);
  for (bool location : {false, true}) {
    for (const std::wstring& attack :
         {wqtest::BillionLaughs(L"Reply"), wqtest::QuadraticBlowup(L"Reply")}) {
      std::wstring reply = attack;
      if (location) {
        FILE* file = _wfopen(path, L"wb");
        ASSERT_NE(file, nullptr);
        for (wchar_t c : attack) fputc(static_cast<char>(c), file);
        fclose(file);
        reply = path;
      }
      wqstandins::SetReply(ws_.get(), kDiagramServer, kSubmit, reply.c_str());
      auto diagrams = Array(VT_I4, {7});
      const ULONGLONG start = GetTickCount64();
      EXPECT_TRUE(FAILED(main_->SubmitDiagrams(ws(), diagrams.get(), 0, nullptr)));
      EXPECT_LT(wqtest::ElapsedMs(start), 1000u) << attack.substr(0, 60);
      EXPECT_NE(wqtest::TakeErrorDescription().find(L"diagram 7"), std::wstring::npos);
    }
  }
  DeleteFileW(path);
}

TEST_F(MainTest, DeletionRepliesCompactTheirPipe) {
  plat::com_ptr<IWQStandinClientTools> tools;
  ASSERT_EQ(wqstandins::CreateClientTools(tools), S_OK);
  const struct {
    const wchar_t* reply;
    const wchar_t* compacted;  // null: nothing compacted
  } cases[] = {
      {L"<?xml version=\"1.0\"?>\r\n<CompactPipe ServerID=\"5\"/>", L"CompactPipe(5)"},
      {L"<CompactPipe Size=\"5\"/>", nullptr},
      {L"<Deleted/>", nullptr},
  };
  for (const auto& c : cases) {
    tools->Reset();
    SetErrorInfo(0, nullptr);
    wqstandins::SetReply(ws_.get(), kServer, L"DeleteObjects", c.reply);
    EXPECT_EQ(main_->DeleteObjects(ws(), NoObject()), S_OK) << c.reply;
    const std::wstring log = CallLog(tools.get());
    if (c.compacted) {
      EXPECT_NE(log.find(c.compacted), std::wstring::npos) << c.reply << "\n" << log;
    } else {
      EXPECT_EQ(log.find(L"CompactPipe"), std::wstring::npos) << c.reply << "\n" << log;
    }
    // A compaction that could not be done is no part of the deletion's answer.
    EXPECT_EQ(wqtest::TakeErrorDescription(), L"") << c.reply;
  }
  tools->Reset();
}

// Leaves an error info on the thread that no call of the module produced.
void InstallStaleErrorInfo() {
  plat::com_ptr<ICreateErrorInfo> stale;
  ASSERT_EQ(CreateErrorInfo(stale.put()), S_OK);
  stale->SetDescription(const_cast<LPOLESTR>(L"An old error of somebody else's"));
  SetErrorInfo(0, stale.try_query<IErrorInfo>().get());
}

TEST_F(MainTest, LateBoundFailuresAreDescribedOnlyByTheirOwnErrorInfo) {
  plat::com_ptr<IDispatch> selection;
  ASSERT_EQ(CoCreateInstance(__uuidof(WQCSelectCaseDlg), nullptr, CLSCTX_INPROC_SERVER,
                             IID_IDispatch, selection.put_void()),
            S_OK);
  LPOLESTR name = const_cast<LPOLESTR>(L"Selection");
  DISPID id = 0;
  ASSERT_EQ(selection->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), S_OK);
  InstallStaleErrorInfo();

  VARIANT index;
  V_VT(&index) = VT_I4;
  V_I4(&index) = 0;
  DISPPARAMS params{&index, nullptr, 1, 0};
  plat::unique_variant result;
  EXCEPINFO exception{};
  EXPECT_EQ(selection->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &params,
                              &result, &exception, nullptr),
            DISP_E_EXCEPTION);
  EXPECT_EQ(exception.scode, E_INVALIDARG);
  EXPECT_EQ(exception.bstrDescription, nullptr) << exception.bstrDescription;
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrHelpFile);
}

TEST_F(MainTest, BareRefusalsLeaveNoErrorInfoFromBefore) {
  plat::com_ptr<IWQCSelectCaseDlg> selection;
  ASSERT_EQ(CoCreateInstance(__uuidof(WQCSelectCaseDlg), nullptr, CLSCTX_INPROC_SERVER,
                             __uuidof(IWQCSelectCaseDlg), selection.put_void()),
            S_OK);
  long value = 0;
  InstallStaleErrorInfo();
  EXPECT_EQ(selection->get_Selection(0, &value), E_INVALIDARG);
  EXPECT_EQ(wqtest::TakeErrorDescription(), L"");
  InstallStaleErrorInfo();
  EXPECT_EQ(main_->CreateObject(noWq_.get(), Bstr(L"Pump").get(), nullptr, &value), E_INVALIDARG);
  EXPECT_EQ(wqtest::TakeErrorDescription(), L"");
}

template <class I>
plat::com_ptr<I> Create(REFCLSID clsid) {
  plat::com_ptr<I> object;
  EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(I), object.put_void()),
            S_OK);
  return object;
}

// The classes besides Main whose methods write requests from a client's texts.
struct RequestWriters {
  plat::com_ptr<IWQCSelectKBDlg> selectKb = Create<IWQCSelectKBDlg>(__uuidof(WQCSelectKBDlg));
  plat::com_ptr<IWQCKBDialogRequest> request =
      Create<IWQCKBDialogRequest>(__uuidof(WQCKBDialogRequest));
  plat::com_ptr<IWQCAssocHoldDlg> hold = Create<IWQCAssocHoldDlg>(__uuidof(WQCAssocHoldDlg));
  plat::com_ptr<IWQCClaimDlg> claim = Create<IWQCClaimDlg>(__uuidof(WQCClaimDlg));
  plat::com_ptr<IWQCSelectClassDlg> selectClass =
      Create<IWQCSelectClassDlg>(__uuidof(WQCSelectClassDlg));
  plat::com_ptr<IWQCSelectObjectDlg> selectObject =
      Create<IWQCSelectObjectDlg>(__uuidof(WQCSelectObjectDlg));
};

// A compiled client calls each creatable class through its vtable, asks GetErrorInfo after a
// failure and must not be told of an error from before: the call has its own text or none.
TEST_F(MainTest, EveryClassFailsThroughItsVtableWithoutOlderErrorInfo) {
  const RequestWriters writers;
  auto& [selectKb, request, hold, claim, selectClass, selectObject] = writers;
  auto unclaim = Create<IWQCUnClaimDlg>(__uuidof(WQCUnClaimDlg));
  auto openSheet = Create<IWQCOpenDatasheetDlg>(__uuidof(WQCOpenDatasheetDlg));
  auto byType = Create<IWQCSelDsByTypeDlg>(__uuidof(WQCSelDsByTypeDlg));
  auto selectCase = Create<IWQCSelectCaseDlg>(__uuidof(WQCSelectCaseDlg));
  auto unitSet = Create<IWQCSelectUnitSetDlg>(__uuidof(WQCSelectUnitSetDlg));
  auto selectSheet = Create<IWQCSelectDatasheetDlg>(__uuidof(WQCSelectDatasheetDlg));
  auto rename = Create<IWQCRenameCaseDlg>(__uuidof(WQCRenameCaseDlg));
  auto conflicts = Create<IWQCConflictResolution>(__uuidof(WQCConflictResolution));
  auto access = Create<IWQCAccessControl>(__uuidof(WQCAccessControl));
  auto formatter = Create<IWQCFieldFormatter>(__uuidof(WQCFieldFormatter));
  auto boolCtl = Create<IWQCFormatCtl>(__uuidof(WQCBoolFormatCtl));
  auto dateCtl = Create<IWQCFormatCtl>(__uuidof(WQCDateFormatCtl));
  auto integerCtl = Create<IWQCFormatCtl>(__uuidof(WQCIntegerFormatCtl));
  auto realCtl = Create<IWQCFormatCtl>(__uuidof(WQCRealFormatCtl));

  IDispatch* const noWq = noWq_.get();
  long number = 0;
  VARIANT_BOOL flag = VARIANT_FALSE;
  BSTR text = nullptr;
  VARIANT none;
  VariantInit(&none);
  enum Text { kNone, kOwn };
  struct Failure {
    const char* call;
    Text text;
    std::function<HRESULT()> run;
  };
  const Failure failures[] = {
      {"Main.ObjectDisplayName(null out)", kNone,
       [&] { return main_->ObjectDisplayName(ws(), 1, nullptr); }},
      {"Main.VRMProjectStatus(null out)", kNone,
       [&] { return main_->VRMProjectStatus(ws(), nullptr); }},
      {"Main.RunKBRule(non-workspace)", kNone,
       [&] { return main_->RunKBRule(Bstr(L"R").get(), noWq, 0, 0, 0, none, &none); }},
      {"SelectKB.Item(1) of none", kNone, [&] { return selectKb->get_Item(1, &text); }},
      {"SelectKB.RunRule(non-workspace)", kNone,
       [&] { return selectKb->RunRule(Bstr(L"R").get(), noWq, 0, VARIANT_FALSE, &none); }},
      {"KBDialogRequest.OID(null out)", kNone, [&] { return request->get_OID(nullptr); }},
      {"AssocHold.Selection(null out)", kNone, [&] { return hold->get_Selection(nullptr); }},
      {"AssocHold.CreateHold(non-workspace)", kNone,
       [&] { return hold->CreateHold(noWq, Bstr(L"H").get(), Bstr(L"R").get(), none, &number); }},
      {"Claim.ObjectCount(null out)", kNone, [&] { return claim->get_ObjectCount(nullptr); }},
      {"UnClaim.ShowDialog(null out)", kOwn, [&] { return unclaim->ShowDialog(0, nullptr); }},
      {"OpenDatasheet.GetCreateAsBuilt(null out)", kOwn,
       [&] { return openSheet->GetCreateAsBuilt(nullptr); }},
      {"SelDsByType.ShowDialog(null out)", kOwn, [&] { return byType->ShowDialog(nullptr); }},
      {"SelectCase.Selection(0)", kNone, [&] { return selectCase->get_Selection(0, &number); }},
      {"SelectCase.SelectionCount(null out)", kNone,
       [&] { return selectCase->get_SelectionCount(nullptr); }},
      {"SelectCase.LoadCaseList(non-workspace)", kNone,
       [&] { return selectCase->LoadCaseList(noWq); }},
      {"SelectClass.Class(1) of none", kNone, [&] { return selectClass->get_Class(1, &text); }},
      {"SelectObject.ObjectEditable(1) of none", kNone,
       [&] { return selectObject->get_ObjectEditable(1, &flag); }},
      {"SelectUnitSet.Option(1) of none", kNone, [&] { return unitSet->get_Option(1, &text); }},
      {"SelectDatasheet.DatasheetName(1) of none", kNone,
       [&] { return selectSheet->get_DatasheetName(1, &text); }},
      {"RenameCase.SelectionName(null out)", kNone,
       [&] { return rename->get_SelectionName(nullptr); }},
      {"ConflictResolution.ConflictsExist(null out)", kOwn,
       [&] { return conflicts->ConflictsExist(nullptr); }},
      {"AccessControl.Initialize(non-workspace)", kOwn, [&] { return access->Initialize(noWq); }},
      {"FieldFormatter.PrefixStrings(null out)", kOwn,
       [&] { return formatter->get_PrefixStrings(nullptr); }},
      {"BoolFormatCtl.Format(null out)", kNone, [&] { return boolCtl->get_Format(nullptr); }},
      {"DateFormatCtl.Enabled(null out)", kNone, [&] { return dateCtl->get_Enabled(nullptr); }},
      {"IntegerFormatCtl.Format(null out)", kNone, [&] { return integerCtl->get_Format(nullptr); }},
      {"RealFormatCtl.Format(null out)", kNone, [&] { return realCtl->get_Format(nullptr); }},
  };
  for (const Failure& failure : failures) {
    InstallStaleErrorInfo();
    EXPECT_TRUE(FAILED(failure.run())) << failure.call;
    const std::wstring description = wqtest::TakeErrorDescription();
    EXPECT_EQ(description.find(L"old error"), std::wstring::npos) << failure.call;
    EXPECT_EQ(description.empty(), failure.text == kNone) << failure.call;
  }
}

// XML cannot carry U+0000, and a copy up to it would send another text than given: a client's
// text that holds one is refused with a text naming its parameter, and nothing is sent. Each
// text argument of one method of each class that writes requests, and each way a VARIANT
// holds a text.
TEST_F(MainTest, ATextWithANulIsRefusedBeforeAnythingIsSent) {
  const RequestWriters writers;
  auto& [selectKb, request, hold, claim, selectClass, selectObject] = writers;
  // A reply that no request takes: a KB run shows no dialog for it.
  wqstandins::SetReply(ws_.get(), L"*", L"*", L"none");
  const plat::unique_bstr cut = plat::unique_bstr::copy(L"Pump\0Valve", 10);
  const plat::unique_bstr plain = Bstr(L"Pump");
  BSTR cutText = cut.get();
  VARIANT text, byRef, list, none, result;
  V_VT(&text) = VT_BSTR;
  V_BSTR(&text) = cut.get();
  V_VT(&byRef) = VT_BYREF | VT_BSTR;
  V_BSTRREF(&byRef) = &cutText;
  plat::unique_safearray elements(SafeArrayCreateVector(VT_VARIANT, 0, 1));
  LONG first = 0;
  SafeArrayPutElement(elements.get(), &first, &text);
  list = ArrayVariant(elements.get(), VT_VARIANT);
  VariantInit(&none);
  VariantInit(&result);
  long number = 0;
  std::wstring lateBound;  // a late-bound call's description comes in its exception
  const struct {
    const char* call;
    const wchar_t* parameter;
    std::function<HRESULT()> run;
  } calls[] = {
      {"Main.CreateObject", L"bstrClass",
       [&] { return main_->CreateObject(ws(), cut.get(), plain.get(), &number); }},
      {"Main.CreateObject", L"bstrKnownName",
       [&] { return main_->CreateObject(ws(), plain.get(), cut.get(), &number); }},
      {"Main.CreateObject late-bound", L"bstrClass",
       [&] {
         VARIANT workspace;
         V_VT(&workspace) = VT_DISPATCH;
         V_DISPATCH(&workspace) = ws();
         return InvokeByName(main_.get(), L"CreateObject", DISPATCH_METHOD, {workspace, text, text},
                             {}, &lateBound);
       }},
      {"Main.CreateGlobalCase", L"bstrCaseName",
       [&] { return main_->CreateGlobalCase(ws(), cut.get(), &number); }},
      {"Main.RunKBRule", L"vParams",
       [&] { return main_->RunKBRule(plain.get(), ws(), 0, 0, 0, list, &result); }},
      {"SelectKB.RunRule", L"bstrName",
       [&] { return selectKb->RunRule(cut.get(), ws(), 0, VARIANT_FALSE, &result); }},
      {"SelectKB.Parameters", L"Parameters", [&] { return selectKb->put_Parameters(byRef); }},
      {"KBDialogRequest.Initialise", L"strXML", [&] { return request->Initialise(cut.get(), 0); }},
      {"AssocHold.CreateHold", L"bstrName",
       [&] { return hold->CreateHold(ws(), cut.get(), plain.get(), none, &number); }},
      {"AssocHold.CreateHold", L"bstrReason",
       [&] { return hold->CreateHold(ws(), plain.get(), cut.get(), none, &number); }},
      {"AssocHold.CreateHold", L"bstrClass",
       [&] { return hold->CreateHold(ws(), plain.get(), plain.get(), text, &number); }},
      {"Claim.Initialize", L"vAttributeName", [&] { return claim->Initialize(ws(), 3, byRef); }},
      {"SelectClass.BaseClass", L"BaseClass",
       [&] { return selectClass->put_BaseClass(cut.get()); }},
      {"SelectObject.FilterClass", L"FilterClass",
       [&] { return selectObject->put_FilterClass(cut.get()); }},
  };
  for (const auto& c : calls) {
    EXPECT_EQ(c.run(), E_INVALIDARG) << c.call << " " << testing::PrintToString(c.parameter);
    const std::wstring description =
        lateBound.empty() ? wqtest::TakeErrorDescription() : std::exchange(lateBound, {});
    EXPECT_NE(description.find(std::wstring(L"The text of ") + c.parameter + L" holds a NUL"),
              std::wstring::npos)
        << c.call << ": " << testing::PrintToString(description);
  }
  EXPECT_EQ(Requests(), 0) << RequestXml(ws_.get(), 1);
}

TEST_F(MainTest, ASwallowedErrorDescribesNoLaterFailure) {
  plat::com_ptr<IWQStandinClientTools> tools;
  ASSERT_EQ(wqstandins::CreateClientTools(tools), S_OK);
  tools->Reset();
  wqstandins::FailAt(tools.get(), L"Create", REGDB_E_CLASSNOTREG,
                     L"Client tools are not installed");
  wqstandins::SetReply(ws_.get(), kServer, L"DeleteObjects", L"<CompactPipe ServerID=\"5\"/>");
  EXPECT_EQ(main_->DeleteObjects(ws(), NoObject()), S_OK);
  tools->Reset();
  EXPECT_EQ(wqtest::TakeErrorDescription(), L"");

  // Nor does a method with an error object pick up what it finds on the thread.
  InstallStaleErrorInfo();
  EXPECT_EQ(main_->SetDefaultGlobalGoverningCase(noWq_.get(), Bstr(L"A").get()), E_INVALIDARG);
  const std::wstring error = wqtest::TakeErrorDescription();
  EXPECT_EQ(error.find(L"old error"), std::wstring::npos) << error;
  // And one that succeeds leaves nothing of it behind.
  InstallStaleErrorInfo();
  wqstandins::SetReply(ws_.get(), kServer, L"SetGoverningCase", L"");
  EXPECT_EQ(main_->SetDefaultGlobalGoverningCase(ws(), Bstr(L"A").get()), S_OK);
  EXPECT_EQ(wqtest::TakeErrorDescription(), L"");
}

// The other VARIANT arguments follow a chain of references the same way: to its end, and a
// chain that never ends is refused, not taken for an omitted argument.
TEST_F(MainTest, OtherArgumentsFollowTheOneWalk) {
  auto formatter = Create<IWQCFieldFormatter>(__uuidof(WQCFieldFormatter));
  auto selectKb = Create<IWQCSelectKBDlg>(__uuidof(WQCSelectKBDlg));
  auto claim = Create<IWQCClaimDlg>(__uuidof(WQCClaimDlg));
  VARIANT value, inner, outer, loop;
  V_VT(&value) = VT_DATE;
  V_DATE(&value) = 45000;
  V_VT(&inner) = V_VT(&outer) = V_VT(&loop) = VT_BYREF | VT_VARIANT;
  V_VARIANTREF(&inner) = &value;
  V_VARIANTREF(&outer) = &inner;
  V_VARIANTREF(&loop) = &loop;
  plat::unique_bstr direct, chained;
  ASSERT_EQ(formatter->FormatDate(value, Bstr(L"%Y-%m-%d").get(), direct.put()), S_OK);
  EXPECT_EQ(formatter->FormatDate(outer, Bstr(L"%Y-%m-%d").get(), chained.put()), S_OK);
  EXPECT_STREQ(chained.c_str(), direct.c_str());
  EXPECT_EQ(formatter->FormatDate(loop, Bstr(L"%Y").get(), chained.put()), E_INVALIDARG);
  ASSERT_EQ(selectKb->put_Parameters(outer), S_OK);
  plat::unique_variant kept;
  ASSERT_EQ(selectKb->get_Parameters(kept.put()), S_OK);
  EXPECT_EQ(V_VT(&kept), VT_DATE);
  EXPECT_EQ(selectKb->put_Parameters(loop), E_INVALIDARG);
  VARIANT exclusive;
  V_VT(&exclusive) = VT_BOOL;
  V_BOOL(&exclusive) = VARIANT_TRUE;
  EXPECT_EQ(claim->ClaimObject(ws(), loop, exclusive), E_INVALIDARG);
  EXPECT_EQ(Requests(), 0);
}

// A real of any floating type that is no number, as the type information would convert it
// to an integer or a flag parameter of a late-bound call, is refused before the call: never
// made the largest integer or true. Positional, named and by reference alike, each argument
// judged at the parameter the type information hands it to.
TEST_F(MainTest, ALateBoundNaNIsNoIntegerOrFlag) {
  auto sheets = Create<IWQCOpenDatasheetDlg>(__uuidof(WQCOpenDatasheetDlg));
  double nan = std::nan("");
  float nanFloat = std::nanf("");
  VARIANT date, single, dateRef, variantRef, workspace, name, none, yes, zero, five;
  V_VT(&date) = VT_DATE;
  V_DATE(&date) = nan;
  V_VT(&single) = VT_R4;
  V_R4(&single) = nanFloat;
  V_VT(&dateRef) = VT_BYREF | VT_DATE;
  V_DATEREF(&dateRef) = &nan;
  // As a VBScript variable arrives.
  VARIANT held;
  V_VT(&held) = VT_R8;
  V_R8(&held) = nan;
  V_VT(&variantRef) = VT_BYREF | VT_VARIANT;
  V_VARIANTREF(&variantRef) = &held;
  V_VT(&workspace) = VT_DISPATCH;
  V_DISPATCH(&workspace) = ws();
  plat::unique_bstr text = Bstr(L"Size");
  V_VT(&name) = VT_BSTR;
  V_BSTR(&name) = text.get();
  VariantInit(&none);
  V_VT(&yes) = VT_BOOL;
  V_BOOL(&yes) = VARIANT_TRUE;
  V_VT(&zero) = VT_I4;
  V_I4(&zero) = 0;
  V_VT(&five) = VT_I4;
  V_I4(&five) = 5;
  wqstandins::SetReply(ws_.get(), kServer, L"RunRule",
                       L"<!--SimpleResponse--><Variant vt=\"3\" value=\"1\"/>");
  LONG sent = 0;
  for (const VARIANT& notANumber : {date, single, dateRef, variantRef}) {
    const VARTYPE vt = V_VT(&notANumber);
    // RunKBRule(bstrName, pWorkspace, lParentHWnd, lCaseID, lDocOID, vParams): a parent window
    // is no integer, a case no id, the parameters take it as it is; by position, with only
    // the name named (the rest go to the other parameters from the left) and all named.
    const struct {
      const char* parameter;
      UINT at;
      HRESULT hr;
    } rows[] = {{"a parent window", 2, DISP_E_OVERFLOW},
                {"a case", 3, E_INVALIDARG},
                {"the parameters", 5, S_OK}};
    for (const auto& row : rows) {
      std::vector<VARIANT> args{name, workspace, zero, zero, zero, none};
      args[row.at] = notANumber;
      std::vector<VARIANT> nameLast(args.begin() + 1, args.end());
      nameLast.push_back(name);
      const std::vector<VARIANT> reversed(args.rbegin(), args.rend());
      const struct {
        const char* way;
        std::vector<VARIANT> args;
        std::vector<DISPID> names;
      } ways[] = {{"by position", args, {}},
                  {"with the name named", nameLast, {0}},
                  {"all named", reversed, {5, 4, 3, 2, 1, 0}}};
      for (const auto& way : ways) {
        EXPECT_EQ(InvokeByName(main_.get(), L"RunKBRule", DISPATCH_METHOD, way.args, way.names),
                  row.hr)
            << row.parameter << " " << way.way << " " << vt;
        if (row.hr == S_OK) ++sent;
      }
    }

    EXPECT_EQ(InvokeByName(main_.get(), L"RunKBMethod", DISPATCH_METHOD,
                           {name, five, workspace, notANumber, zero, zero, none}),
              DISP_E_OVERFLOW)
        << "a parent window " << vt;
    EXPECT_EQ(InvokeByName(sheets.get(), L"AddNewDatasheet", DISPATCH_METHOD,
                           {five, name, name, name, notANumber, zero}),
              DISP_E_TYPEMISMATCH)
        << "a flag " << vt;
    EXPECT_EQ(InvokeByName(sheets.get(), L"AddNewDatasheet", DISPATCH_METHOD,
                           {five, name, name, name, yes, notANumber}),
              DISP_E_OVERFLOW)
        << "a document type " << vt;
    EXPECT_EQ(InvokeByName(sheets.get(), L"AddNewDatasheet", DISPATCH_METHOD,
                           {five, name, name, name, zero, notANumber}, {5, 4}),
              DISP_E_TYPEMISMATCH)
        << "a flag named " << vt;
  }
  EXPECT_EQ(Requests(), sent) << CallLog(ws_.get());
  EXPECT_EQ(InvokeByName(sheets.get(), L"AddNewDatasheet", DISPATCH_METHOD,
                         {five, name, name, name, yes, zero}),
            S_OK);
}

// The id tables: values read as ids, and what the methods that take them send.
class ObjectIds : public MainTest {
 protected:
  // Hands `list` to each method that takes a list of ids: for a failing `hr` each refuses it
  // with that code and its text and begins no request; else each sends `ids`, as ids (a
  // deletion leaves out 0).
  void ExpectListsSend(const VARIANT& list, HRESULT hr, const std::vector<long>& ids,
                       const std::string& what) {
    wqstandins::SetReply(ws_.get(), kServer, L"*", L"5");
    wqstandins::SetReply(ws_.get(), kServer, L"CreateCase", L"5");
    std::wstring oids, objects;
    for (long id : ids) {
      oids += L"<OID>vt3:" + std::to_wstring(id) + L"</OID>";
      if (id) objects += L"<Object OID=\"vt3:" + std::to_wstring(id) + L"\"/>";
    }
    // An element without children is closed in its start tag.
    const auto element = [&](const std::wstring& start, const wchar_t* name) {
      return oids.empty() ? start + L"/>" : start + L">" + oids + L"</" + name + L">";
    };
    long caseId = 0;
    const struct {
      const char* method;
      std::function<HRESULT()> call;
      std::wstring sent;
    } methods[] = {
        {"ResetObjectGoverningCase", [&] { return main_->ResetObjectGoverningCase(ws(), list); },
         element(L"<SetGoverningCase", L"SetGoverningCase")},
        {"SetObjectGoverningCase",
         [&] { return main_->SetObjectGoverningCase(ws(), Bstr(L"Design").get(), list); },
         element(L"<SetGoverningCase CaseName=\"vt8:Design\"", L"SetGoverningCase")},
        {"CreateRestrictedCase",
         [&] { return main_->CreateRestrictedCase(ws(), Bstr(L"Hot").get(), list, &caseId); },
         element(L"<CreateCase Global=\"vt11:0\" CaseName=\"vt8:Hot\"", L"CreateCase")},
        {"DeleteObjects", [&] { return main_->DeleteObjects(ws(), list); },
         L"<DeleteObjects>" + objects + L"</DeleteObjects>"},
    };
    for (const auto& m : methods) {
      const LONG before = Requests();
      EXPECT_EQ(m.call(), FAILED(hr) ? hr : S_OK) << what << ": " << m.method;
      if (FAILED(hr)) {
        EXPECT_EQ(Requests(), before) << what << ": " << m.method;
        EXPECT_NE(wqtest::TakeErrorDescription().find(ObjectIdMessage(hr)), std::wstring::npos)
            << what << ": " << m.method;
      } else {
        EXPECT_EQ(Last(), m.sent) << what << ": " << m.method;
      }
    }
  }

  // `reply` to each request whose reply is read as a number is read as the same text is
  // read as an id, failing with DISP_E_TYPEMISMATCH where that is no id and quoting the
  // reply; an empty reply is 0.
  void ExpectRepliesRead(BSTR reply, HRESULT idHr, long id, const std::string& what) {
    const bool empty = !SysStringLen(reply);
    const HRESULT hr = empty || idHr == S_OK     ? S_OK
                       : idHr == DISP_E_OVERFLOW ? idHr
                                                 : DISP_E_TYPEMISMATCH;
    auto hold = Create<IWQCAssocHoldDlg>(__uuidof(WQCAssocHoldDlg));
    VARIANT none, object;
    VariantInit(&none);
    V_VT(&object) = VT_I4;
    V_I4(&object) = 3;
    const struct {
      const wchar_t* request;
      std::function<HRESULT(long*)> call;
    } reads[] = {
        {L"CreateObject",
         [&](long* out) { return main_->CreateObject(ws(), Bstr(L"Pump").get(), nullptr, out); }},
        {L"CloneObject", [&](long* out) { return main_->CloneObject(ws(), 3, out); }},
        {L"CopyObject", [&](long* out) { return main_->CopyObject(ws(), 3, out); }},
        {L"GetGoverningCase",
         [&](long* out) { return main_->get_GoverningCase(ws(), object, out); }},
        {L"CreateCase",
         [&](long* out) { return main_->CreateGlobalCase(ws(), Bstr(L"Design").get(), out); }},
        {L"CreateHoldObject",
         [&](long* out) {
           return hold->CreateHold(ws(), Bstr(L"H-1").get(), Bstr(L"Why").get(), none, out);
         }},
    };
    // The reply is quoted whole, a null inside it shown as \0.
    std::wstring quoted = L"'";
    for (const wchar_t c : std::wstring_view(reply, SysStringLen(reply)))
      quoted += c ? std::wstring(1, c) : std::wstring(L"\\0");
    quoted += L"'";
    for (const auto& r : reads) {
      wqstandins::SetReply(ws_.get(), kServer, r.request,
                           std::wstring_view(reply, SysStringLen(reply)));
      long out = kSentinel;
      EXPECT_EQ(r.call(&out), hr) << what << " as the reply to " << Narrow(r.request);
      if (hr == S_OK) {
        EXPECT_EQ(out, empty ? 0 : id) << what << " as the reply to " << Narrow(r.request);
      } else {
        EXPECT_NE(wqtest::TakeErrorDescription().find(quoted), std::wstring::npos)
            << what << " as the reply to " << Narrow(r.request);
      }
    }
  }

  static std::string Narrow(const wchar_t* text) { return std::string(text, text + wcslen(text)); }

  // What the list reader answers for `ids`, the ids read left aside.
  static HRESULT listRead(const VARIANT& ids) {
    std::vector<long> read;
    return ReadObjectIds(ids, read);
  }
};

// Values that the usual conversions read as another id than meant are no ids; everything
// else is left to the conversions (no value, a whole number in any type or in text).
TEST_F(ObjectIds, ValuesReadAsAnotherIdAreNoIds) {
  plat::com_ptr<IWQStandinWorkspace> ws;
  ASSERT_EQ(wqstandins::CreateWorkspace(ws), S_OK);
  auto text = [](const wchar_t* t) {
    VARIANT v;
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = SysAllocString(t);
    return v;
  };
  auto real = [](double d) {
    VARIANT v;
    V_VT(&v) = VT_R8;
    V_R8(&v) = d;
    return v;
  };
  auto money = [](LONGLONG units) {
    VARIANT v;
    V_VT(&v) = VT_CY;
    V_CY(&v).int64 = units;
    return v;
  };
  auto object = [](IDispatch* d) {
    VARIANT v;
    V_VT(&v) = VT_DISPATCH;
    V_DISPATCH(&v) = d;
    if (d) d->AddRef();
    return v;
  };
  VARIANT nothing, null;
  VariantInit(&nothing);
  V_VT(&null) = VT_NULL;
  const struct {
    const char* what;
    VARIANT value;
    bool readable;
  } cases[] = {
      {"no value", nothing, true},
      {"null", null, true},
      {"a whole number in text, blanks around", text(L" -12 "), true},
      {"a list in text", text(L"1,2"), false},
      {"a number with a tail", text(L"12abc"), false},
      {"an exponent", text(L"1e3"), false},
      {"an empty text", text(L""), false},
      {"a whole double", real(2.0), true},
      {"a fraction", real(1.5), false},
      {"an infinity", real(HUGE_VAL), false},
      {"a whole currency", money(30000), true},
      {"a currency with cents", money(35000), false},
      {"an object", object(ws.get()), false},
      {"a null object", object(nullptr), true},
  };
  auto readable = [](const VARIANT& value) {
    long id = 0;
    return ReadObjectId(value, &id) != E_INVALIDARG;
  };
  for (const auto& c : cases) {
    EXPECT_EQ(readable(c.value), c.readable) << c.what;
    // The same through a reference, as Visual Basic passes variables.
    VARIANT byRef;
    V_VT(&byRef) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&byRef) = const_cast<VARIANT*>(&c.value);
    EXPECT_EQ(readable(byRef), c.readable) << c.what << " by reference";
  }
  for (const auto& c : cases) VariantClear(const_cast<VARIANT*>(&c.value));

  // A typed reference and the elements of lists.
  plat::unique_bstr list = plat::unique_bstr::copy(L"1,2");
  BSTR listText = list.get();
  VARIANT textRef;
  V_VT(&textRef) = VT_BYREF | VT_BSTR;
  V_BSTRREF(&textRef) = &listText;
  EXPECT_FALSE(readable(textRef));
  auto ids = Array(VT_I4, {5, 7});
  EXPECT_EQ(listRead(ArrayVariant(ids.get(), VT_I4)), S_OK);
  plat::unique_safearray texts(SafeArrayCreateVector(VT_BSTR, 0, 2));
  for (LONG at : {0, 1})
    SafeArrayPutElement(texts.get(), &at, plat::unique_bstr::copy(L"12").get());
  EXPECT_EQ(listRead(ArrayVariant(texts.get(), VT_BSTR)), S_OK);
  LONG last = 1;
  SafeArrayPutElement(texts.get(), &last, list.get());
  EXPECT_EQ(listRead(ArrayVariant(texts.get(), VT_BSTR)), E_INVALIDARG);

  // A reference that never ends is no id; it is refused, not followed.
  VARIANT loop;
  V_VT(&loop) = VT_BYREF | VT_VARIANT;
  V_VARIANTREF(&loop) = &loop;
  EXPECT_FALSE(readable(loop));
  EXPECT_EQ(listRead(loop), E_INVALIDARG);
}

// One rule for every kind of value a client can pass, alone, by reference and in arrays: an
// id is a whole number that a long holds (DISP_E_OVERFLOW beyond), anything else is no id
// (E_INVALIDARG), and empty values hold none (S_FALSE). Every list method sends the ids read,
// of every type the rule reads, and a reply read as a number follows the same rule.
TEST_F(ObjectIds, EveryKindOfValueIsReadByTheOneRule) {
  auto of = [](VARTYPE vt, auto assign) {
    VARIANT v;
    VariantInit(&v);
    assign(v);
    V_VT(&v) = vt;  // after the value: a DECIMAL covers the type field
    return v;
  };
  auto i2 = [&](SHORT n) { return of(VT_I2, [&](VARIANT& v) { V_I2(&v) = n; }); };
  auto i1 = [&](CHAR n) { return of(VT_I1, [&](VARIANT& v) { V_I1(&v) = n; }); };
  auto ui1 = [&](BYTE n) { return of(VT_UI1, [&](VARIANT& v) { V_UI1(&v) = n; }); };
  auto integer = [&](INT n) { return of(VT_INT, [&](VARIANT& v) { V_INT(&v) = n; }); };
  auto i4 = [&](LONG n) { return of(VT_I4, [&](VARIANT& v) { V_I4(&v) = n; }); };
  auto ui4 = [&](ULONG n) { return of(VT_UI4, [&](VARIANT& v) { V_UI4(&v) = n; }); };
  auto i8 = [&](LONGLONG n) { return of(VT_I8, [&](VARIANT& v) { V_I8(&v) = n; }); };
  auto r4 = [&](float n) { return of(VT_R4, [&](VARIANT& v) { V_R4(&v) = n; }); };
  auto r8 = [&](double n) { return of(VT_R8, [&](VARIANT& v) { V_R8(&v) = n; }); };
  auto cy = [&](LONGLONG units) { return of(VT_CY, [&](VARIANT& v) { V_CY(&v).int64 = units; }); };
  auto date = [&](double n) { return of(VT_DATE, [&](VARIANT& v) { V_DATE(&v) = n; }); };
  auto flag = [&](bool b) {
    return of(VT_BOOL, [&](VARIANT& v) { V_BOOL(&v) = b ? VARIANT_TRUE : VARIANT_FALSE; });
  };
  auto text = [&](const wchar_t* t) {
    return of(VT_BSTR, [&](VARIANT& v) { V_BSTR(&v) = SysAllocString(t); });
  };
  auto whole = [&](std::wstring_view t) {  // a null inside it too
    return of(VT_BSTR, [&](VARIANT& v) {
      V_BSTR(&v) = SysAllocStringLen(t.data(), static_cast<UINT>(t.size()));
    });
  };
  // mantissa / 10^scale
  auto decimal = [&](ULONGLONG mantissa, BYTE scale, bool negative = false, ULONG high = 0) {
    return of(VT_DECIMAL, [&](VARIANT& v) {
      V_DECIMAL(&v).Lo64 = mantissa;
      V_DECIMAL(&v).Hi32 = high;
      V_DECIMAL(&v).scale = scale;
      V_DECIMAL(&v).sign = negative ? DECIMAL_NEG : 0;
    });
  };
  const struct {
    const char* what;
    VARIANT value;
    HRESULT hr;
    long id;
  } cases[] = {
      {"I2", i2(-12), S_OK, -12},
      {"I4", i4(7), S_OK, 7},
      {"I4 0", i4(0), S_OK, 0},
      {"I1", i1(-5), S_OK, -5},
      {"UI1", ui1(200), S_OK, 200},
      {"INT", integer(-40000), S_OK, -40000},
      {"UI4", ui4(4000000), S_OK, 4000000},
      {"UI4 beyond", ui4(3000000000u), DISP_E_OVERFLOW, 0},
      {"I8", i8(-2147483648LL), S_OK, LONG_MIN},
      {"I8 beyond", i8(3000000000LL), DISP_E_OVERFLOW, 0},
      {"R4 whole", r4(12.0f), S_OK, 12},
      {"R4 fraction", r4(1.5f), E_INVALIDARG, 0},
      {"R8 whole", r8(-2.0), S_OK, -2},
      {"R8 fraction", r8(12.5), E_INVALIDARG, 0},
      {"R8 beyond", r8(3000000000.0), DISP_E_OVERFLOW, 0},
      {"R8 infinity", r8(HUGE_VAL), E_INVALIDARG, 0},
      {"R8 NaN", r8(std::nan("")), E_INVALIDARG, 0},
      {"CY whole", cy(120000), S_OK, 12},
      {"CY fraction", cy(125000), E_INVALIDARG, 0},
      {"CY beyond", cy(30000000000000LL), DISP_E_OVERFLOW, 0},
      {"DECIMAL 12.000", decimal(12000, 3), S_OK, 12},
      {"DECIMAL 12.00000000000000001", decimal(1200000000000000001ULL, 17), E_INVALIDARG, 0},
      {"DECIMAL -3000000000", decimal(3000000000ULL, 0, true), DISP_E_OVERFLOW, 0},
      {"DECIMAL beyond 64 bits", decimal(0, 0, false, 1), DISP_E_OVERFLOW, 0},
      {"DATE", date(12.5), E_INVALIDARG, 0},
      {"DATE whole", date(12.0), E_INVALIDARG, 0},
      {"DATE NaN", date(std::nan("")), E_INVALIDARG, 0},
      {"BOOL", flag(true), E_INVALIDARG, 0},
      {"BSTR", text(L" -2147483648 "), S_OK, LONG_MIN},
      {"BSTR beyond", text(L"3000000000"), DISP_E_OVERFLOW, 0},
      {"BSTR far beyond", text(L"-21474836480"), DISP_E_OVERFLOW, 0},
      {"BSTR list", text(L"1,2"), E_INVALIDARG, 0},
      {"BSTR exponent", text(L"1e3"), E_INVALIDARG, 0},
      {"BSTR line ends", text(L"\r\n 12\r\n"), S_OK, 12},
      {"BSTR with a tail", text(L"12abc"), E_INVALIDARG, 0},
      {"BSTR a word", text(L"abc"), E_INVALIDARG, 0},
      {"BSTR far below", text(L"-99999999999"), DISP_E_OVERFLOW, 0},
      {"BSTR beyond with a tail", text(L"3000000000abc"), E_INVALIDARG, 0},
      {"BSTR empty", text(L""), E_INVALIDARG, 0},
      {"BSTR with a NUL", whole({L"12\0junk", 7}), E_INVALIDARG, 0},
      {"BSTR a NUL first",
       whole({L"\0"
              L"12",
              3}),
       E_INVALIDARG, 0},
      {"EMPTY", of(VT_EMPTY, [](VARIANT&) {}), S_FALSE, 0},
      {"NULL", of(VT_NULL, [](VARIANT&) {}), S_FALSE, 0},
  };
  for (const auto& c : cases) {
    const HRESULT listed = FAILED(c.hr) ? c.hr : S_OK;
    long id = kSentinel;
    EXPECT_EQ(ReadObjectId(c.value, &id), c.hr) << c.what;
    EXPECT_EQ(id, c.hr == S_OK ? c.id : kSentinel) << c.what;
    EXPECT_EQ(listRead(c.value), listed) << c.what;

    VARIANT viaVariant;
    V_VT(&viaVariant) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&viaVariant) = const_cast<VARIANT*>(&c.value);
    EXPECT_EQ(ReadObjectId(viaVariant, &id), c.hr) << c.what << " by VARIANT reference";
    EXPECT_EQ(listRead(viaVariant), listed) << c.what << " by VARIANT reference";

    const VARTYPE vt = V_VT(&c.value);
    void* data = vt == VT_DECIMAL ? static_cast<void*>(const_cast<DECIMAL*>(&V_DECIMAL(&c.value)))
                                  : const_cast<BYTE*>(&V_UI1(&c.value));
    plat::unique_safearray own(SafeArrayCreateVector(vt, 0, 1));
    if (vt != VT_EMPTY && vt != VT_NULL) {
      VARIANT typed;
      V_VT(&typed) = VT_BYREF | vt;
      V_BYREF(&typed) = data;
      EXPECT_EQ(ReadObjectId(typed, &id), c.hr) << c.what << " by typed reference";
      EXPECT_EQ(listRead(typed), listed) << c.what << " by typed reference";
      ASSERT_TRUE(own) << c.what;
      LONG at = 0;
      ASSERT_EQ(SafeArrayPutElement(own.get(), &at, vt == VT_BSTR ? V_BSTR(&c.value) : data), S_OK)
          << c.what;
      EXPECT_EQ(listRead(ArrayVariant(own.get(), vt)), listed) << c.what << " in its array";
      ExpectListsSend(ArrayVariant(own.get(), vt), c.hr, {c.id},
                      std::string(c.what) + " in its array");
    }
    plat::unique_safearray variants(SafeArrayCreateVector(VT_VARIANT, 0, 2));
    VARIANT five = i4(5);
    for (LONG at : {0, 1})
      SafeArrayPutElement(variants.get(), &at, at ? const_cast<VARIANT*>(&c.value) : &five);
    EXPECT_EQ(listRead(ArrayVariant(variants.get(), VT_VARIANT)), listed)
        << c.what << " in an array of VARIANTs";
    std::vector<long> read{5};
    if (c.hr == S_OK) read.push_back(c.id);
    ExpectListsSend(ArrayVariant(variants.get(), VT_VARIANT), c.hr, read,
                    std::string(c.what) + " in an array of VARIANTs");
    if (vt == VT_BSTR) ExpectRepliesRead(V_BSTR(&c.value), c.hr, c.id, c.what);
  }
  for (const auto& c : cases) VariantClear(const_cast<VARIANT*>(&c.value));

  // An empty list at the lowest bound: its upper bound wraps round to the highest.
  for (VARTYPE vt : {VT_I4, VT_VARIANT}) {
    auto empty = Array(vt, {}, LONG_MIN);
    ExpectListsSend(ArrayVariant(empty.get(), vt), S_OK, {}, "an empty list at the lowest bound");
  }
}

}  // namespace
