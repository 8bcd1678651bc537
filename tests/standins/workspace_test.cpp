// The workspace and data service call stand-ins as the module meets them: through
// IWQWorkspace and IWQDataServiceCall by vtable, scripted through IWQStandinWorkspace.
#include "standinstest.h"

#include <functional>

namespace {

using standinstest::Bstr;
using wqstandins::CallLog;
using wqstandins::RequestXml;

const wchar_t kServer[] = L"ZERAZevozarAdid.Main";

class Workspace : public standinstest::NoLeaks {
 protected:
  void SetUp() override { ASSERT_EQ(wqstandins::CreateWorkspace(control_), S_OK); }
  void TearDown() override {
    control_.reset();
    NoLeaks::TearDown();
  }

  // A call made the module's way: the IDispatch the client holds, asked for IWQWorkspace.
  plat::com_ptr<IWQDataServiceCall> NewCall(const wchar_t* method = L"ListCases") {
    plat::com_ptr<IDispatch> dispatch;
    EXPECT_EQ(control_.query_to(dispatch), S_OK);
    plat::com_ptr<IWQWorkspace> workspace;
    EXPECT_EQ(dispatch.query_to(workspace), S_OK);
    plat::com_ptr<IWQDataServiceCall> call;
    if (!workspace || FAILED(workspace->CreateDataServiceCall(call.put()))) return call;
    call->put_Flags(0);
    call->put_ServerProgID(Bstr(kServer).get());
    call->put_MethodName(Bstr(method).get());
    return call;
  }

  HRESULT Response(IWQDataServiceCall* call, std::wstring* text, bool* isNull = nullptr) {
    plat::unique_bstr response;
    const HRESULT hr = call->get_Response(response.put());
    *text = response.c_str();
    if (isNull) *isNull = response.get() == nullptr;
    return hr;
  }

