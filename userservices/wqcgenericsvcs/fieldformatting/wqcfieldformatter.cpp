#include "wqcfieldformatter.h"
#include "workspace/dataservicerequest.h"

#include <conversion.h>

#include "WQOutside.h"
#include "fieldtext.h"
#include "initializeformatterparser.h"
#include "variantutil.h"

#include <cmath>

namespace {

constexpr int kTraceLevel = 1;

BSTR NewBstr(const std::wstring& text) {
  return plat::unique_bstr::copy(text.c_str(), static_cast<UINT>(text.size())).release();
}

void ThrowIfNotInitialized(WQComException& error, bool initialized) {
  if (!initialized) error.ThrowHrAt(WQ_HERE, E_FAIL, L"Formatter not initialized");
}

HRESULT VariantToDate(const VARIANT& value, DATE* out, bool) {
  plat::unique_variant date;
  PLAT_RETURN_IF_FAILED(VariantCopyValue(value, date.put()));
  PLAT_RETURN_IF_FAILED(VariantChangeType(&date, &date, 0, VT_DATE));
  *out = V_DATE(&date);
  return S_OK;
}

// A real value: a text is read as a number written with '.' and, failing that, as a number
// typed in the user's locale, as FormatInteger reads its text ("1,500" is 1500 where ','
// groups thousands).
HRESULT VariantToReal(const VARIANT& value, double* out, bool convert) {
  const HRESULT hr = VariantToDouble(value, out, convert);
  if (hr != DISP_E_TYPEMISMATCH) return hr;
  plat::unique_variant text;
  if (FAILED(VariantCopyValue(value, text.put())) || V_VT(&text) != VT_BSTR) return hr;
  return wqc::ReadLocaleReal(V_BSTR(&text), LOCALE_USER_DEFAULT, out);
}

// An integer value: a text is read as a number typed in the user's locale; a NaN is refused
// as the platform refuses a real too large.
HRESULT VariantToInteger(const VARIANT& value, long* out, bool convert) {
  plat::unique_variant copy;
  PLAT_RETURN_IF_FAILED(VariantCopyValue(value, copy.put()));
  if (plat::IsNaNReal(copy)) return DISP_E_OVERFLOW;
  if (V_VT(&copy) != VT_BSTR) return VariantToLong(copy, out, convert);
  LONG number = 0;
  PLAT_RETURN_IF_FAILED(wqc::ReadLocaleInteger(V_BSTR(&copy), LOCALE_USER_DEFAULT, &number));
  *out = number;
  return S_OK;
}

HRESULT VariantToBoolean(const VARIANT& value, bool* out, bool convert) {
  plat::unique_variant copy;
  PLAT_RETURN_IF_FAILED(VariantCopyValue(value, copy.put()));
  if (plat::IsNaNReal(copy)) return DISP_E_TYPEMISMATCH;
  return VariantToBool(copy, out, convert);
}

// The value of an optional argument, converted leniently; none when the argument is absent.
template <class T>
std::optional<T> ArgumentValue(WQComException& error, const VARIANT& argument,
                               HRESULT (*convert)(const VARIANT&, T*, bool),
                               const wchar_t* message) {
  if (!VariantHasValue(argument)) return std::nullopt;
  T value{};
  const HRESULT hr = convert(argument, &value, true);
  if (FAILED(hr)) error.ThrowHrAt(WQ_HERE, hr, L"%ls", message);
  return value;
}

// The reply of the "InitializeFormatter" data service call.
plat::unique_bstr CallInitializeFormatter(WQComException& error, IWQWorkspace* workspace) {
  // A failed step is raised with the call object's own error info chained behind.
  auto check = [&error](HRESULT hr, const wchar_t* message) {
    error = hr;
    if (error.Failed()) error.ThrowAt(WQ_HERE, L"%ls", message);
  };
  plat::com_ptr<IWQDataServiceCall> call;
  check(workspace->CreateDataServiceCall(call.put()), L"Failed to create data service call object");
  if (!call) error.ThrowHrAt(WQ_HERE, E_POINTER, L"Failed to create data service call object");
  check(call->put_Flags(0), L"Failed to set the flags of the data service call");
  check(call->put_ServerProgID(plat::unique_bstr::copy(kServerProgId).get()),
        L"Failed to set the server of the data service call");
  check(call->put_MethodName(plat::unique_bstr::copy(L"InitializeFormatter").get()),
        L"Failed to set the method of the data service call");
  check(call->Execute(0), L"Failed to execute InitializeFormatter");
  plat::unique_bstr response;
  check(call->get_Response(response.put()), L"Failed to read the InitializeFormatter response");
  return response;
}

}  // namespace

