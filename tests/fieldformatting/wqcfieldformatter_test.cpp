// WQCFieldFormatter as compiled clients meet it: created through the registered server and
// initialized on the workspace stand-in.
#include <standinsclient.h>

#include <limits>
#include <vector>

#include "WQCGenericSvcs.h"
#include "comtest.h"
#include "fieldtest.h"
#include "workspace/dataservicerequest.h"

namespace {

using Texts = std::vector<std::wstring>;

const wchar_t kReply[] =
    L"<Initialize><Prefix>ca</Prefix><Postfix>m</Postfix><Prefix>ca.</Prefix><Unit>x</Unit>"
    L"<Substitution>N/A</Substitution><Prefix></Prefix></Initialize>";

using wqtest::Bstr;

std::wstring LastMessage() {
  plat::unique_bstr message;
  ExtractErrorDescription(wqtest::TakeErrorDescription().c_str(), message.put());
  return message.c_str();
}

// The outputs of one unformat call, preset to sentinels so a failure can be seen to clear them.
struct Outputs {
  BSTR format;
  BSTR text[3] = {reinterpret_cast<BSTR>(1), reinterpret_cast<BSTR>(1), reinterpret_cast<BSTR>(1)};
  VARIANT value = {};
  explicit Outputs(const wchar_t* incoming) : format(SysAllocString(incoming)) {
    V_VT(&value) = VT_I4;
  }
  ~Outputs() {
    for (BSTR t : {format, text[0], text[1], text[2]})
      if (t != reinterpret_cast<BSTR>(1)) SysFreeString(t);
    VariantClear(&value);
  }
  std::wstring Joined() const {
    std::wstring all;
    for (BSTR t : text) all += (t ? t : L"(null)") + std::wstring(L"|");
    return all;
  }
};

class FieldFormatter : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(wqstandins::CreateWorkspace(workspace_), S_OK);
    CLSID clsid;
    ASSERT_EQ(CLSIDFromProgID(L"WQCGenericSvcs.WQCFieldFormatter", &clsid), S_OK);
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IWQCFieldFormatter),
                               formatter_.put_void()),
              S_OK);
  }

  HRESULT Initialize(const wchar_t* reply) {
    wqstandins::SetReply(workspace_.get(), kServerProgId, L"InitializeFormatter", reply);
    plat::com_ptr<IDispatch> dispatch;
    EXPECT_EQ(workspace_.query_to(dispatch), S_OK);
    return formatter_->Initialize(dispatch.get());
  }

  // The prefixes, or "failed"; the list is a VARIANT array from 1.
  Texts Prefixes() {
    SAFEARRAY* raw = reinterpret_cast<SAFEARRAY*>(1);
    if (FAILED(formatter_->get_PrefixStrings(&raw))) return {raw ? L"bad out-pointer" : L"failed"};
    plat::unique_safearray array(raw);
    plat::safearray_data<VARIANT> data;
    EXPECT_EQ(data.access(raw), S_OK);
    EXPECT_EQ(raw->rgsabound[0].lLbound, 1);
    const VARIANT* elements = data.get();
    Texts texts;
    for (ULONG i = 0; i < raw->rgsabound[0].cElements; ++i)
      texts.emplace_back(V_VT(&elements[i]) == VT_BSTR ? V_BSTR(&elements[i]) : L"not a text");
    return texts;
  }

  HRESULT Unformat(bool integer, const std::wstring& text, Outputs& out) {
    auto method =
        integer ? &IWQCFieldFormatter::UnformatInteger : &IWQCFieldFormatter::UnformatReal;
    return (formatter_.get()->*method)(Bstr(text).get(), &out.format, &out.text[0], &out.text[1],
                                       &out.text[2], &out.value);
  }

  plat::com_ptr<IWQStandinWorkspace> workspace_;
  plat::com_ptr<IWQCFieldFormatter> formatter_;
};

