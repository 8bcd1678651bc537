// What the reply reader hands the SAX reader: the bytes behind one byte-order mark, the
// declaration naming the encoding the bytes have, whatever the reply's text says.
#include <gtest/gtest.h>

#include <comobject.h>
#include <shlwapi.h>

#include <string>
#include <vector>

#include "comtest.h"
#include "saxschemaparser.h"
#include "wqmsxml.h"
#include "wqxmltext.h"

namespace {

using plat::com_ptr;

// A SAX reader that keeps the bytes (or the string) each parse is given and passes the
// same on to a real reader.
class RecordingReader : public plat::Implements<RecordingReader, ISAXXMLReader> {
 public:
  RecordingReader(com_ptr<ISAXXMLReader> real, std::vector<std::wstring>& given)
      : real_(std::move(real)), given_(given) {}

  STDMETHOD(getFeature)(const WCHAR* n, VARIANT_BOOL* v) override {
    return real_->getFeature(n, v);
  }
  STDMETHOD(putFeature)(const WCHAR* n, VARIANT_BOOL v) override { return real_->putFeature(n, v); }
  STDMETHOD(getProperty)(const WCHAR* n, VARIANT* v) override { return real_->getProperty(n, v); }
  STDMETHOD(putProperty)(const WCHAR* n, VARIANT v) override { return real_->putProperty(n, v); }
  STDMETHOD(getEntityResolver)(ISAXEntityResolver** r) override {
    return real_->getEntityResolver(r);
  }
  STDMETHOD(putEntityResolver)(ISAXEntityResolver* r) override {
    return real_->putEntityResolver(r);
  }
  STDMETHOD(getContentHandler)(ISAXContentHandler** h) override {
    return real_->getContentHandler(h);
  }
  STDMETHOD(putContentHandler)(ISAXContentHandler* h) override {
    return real_->putContentHandler(h);
  }
  STDMETHOD(getDTDHandler)(ISAXDTDHandler** h) override { return real_->getDTDHandler(h); }
  STDMETHOD(putDTDHandler)(ISAXDTDHandler* h) override { return real_->putDTDHandler(h); }
  STDMETHOD(getErrorHandler)(ISAXErrorHandler** h) override { return real_->getErrorHandler(h); }
  STDMETHOD(putErrorHandler)(ISAXErrorHandler* h) override { return real_->putErrorHandler(h); }
  STDMETHOD(getBaseURL)(const WCHAR** u) override { return real_->getBaseURL(u); }
  STDMETHOD(putBaseURL)(const WCHAR* u) override { return real_->putBaseURL(u); }
  STDMETHOD(getSecureBaseURL)(const WCHAR** u) override { return real_->getSecureBaseURL(u); }
  STDMETHOD(putSecureBaseURL)(const WCHAR* u) override { return real_->putSecureBaseURL(u); }
  STDMETHOD(parseURL)(const WCHAR* u) override { return real_->parseURL(u); }

  // A string is kept as "string:" and its text, a stream as the text of its bytes (the
  // mark shows as U+FEFF).
  STDMETHOD(parse)(VARIANT source) override {
    if (V_VT(&source) == VT_BSTR) {
      given_.push_back(L"string:" + std::wstring(V_BSTR(&source) ? V_BSTR(&source) : L""));
      return real_->parse(source);
    }
    com_ptr<ISequentialStream> stream;
    if (V_VT(&source) != VT_UNKNOWN || !V_UNKNOWN(&source) ||
        FAILED(
            V_UNKNOWN(&source)->QueryInterface(__uuidof(ISequentialStream), stream.put_void()))) {
      given_.push_back(L"other");
      return real_->parse(source);
    }
    std::string bytes;
    char chunk[7];  // small reads: the stream must carry on where it stopped
    ULONG read = 0;
    while (SUCCEEDED(stream->Read(chunk, sizeof(chunk), &read)) && read) bytes.append(chunk, read);
    given_.push_back(std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()),
                                  bytes.size() / sizeof(wchar_t)) +
                     (bytes.size() % 2 ? L"<odd byte>" : L""));
    com_ptr<IStream> copy = com_ptr<IStream>::attach(SHCreateMemStream(
        reinterpret_cast<const BYTE*>(bytes.data()), static_cast<UINT>(bytes.size())));
    VARIANT again;
    V_VT(&again) = VT_UNKNOWN;
    V_UNKNOWN(&again) = copy.get();
    return real_->parse(again);
  }

 private:
  com_ptr<ISAXXMLReader> real_;
  std::vector<std::wstring>& given_;
};