WQCFieldFormatter::WQCFieldFormatter()
    : lcid_(GetUserDefaultLCID()), locale_(wqc::NumberLocale::For(lcid_)) {}

STDMETHODIMP WQCFieldFormatter::get_PrefixStrings(SAFEARRAY** ppStrings) {
  return GetStrings(L"WQCFieldFormatter::get_PrefixStrings", strings_.prefixes, ppStrings);
}

STDMETHODIMP WQCFieldFormatter::get_PostfixStrings(SAFEARRAY** ppStrings) {
  return GetStrings(L"WQCFieldFormatter::get_PostfixStrings", strings_.postfixes, ppStrings);
}

STDMETHODIMP WQCFieldFormatter::get_SubstitutionStrings(SAFEARRAY** ppStrings) {
  return GetStrings(L"WQCFieldFormatter::get_SubstitutionStrings", strings_.substitutions,
                    ppStrings);
}

HRESULT WQCFieldFormatter::GetStrings(const wchar_t* method, const WQArray<WQHeapString>& list,
                                      SAFEARRAY** strings) {
  WQ_METHOD_BEGIN(error, method, kTraceLevel)
  error.CheckPointer(strings);
  *strings = nullptr;
  ThrowIfNotInitialized(error, initialized_);
  WQVariantSafeArray array(static_cast<ULONG>(list.GetCount()), 1, true);
  for (int i = 0; i < list.GetCount(); ++i) {
    const HRESULT hr = array.SetAt(i, list[i].GetString() ? list[i].GetString() : L"");
    if (FAILED(hr)) error.ThrowHrAt(WQ_HERE, hr, L"Failed to fill the string list");
  }
  *strings = array.Detach();
  WQ_METHOD_END(error)
}

STDMETHODIMP WQCFieldFormatter::Initialize(IDispatch* pWorkspace) {
  WQ_METHOD_BEGIN(error, L"WQCFieldFormatter::Initialize", kTraceLevel)
  initialized_ = false;
  strings_.RemoveAll();
  lcid_ = GetUserDefaultLCID();
  locale_ = wqc::NumberLocale::For(lcid_);
  plat::com_ptr<IWQWorkspace> workspace;
  if (FAILED(QueryWorkspace(pWorkspace, workspace))) error.ThrowHrAt(WQ_HERE, E_INVALIDARG);
  const plat::unique_bstr response = CallInitializeFormatter(error, workspace.get());

  // The lists change only when the whole reply was read.
  wqc::DescriptiveStrings strings;
  InitializeFormatterParser parser(&strings);
  error = parser.ParseString(response.get());
  if (error.Failed()) error.ThrowAt(WQ_HERE, L"Failed to read the InitializeFormatter reply");
  strings_.MoveFrom(strings);
  initialized_ = true;
  WQ_METHOD_END(error)
}

STDMETHODIMP WQCFieldFormatter::FormatReal(VARIANT dVal, BSTR prefix, BSTR postfix, BSTR subst,
                                           BSTR FieldFormat, BSTR* FieldString) {
  WQ_METHOD_BEGIN(error, L"WQCFieldFormatter::FormatReal", kTraceLevel)
  error.CheckPointer(FieldString);
  *FieldString = nullptr;
  const std::optional<double> value = ArgumentValue<double>(
      error, dVal, VariantToReal, L"Value cannot be coerced to a real number");
  wqc::FormatRealField(error, value, prefix, postfix, subst, FieldFormat, Locale(), text_);
  *FieldString = NewBstr(text_);
  WQ_METHOD_END(error)
}