TEST_F(FieldFormatter, CoercionFailuresAndNullPointers) {
  plat::unique_variant text;
  V_VT(&text) = VT_BSTR;
  V_BSTR(&text) = SysAllocString(L"twelve");
  BSTR out = reinterpret_cast<BSTR>(1);
  EXPECT_EQ(formatter_->FormatInteger(text, nullptr, nullptr, nullptr, nullptr, &out),
            DISP_E_TYPEMISMATCH);
  EXPECT_EQ(LastMessage(), L"Could not coerce value to an integer");
  EXPECT_EQ(out, nullptr);

  EXPECT_EQ(formatter_->FormatReal(text, nullptr, nullptr, nullptr, nullptr, nullptr), E_POINTER);
  EXPECT_EQ(wqtest::TakeErrorDescription(),
            L"<WQError Desc=\"Invalid pointer passed to method WQCFieldFormatter::FormatReal\" "
            L"Src=\"WQCFieldFormatter::FormatReal\" HR=\"E_POINTER\" />");
  EXPECT_EQ(formatter_->Initialize(nullptr), E_INVALIDARG);
  ASSERT_EQ(Initialize(kReply), S_OK);
  Outputs outputs(L"%f");
  EXPECT_EQ(formatter_->UnformatReal(Bstr(L"1").get(), nullptr, &outputs.text[0], &outputs.text[1],
                                     &outputs.text[2], &outputs.value),
            E_POINTER);
  EXPECT_EQ(formatter_->UnformatInteger(Bstr(L"1").get(), &outputs.format, &outputs.text[0],
                                        &outputs.text[1], &outputs.text[2], nullptr),
            E_POINTER);
}

// One formatter serves value after value: each text is the value's own, whatever came before.
TEST_F(FieldFormatter, EachValueGetsItsOwnText) {
  const auto real = [&](double number, const wchar_t* format, const wchar_t* prefix) {
    VARIANT value;
    V_VT(&value) = VT_R8;
    V_R8(&value) = number;
    plat::unique_bstr text;
    EXPECT_EQ(formatter_->FormatReal(value, Bstr(prefix).get(), nullptr, nullptr,
                                     Bstr(format).get(), text.put()),
              S_OK);
    return std::wstring(text.c_str());
  };
  const auto integer = [&](LONG number, const wchar_t* format) {
    VARIANT value;
    V_VT(&value) = VT_I4;
    V_I4(&value) = number;
    plat::unique_bstr text;
    EXPECT_EQ(
        formatter_->FormatInteger(value, nullptr, nullptr, nullptr, Bstr(format).get(), text.put()),
        S_OK);
    return std::wstring(text.c_str());
  };
  EXPECT_EQ(real(1e300, L"%.1,-2f", L"").size(), 308u);  // 303 digits, ".0" and "e-2"
  EXPECT_EQ(real(1.5, L"%*+.1f", L"ca"), wqtest::Localized(L"ca +1.5"));
  EXPECT_EQ(real(2, L"%.0f", L""), L"2");
  EXPECT_EQ(integer(-2147483647 - 1, L"%d"), L"-2147483648");
  EXPECT_EQ(integer(7, L"%+d"), L"+7");
  EXPECT_EQ(real(0.25, L"%.2f", L""), wqtest::Localized(L"0.25"));
}

