// The ScriptUI results document: the user's inputs of an accepted XML-described dialog
// and the description's instance data, as the text the next KB call carries.
//
//   <ScriptUIResults>
//     <Inputs><Datum id="Tag" vt="8" value="P-101"/>...</Inputs>
//     <Datum id="Line" vt="3" value="7"/>...
//   </ScriptUIResults>
//
// "Inputs" exists only once an input was added. The root is never inserted into its
// document; the text is the root element's own serialisation. Failures of the DOM stay
// inside: a value that could not be added is missing from the text.
#pragma once

#include <handles.h>
#include <wqmsxml.h>

class ScriptUIResultsDoc {
 public:
  ScriptUIResultsDoc();
  ScriptUIResultsDoc(const ScriptUIResultsDoc&) = delete;
  ScriptUIResultsDoc& operator=(const ScriptUIResultsDoc&) = delete;

  // Appends <Datum id= vt="8" value=/> under "Inputs"; equal ids are not merged.
  void AddInput(const wchar_t* id, const wchar_t* value);
  // Appends a copy of `node` under the root; a node that is not an element is dropped.
  void AddInstanceNode(IXMLDOMNode* node);
  // The XML text of the "ScriptUIResults" element (empty when it could not be made).
  plat::unique_bstr GetXML() const;

 private:
  HRESULT CreateRoot();
  HRESULT EnsureInputs();

  plat::com_ptr<IXMLDOMDocument> document_;
  plat::com_ptr<IXMLDOMElement> root_;
  plat::com_ptr<IXMLDOMElement> inputs_;
};