STDMETHODIMP WQCFieldFormatter::FormatInteger(VARIANT iVal, BSTR prefix, BSTR postfix, BSTR subst,
                                              BSTR FieldFormat, BSTR* FieldString) {
  WQ_METHOD_BEGIN(error, L"WQCFieldFormatter::FormatInteger", kTraceLevel)
  error.CheckPointer(FieldString);
  *FieldString = nullptr;
  const std::optional<long> value =
      ArgumentValue<long>(error, iVal, VariantToInteger, L"Could not coerce value to an integer");
  wqc::FormatIntegerField(value, prefix, postfix, subst, FieldFormat, Locale(), text_);
  *FieldString = NewBstr(text_);
  WQ_METHOD_END(error)
}

STDMETHODIMP WQCFieldFormatter::UnformatReal(BSTR FieldString, BSTR* FieldFormat, BSTR* prefix,
                                             BSTR* postfix, BSTR* subst, VARIANT* dVal) {
  return Unformat(L"WQCFieldFormatter::UnformatReal", false, FieldString, FieldFormat, prefix,
                  postfix, subst, dVal);
}

STDMETHODIMP WQCFieldFormatter::UnformatInteger(BSTR FieldString, BSTR* FieldFormat, BSTR* prefix,
                                                BSTR* postfix, BSTR* subst, VARIANT* iVal) {
  return Unformat(L"WQCFieldFormatter::UnformatInteger", true, FieldString, FieldFormat, prefix,
                  postfix, subst, iVal);
}

HRESULT WQCFieldFormatter::Unformat(const wchar_t* method, bool integer, BSTR text, BSTR* format,
                                    BSTR* prefix, BSTR* postfix, BSTR* substitution,
                                    VARIANT* value) {
  WQ_METHOD_BEGIN(error, method, kTraceLevel)
  error.CheckPointer(format);
  error.CheckPointer(prefix);
  error.CheckPointer(postfix);
  error.CheckPointer(substitution);
  error.CheckPointer(value);
  *prefix = *postfix = *substitution = nullptr;
  VariantInit(value);
  ThrowIfNotInitialized(error, initialized_);

  const wqc::UnformattedField field =
      integer ? wqc::UnformatIntegerField(error, text, *format, strings_, Locale())
              : wqc::UnformatRealField(error, text, *format, strings_, Locale());

  // Everything is copied before any output changes, so a failure leaves them as they were.
  plat::unique_bstr newFormat = plat::unique_bstr::copy(field.format.c_str());
  plat::unique_bstr foundPrefix = plat::unique_bstr::copy(field.parts.prefix);
  plat::unique_bstr foundPostfix = plat::unique_bstr::copy(field.parts.postfix);
  plat::unique_bstr foundSubstitution = plat::unique_bstr::copy(field.parts.substitution);
  plat::unique_bstr oldFormat(std::exchange(*format, newFormat.release()));
  *prefix = foundPrefix.release();
  *postfix = foundPostfix.release();
  *substitution = foundSubstitution.release();
  if (field.integer) {
    V_VT(value) = VT_I4;
    V_I4(value) = *field.integer;
  } else if (field.real) {
    V_VT(value) = VT_R8;
    V_R8(value) = *field.real;
  }
  WQ_METHOD_END(error)
}

STDMETHODIMP WQCFieldFormatter::FormatDate(VARIANT dtVal, BSTR FieldFormat, BSTR* FieldString) {
  WQ_METHOD_BEGIN(error, L"WQCFieldFormatter::FormatDate", kTraceLevel)
  error.CheckPointer(FieldString);
  *FieldString = nullptr;
  const std::optional<DATE> value =
      ArgumentValue<DATE>(error, dtVal, VariantToDate, L"Could not coerce value to a date");
  *FieldString = NewBstr(value ? wqc::FormatDateField(error, *value, FieldFormat) : L"");
  WQ_METHOD_END(error)
}

STDMETHODIMP WQCFieldFormatter::FormatBool(VARIANT bVal, BSTR FieldFormat, BSTR* FieldString) {
  WQ_METHOD_BEGIN(error, L"WQCFieldFormatter::FormatBool", kTraceLevel)
  error.CheckPointer(FieldString);
  *FieldString = nullptr;
  const std::optional<bool> value =
      ArgumentValue<bool>(error, bVal, VariantToBoolean, L"Could not coerce value to an boolean");
  *FieldString = NewBstr(value ? wqc::FormatBoolField(error, *value, FieldFormat) : L"");
  WQ_METHOD_END(error)
}
