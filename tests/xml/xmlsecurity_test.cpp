// The protection every reader and document of the module sets itself.
#include <gtest/gtest.h>

#include <comobject.h>

#include <string>

#include "comtest.h"
#include "saxschemaparser.h"
#include "wqxmlsecurity.h"
#include "xmlattacks.h"

namespace {

TEST(XmlSecurity, DocumentTypeIsFoundOnlyInTheProlog) {
  const struct {
    const wchar_t* xml;
    bool declares;
  } cases[] = {
      {L"<!DOCTYPE a><a/>", true},
      {L"\xFEFF  \r\n<?xml version='1.0'?><!-- note --><?pi x?>\n<!DOCTYPE a [<!ENTITY e "
       L"'x'>]><a/>",
       true},
      {L"<a><!DOCTYPE b></a>", false},
      {L"<!-- <!DOCTYPE a> --><a/>", false},
      {L"<?xml version='1.0'?><a>&amp;</a>", false},
      {L"<!DOCTYP a><a/>", false},
      {L"<!-- unterminated", false},
      {L"", false},
      {nullptr, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(WQDeclaresDocumentType(c.xml), c.declares) << (c.xml ? c.xml : L"(null)");
}

TEST(XmlSecurity, DomDocumentIsProtected) {
  plat::com_ptr<IXMLDOMDocument2> document;
  ASSERT_EQ(CoCreateInstance(__uuidof(DOMDocument60), nullptr, CLSCTX_ALL,
                             __uuidof(IXMLDOMDocument2), document.put_void()),
            S_OK);
  ASSERT_EQ(document->put_resolveExternals(VARIANT_TRUE), S_OK);
  ASSERT_EQ(WQSecureDOMDocument(document.get()), S_OK);
  VARIANT_BOOL resolve = VARIANT_TRUE;
  EXPECT_EQ(document->get_resolveExternals(&resolve), S_OK);
  EXPECT_EQ(resolve, VARIANT_FALSE);
  // Wine's DOM takes ProhibitDTD without keeping it (getProperty fails there).
  plat::unique_variant prohibit;
  if (SUCCEEDED(document->getProperty(wqtest::Bstr(L"ProhibitDTD").get(), prohibit.put()))) {
    EXPECT_EQ(V_VT(&prohibit), VT_BOOL);
    EXPECT_EQ(V_BOOL(&prohibit), VARIANT_TRUE);
  }
  EXPECT_EQ(WQSecureDOMDocument(nullptr), E_POINTER);
}

// A reader that records the features it is given (Wine's reader takes them without keeping
// them: its getFeature answers E_NOTIMPL).
class FeatureRecorder : public plat::Implements<FeatureRecorder, ISAXXMLReader> {
 public:
  STDMETHOD(getFeature)(const WCHAR*, VARIANT_BOOL*) override { return E_NOTIMPL; }
  STDMETHOD(putFeature)(const WCHAR* name, VARIANT_BOOL value) override {
    features += std::wstring(name) + (value == VARIANT_TRUE ? L"=on\n" : L"=off\n");
    return S_OK;
  }
  STDMETHOD(getProperty)(const WCHAR*, VARIANT*) override { return E_NOTIMPL; }
  STDMETHOD(putProperty)(const WCHAR*, VARIANT) override { return E_NOTIMPL; }
  STDMETHOD(getEntityResolver)(ISAXEntityResolver**) override { return E_NOTIMPL; }
  STDMETHOD(putEntityResolver)(ISAXEntityResolver*) override { return E_NOTIMPL; }
  STDMETHOD(getContentHandler)(ISAXContentHandler**) override { return E_NOTIMPL; }
  STDMETHOD(putContentHandler)(ISAXContentHandler*) override { return E_NOTIMPL; }
  STDMETHOD(getDTDHandler)(ISAXDTDHandler**) override { return E_NOTIMPL; }
  STDMETHOD(putDTDHandler)(ISAXDTDHandler*) override { return E_NOTIMPL; }
  STDMETHOD(getErrorHandler)(ISAXErrorHandler**) override { return E_NOTIMPL; }
  STDMETHOD(putErrorHandler)(ISAXErrorHandler*) override { return E_NOTIMPL; }
  STDMETHOD(getBaseURL)(const WCHAR**) override { return E_NOTIMPL; }
  STDMETHOD(putBaseURL)(const WCHAR*) override { return E_NOTIMPL; }
  STDMETHOD(getSecureBaseURL)(const WCHAR**) override { return E_NOTIMPL; }
  STDMETHOD(putSecureBaseURL)(const WCHAR*) override { return E_NOTIMPL; }
  STDMETHOD(parse)(VARIANT) override { return E_NOTIMPL; }
  STDMETHOD(parseURL)(const WCHAR*) override { return E_NOTIMPL; }

  std::wstring features;
};

TEST(XmlSecurity, SaxReaderIsProtected) {
  plat::com_ptr<FeatureRecorder> reader = plat::make<FeatureRecorder>();
  ASSERT_EQ(WQSecureSAXReader(reader.get()), S_OK);
  EXPECT_EQ(reader->features,
            L"prohibit-dtd=on\n"
            L"http://xml.org/sax/features/external-general-entities=off\n"
            L"http://xml.org/sax/features/external-parameter-entities=off\n");
  // The real reader takes them.
  plat::com_ptr<ISAXXMLReader> real;
  ASSERT_EQ(CoCreateInstance(__uuidof(SAXXMLReader60), nullptr, CLSCTX_ALL, __uuidof(ISAXXMLReader),
                             real.put_void()),
            S_OK);
  EXPECT_EQ(WQSecureSAXReader(real.get()), S_OK);
  EXPECT_EQ(WQSecureSAXReader(nullptr), E_POINTER);
}

class AnyReply : public SAXSchemaParser {
 public:
  const SAXSchemaEntry* GetSchema() override {
    static const SAXSchemaEntry kSchema[] = {
        {kSchemaStart, nullptr, 0},
        {kSchemaStringElement, L"Reply", 0},
        {kSchemaEnd, nullptr, 0},
    };
    return kSchema;
  }
  HRESULT SetChildValue(ULONG, const SAXSchemaValue&) override { return S_OK; }
};

TEST(XmlSecurity, ReplyParserRefusesEntityExpansionAtOnce) {
  for (const std::wstring& reply :
       {wqtest::BillionLaughs(L"Reply"), wqtest::QuadraticBlowup(L"Reply")}) {
    AnyReply parser;
    const ULONGLONG start = GetTickCount64();
    EXPECT_TRUE(FAILED(parser.ParseString(wqtest::Bstr(reply).get())));
    EXPECT_LT(wqtest::ElapsedMs(start), 1000u) << reply.substr(0, 60);
  }
}

// Wine's reader lets a declaration that no entity uses pass despite its DTD prohibition;
// MSXML refuses it, and so does the module, whatever the reader does.
TEST(XmlSecurity, ReplyParserRefusesAnyDocumentType) {
  AnyReply parser;
  EXPECT_EQ(parser.ParseString(wqtest::Bstr(L"<!DOCTYPE Reply []><Reply/>").get()),
            HRESULT_FROM_WIN32(ERROR_INVALID_DATA));
  EXPECT_EQ(parser.ParseString(wqtest::Bstr(L"<?xml version=\"1.0\"?><Reply/>").get()), S_OK);
}

}  // namespace