class RecordingReaderFactory : public plat::Implements<RecordingReaderFactory, IClassFactory> {
 public:
  RecordingReaderFactory(com_ptr<IClassFactory> real, std::vector<std::wstring>& given)
      : real_(std::move(real)), given_(given) {}
  STDMETHOD(CreateInstance)(IUnknown* outer, REFIID iid, void** object) override {
    if (outer) return CLASS_E_NOAGGREGATION;
    com_ptr<ISAXXMLReader> real;
    PLAT_RETURN_IF_FAILED(real_->CreateInstance(nullptr, __uuidof(ISAXXMLReader), real.put_void()));
    com_ptr<RecordingReader> reader = plat::make<RecordingReader>(std::move(real), given_);
    return reader->QueryInterface(iid, object);
  }
  STDMETHOD(LockServer)(BOOL) override { return S_OK; }

 private:
  com_ptr<IClassFactory> real_;
  std::vector<std::wstring>& given_;
};

// Every reader the module creates on this thread while the fixture lives records.
class ReaderInput : public testing::Test {
 protected:
  void SetUp() override {
    com_ptr<IClassFactory> real;
    ASSERT_EQ(CoGetClassObject(__uuidof(SAXXMLReader60), CLSCTX_INPROC_SERVER, nullptr,
                               __uuidof(IClassFactory), real.put_void()),
              S_OK);
    com_ptr<RecordingReaderFactory> factory =
        plat::make<RecordingReaderFactory>(std::move(real), given_);
    ASSERT_EQ(CoRegisterClassObject(__uuidof(SAXXMLReader60), factory.get(), CLSCTX_INPROC_SERVER,
                                    REGCLS_MULTIPLEUSE, &cookie_),
              S_OK);
  }
  void TearDown() override {
    if (cookie_) CoRevokeClassObject(cookie_);
  }

  std::vector<std::wstring> given_;
  DWORD cookie_ = 0;
};

class TextReply : public SAXSchemaParser {
 public:
  const SAXSchemaEntry* GetSchema() override {
    static const SAXSchemaEntry kSchema[] = {
        {kSchemaStart, nullptr, 0},
        {kSchemaStringElement, L"Reply", 0},
        {kSchemaEnd, nullptr, 0},
    };
    return kSchema;
  }
  HRESULT SetChildValue(ULONG, const SAXSchemaValue& value) override {
    text = value.GetString() ? value.GetString() : L"(null)";
    return S_OK;
  }
  std::wstring text;
};

