#include "scriptuipage.h"

#include "domutil.h"
#include "workspace/objectid.h"

#include <conversion.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <utility>

using plat::com_ptr;
using plat::unique_bstr;
using plat::unique_variant;

HRESULT LoadScriptUIStylesheet(com_ptr<IXMLDOMDocument>& stylesheet) noexcept try {
  PLAT_RETURN_IF_FAILED(CreateDomDocument(__uuidof(DOMDocument60), stylesheet));
  PLAT_RETURN_IF_FAILED(stylesheet->put_async(VARIANT_FALSE));
  unique_variant url;
  V_VT(&url) = VT_BSTR;
  V_BSTR(&url) = unique_bstr::copy(kScriptUIStylesheetUrl).release();
  VARIANT_BOOL loaded = VARIANT_FALSE;
  const HRESULT hr = stylesheet->load(url, &loaded);
  if (loaded != VARIANT_TRUE) {
    ReadParseError(stylesheet.get());
    return FAILED(hr) ? hr : E_FAIL;
  }
  return S_OK;
}
PLAT_CATCH_RETURN()

namespace {

// The number `xpath` selects; `value` stays as it is when the text is no number.
bool SelectLong(IXMLDOMNode* root, const wchar_t* xpath, long& value) {
  unique_variant selected;
  if (FAILED(SelectNodeValue(root, xpath, selected.put()))) return false;
  if (V_VT(&selected) == VT_EMPTY) {
    value = 0;
    return true;
  }
  if (FAILED(plat::ChangeType(&selected, selected, VT_I4))) return false;
  value = V_I4(&selected);
  return true;
}

// The id `xpath` selects, read as every id is read: the number conversion above would make
// "1,2" 12 and "12.6" 13. `id` is 0 without the node and stays as it is when the text is no id.
void SelectId(IXMLDOMNode* root, const wchar_t* xpath, long& id) {
  unique_variant selected;
  if (FAILED(SelectNodeValue(root, xpath, selected.put()))) return;
  if (V_VT(&selected) == VT_EMPTY) {
    id = 0;
    return;
  }
  long read = 0;
  if (ReadObjectId(selected, &read) == S_OK) id = read;
}

unique_bstr SelectText(IXMLDOMNode* root, const wchar_t* xpath) {
  unique_variant selected;
  if (FAILED(SelectNodeValue(root, xpath, selected.put())) ||
      FAILED(::VariantChangeType(&selected, &selected, 0, VT_BSTR)))
    return unique_bstr::copy(L"");
  VARIANT text = selected.release();
  return unique_bstr(V_BSTR(&text));
}

}  // namespace

void ReadScriptUISettings(IXMLDOMDocument* description, ScriptUISettings& settings) {
  com_ptr<IXMLDOMElement> root;
  description->get_documentElement(root.put());
  if (!root) return;
  IXMLDOMNode* node = root.get();
  settings.hasMaxWidth = SelectLong(node, L"//ScriptUI/DialogBox/@MaxWidth", settings.maxWidth);
  settings.returnTo = SelectText(node, L"//ScriptUI/@ReturnTo");
  settings.from = SelectText(node, L"//ScriptUI/@From");
  settings.debugFile = SelectText(node, L"//DialogBox/@DebugFile");
  SelectId(node, L"//ScriptUI/@ActiveDocument", settings.activeDocument);
  SelectId(node, L"//ScriptUI/@ActiveCase", settings.activeCase);
}

namespace {

// "The dialog description <what>", and the detail after a colon when there is one.
std::wstring DescribeUnusable(const wchar_t* what, const wchar_t* detail) {
  std::wstring text = std::wstring(L"The dialog description ") + what;
  if (detail && *detail) text += std::wstring(L": ") + detail;
  return text;
}

}  // namespace

HRESULT BuildScriptUIPage(const wchar_t* descriptionXml, ScriptUISettings& settings,
                          unique_bstr& page, unique_bstr* reason) noexcept try {
  com_ptr<IXMLDOMDocument> description;
  PLAT_RETURN_IF_FAILED(CreateDomDocument(__uuidof(DOMDocument60), description));
  VARIANT_BOOL loaded = VARIANT_FALSE;
  if (LoadXMLText(description.get(), descriptionXml, &loaded) == WQ_E_DOCUMENTTYPE)
    return WQ_E_DOCUMENTTYPE;
  if (loaded != VARIANT_TRUE) {
    unique_bstr text = ReadParseError(description.get());
    if (reason)
      *reason = unique_bstr::copy(DescribeUnusable(L"is not well-formed XML", text.get()).c_str());
    return WQ_E_NOTADESCRIPTION;
  }
  // A well-formed document of another kind (a server's HTML error page) is no more a
  // dialog than a broken one: its page would show nothing to confirm or leave it by.
  com_ptr<IXMLDOMElement> root;
  unique_bstr rootName;
  if (SUCCEEDED(description->get_documentElement(root.put())) && root)
    root->get_tagName(rootName.put());
  if (wcscmp(rootName.c_str(), L"ScriptUI") != 0) {
    if (reason) {
      const std::wstring found = L"its root element is \"" + std::wstring(rootName.c_str()) + L"\"";
      *reason = unique_bstr::copy(
          DescribeUnusable(L"is no ScriptUI document", root ? found.c_str() : nullptr).c_str());
    }
    return WQ_E_NOTADESCRIPTION;
  }

  com_ptr<IXMLDOMDocument> stylesheet;
  const HRESULT loadHr = LoadScriptUIStylesheet(stylesheet);
  if (FAILED(loadHr) && !stylesheet) return loadHr;

  ReadScriptUISettings(description.get(), settings);
  return description->transformNode(stylesheet.get(), page.put());
}
PLAT_CATCH_RETURN()

bool WriteDebugFile(const wchar_t* path, const wchar_t* page) noexcept {
  if (!path || !*path || !page) return false;
  FILE* file = _wfopen(path, L"wb");
  if (!file) return false;
  const size_t length = wcslen(page);
  const bool written = fwrite(page, sizeof(wchar_t), length, file) == length;
  return fclose(file) == 0 && written;
}

HRESULT CreatePageStream(const wchar_t* page, IStream** stream) noexcept {
  if (!stream) return E_POINTER;
  *stream = nullptr;
  const size_t textBytes = wcslen(page ? page : L"") * sizeof(wchar_t);
  plat::unique_hglobal block(::GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, textBytes + 4));
  if (!block) return E_OUTOFMEMORY;
  BYTE* bytes = static_cast<BYTE*>(::GlobalLock(block.get()));
  bytes[0] = 0xFF;
  bytes[1] = 0xFE;
  if (textBytes) memcpy(bytes + 2, page, textBytes);
  ::GlobalUnlock(block.get());
  PLAT_RETURN_IF_FAILED(::CreateStreamOnHGlobal(block.get(), TRUE, stream));
  block.release();  // the stream frees it
  return S_OK;
}
