#include <gtest/gtest.h>

#include <oledb.h>

#include <string>
#include <vector>

#include "comtest.h"
#include "wqcomexception.h"

namespace {

using wqtest::TakeErrorDescription;

// Sets the thread's error info as a component would.
void SetComponentError(const wchar_t* description, const wchar_t* source = nullptr) {
  plat::com_ptr<ICreateErrorInfo> create;
  ASSERT_EQ(CreateErrorInfo(create.put()), S_OK);
  if (description) create->SetDescription(const_cast<LPOLESTR>(description));
  if (source) create->SetSource(const_cast<LPOLESTR>(source));
  plat::com_ptr<IErrorInfo> info;
  ASSERT_EQ(create.query_to(info), S_OK);
  SetErrorInfo(0, info.get());
}

struct Installed {
  HRESULT hr;
  std::wstring description;
  std::wstring source;
};

// What a client sees after the call: the code and the thread's error info.
Installed Observe(HRESULT hr) {
  Installed result{hr, L"", L""};
  plat::com_ptr<IErrorInfo> info;
  if (GetErrorInfo(0, info.put()) == S_OK && info) {
    plat::unique_bstr text, source;
    info->GetDescription(text.put());
    info->GetSource(source.put());
    result.description = text.c_str();
    result.source = source.c_str();
  }
  return result;
}

std::wstring SystemText(HRESULT hr) {
  plat::unique_bstr text;
  FormatSystemMessage(hr, text.put());
  return text.c_str();
}

// A method that keeps an error object, as the server's classes write them.
template <class Body>
HRESULT Method(const wchar_t* name, Body body) {
  WQ_METHOD_BEGIN(error, name, 0)
  body(error);
  WQ_METHOD_END(error)
}

TEST(ComException, RaiseWithMessageInstallsOneElement) {
  SetErrorInfo(0, nullptr);
  Installed got = Observe(Method(L"Main::CreateObject", [](WQComException& e) {
    e.ThrowHr(E_INVALIDARG, L"The workspace object is not valid");
  }));
  EXPECT_EQ(got.hr, E_INVALIDARG);
  EXPECT_EQ(got.description,
            L"<WQError Desc=\"The workspace object is not valid\" HR=\"E_INVALIDARG\" />");
  EXPECT_EQ(got.source, L"Main::CreateObject");
}

TEST(ComException, ForeignDescriptionIsWrappedBehindTheMessage) {
  Installed got = Observe(Method(L"Main::DeleteObjects", [](WQComException& e) {
    SetComponentError(L"Server said \"no\" <&>", L"Other.Component");
    e = static_cast<HRESULT>(0x80040E14);
    e.ThrowAt(WQ_HERE, L"Failed to execute %ls", L"DeleteObjects");
  }));
  EXPECT_EQ(got.hr, static_cast<HRESULT>(0x80040E14));
  EXPECT_EQ(got.description,
            L"<WQError Desc=\"Failed to execute DeleteObjects\" HR=\"0x80040e14\" />\r\n"
            L"<WQError Desc=\"Server said 'no' <&>\" Src=\"Other.Component\" HR=\"0x80040e14\" />");
}

TEST(ComException, MissingErrorInfoBecomesTheSystemText) {
  SetErrorInfo(0, nullptr);
  Installed got = Observe(Method(L"X::Y", [](WQComException& e) {
    e = E_ACCESSDENIED;
    e.ThrowAt(WQ_HERE, L"Could not open");
  }));
  EXPECT_EQ(got.description,
            L"<WQError Desc=\"Could not open\" HR=\"E_ACCESSDENIED\" />\r\n"
            L"<WQError Desc=\"" +
                SystemText(E_ACCESSDENIED) + L"\" HR=\"E_ACCESSDENIED\" />");
}

TEST(ComException, ShortDescriptionIsChainedUnchanged) {
  Installed got = Observe(Method(L"X::Y", [](WQComException& e) {
    SetComponentError(L"bad id");
    e = E_FAIL;
    e.ThrowAt(WQ_HERE);
  }));
  EXPECT_EQ(got.description, L"<WQError Desc=\"bad id\" HR=\"E_FAIL\" />\r\nbad id");
}

TEST(ComException, HResultNames) {
  const struct {
    HRESULT hr;
    const wchar_t* text;
  } cases[] = {{E_NOTIMPL, L"E_NOTIMPL"},
               {E_NOINTERFACE, L"E_NOINTERFACE"},
               {E_POINTER, L"E_POINTER"},
               {E_FAIL, L"E_FAIL"},
               {E_UNEXPECTED, L"E_UNEXPECTED"},
               {E_ACCESSDENIED, L"E_ACCESSDENIED"},
               {E_OUTOFMEMORY, L"E_OUTOFMEMORY"},
               {E_INVALIDARG, L"E_INVALIDARG"},
               {static_cast<HRESULT>(0x8004C001), L"0x8004c001"},
               {S_FALSE, L"0x1"}};
  for (const auto& c : cases) {
    WQStringBuffer buffer(64);
    AppendHResultAttribute(buffer, c.hr);
    EXPECT_EQ(std::wstring(buffer), L"HR=\"" + std::wstring(c.text) + L"\" ");
  }
}

TEST(ComException, NullPointerNamesTheMethod) {
  Installed got = Observe(Method(L"WQCClaimDlg::Initialize", [](WQComException& e) {
    e.CheckPointer(static_cast<void*>(nullptr));
  }));
  EXPECT_EQ(got.hr, E_POINTER);
  EXPECT_EQ(got.description,
            L"<WQError Desc=\"Invalid pointer passed to method WQCClaimDlg::Initialize\" "
            L"Src=\"WQCClaimDlg::Initialize\" HR=\"E_POINTER\" />");

  got = Observe(Method(L"WQCClaimDlg::Initialize", [](WQComException& e) {
    int value = 0;
    e.CheckPointer(&value);
    e.SetActivity(L"reading parts");
    e.CheckPointer(nullptr, L"");
  }));
  EXPECT_EQ(
      got.description,
      L"<WQError Src=\"WQCClaimDlg::Initialize\" Activity=\"reading parts\" HR=\"E_POINTER\" />");
}

HRESULT Nested() {
  WQ_METHOD_BEGIN(error, L"Inner::Call", 0)
  error.ThrowHr(E_FAIL, L"Inner failure");
  WQ_METHOD_END(error)
}

TEST(ComException, ActivityOfTheCallerIsPutInFront) {
  Installed got = Observe(Method(L"Outer::Call", [](WQComException& e) {
    e.SetActivity(L"loading cases");
    WQComException inner;
    inner = Nested();
    inner.Throw();
  }));
  EXPECT_EQ(got.hr, E_FAIL);
  EXPECT_EQ(got.description,
            L"<WQError Desc=\"Inner failure\" Activity=\"loading cases\" HR=\"E_FAIL\" />\r\n"
            L"<WQError Desc=\"Inner failure\" HR=\"E_FAIL\" />");
  EXPECT_EQ(got.source, L"Outer::Call");
}

TEST(ComException, AnonymousCatcherPassesTheChainOn) {
  WQComException outer;
  try {
    WQComException thrower;
    thrower.EnterMethod(L"Inner::Call", 0);
    thrower.ThrowHr(E_FAIL, L"deep");
  } catch (WQComException& caught) {
    outer.CatchComException(WQ_HERE, caught);
  }
  Installed got = Observe(outer.ReturnHResult());
  EXPECT_EQ(got.description, L"<WQError Desc=\"deep\" HR=\"E_FAIL\" />");
  EXPECT_EQ(got.source, L"Inner::Call");
}

TEST(ComException, OwnThrowIsCaughtOnlyOnce) {
  Installed got =
      Observe(Method(L"A::B", [](WQComException& e) { e.ThrowHr(E_INVALIDARG, L"once"); }));
  EXPECT_EQ(got.description, L"<WQError Desc=\"once\" HR=\"E_INVALIDARG\" />");
}

TEST(ComException, ComErrorKeepsItsDescription) {
  Installed got = Observe(Method(L"A::B", [](WQComException&) {
    plat::com_ptr<ICreateErrorInfo> create;
    CreateErrorInfo(create.put());
    create->SetDescription(const_cast<LPOLESTR>(L"Component refused the call"));
    create->SetSource(const_cast<LPOLESTR>(L"Comp.Source"));
    plat::com_ptr<IErrorInfo> info;
    create.query_to(info);
    throw _com_error(E_FAIL, info.detach());
  }));
  EXPECT_EQ(got.hr, E_FAIL);
  // The handler's element, then the wrapped text. The method's own (it has a name) would
  // repeat the handler's line word for word: it only names the method as the source.
  EXPECT_EQ(got.description,
            L"<WQError Desc=\"Component refused the call\" HR=\"E_FAIL\" />\r\n"
            L"<WQError Desc=\"Component refused the call\" Src=\"Comp.Source\" HR=\"E_FAIL\" />");
  EXPECT_EQ(got.source, L"A::B");
}

TEST(ComException, ForeignExceptionIsAFailureNotSuccess) {
  Installed got = Observe(Method(L"A::B", [](WQComException&) { throw 42; }));
  EXPECT_EQ(got.hr, E_UNEXPECTED);
  EXPECT_EQ(got.description, L"<WQError Desc=\"Unhandled exception\" HR=\"E_UNEXPECTED\" />");
  got = Observe(Method(L"A::B", [](WQComException&) { throw std::bad_alloc(); }));
  EXPECT_EQ(got.hr, E_OUTOFMEMORY);
}

TEST(ComException, ExtractDescription) {
  const struct {
    const wchar_t* text;
    const wchar_t* desc;
  } cases[] = {
      {L"plain text from elsewhere", L"plain text from elsewhere"},
      {L"<WQError Desc=\"first\" HR=\"E_FAIL\" />\r\n<WQError Desc=\"second\" />", L"first"},
      {L"<wqerror   Src=\"s\" desc=\"lower\" />", L"lower"},
      {L"<WQError HR=\"E_FAIL\" />", L""},
      {L"<WQError Desc", L""},
      {L"<WQError Desc=", L""},
      {L"<WQError Desc=\"never closed", L""},
      {L"<WQError Src=\"x\" Desc=\"", L""},
  };
  for (const auto& c : cases) {
    plat::unique_bstr desc;
    EXPECT_EQ(ExtractErrorDescription(c.text, desc.put()), S_OK);
    EXPECT_STREQ(desc.c_str(), c.desc) << c.text;
  }
  plat::unique_bstr none;
  EXPECT_EQ(ExtractErrorDescription(nullptr, none.put()), S_OK);
  EXPECT_EQ(none.get(), nullptr);
}

TEST(ComException, SystemMessages) {
  EXPECT_EQ(SystemText(static_cast<HRESULT>(0xA0BC0DEF)), L"Unknown error 0xA0BC0DEF");
  const std::wstring text = SystemText(E_OUTOFMEMORY);
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text.back(), L'\n');
  EXPECT_NE(text.back(), L'\r');
}