  plat::com_ptr<IWQStandinWorkspace> control_;
};

plat::unique_variant Int(LONG value) {
  plat::unique_variant v;
  V_VT(&v) = VT_I4;
  V_I4(&v) = value;
  return v;
}

TEST_F(Workspace, RecordsTheRequestWithTheTypesOfItsValues) {
  ASSERT_EQ(wqstandins::SetReply(control_.get(), kServer, L"ListCases", L"<ListCases/>"), S_OK);
  auto call = NewCall();
  ASSERT_TRUE(call);
  plat::unique_variant restricted;
  V_VT(&restricted) = VT_BOOL;
  V_BOOL(&restricted) = VARIANT_TRUE;
  plat::unique_variant name;
  V_VT(&name) = VT_BSTR;
  V_BSTR(&name) = Bstr(L"7").release();
  EXPECT_EQ(call->StartDocument(), S_OK);
  EXPECT_EQ(call->StartElement(Bstr(L"ListCases").get()), S_OK);
  EXPECT_EQ(call->WriteVariantAttribute(Bstr(L"RestrictedCases").get(), restricted), S_OK);
  EXPECT_EQ(call->CloseStartTag(), S_OK);
  EXPECT_EQ(call->WriteVariantElement(Bstr(L"ObjectId").get(), Int(7)), S_OK);
  EXPECT_EQ(call->WriteVariantElement(Bstr(L"ObjectId").get(), name), S_OK);
  EXPECT_EQ(call->EndElement(Bstr(L"ListCases").get()), S_OK);
  EXPECT_EQ(call->Execute(0), S_OK);
  std::wstring response;
  EXPECT_EQ(Response(call.get(), &response), S_OK);
  EXPECT_EQ(response, L"<ListCases/>");

  EXPECT_EQ(CallLog(control_.get()),
            L"CreateDataServiceCall\n"
            L"put_Flags(0)\n"
            L"put_ServerProgID(\"ZERAZevozarAdid.Main\")\n"
            L"put_MethodName(\"ListCases\")\n"
            L"StartDocument()\n"
            L"StartElement(\"ListCases\")\n"
            L"WriteVariantAttribute(\"RestrictedCases\", vt11:-1)\n"
            L"CloseStartTag()\n"
            L"WriteVariantElement(\"ObjectId\", vt3:7)\n"
            L"WriteVariantElement(\"ObjectId\", vt8:7)\n"
            L"EndElement(\"ListCases\")\n"
            L"Execute(0)\n"
            L"get_Response");
  EXPECT_EQ(RequestXml(control_.get(), 1),
            L"<ListCases RestrictedCases=\"vt11:-1\"><ObjectId>vt3:7</ObjectId>"
            L"<ObjectId>vt8:7</ObjectId></ListCases>");
  EXPECT_EQ(RequestXml(control_.get(), 1, false),
            L"<ListCases RestrictedCases=\"-1\"><ObjectId>7</ObjectId>"
            L"<ObjectId>7</ObjectId></ListCases>");
}

TEST_F(Workspace, ShowsEveryKindOfValue) {
  SAFEARRAY* ints = SafeArrayCreateVector(VT_I4, 0, 2);
  LONG i0 = 0, i1 = 1, one = 1, two = 2;
  SafeArrayPutElement(ints, &i0, &one);
  SafeArrayPutElement(ints, &i1, &two);
  SAFEARRAY* variants = SafeArrayCreateVector(VT_VARIANT, 1, 1);
  LONG first = 1;
  plat::unique_variant five = Int(5);
  SafeArrayPutElement(variants, &first, &five);
  LONG referenced = 9;

  struct Case {
    VARTYPE vt;
    std::function<void(VARIANT&)> fill;
    const wchar_t* expected;
  } cases[] = {
      {VT_EMPTY, [](VARIANT&) {}, L"vt0:"},
      {VT_BOOL, [](VARIANT& v) { V_BOOL(&v) = VARIANT_FALSE; }, L"vt11:0"},
      {VT_BOOL, [](VARIANT& v) { V_BOOL(&v) = 1; }, L"vt11:1"},
      {VT_R8, [](VARIANT& v) { V_R8(&v) = 1.5; }, L"vt5:1.5"},
      {VT_ERROR, [](VARIANT& v) { V_ERROR(&v) = DISP_E_PARAMNOTFOUND; }, L"vt10:0x80020004"},
      {VT_BYREF | VT_I4, [&](VARIANT& v) { V_I4REF(&v) = &referenced; }, L"vt16387:9"},
      {VT_ARRAY | VT_I4, [&](VARIANT& v) { V_ARRAY(&v) = ints; }, L"vt8195:{1;2}"},
      {VT_ARRAY | VT_VARIANT, [&](VARIANT& v) { V_ARRAY(&v) = variants; }, L"vt8204:{vt3:5}"},
      {VT_DISPATCH, [](VARIANT& v) { V_DISPATCH(&v) = nullptr; }, L"vt9:null"},
  };
  auto call = NewCall();
  ASSERT_TRUE(call);
  std::wstring expected = L"<Values>";
  call->StartElement(Bstr(L"Values").get());
  for (const Case& c : cases) {
    VARIANT v;  // borrowed: the arrays are destroyed below
    VariantInit(&v);
    V_VT(&v) = c.vt;
    c.fill(v);
    EXPECT_EQ(call->WriteVariantElement(Bstr(L"V").get(), v), S_OK) << c.expected;
    expected += L"<V>" + std::wstring(c.expected) + L"</V>";
  }
  call->EndElement(Bstr(L"Values").get());
  EXPECT_EQ(RequestXml(control_.get(), 1), expected + L"</Values>");
  SafeArrayDestroy(ints);
  SafeArrayDestroy(variants);
}

TEST_F(Workspace, EscapesValuesInTheRenderedRequest) {
  auto call = NewCall();
  plat::unique_variant text;
  V_VT(&text) = VT_BSTR;
  V_BSTR(&text) = Bstr(L"a<b & \"c\"").release();
  call->StartElement(Bstr(L"R").get());
  call->WriteVariantAttribute(Bstr(L"Name").get(), text);
  call->WriteText(Bstr(L"x>y").get());
  call->WriteRaw(Bstr(L"<Raw/>").get());
  call->EndElement(Bstr(L"R").get());
  EXPECT_EQ(RequestXml(control_.get(), 1, false),
            L"<R Name=\"a&lt;b &amp; &quot;c&quot;\">x&gt;y<Raw/></R>");
}

TEST_F(Workspace, RepliesByServerAndMethod) {
  wqstandins::SetReply(control_.get(), kServer, L"CreateObject", L"42");
  wqstandins::SetReply(control_.get(), kServer, L"DeleteCase", L"");
  wqstandins::QueueReply(control_.get(), L"*", L"RunMethod", L"<ScriptUI/>");
  wqstandins::QueueReply(control_.get(), L"*", L"RunMethod", L"<!--SimpleResponse-->");

  auto number = NewCall(L"createobject");
  ASSERT_EQ(number->Execute(0), S_OK);
  std::wstring text;
  EXPECT_EQ(Response(number.get(), &text), S_OK);
  EXPECT_EQ(text, L"42");

  auto empty = NewCall(L"DeleteCase");
  ASSERT_EQ(empty->Execute(0), S_OK);
  bool isNull = false;
  EXPECT_EQ(Response(empty.get(), &text, &isNull), S_OK);
  EXPECT_TRUE(isNull) << "an empty reply is a null BSTR";

  const wchar_t* queued[] = {L"<ScriptUI/>", L"<!--SimpleResponse-->", L"<!--SimpleResponse-->"};
  for (const wchar_t* expected : queued) {
    auto run = NewCall(L"RunMethod");
    ASSERT_EQ(run->Execute(0), S_OK);
    Response(run.get(), &text);
    EXPECT_EQ(text, expected);
  }

  auto unscripted = NewCall(L"ListClasses");
  EXPECT_EQ(unscripted->Execute(0), E_FAIL);
  EXPECT_NE(wqtest::TakeErrorDescription().find(L"ListClasses"), std::wstring::npos);
  EXPECT_EQ(Response(unscripted.get(), &text), E_UNEXPECTED)
      << "no reply may be read after a failed Execute";
}

TEST_F(Workspace, ScriptedFailuresCarryTheirErrorInfo) {
  ASSERT_EQ(wqstandins::FailAt(control_.get(), L"CreateDataServiceCall", E_OUTOFMEMORY,
                               L"No call objects left"),
            S_OK);
  plat::com_ptr<IWQWorkspace> workspace = control_.try_query<IWQWorkspace>();
  ASSERT_TRUE(workspace);
  IWQDataServiceCall* sentinel = reinterpret_cast<IWQDataServiceCall*>(0x1);
  IWQDataServiceCall* call = sentinel;
  EXPECT_EQ(workspace->CreateDataServiceCall(&call), E_OUTOFMEMORY);
  EXPECT_EQ(call, nullptr);
  EXPECT_EQ(wqtest::TakeErrorDescription(), L"No call objects left");

  wqstandins::FailAt(control_.get(), L"CreateDataServiceCall", S_OK);
  wqstandins::SetReply(control_.get(), L"*", L"*", L"1");
  // Only the calls of one method fail; a failure without a description leaves no stale
  // error info behind.
  wqstandins::FailAt(control_.get(), L"ClaimObject.Execute", E_ACCESSDENIED);
  auto listing = NewCall(L"ListObjectParts");
  EXPECT_EQ(listing->Execute(0), S_OK);
  plat::com_ptr<ICreateErrorInfo> stale;
  ASSERT_EQ(CreateErrorInfo(stale.put()), S_OK);
  stale->SetDescription(const_cast<LPOLESTR>(L"stale"));
  SetErrorInfo(0, stale.try_query<IErrorInfo>().get());
  auto claim = NewCall(L"ClaimObject");
  EXPECT_EQ(claim->Execute(0), E_ACCESSDENIED);
  EXPECT_EQ(wqtest::TakeErrorDescription(), L"");

  wqstandins::FailAt(control_.get(), L"get_Response", E_FAIL, L"Lost the reply");
  EXPECT_EQ(listing->get_Response(plat::unique_bstr().put()), E_FAIL);
  EXPECT_EQ(wqtest::TakeErrorDescription(), L"Lost the reply");

  // A failed writer call leaves no trace in the request.
  wqstandins::FailAt(control_.get(), L"StartElement", E_FAIL, L"Writer broken");
  auto writer = NewCall();
  EXPECT_EQ(writer->StartElement(Bstr(L"ListCases").get()), E_FAIL);
  EXPECT_EQ(RequestXml(control_.get(), 3), L"");
  const std::wstring log = CallLog(control_.get());
  EXPECT_EQ(log.substr(log.rfind(L'\n') + 1), L"StartElement(\"ListCases\") -> 0x80004005");

  EXPECT_EQ(wqstandins::FailAt(control_.get(), L"Exekute", E_FAIL), E_INVALIDARG);
  EXPECT_EQ(wqstandins::FailAt(control_.get(), L"Execute", S_FALSE), E_INVALIDARG);
}

TEST_F(Workspace, RefusesAMalformedRequest) {
  wqstandins::SetReply(control_.get(), L"*", L"*", L"");
  auto call = NewCall();
  EXPECT_EQ(call->WriteVariantAttribute(Bstr(L"A").get(), Int(1)), E_UNEXPECTED)
      << "an attribute needs an open start tag";
  call->StartElement(Bstr(L"ListCases").get());
  call->StartElement(Bstr(L"ObjectId").get());
  EXPECT_EQ(call->EndElement(Bstr(L"ListCases").get()), E_UNEXPECTED);
  EXPECT_NE(wqtest::TakeErrorDescription().find(L"\"ObjectId\" is open"), std::wstring::npos);
  EXPECT_EQ(call->EndElement(Bstr(L"ObjectId").get()), S_OK);
  EXPECT_EQ(call->Execute(0), E_UNEXPECTED) << "ListCases is still open";
  EXPECT_EQ(call->EndElement(Bstr(L"ListCases").get()), S_OK);
  EXPECT_EQ(call->EndElement(Bstr(L"ListCases").get()), E_UNEXPECTED);
  EXPECT_EQ(call->Execute(0), S_OK);

  auto unnamed = NewCall(L"");
  EXPECT_EQ(unnamed->Execute(0), E_UNEXPECTED);
  EXPECT_EQ(unnamed->get_Response(nullptr), E_POINTER);
}

TEST_F(Workspace, TheVariantWithoutIWQWorkspace) {
  plat::com_ptr<IWQStandinWorkspace> noWq;
  ASSERT_EQ(wqstandins::CreateWorkspace(noWq, L"WQStandins.WorkspaceNoWQ"), S_OK);
  EXPECT_EQ(wqtest::QueryResult(noWq.get(), __uuidof(IWQWorkspace)), E_NOINTERFACE);
  EXPECT_EQ(wqtest::QueryResult(noWq.get(), IID_IDispatch), S_OK);
  EXPECT_EQ(wqtest::QueryResult(control_.get(), __uuidof(IWQWorkspace)), S_OK);
}

TEST_F(Workspace, AMissingReplyFolderIsAnError) {
  LONG count = -1;
  EXPECT_TRUE(FAILED(control_->LoadReplyFolder(Bstr(L"C:\\no\\such\\folder").get(), &count)));
  EXPECT_EQ(count, 0);
  EXPECT_NE(wqtest::TakeErrorDescription().find(L"cannot be read"), std::wstring::npos);
}

}  // namespace
