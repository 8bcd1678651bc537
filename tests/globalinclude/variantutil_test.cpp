#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <string>

#include "comtest.h"
#include "variantutil.h"
#include "wqxmlutils.h"
#include "wqcomexception.h"

namespace {

VARIANT Long(LONG value) {
  VARIANT v;
  V_VT(&v) = VT_I4;
  V_I4(&v) = value;
  return v;
}

// Owns a string VARIANT for the length of a test.
struct Text : plat::unique_variant {
  explicit Text(const wchar_t* text) {
    V_VT(this) = VT_BSTR;
    V_BSTR(this) = SysAllocString(text);
  }
};

// The C runtime's locale switched to one whose decimal point is ',' and thousands separator
// '.', restored afterwards; the module's code reads the same msvcrt state.
class CommaDecimalLocale {
 public:
  CommaDecimalLocale() : saved_(setlocale(LC_ALL, nullptr)) {
    active_ = setlocale(LC_ALL, "German_Germany") != nullptr;
  }
  ~CommaDecimalLocale() { setlocale(LC_ALL, saved_.c_str()); }
  bool active() const { return active_ && *localeconv()->decimal_point == ','; }

 private:
  std::string saved_;
  bool active_;
};

// Counts its references, so a test can see an array release its elements.
class Counted : public IUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    *out = iid == IID_IUnknown ? this : nullptr;
    if (!*out) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  ULONG refs = 1;
};

TEST(VariantToBool, ReadsBooleansAndConvertsOnlyWhenAllowed) {
  bool out = false;
  EXPECT_EQ(VariantToBool(Text(L"yEs"), &out, true), S_OK);
  EXPECT_TRUE(out);
  EXPECT_EQ(VariantToBool(Long(2), &out, true), S_OK);
  EXPECT_TRUE(out);
  out = false;
  EXPECT_EQ(VariantToBool(Text(L"t"), &out, true), E_FAIL);
  EXPECT_EQ(VariantToBool(Text(L"Yes"), &out, false), DISP_E_TYPEMISMATCH);
  EXPECT_FALSE(out) << "a failed conversion leaves out alone";
}

// A real of any floating type that is no number is no integer and no flag either: directly,
// by reference and through a reference to a VARIANT.
TEST(VariantToLong, ARealThatIsNoNumberIsRefusedAndLeavesOut) {
  float nanFloat = std::nanf("");
  double nan = std::nan("");
  VARIANT values[6];
  V_VT(&values[0]) = VT_R4;
  V_R4(&values[0]) = nanFloat;
  V_VT(&values[1]) = VT_R8;
  V_R8(&values[1]) = nan;
  V_VT(&values[2]) = VT_DATE;
  V_DATE(&values[2]) = nan;
  V_VT(&values[3]) = VT_BYREF | VT_R4;
  V_R4REF(&values[3]) = &nanFloat;
  V_VT(&values[4]) = VT_BYREF | VT_R8;
  V_R8REF(&values[4]) = &nan;
  V_VT(&values[5]) = VT_BYREF | VT_DATE;
  V_DATEREF(&values[5]) = &nan;
  for (VARIANT& v : values) {
    VARIANT viaVariant;
    V_VT(&viaVariant) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&viaVariant) = &v;
    for (const VARIANT* value : {&v, &viaVariant}) {
      long out = 7;
      EXPECT_EQ(VariantToLong(*value, &out, true), DISP_E_OVERFLOW) << V_VT(&v);
      EXPECT_EQ(out, 7);
      bool flag = false;
      EXPECT_EQ(VariantToBool(*value, &flag, true), DISP_E_TYPEMISMATCH) << V_VT(&v);
      EXPECT_FALSE(flag);
    }
  }
  V_R8(&values[1]) = 41.6;
  long out = 0;
  EXPECT_EQ(VariantToLong(values[1], &out, true), S_OK);
  EXPECT_EQ(out, 42);
}

