#include <gtest/gtest.h>

#include "kbscripting/scriptuiresultsdoc.h"
#include "xmlstructure.h"

namespace {

using plat::com_ptr;
using wqtest::XmlStructure;

// An instance datum as the page's data island holds it.
com_ptr<IXMLDOMNode> IslandNode(const wchar_t* xml) {
  com_ptr<IXMLDOMDocument> island = wqtest::LoadXml(xml);
  com_ptr<IXMLDOMElement> element;
  if (island) island->get_documentElement(element.put());
  com_ptr<IXMLDOMNode> node;
  if (element) element.query_to(node);
  return node;
}

TEST(ScriptUIResultsDoc, EmptyResultsAreAnEmptyRoot) {
  ScriptUIResultsDoc results;
  EXPECT_EQ(XmlStructure(results.GetXML().c_str()), L"ScriptUIResults");
}

TEST(ScriptUIResultsDoc, InputsComeFirstAndInstanceDataFollowsAsSiblings) {
  ScriptUIResultsDoc results;
  results.AddInput(L"Tag", L"P-101");
  com_ptr<IXMLDOMNode> line = IslandNode(L"<Datum id='Line' vt='3' value='7'/>");
  ASSERT_TRUE(line);
  results.AddInstanceNode(line.get());
  // An input after instance data still goes into the one "Inputs" element.
  results.AddInput(L"Insulated", L"true");
  EXPECT_EQ(XmlStructure(results.GetXML().c_str()),
            L"ScriptUIResults(Inputs(Datum[id=Tag,vt=8,value=P-101],"
            L"Datum[id=Insulated,vt=8,value=true]),Datum[id=Line,vt=3,value=7])");
}

TEST(ScriptUIResultsDoc, InstanceDataAloneHasNoInputsElement) {
  ScriptUIResultsDoc results;
  results.AddInstanceNode(IslandNode(L"<Datum id='A' vt='3' value='1'/>").get());
  results.AddInstanceNode(IslandNode(L"<Datum id='B' vt='5' value='2.5'/>").get());
  EXPECT_EQ(XmlStructure(results.GetXML().c_str()),
            L"ScriptUIResults(Datum[id=A,vt=3,value=1],Datum[id=B,vt=5,value=2.5])");
}

TEST(ScriptUIResultsDoc, EqualIdsAreKeptApart) {
  ScriptUIResultsDoc results;
  results.AddInput(L"X", L"1");
  results.AddInput(L"X", L"2");
  EXPECT_EQ(XmlStructure(results.GetXML().c_str()),
            L"ScriptUIResults(Inputs(Datum[id=X,vt=8,value=1],Datum[id=X,vt=8,value=2]))");
}

TEST(ScriptUIResultsDoc, TypedMarkupCharactersReadBackUnchanged) {
  ScriptUIResultsDoc results;
  const wchar_t typed[] = L"A & \"B\" <C> 'D'";
  results.AddInput(L"Tag", typed);
  com_ptr<IXMLDOMDocument> reread = wqtest::LoadXml(results.GetXML().c_str());
  ASSERT_TRUE(reread);
  com_ptr<IXMLDOMNode> datum;
  reread->selectSingleNode(plat::unique_bstr::copy(L"//Datum").get(), datum.put());
  ASSERT_TRUE(datum);
  com_ptr<IXMLDOMElement> element = datum.try_query<IXMLDOMElement>();
  plat::unique_variant value;
  element->getAttribute(plat::unique_bstr::copy(L"value").get(), value.put());
  ASSERT_EQ(V_VT(&value), VT_BSTR);
  EXPECT_STREQ(V_BSTR(&value), typed);
}

TEST(ScriptUIResultsDoc, NodesThatAreNoElementsAreDropped) {
  ScriptUIResultsDoc results;
  com_ptr<IXMLDOMDocument> island = wqtest::LoadXml(L"<I>  <Datum id='A' vt='3' value='1'/></I>");
  ASSERT_TRUE(island);
  com_ptr<IXMLDOMNode> text;
  island->createTextNode(plat::unique_bstr::copy(L"loose text").get(),
                         reinterpret_cast<IXMLDOMText**>(text.put()));
  results.AddInstanceNode(text.get());
  results.AddInstanceNode(nullptr);
  results.AddInstanceNode(IslandNode(L"<Datum id='A' vt='3' value='1'/>").get());
  EXPECT_EQ(XmlStructure(results.GetXML().c_str()), L"ScriptUIResults(Datum[id=A,vt=3,value=1])");
}

}  // namespace