// An OLE DB error object with records; only what the wrapping reads is served.
class RecordsError final : public IErrorInfo, public IErrorRecords {
 public:
  struct Record {
    const wchar_t* description;
    const wchar_t* source;
    HRESULT hr;
    IID iid;
  };
  explicit RecordsError(std::vector<Record> records) : records_(std::move(records)) {}
  STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override {
    if (riid == IID_IUnknown || riid == IID_IErrorInfo)
      *ppv = static_cast<IErrorInfo*>(this);
    else if (riid == IID_IErrorRecords)
      *ppv = static_cast<IErrorRecords*>(this);
    else
      return *ppv = nullptr, E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHOD_(ULONG, AddRef)() override { return ++refs_; }
  STDMETHOD_(ULONG, Release)() override {
    const ULONG left = --refs_;
    if (!left) delete this;
    return left;
  }
  STDMETHOD(GetGUID)(GUID* guid) override { return *guid = GUID_NULL, S_OK; }
  STDMETHOD(GetSource)(BSTR* s) override { return *s = SysAllocString(L"Provider"), S_OK; }
  STDMETHOD(GetDescription)(BSTR* s) override { return *s = SysAllocString(L"Many errors"), S_OK; }
  STDMETHOD(GetHelpFile)(BSTR* s) override { return *s = nullptr, S_OK; }
  STDMETHOD(GetHelpContext)(DWORD* c) override { return *c = 0, S_OK; }
  STDMETHOD(AddErrorRecord)(ERRORINFO*, DWORD, DISPPARAMS*, IUnknown*, DWORD) override {
    return E_NOTIMPL;
  }
  STDMETHOD(GetBasicErrorInfo)(ULONG i, ERRORINFO* info) override {
    *info = ERRORINFO{records_[i].hr, 0, GUID_NULL, records_[i].iid, 0};
    return S_OK;
  }
  STDMETHOD(GetCustomErrorObject)(ULONG, REFIID, IUnknown** o) override {
    return *o = nullptr, E_NOTIMPL;
  }
  STDMETHOD(GetErrorInfo)(ULONG i, LCID, IErrorInfo** out) override {
    plat::com_ptr<ICreateErrorInfo> create;
    CreateErrorInfo(create.put());
    create->SetDescription(const_cast<LPOLESTR>(records_[i].description));
    if (records_[i].source) create->SetSource(const_cast<LPOLESTR>(records_[i].source));
    return create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(out));
  }
  STDMETHOD(GetErrorParameters)(ULONG, DISPPARAMS*) override { return E_NOTIMPL; }
  STDMETHOD(GetRecordCount)(ULONG* count) override { return *count = records_.size(), S_OK; }