TEST(VariantToDouble, NonNumericTextFailsAndLeavesOut) {
  double out = 7.0;
  EXPECT_EQ(VariantToDouble(Text(L"abc"), &out, true), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(out, 7.0);
  EXPECT_EQ(VariantToDouble(Text(L"2.5"), &out, false), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(VariantToDouble(Text(L"2.5"), &out, true), S_OK);
  EXPECT_EQ(out, 2.5);
}

TEST(VariantHasValue, OmittedArgumentsAndNullReferencesHaveNone) {
  VARIANT v;
  V_VT(&v) = VT_ERROR;
  V_ERROR(&v) = DISP_E_PARAMNOTFOUND;
  EXPECT_FALSE(VariantHasValue(v));
  EXPECT_TRUE(VariantHasValue(Long(0)));
  VARIANT nullRef;
  V_VT(&nullRef) = VT_BYREF | VT_I4;
  V_I4REF(&nullRef) = nullptr;
  long number;
  EXPECT_EQ(VariantToLong(nullRef, &number, true), E_POINTER) << "not read through null";
  // A VARIANT that refers to itself is refused, not followed forever; a null reference is
  // none.
  V_VT(&v) = VT_BYREF | VT_VARIANT;
  V_VARIANTREF(&v) = &v;
  EXPECT_TRUE(VariantHasValue(v)) << "not taken for an omitted argument";
  bool out;
  EXPECT_EQ(VariantToBool(v, &out, true), E_INVALIDARG);
  EXPECT_EQ(VariantReferent(v), nullptr);
  const VARIANT* referent = &v;
  EXPECT_EQ(VariantReferent(v, &referent), E_INVALIDARG);
  EXPECT_EQ(referent, nullptr);
  WQXMLVariantValue written;
  EXPECT_EQ(WQReadXMLVariantValue(v, written), E_INVALIDARG) << "as the XML writer reads it";
  plat::unique_variant copy;
  EXPECT_EQ(VariantCopyValue(v, copy.put()), E_INVALIDARG);
  V_VARIANTREF(&v) = nullptr;
  EXPECT_EQ(VariantReferent(v, &referent), E_POINTER);
  EXPECT_EQ(VariantCopyValue(v, copy.put()), E_POINTER);
}

// Only a text that is wholly a number is one: a number followed by anything but blanks is
// no smaller number.
TEST(ParseDouble, ReadsTheWholeText) {
  const struct {
    const wchar_t* text;
    bool number;
    double value;
  } cases[] = {
      {L"2.5", true, 2.5},  {L" \t-3e2 \r\n", true, -300},
      {L"1,500", false, 0}, {L"2,000,000", false, 0},
      {L"12abc", false, 0}, {L"1.5.2", false, 0},
      {L"1 2", false, 0},   {L"   ", false, 0},
  };
  for (const auto& c : cases) {
    double out = 0;
    EXPECT_EQ(ParseDouble(c.text, &out), c.number) << testing::PrintToString(std::wstring(c.text));
    if (c.number) {
      EXPECT_EQ(out, c.value);
    } else {
      EXPECT_TRUE(std::isnan(out));
    }
  }
  double out = 7;
  EXPECT_EQ(VariantToDouble(Text(L"12abc"), &out, true), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(out, 7);
}

TEST(ParseDouble, CommaDecimalLocale) {
  CommaDecimalLocale locale;
  ASSERT_TRUE(locale.active());
  double out = 0;
  EXPECT_TRUE(ParseDouble(L"1.5", &out));
  EXPECT_EQ(out, 1.5);
  EXPECT_TRUE(ParseDouble(L"-0.25e2", &out));
  EXPECT_EQ(out, -25.0);
  // The locale's own notation is rewritten too: "1,5" becomes "1.5" there, which is no number.
  EXPECT_FALSE(ParseDouble(L"1,5", &out));
  EXPECT_FALSE(ParseDouble(L"", &out));

  // A text too long to rewrite fails rather than reading a cut number.
  const std::wstring digits = L"1." + std::wstring(61, L'0');
  ASSERT_EQ(digits.size(), 63u);
  EXPECT_TRUE(ParseDouble(digits.c_str(), &out));
  EXPECT_EQ(out, 1.0);
  const std::wstring large = std::wstring(64, L'1');
  EXPECT_FALSE(ParseDouble(large.c_str(), &out));
  EXPECT_TRUE(std::isnan(out));

  double value = 0;
  EXPECT_EQ(VariantToDouble(Text(L"2.75"), &value, true), S_OK);
  EXPECT_EQ(value, 2.75);
  WQVariantSafeArray reals(nullptr);
  ASSERT_EQ(reals.Attach(SafeArrayCreateVector(VT_R8, 0, 1), true), S_OK);
  ASSERT_EQ(reals.PutElement(0, Text(L"0.5")), S_OK);
  plat::unique_variant element;
  ASSERT_EQ(reals.GetAt(0, element.put()), S_OK);
  EXPECT_EQ(V_R8(&element), 0.5);
}

// Whether an array is still alive and unlocked: only then can it be destroyed.
bool DestroyUnlocked(SAFEARRAY* psa) { return SafeArrayDestroy(psa) == S_OK; }

SAFEARRAY* Matrix() {
  SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
  return SafeArrayCreate(VT_BSTR, 2, bounds);
}

TEST(SafeArray, AttachRefusesMatricesAndLeavesThemUnlocked) {
  SAFEARRAY* matrix = Matrix();
  WQBstrSafeArray strings;
  EXPECT_EQ(strings.Attach(matrix, false), E_INVALIDARG);
  EXPECT_EQ(strings.Get(), nullptr);

  WQVariantSafeArray variants;
  EXPECT_THROW(variants.Attach(matrix, false), WQComException);
  EXPECT_NE(
      wqtest::TakeErrorDescription().find(L"Desc=\"Safe array is not a 1-Dimensional vector\""),
      std::wstring::npos);
  EXPECT_EQ(variants.Get(), nullptr);
  EXPECT_TRUE(DestroyUnlocked(matrix));

  EXPECT_THROW(variants.Attach(nullptr, false), WQComException);
  EXPECT_NE(
      wqtest::TakeErrorDescription().find(L"Invalid pointer passed to method WQSafeArray::Attach"),
      std::wstring::npos);
}

TEST(SafeArray, AttachReleasesOnlyWhatItOwns) {
  Counted object;
  SAFEARRAY* owned = SafeArrayCreateVector(VT_UNKNOWN, 0, 1);
  LONG zero = 0;
  ASSERT_EQ(SafeArrayPutElement(owned, &zero, &object), S_OK);
  SAFEARRAY* borrowed = SafeArrayCreateVector(VT_BSTR, 0, 1);

  WQVariantSafeArray wrapper(borrowed, false);
  ASSERT_EQ(wrapper.Attach(owned, true), S_OK);
  EXPECT_TRUE(DestroyUnlocked(borrowed)) << "the borrowed array was destroyed or left locked";
  ASSERT_EQ(wrapper.Attach(owned, true), S_OK) << "re-attaching the held array";
  EXPECT_EQ(object.refs, 2u);
  EXPECT_EQ(wrapper.GetType(), VT_UNKNOWN);
  SAFEARRAY* matrix = Matrix();
  EXPECT_THROW(wrapper.Attach(matrix, true), WQComException);
  wqtest::TakeErrorDescription();
  EXPECT_EQ(object.refs, 1u) << "the owned array was not destroyed";
  EXPECT_TRUE(DestroyUnlocked(matrix));
}

TEST(SafeArray, ElementsConvertGoingInAndReportFailuresComingOut) {
  WQVariantSafeArray flags(SafeArrayCreateVector(VT_BOOL, 1, 1), true);
  ASSERT_EQ(flags.PutElement(0, Text(L"true")), S_OK);
  plat::unique_variant element;
  ASSERT_EQ(flags.GetAt(0, element.put()), S_OK);
  EXPECT_EQ(V_VT(&element), VT_BOOL);
  EXPECT_EQ(V_BOOL(&element), -1);
  EXPECT_EQ(flags.GetAt(1, element.put()), DISP_E_BADINDEX);
  EXPECT_EQ(V_VT(&element), VT_ERROR);
  EXPECT_EQ(V_ERROR(&element), DISP_E_BADINDEX);

  WQVariantSafeArray shorts(SafeArrayCreateVector(VT_I2, 0, 1), true);
  EXPECT_EQ(shorts.PutElement(0, Long(70000)), DISP_E_OVERFLOW);
  WQVariantSafeArray money(SafeArrayCreateVector(VT_CY, 0, 1), true);
  EXPECT_EQ(money.PutElement(0, Long(1)), E_INVALIDARG);
  EXPECT_EQ(money.SetAt(0, L"x"), E_FAIL);
  EXPECT_EQ(money.GetAt(0, element.put()), E_INVALIDARG);
  EXPECT_EQ(V_VT(&element), VT_ERROR);
}

TEST(SafeArray, PutElementOfInterfacesChecksTypeAndNull) {
  Counted object;
  WQVariantSafeArray objects(SafeArrayCreateVector(VT_UNKNOWN, 0, 1), true);
  EXPECT_EQ(objects.PutElement(0, Long(0x1234)), DISP_E_TYPEMISMATCH);
  VARIANT v;
  V_VT(&v) = VT_UNKNOWN;
  V_UNKNOWN(&v) = &object;
  ASSERT_EQ(objects.PutElement(0, v), S_OK);
  EXPECT_EQ(object.refs, 2u);
  V_VT(&v) = VT_DISPATCH;
  V_DISPATCH(&v) = nullptr;
  ASSERT_EQ(objects.PutElement(0, v), S_OK) << "Nothing empties the slot";
  EXPECT_EQ(object.refs, 1u);
}

TEST(SafeArray, ResizeReportsFailureAndStaysUsable) {
  WQBstrSafeArray made(nullptr);
  ASSERT_EQ(made.Resize(2, 1), S_OK);
  EXPECT_TRUE(made.OwnsArray()) << "an array the wrapper made is not left to leak";

  SAFEARRAY* fixed = SafeArrayCreateVector(VT_BSTR, 0, 2);
  fixed->fFeatures |= FADF_FIXEDSIZE;
  WQBstrSafeArray wrapper(fixed, true);
  EXPECT_TRUE(FAILED(wrapper.Resize(5, 0)));
  EXPECT_EQ(wrapper.GetCount(), 2u);
  EXPECT_EQ(wrapper.SetAt(1, L"still locked and usable"), S_OK);
}

}  // namespace