TEST_F(ReaderInput, MarkAndDeclaredEncodingAgreeWithTheBytes) {
  const std::wstring body = L"<Reply>\x00E9t\x00E9 \x20AC</Reply>";
  const struct {
    const wchar_t* declaration;
    const wchar_t* given;  // the declaration the reader is given
  } cases[] = {
      {L"", L""},
      {L"<?xml version=\"1.0\"?>", L"<?xml version=\"1.0\"?>"},
      {L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
       L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>"},
      {L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>",
       L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>"},
      {L"<?xml version='1.0' encoding='ISO-8859-1' standalone='yes'?>",
       L"<?xml version='1.0' encoding='UTF-16' standalone='yes'?>"},
      {L"<?xml version = \"1.0\"\r\n encoding = \"windows-1252\" standalone=\"no\" ?>\r\n",
       L"<?xml version = \"1.0\"\r\n encoding = \"UTF-16\" standalone=\"no\" ?>\r\n"},
  };
  for (const auto& c : cases) {
    for (const wchar_t* mark : {L"", L"\xFEFF"}) {
      const std::wstring reply = mark + std::wstring(c.declaration) + body;
      SCOPED_TRACE(testing::Message() << "mark " << (*mark ? "yes" : "no") << ": "
                                      << std::string(reply.begin(), reply.end()));
      given_.clear();
      TextReply parser;
      EXPECT_EQ(parser.ParseString(wqtest::Bstr(reply).get()), S_OK);
      EXPECT_EQ(parser.text, L"\x00E9t\x00E9 \x20AC");
      ASSERT_EQ(given_.size(), 1u);
      EXPECT_EQ(given_[0], L"\xFEFF" + std::wstring(c.given) + body);
    }
  }
}

// Only a declaration that opens the text is one; anything the reader must judge reaches
// it as it was written.
TEST_F(ReaderInput, WhatIsNoWellFormedDeclarationIsLeftToTheReader) {
  const wchar_t* const replies[] = {
      L"<?xml-stylesheet encoding=\"UTF-8\"?><Reply>x</Reply>",
      L" <?xml version=\"1.0\" encoding=\"UTF-8\"?><Reply>x</Reply>",
      L"<?xml version=\"1.0\" encoding=\"UTF-8\"<Reply>x</Reply>",
      L"<?xml version=\"1.0\" encoding=\"UTF-8'?><Reply>x</Reply>",
      L"<?xml version=\"1.0\" encoding=UTF-8?><Reply>x</Reply>",
      L"<?xml version=\"1.0\" encoding=\"UTF-8\"",
      L"<Reply>x</Reply><?xml version=\"1.0\" encoding=\"UTF-8\"?>",
  };
  for (const wchar_t* reply : replies) {
    given_.clear();
    TextReply parser;
    parser.ParseString(wqtest::Bstr(reply).get());
    ASSERT_EQ(given_.size(), 1u) << reply;
    EXPECT_EQ(given_[0], L"\xFEFF" + std::wstring(reply));
  }
  // A mark alone is an empty text, and only one mark is the text's own.
  given_.clear();
  TextReply parser;
  EXPECT_TRUE(FAILED(parser.ParseString(wqtest::Bstr(L"\xFEFF").get())));
  EXPECT_TRUE(FAILED(parser.ParseString(wqtest::Bstr(L"\xFEFF\xFEFF<Reply>x</Reply>").get())));
  ASSERT_EQ(given_.size(), 2u);
  EXPECT_EQ(given_[0], L"string:");
  EXPECT_EQ(given_[1], L"\xFEFF\xFEFF<Reply>x</Reply>");
}

TEST(ReplyText, DeclaredEncodingIsFoundOnlyInAWellFormedDeclaration) {
  const struct {
    const wchar_t* text;
    const wchar_t* encoding;  // null: none found
  } cases[] = {
      {L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>", L"UTF-8"},
      {L"<?xml\tencoding='latin1' version='1.0'?><a/>", L"latin1"},
      {L"<?xml version=\"1.0\" encoding=\"x_1.b-2\"?>", L"x_1.b-2"},
      {L"<?xml version=\"1.0\" encoding=\"\"?>", nullptr},
      {L"<?xml version=\"1.0\" encoding=\"8859-1\"?>", nullptr},
      {L"<?xml version=\"1.0\" encoding=\"UTF 8\"?>", nullptr},
      {L"<?xml version=\"1.0\"?><a encoding=\"UTF-8\"/>", nullptr},
      {L"<?xml version=\"1.0\" standalone=\"yes\"?>", nullptr},
      {L"<?xmlencoding=\"UTF-8\"?>", nullptr},
      {L"<?xml version=\"1.0\" encoding=\"UTF-8\" ?", nullptr},
      {L"<?xml version=\"1.0\" encoding>", nullptr},
      {L"", nullptr},
  };
  for (const auto& c : cases) {
    size_t begin = 99, end = 99;
    const bool found = WQFindDeclaredEncoding(c.text, wcslen(c.text), &begin, &end);
    ASSERT_EQ(found, c.encoding != nullptr) << c.text;
    if (found) {
      EXPECT_EQ(std::wstring(c.text + begin, c.text + end), c.encoding) << c.text;
    }
  }
}

}  // namespace