// A text is a number only as a whole; a real reads it as an integer does, so a text with
// the thousands separator of the user's locale is the same number to both.
TEST_F(FieldFormatter, TextIsReadWholeAndAsIntegersReadIt) {
  const auto format = [&](bool integer, const wchar_t* number) {
    plat::unique_variant value;
    V_VT(&value) = VT_BSTR;
    V_BSTR(&value) = SysAllocString(number);
    plat::unique_bstr text;
    const HRESULT hr = integer ? formatter_->FormatInteger(value, nullptr, nullptr, nullptr,
                                                           Bstr(L"%d").get(), text.put())
                               : formatter_->FormatReal(value, nullptr, nullptr, nullptr,
                                                        Bstr(L"%.0f").get(), text.put());
    SetErrorInfo(0, nullptr);
    return SUCCEEDED(hr) ? std::wstring(text.c_str()) : L"failed";
  };
  for (const wchar_t* number : {L"1,500", L"2,000,000", L"12abc", L"1.5.0", L" -40 "}) {
    EXPECT_EQ(format(false, number), format(true, number))
        << testing::PrintToString(std::wstring(number));
  }
  EXPECT_EQ(format(false, L"12abc"), L"failed");
  if (wqtest::UserLocale().thousandsSeparator == L",") {
    EXPECT_EQ(format(false, L"1,500"), L"1500");
    EXPECT_EQ(format(false, L"2,000,000"), L"2000000");
  }
  EXPECT_EQ(format(false, L" 2.5 "), L"3") << "written with '.' in any locale";

  plat::unique_variant text;
  V_VT(&text) = VT_BSTR;
  V_BSTR(&text) = SysAllocString(L"12abc");
  plat::unique_bstr out;
  EXPECT_EQ(formatter_->FormatReal(text, nullptr, nullptr, nullptr, Bstr(L"%.2f").get(), out.put()),
            DISP_E_TYPEMISMATCH);
  EXPECT_EQ(LastMessage(), L"Value cannot be coerced to a real number");
}

TEST_F(FieldFormatter, InitializeReadsTheListsAndReplacesThem) {
  EXPECT_EQ(Prefixes(), Texts{L"failed"});
  EXPECT_EQ(LastMessage(), L"Formatter not initialized");
  ASSERT_EQ(Initialize(kReply), S_OK);
  EXPECT_EQ(Prefixes(), (Texts{L"ca", L"ca.", L""}));
  ASSERT_EQ(Initialize(L"<Initialize><Postfix>kg</Postfix></Initialize>"), S_OK);
  EXPECT_EQ(Prefixes(), Texts{});

  // A reply that breaks off after some texts leaves none of them.
  EXPECT_TRUE(FAILED(Initialize(L"<Initialize><Prefix>about</Prefix><Postfix>")));
  EXPECT_EQ(Prefixes(), Texts{L"failed"});
}

TEST_F(FieldFormatter, AFailedStepOfTheCallLeavesItUninitialized) {
  for (const wchar_t* step : {L"CreateDataServiceCall", L"put_Flags", L"put_ServerProgID",
                              L"put_MethodName", L"Execute", L"get_Response"}) {
    workspace_->Reset();
    ASSERT_EQ(Initialize(kReply), S_OK);
    wqstandins::FailAt(workspace_.get(), step, E_ACCESSDENIED, L"The server is down");
    EXPECT_EQ(Initialize(kReply), E_ACCESSDENIED) << testing::PrintToString(std::wstring(step));
    const std::wstring description = wqtest::TakeErrorDescription();
    EXPECT_EQ(description.rfind(L"<WQError Desc=\"Failed to ", 0), 0u) << description;
    EXPECT_NE(description.find(L"Desc=\"The server is down\""), std::wstring::npos);
    EXPECT_EQ(Prefixes(), Texts{L"failed"});
  }
  plat::com_ptr<IWQStandinWorkspace> other;
  ASSERT_EQ(wqstandins::CreateWorkspace(other, L"WQStandins.WorkspaceNoWQ"), S_OK);
  plat::com_ptr<IDispatch> dispatch;
  ASSERT_EQ(other.query_to(dispatch), S_OK);
  EXPECT_EQ(formatter_->Initialize(dispatch.get()), E_INVALIDARG);
}

