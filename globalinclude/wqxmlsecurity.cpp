#include "wqxmlsecurity.h"

#include <handles.h>

#include <cwchar>
#include <cwctype>

HRESULT WQSecureSAXReader(ISAXXMLReader* reader) noexcept {
  if (!reader) return E_POINTER;
  const struct {
    const wchar_t* name;
    VARIANT_BOOL value;
  } features[] = {
      {L"prohibit-dtd", VARIANT_TRUE},
      {L"http://xml.org/sax/features/external-general-entities", VARIANT_FALSE},
      {L"http://xml.org/sax/features/external-parameter-entities", VARIANT_FALSE},
  };
  for (const auto& feature : features)
    PLAT_RETURN_IF_FAILED(reader->putFeature(feature.name, feature.value));
  return S_OK;
}

HRESULT WQSecureDOMDocument(IXMLDOMDocument* document) noexcept try {
  if (!document) return E_POINTER;
  PLAT_RETURN_IF_FAILED(document->put_resolveExternals(VARIANT_FALSE));
  PLAT_RETURN_IF_FAILED(document->put_validateOnParse(VARIANT_FALSE));
  plat::com_ptr<IXMLDOMDocument2> settings;
  PLAT_RETURN_IF_FAILED(document->QueryInterface(__uuidof(IXMLDOMDocument2), settings.put_void()));
  VARIANT prohibit;
  V_VT(&prohibit) = VT_BOOL;
  V_BOOL(&prohibit) = VARIANT_TRUE;
  return settings->setProperty(plat::unique_bstr::copy(L"ProhibitDTD").get(), prohibit);
}
PLAT_CATCH_RETURN()

bool WQDeclaresDocumentType(const wchar_t* xml) noexcept {
  if (!xml) return false;
  const wchar_t* p = xml;
  if (*p == 0xFEFF) ++p;
  for (;;) {
    while (iswspace(*p)) ++p;
    if (wcsncmp(p, L"<?", 2) == 0) {
      const wchar_t* end = wcsstr(p + 2, L"?>");
      if (!end) return false;
      p = end + 2;
    } else if (wcsncmp(p, L"<!--", 4) == 0) {
      const wchar_t* end = wcsstr(p + 4, L"-->");
      if (!end) return false;
      p = end + 3;
    } else {
      return wcsncmp(p, L"<!DOCTYPE", 9) == 0;
    }
  }
}