 private:
  std::vector<Record> records_;
  ULONG refs_ = 1;
};

TEST(ComException, OleDbRecordsBecomeOneElementEach) {
  const IID rowset = {0x0c733a7c, 0x2a1c, 0x11ce, {0xad, 0xe5, 0x00, 0xaa, 0x00, 0x44, 0x77, 0x3d}};
  auto* records = new RecordsError({{L"first", L"SQL", static_cast<HRESULT>(0x80040E14), rowset},
                                    {L"second", nullptr, E_FAIL, rowset},
                                    {L"third", L"Net", E_INVALIDARG, rowset}});
  SetErrorInfo(0, static_cast<IErrorInfo*>(records));
  records->Release();
  WQComException error;
  error = E_FAIL;
  error.WrapDescription();
  EXPECT_EQ(
      TakeErrorDescription(),
      L"<WQError Desc=\"first\" Src=\"SQL\" HR=\"0x80040e14\" />\r\n"
      L"<WQError Desc=\"second\" Src=\"OLEDB Interface::{0C733A7C-2A1C-11CE-ADE5-00AA0044773D}\" "
      L"HR=\"0x80004005\" />\r\n"
      L"<WQError Desc=\"third\" Src=\"Net\" HR=\"0x80070057\" />");
}

TEST(ComException, CopiesShareTheErrorInfo) {
  WQComException a;
  SetComponentError(L"component error text");
  a = E_FAIL;
  ASSERT_NE(a.GetHeldErrorInfo(), nullptr);
  WQComException b(a);
  EXPECT_EQ(b.GetHeldErrorInfo(), a.GetHeldErrorInfo());
  a.Reset();
  EXPECT_EQ(a.GetHeldErrorInfo(), nullptr);
  EXPECT_TRUE(a.Succeeded());
  plat::unique_bstr text;
  b.GetDescription(text.put());
  EXPECT_STREQ(text.c_str(), L"component error text");
  b.Clear();
  EXPECT_TRUE(b.Succeeded());
  EXPECT_EQ(TakeErrorDescription(), L"");
}

}  // namespace