TEST_F(FieldFormatter, UnformatHandsOutWhatItFoundOrNothing) {
  ASSERT_EQ(Initialize(kReply), S_OK);
  Outputs real(L"%.2f");
  ASSERT_EQ(Unformat(false, wqtest::Localized(L"CA. 12.5 m"), real), S_OK);
  EXPECT_EQ(std::wstring(real.format), L"%*.1f");
  EXPECT_EQ(real.Joined(), L"ca.|m|(null)|");
  EXPECT_EQ(V_VT(&real.value), VT_R8);
  EXPECT_EQ(V_R8(&real.value), 12.5);

  Outputs substituted(L"%d");
  ASSERT_EQ(Unformat(true, L" n/a ", substituted), S_OK);
  EXPECT_EQ(std::wstring(substituted.format), L"%*d");
  EXPECT_EQ(substituted.Joined(), L"(null)|(null)|N/A|");
  EXPECT_EQ(V_VT(&substituted.value), VT_EMPTY);

  Outputs failed(L"%f");
  EXPECT_EQ(Unformat(true, wqtest::Localized(L"ca 2.5"), failed), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(std::wstring(failed.format), L"%f");  // an [in, out] text is kept
  EXPECT_EQ(failed.Joined(), L"(null)|(null)|(null)|");
  EXPECT_EQ(V_VT(&failed.value), VT_EMPTY);
}

// Only a finite number written in decimals is a number, on every way into the formatter: a
// NaN (the platform's conversions read it as 2147483647 or as true), a scan's leftovers
// ("1e" as 1), hexadecimal and octal texts, infinities.
TEST_F(FieldFormatter, WhatIsNoFiniteDecimalNumberIsRefused) {
  const auto format = [&](bool integer, const VARIANT& value, const wchar_t* fieldFormat) {
    plat::unique_bstr text;
    const HRESULT hr = integer ? formatter_->FormatInteger(value, nullptr, nullptr, nullptr,
                                                           Bstr(fieldFormat).get(), text.put())
                               : formatter_->FormatReal(value, nullptr, nullptr, nullptr,
                                                        Bstr(fieldFormat).get(), text.put());
    SetErrorInfo(0, nullptr);
    return SUCCEEDED(hr) ? std::wstring(text.c_str()) : L"failed";
  };
  const auto text = [](const wchar_t* number) {
    plat::unique_variant value;
    V_VT(&value) = VT_BSTR;
    V_BSTR(&value) = SysAllocString(number);
    return value;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  VARIANT real, single, date, byRef;
  V_VT(&real) = VT_R8;
  V_R8(&real) = nan;
  V_VT(&single) = VT_R4;
  V_R4(&single) = std::numeric_limits<float>::quiet_NaN();
  V_VT(&date) = VT_DATE;
  V_DATE(&date) = nan;
  double nanByRef = nan;
  V_VT(&byRef) = VT_BYREF | VT_R8;
  V_R8REF(&byRef) = &nanByRef;
  for (const VARIANT* value : {&real, &single, &date, &byRef}) {
    for (const wchar_t* fieldFormat : {L"%d", L"%+d"})
      EXPECT_EQ(format(true, *value, fieldFormat), L"failed") << V_VT(value);
    EXPECT_EQ(format(false, *value, L"%.2f"), L"failed") << V_VT(value);
    plat::unique_bstr text;
    EXPECT_TRUE(FAILED(formatter_->FormatBool(*value, nullptr, text.put()))) << V_VT(value);
    EXPECT_TRUE(FAILED(formatter_->FormatDate(*value, nullptr, text.put()))) << V_VT(value);
    SetErrorInfo(0, nullptr);
  }
  for (const wchar_t* number :
       {L"1e", L"1e+", L"1E-", L"0x10", L"&H10", L"&O17", L"inf", L"nan", L"1e999", L".", L"-"}) {
    EXPECT_EQ(format(false, text(number), L"%.2f"), L"failed") << testing::PrintToString(number);
    EXPECT_EQ(format(true, text(number), L"%d"), L"failed") << testing::PrintToString(number);
  }
  EXPECT_EQ(format(false, text(L" 1e3 "), L"%.0f"), L"1000");
  EXPECT_EQ(format(false, text(L"+.5e1"), L"%.0f"), L"5");
  EXPECT_EQ(format(true, text(L" -40 "), L"%d"), L"-40");

  ASSERT_EQ(Initialize(kReply), S_OK);
  for (const bool integer : {false, true}) {
    for (const wchar_t* number : {L"&H10", L"ca &O17 m"}) {
      Outputs out(L"%f");
      EXPECT_EQ(Unformat(integer, number, out), DISP_E_TYPEMISMATCH)
          << testing::PrintToString(number);
      EXPECT_EQ(V_VT(&out.value), VT_EMPTY);
    }
  }
}

}  // namespace
