// WQCFieldFormatter as clients meet it: created through the registered server, called
// through its interface and late-bound.
#include <clocale>

#include "WQCGenericSvcs.h"
#include "comtest.h"
#include "fieldtest.h"

namespace {

using wqtest::Localized;

plat::com_ptr<IWQCFieldFormatter> CreateFormatter() {
  CLSID clsid;
  EXPECT_EQ(CLSIDFromProgID(L"WQCGenericSvcs.WQCFieldFormatter", &clsid), S_OK);
  EXPECT_EQ(clsid, __uuidof(WQCFieldFormatter));
  plat::com_ptr<IWQCFieldFormatter> formatter;
  EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IWQCFieldFormatter),
                             formatter.put_void()),
            S_OK);
  return formatter;
}

// The newest message of the error the last call installed.
std::wstring LastMessage() {
  plat::unique_bstr message;
  ExtractErrorDescription(wqtest::TakeErrorDescription().c_str(), message.put());
  return message.c_str();
}

plat::unique_variant Real(double value) {
  plat::unique_variant v;
  V_VT(&v) = VT_R8;
  V_R8(&v) = value;
  return v;
}

plat::unique_variant Text(const wchar_t* text) {
  plat::unique_variant v;
  V_VT(&v) = VT_BSTR;
  V_BSTR(&v) = SysAllocString(text);
  return v;
}

plat::unique_bstr Bstr(const wchar_t* text) { return plat::unique_bstr::copy(text); }

// A BSTR out-parameter preset to a sentinel, so a call that fails can be seen to clear it.
struct OutText {
  BSTR value = reinterpret_cast<BSTR>(0x1);
  ~OutText() {
    if (value != reinterpret_cast<BSTR>(0x1)) SysFreeString(value);
  }
  std::wstring text() const { return value ? value : L"(null)"; }
};

TEST(FieldFormatter, AnswersErrorInfoForItsInterfaceOnly) {
  auto formatter = CreateFormatter();
  ASSERT_TRUE(formatter);
  plat::com_ptr<ISupportErrorInfo> support;
  ASSERT_EQ(formatter.query_to(support), S_OK);
  EXPECT_EQ(support->InterfaceSupportsErrorInfo(__uuidof(IWQCFieldFormatter)), S_OK);
  EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE);
}

TEST(FieldFormatter, FormatsThroughTheInterface) {
  auto formatter = CreateFormatter();
  ASSERT_TRUE(formatter);
  OutText out;
  ASSERT_EQ(formatter->FormatReal(Real(1500), nullptr, nullptr, nullptr, Bstr(L"%.1,3e").get(),
                                  &out.value),
            S_OK);
  EXPECT_EQ(out.text(), Localized(L"1.5e3"));
  // A script's number arrives as text written with '.'.
  ASSERT_EQ(formatter->FormatReal(Text(L"0.5"), Bstr(L"approx").get(), Bstr(L"m").get(),
                                  nullptr, Bstr(L"%*+.2f").get(), &out.value),
            S_OK);
  EXPECT_EQ(out.text(), Localized(L"approx +0.50 m"));
  ASSERT_EQ(formatter->FormatInteger(Text(L"42"), nullptr, nullptr, Bstr(L"many").get(),
                                     nullptr, &out.value),
            S_OK);
  EXPECT_EQ(out.text(), L"many");
  ASSERT_EQ(formatter->FormatBool(Text(L"yes"), Bstr(L"%Y").get(), &out.value), S_OK);
  EXPECT_EQ(out.text(), L"Y");

  plat::unique_variant date;
  V_VT(&date) = VT_DATE;
  SYSTEMTIME time = {2024, 3, 2, 5, 13, 4, 5, 0};
  SystemTimeToVariantTime(&time, &V_DATE(&date));
  ASSERT_EQ(formatter->FormatDate(date, Bstr(L"%d.%m.%Y %H:%M").get(), &out.value), S_OK);
  EXPECT_EQ(out.text(), L"05.03.2024 13:04");
}

TEST(FieldFormatter, ValuesThatAreAbsentGiveEmptyText) {
  auto formatter = CreateFormatter();
  ASSERT_TRUE(formatter);
  plat::unique_variant omitted;
  V_VT(&omitted) = VT_ERROR;
  V_ERROR(&omitted) = DISP_E_PARAMNOTFOUND;
  OutText out;
  EXPECT_EQ(formatter->FormatReal(omitted, nullptr, nullptr, nullptr, Bstr(L"%X").get(),
                                  &out.value),
            S_OK);
  EXPECT_EQ(out.text(), L"");
  EXPECT_EQ(formatter->FormatDate(plat::unique_variant(), nullptr, &out.value), S_OK);
  EXPECT_EQ(out.text(), L"");
  EXPECT_EQ(formatter->FormatBool(plat::unique_variant(), Bstr(L"%x").get(), &out.value), S_OK);
  EXPECT_EQ(out.text(), L"");
}

