// Main through COM, against the stand-in workspace: what scripts cannot reach (plain
// [out] values, typed arrays, sentinels on failure, error sources) and the in-process
// comparison.
#include <gtest/gtest.h>

#include <standinsclient.h>

#include "WQCGenericSvcs.h"
#include "comtest.h"
#include "main/main.h"

namespace {

using wqstandins::CallLog;
using wqstandins::RequestXml;

constexpr wchar_t kServer[] = L"ZERAZevozarAdid.Main";
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
  LONG Requests() const {
    LONG count = 0;
    ws_->get_RequestCount(&count);
    return count;
  }
  std::wstring Last() const { return RequestXml(ws_.get(), Requests()); }

  plat::com_ptr<IWQCGenericSvcsMain> main_;
  plat::com_ptr<IWQStandinWorkspace> ws_;
  plat::com_ptr<IWQStandinWorkspace> noWq_;
};

plat::unique_bstr Bstr(const wchar_t* text) { return plat::unique_bstr::copy(text); }

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
  EXPECT_EQ(Requests(), 3);
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

TEST_F(MainTest, GoverningCaseObjectListsKeepTheirTypes) {
  wqstandins::SetReply(ws_.get(), kServer, L"SetGoverningCase", L"");
  auto ids = Array(VT_I2, {4, 9});
  ASSERT_EQ(main_->ResetObjectGoverningCase(ws(), ArrayVariant(ids.get(), VT_I2)), S_OK);
  EXPECT_EQ(Last(), L"<SetGoverningCase><OID>vt2:4</OID><OID>vt2:9</OID></SetGoverningCase>");
  VARIANT one;
  V_VT(&one) = VT_BSTR;
  plat::unique_bstr text = Bstr(L"12");
  V_BSTR(&one) = text.get();
  ASSERT_EQ(main_->SetObjectGoverningCase(ws(), Bstr(L"Design").get(), one), S_OK);
  EXPECT_EQ(Last(), L"<SetGoverningCase CaseName=\"vt8:Design\"><OID>vt8:12</OID></SetGoverningCase>");
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
