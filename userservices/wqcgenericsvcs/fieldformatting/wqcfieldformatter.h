// WQCFieldFormatter: turns real, integer, date and boolean field values into display text
// and typed text back into values, with the prefix, postfix and substitution texts that the
// workspace allows (fetched once by Initialize).
#pragma once

#include <dispatch.h>

#include "WQCGenericSvcs.h"
#include "descriptivetext.h"
#include "numberformat.h"

class WQCFieldFormatter : public plat::DualImplements<WQCFieldFormatter, IWQCFieldFormatter> {
 public:
  WQCFieldFormatter();

  STDMETHOD(get_PrefixStrings)(SAFEARRAY** ppStrings) override;
  STDMETHOD(get_PostfixStrings)(SAFEARRAY** ppStrings) override;
  STDMETHOD(get_SubstitutionStrings)(SAFEARRAY** ppStrings) override;
  STDMETHOD(Initialize)(IDispatch* pWorkspace) override;
  STDMETHOD(FormatReal)
  (VARIANT dVal, BSTR prefix, BSTR postfix, BSTR subst, BSTR FieldFormat,
   BSTR* FieldString) override;
  STDMETHOD(UnformatReal)
  (BSTR FieldString, BSTR* FieldFormat, BSTR* prefix, BSTR* postfix, BSTR* subst,
   VARIANT* dVal) override;
  STDMETHOD(FormatInteger)
  (VARIANT iVal, BSTR prefix, BSTR postfix, BSTR subst, BSTR FieldFormat,
   BSTR* FieldString) override;
  STDMETHOD(UnformatInteger)
  (BSTR FieldString, BSTR* FieldFormat, BSTR* prefix, BSTR* postfix, BSTR* subst,
   VARIANT* iVal) override;
  STDMETHOD(FormatDate)(VARIANT dtVal, BSTR FieldFormat, BSTR* FieldString) override;
  STDMETHOD(FormatBool)(VARIANT bVal, BSTR FieldFormat, BSTR* FieldString) override;

 private:
  // The number settings of the locale, read with it at construction and at Initialize
  // rather than for every value.
  const wqc::NumberLocale& Locale() const { return locale_; }

  HRESULT GetStrings(const wchar_t* method, const WQArray<WQHeapString>& list, SAFEARRAY** strings);
  HRESULT Unformat(const wchar_t* method, bool integer, BSTR text, BSTR* format, BSTR* prefix,
                   BSTR* postfix, BSTR* substitution, VARIANT* value);

  bool initialized_ = false;
  wqc::DescriptiveStrings strings_;
  LCID lcid_;
  wqc::NumberLocale locale_;
  std::wstring text_;  // kept from call to call, so a value's text needs no new storage
};