TEST(FieldFormatter, ValuesThatCannotBeConvertedFail) {
  auto formatter = CreateFormatter();
  ASSERT_TRUE(formatter);
  OutText out;
  EXPECT_EQ(formatter->FormatReal(Text(L"twelve"), nullptr, nullptr, nullptr, nullptr,
                                  &out.value),
            DISP_E_TYPEMISMATCH);
  EXPECT_EQ(out.value, nullptr);
  EXPECT_EQ(LastMessage(), L"Value cannot be coerced to a real number");

  EXPECT_EQ(formatter->FormatInteger(Text(L"twelve"), nullptr, nullptr, nullptr, nullptr,
                                     &out.value),
            DISP_E_TYPEMISMATCH);
  EXPECT_EQ(LastMessage(), L"Could not coerce value to an integer");

  EXPECT_EQ(formatter->FormatBool(Text(L"maybe"), nullptr, &out.value), E_FAIL);
  EXPECT_EQ(LastMessage(), L"Could not coerce value to an boolean");

  EXPECT_TRUE(FAILED(formatter->FormatDate(Text(L"no date"), nullptr, &out.value)));
  EXPECT_EQ(LastMessage(), L"Could not coerce value to a date");

  EXPECT_EQ(formatter->FormatReal(Real(1), nullptr, nullptr, nullptr, Bstr(L"%.2X").get(),
                                  &out.value),
            E_INVALIDARG);
  EXPECT_EQ(LastMessage(), L"Invalid format type");
  EXPECT_EQ(out.value, nullptr);
}

TEST(FieldFormatter, NullOutPointersGiveEPointer) {
  auto formatter = CreateFormatter();
  ASSERT_TRUE(formatter);
  EXPECT_EQ(formatter->FormatReal(Real(1), nullptr, nullptr, nullptr, nullptr, nullptr),
            E_POINTER);
  const std::wstring description = wqtest::TakeErrorDescription();
  EXPECT_EQ(description,
            L"<WQError Desc=\"Invalid pointer passed to method WQCFieldFormatter::FormatReal\" "
            L"Src=\"WQCFieldFormatter::FormatReal\" HR=\"E_POINTER\" />");
  EXPECT_EQ(formatter->FormatInteger(Real(1), nullptr, nullptr, nullptr, nullptr, nullptr),
            E_POINTER);
  EXPECT_EQ(formatter->FormatDate(Real(1), nullptr, nullptr), E_POINTER);
  EXPECT_EQ(formatter->FormatBool(Real(1), nullptr, nullptr), E_POINTER);
  EXPECT_EQ(formatter->get_PrefixStrings(nullptr), E_POINTER);
  EXPECT_EQ(formatter->Initialize(nullptr), E_POINTER);

  BSTR format = nullptr;
  BSTR prefix = nullptr, postfix = nullptr, substitution = nullptr;
  VARIANT value;
  EXPECT_EQ(formatter->UnformatReal(Bstr(L"1").get(), nullptr, &prefix, &postfix, &substitution,
                                    &value),
            E_POINTER);
  EXPECT_EQ(formatter->UnformatInteger(Bstr(L"1").get(), &format, &prefix, nullptr,
                                       &substitution, &value),
            E_POINTER);
  EXPECT_EQ(formatter->UnformatInteger(Bstr(L"1").get(), &format, &prefix, &postfix,
                                       &substitution, nullptr),
            E_POINTER);
}

TEST(FieldFormatter, ListsAndParsingNeedInitialize) {
  auto formatter = CreateFormatter();
  ASSERT_TRUE(formatter);
  SAFEARRAY* strings = reinterpret_cast<SAFEARRAY*>(0x1);
  EXPECT_EQ(formatter->get_SubstitutionStrings(&strings), E_FAIL);
  EXPECT_EQ(strings, nullptr);
  EXPECT_EQ(LastMessage(), L"Formatter not initialized");

  OutText format, prefix, postfix, substitution;
  format.value = SysAllocString(L"%f");
  VARIANT value;
  V_VT(&value) = VT_I4;
  EXPECT_EQ(formatter->UnformatReal(Bstr(L"1.5").get(), &format.value, &prefix.value,
                                    &postfix.value, &substitution.value, &value),
            E_FAIL);
  EXPECT_EQ(LastMessage(), L"Formatter not initialized");
  EXPECT_EQ(format.text(), L"%f");  // an [in, out] text is kept on failure
  EXPECT_EQ(prefix.value, nullptr);
  EXPECT_EQ(postfix.value, nullptr);
  EXPECT_EQ(substitution.value, nullptr);
  EXPECT_EQ(V_VT(&value), VT_EMPTY);
}

}  // namespace
