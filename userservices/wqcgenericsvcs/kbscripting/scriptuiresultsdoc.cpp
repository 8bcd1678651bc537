#include "scriptuiresultsdoc.h"

#include "domutil.h"

using plat::com_ptr;
using plat::unique_bstr;

ScriptUIResultsDoc::ScriptUIResultsDoc() { CreateRoot(); }

HRESULT ScriptUIResultsDoc::CreateRoot() {
  if (!document_) {
    PLAT_RETURN_IF_FAILED(CreateDomDocument(__uuidof(FreeThreadedDOMDocument60), document_));
  }
  if (!root_) {
    PLAT_RETURN_IF_FAILED(
        document_->createElement(unique_bstr::copy(L"ScriptUIResults").get(), root_.put()));
  }
  return S_OK;
}

HRESULT ScriptUIResultsDoc::EnsureInputs() {
  if (inputs_) return S_OK;
  PLAT_RETURN_IF_FAILED(CreateRoot());
  com_ptr<IXMLDOMElement> inputs;
  PLAT_RETURN_IF_FAILED(document_->createElement(unique_bstr::copy(L"Inputs").get(), inputs.put()));
  PLAT_RETURN_IF_FAILED(root_->appendChild(inputs.get(), nullptr));
  inputs_ = std::move(inputs);
  return S_OK;
}

void ScriptUIResultsDoc::AddInput(const wchar_t* id, const wchar_t* value) {
  if (FAILED(EnsureInputs())) return;
  com_ptr<IXMLDOMElement> datum;
  if (FAILED(document_->createElement(unique_bstr::copy(L"Datum").get(), datum.put()))) return;
  // The attributes are set in this order so that MSXML writes them in it.
  const wchar_t* const names[] = {L"id", L"vt", L"value"};
  const wchar_t* const values[] = {id, L"8", value};
  for (int i = 0; i < 3; ++i) {
    plat::unique_variant text;
    V_VT(&text) = VT_BSTR;
    V_BSTR(&text) = unique_bstr::copy(values[i] ? values[i] : L"").release();
    if (FAILED(datum->setAttribute(unique_bstr::copy(names[i]).get(), text))) return;
  }
  inputs_->appendChild(datum.get(), nullptr);
}

void ScriptUIResultsDoc::AddInstanceNode(IXMLDOMNode* node) {
  if (!node || FAILED(CreateRoot())) return;
  // The node belongs to another document (the page's data island): its text is read
  // into a document of this builder's kind and the element taken from there.
  unique_bstr xml;
  if (FAILED(node->get_xml(xml.put()))) return;
  com_ptr<IXMLDOMDocument> copy;
  if (FAILED(CreateDomDocument(__uuidof(FreeThreadedDOMDocument60), copy))) return;
  VARIANT_BOOL loaded = VARIANT_FALSE;
  LoadXMLText(copy.get(), xml.get(), &loaded);
  com_ptr<IXMLDOMElement> element;
  copy->get_documentElement(element.put());
  // Text between the island's elements does not parse on its own and is dropped here.
  if (!element || FAILED(root_->appendChild(element.get(), nullptr))) {
    ReadParseError(document_.get());
  }
}

unique_bstr ScriptUIResultsDoc::GetXML() const {
  unique_bstr xml;
  if (root_) root_->get_xml(xml.put());
  return xml;
}
