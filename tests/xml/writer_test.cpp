#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <vector>

#include "comtest.h"
#include "wqchunkedstring.h"
#include "wqxmlstringwriter.h"

namespace {

using plat::com_ptr;

com_ptr<iwqXMLStringWriter> NewWriter(bool indent = true) {
  com_ptr<iwqXMLStringWriter> writer;
  EXPECT_EQ(WQXMLStringWriter::CreateInstance(__uuidof(iwqXMLStringWriter), writer.put_void()),
            S_OK);
  writer->SetIndent(indent);
  return writer;
}

std::wstring TextOf(iwqXMLStringWriter* writer) {
  plat::unique_bstr text;
  EXPECT_EQ(writer->GetText(text.put()), S_OK);
  return std::wstring(text.c_str(), text.length());
}

// The failure left on the thread must carry our message.
void ExpectError(HRESULT hr, HRESULT expected, const std::wstring& message) {
  EXPECT_EQ(hr, expected);
  const std::wstring description = wqtest::TakeErrorDescription();
  EXPECT_NE(description.find(L"Desc=\"" + message + L"\""), std::wstring::npos) << description;
}

TEST(XMLStringWriter, EmptyElementWithAndWithoutIndent) {
  auto writer = NewWriter();
  writer->StartElement(L"A");
  writer->EndElement(L"A");
  EXPECT_EQ(TextOf(writer.get()), L"\n<A/>");
  auto flat = NewWriter(false);
  flat->StartElement(L"A");
  flat->EndElement(L"A");
  EXPECT_EQ(TextOf(flat.get()), L"<A/>");
}

TEST(XMLStringWriter, NestingTextAndAttributes) {
  auto writer = NewWriter();
  writer->WriteXMLDeclaration();
  writer->StartElement(L"Select");
  writer->WriteLongAttribute(L"Count", -2);
  writer->StartElement(L"Option");
  writer->WriteStringAttribute(L"Value", L"Case \"1\"");
  writer->EndElement(L"Option");
  writer->WriteStringElement(L"Note", L"a<b");
  writer->WriteStringElement(L"Empty", L"");
  writer->StartElement(L"Deep");
  writer->StartElement(L"Deeper");
  writer->WriteText(L"x");
  writer->EndElement(L"Deeper");
  writer->EndElement(L"Deep");
  writer->WriteBoolElement(L"Flag", true);
  writer->WriteLongElement(L"N", 7);
  EXPECT_EQ(writer->EndElement(L"Select"), S_OK);
  EXPECT_EQ(TextOf(writer.get()),
            L"<?xml version=\"1.0\"?>"
            L"\n<Select Count=\"-2\">"
            L"\n  <Option Value=\"Case &quot;1&quot;\"/>"
            L"\n  <Note>a&lt;b</Note>"
            L"\n  <Empty/>"
            L"\n  <Deep>"
            L"\n    <Deeper>x</Deeper>"
            L"\n  </Deep>"
            L"\n  <Flag>1</Flag>"
            L"\n  <N>7</N>"
            L"\n</Select>");
}

TEST(XMLStringWriter, EscapesEveryReservedCharacter) {
  auto writer = NewWriter(false);
  writer->StartElement(L"E");
  writer->WriteStringAttribute(L"a", L"<&>\"'\r\n\t");
  writer->WriteStringAttribute(L"none", nullptr);
  writer->WriteText(L"1<2 & 3>2\n");
  writer->EndElement(L"E");
  EXPECT_EQ(TextOf(writer.get()),
            L"<E a=\"&lt;&amp;&gt;&quot;&apos;&#13;&#10;\t\" none=\"\">1&lt;2 &amp; "
            L"3&gt;2&#10;</E>");
}

TEST(XMLStringWriter, EmbeddedNulOfABstrIsEscaped) {
  auto writer = NewWriter(false);
  plat::unique_variant value;
  value.vt = VT_BSTR;
  value.bstrVal = SysAllocStringLen(L"a\0b", 3);
  writer->WriteVariantElement(L"V", value);
  EXPECT_EQ(TextOf(writer.get()), L"<V>a&#00;b</V>");
}

TEST(XMLStringWriter, CDataIsSplitAroundItsTerminator) {
  auto writer = NewWriter(false);
  writer->StartElement(L"C");
  writer->WriteCDATA(L"");
  writer->WriteCDATA(L"x]]>y]]>");
  writer->EndElement(L"C");
  EXPECT_EQ(TextOf(writer.get()),
            L"<C><![CDATA[x]]><![CDATA[]]]]><![CDATA[>y]]><![CDATA[]]]]><![CDATA[>]]></C>");
}

TEST(XMLStringWriter, MisuseFailsWithItsMessage) {
  auto writer = NewWriter();
  ExpectError(writer->EndElement(L"A"), E_FAIL,
              L"Cannot close more XML elements than are currently open");
  writer->StartElement(L"A");
  ExpectError(writer->WriteStringAttribute(nullptr, L"v"), E_FAIL,
              L"An XML Attribute must have a name and a value");
  writer->CloseStartTag();
  ExpectError(writer->WriteLongAttribute(L"n", 1), E_FAIL,
              L"Cannot write attributes outside of an element start");
  writer->StartElement(L"B");
  writer->WriteText(L"t");
  ExpectError(writer->WriteBoolAttribute(L"b", true), E_FAIL,
              L"Cannot write attributes outside of an element start");
  EXPECT_EQ(writer->StartElement(nullptr), E_INVALIDARG);
  EXPECT_EQ(writer->WriteLongElement(nullptr, 1), E_INVALIDARG);
  EXPECT_EQ(writer->EndElement(nullptr), E_INVALIDARG);
  EXPECT_EQ(writer->EndElement(L"B"), S_OK);
  EXPECT_EQ(writer->EndElement(L"A"), S_OK);
  EXPECT_EQ(TextOf(writer.get()), L"\n<A>\n  <B>t</B>\n</A>");
}

TEST(XMLStringWriter, NumbersUseAPointUnderACommaLocale) {
  auto writer = NewWriter(false);
  const std::string previous = setlocale(LC_ALL, nullptr);
  ASSERT_NE(setlocale(LC_ALL, "German"), nullptr);
  wchar_t raw[16];
  _snwprintf(raw, 16, L"%.1f", 0.5);
  ASSERT_STREQ(raw, L"0,5") << "the test needs a runtime that writes a decimal comma";
  writer->StartElement(L"N");
  writer->WriteDoubleAttribute(L"half", 0.5);
  writer->WriteDoubleAttribute(L"big", -1234567.25e10);
  writer->WriteDoubleElement(L"d", 3.125);
  setlocale(LC_ALL, previous.c_str());
  writer->EndElement(L"N");
  EXPECT_EQ(TextOf(writer.get()), L"<N half=\"0.5\" big=\"-1.23456725e+016\"><d>3.125</d></N>");
}

TEST(XMLStringWriter, VariantValues) {
  auto writer = NewWriter(false);
  writer->StartElement(L"V");
  auto attribute = [&](const wchar_t* name, VARTYPE vt, auto set) {
    plat::unique_variant v;
    v.vt = vt;
    set(v);
    return writer->WriteVariantAttribute(name, v);
  };
  EXPECT_EQ(attribute(L"i1", VT_I1, [](VARIANT& v) { v.cVal = -5; }), S_OK);
  EXPECT_EQ(attribute(L"ui1", VT_UI1, [](VARIANT& v) { v.bVal = 200; }), S_OK);
  EXPECT_EQ(attribute(L"ui4", VT_UI4, [](VARIANT& v) { v.ulVal = 7; }), S_OK);
  EXPECT_EQ(attribute(L"r4", VT_R4, [](VARIANT& v) { v.fltVal = 0.25f; }), S_OK);
  EXPECT_EQ(attribute(L"date", VT_DATE, [](VARIANT& v) { v.date = 36526.5; }), S_OK);
  EXPECT_EQ(attribute(L"bool", VT_BOOL, [](VARIANT& v) { v.boolVal = VARIANT_TRUE; }), S_OK);
  EXPECT_EQ(attribute(L"null", VT_NULL, [](VARIANT&) {}), S_OK);
  EXPECT_EQ(attribute(L"s", VT_BSTR, [](VARIANT& v) { v.bstrVal = SysAllocString(L"<"); }), S_OK);
  LONG referenced = 12;
  EXPECT_EQ(attribute(L"ref", VT_BYREF | VT_I4, [&](VARIANT& v) { v.plVal = &referenced; }), S_OK);
  VARIANT inner;
  inner.vt = VT_BOOL;
  inner.boolVal = VARIANT_FALSE;
  EXPECT_EQ(attribute(L"refvar", VT_BYREF | VT_VARIANT, [&](VARIANT& v) { v.pvarVal = &inner; }),
            S_OK);
  EXPECT_EQ(TextOf(writer.get()),
            L"<V i1=\"-5\" ui1=\"200\" ui4=\"7\" r4=\"0.25\" date=\"36526.5\" bool=\"1\" null=\"\" "
            L"s=\"&lt;\" ref=\"12\" refvar=\"0\"");

  for (VARTYPE vt :
       {VARTYPE(VT_CY), VARTYPE(VT_I8), VARTYPE(VT_ARRAY | VT_I4), VARTYPE(VT_UNKNOWN)}) {
    VARIANT bad;
    bad.vt = vt;
    bad.llVal = 0;
    ExpectError(writer->WriteVariantAttribute(L"x", bad), E_FAIL,
                L"Could not convert attribute value to a string");
    ExpectError(writer->WriteVariantElement(L"x", bad), E_FAIL,
                L"Could not convert element value to a string");
  }
  VARIANT dangling;
  dangling.vt = VT_BYREF | VT_I4;
  dangling.plVal = nullptr;
  EXPECT_EQ(writer->WriteVariantAttribute(L"x", dangling), E_POINTER);
  VARIANT empty;
  empty.vt = VT_EMPTY;
  writer->WriteVariantElement(L"e", empty);
  const std::wstring text = TextOf(writer.get());
  EXPECT_EQ(text.substr(text.size() - 6), L"\"><e/>");
}

TEST(XMLStringWriter, LongTextsSpanBlocksInOrder) {
  auto writer = NewWriter();
  std::wstring expected;
  for (int i = 0; expected.size() < 5000; ++i) {
    const std::wstring piece = std::to_wstring(i) + L";";
    writer->WriteRaw(piece.c_str(), piece.size());
    expected += piece;
  }
  EXPECT_EQ(TextOf(writer.get()), expected);
  std::wstring copy(writer->GetLength() + 1, L'?');
  EXPECT_EQ(writer->CopyText(copy.data()), S_OK);
  EXPECT_EQ(copy, expected + L'\0');

  auto concrete = static_cast<WQXMLStringWriter*>(writer.get());
  const size_t blocks = concrete->GetBlockCount();
  EXPECT_EQ(writer->Clear(), S_OK);
  EXPECT_EQ(writer->GetLength(), 0u);
  EXPECT_EQ(TextOf(writer.get()), L"");
  EXPECT_EQ(concrete->GetBlockCount(), blocks);
}

// A block keeps room for the terminator: 2055 characters already take a second block.
TEST(XMLStringWriter, BlockBoundaries) {
  const struct {
    size_t length;
    size_t blocks;
  } cases[] = {{2054, 1}, {2055, 2}, {4110, 2}, {4111, 3}};
  for (const auto& c : cases) {
    auto writer = NewWriter();
    const std::wstring text(c.length, L'x');
    writer->WriteRaw(text.c_str(), text.size());
    EXPECT_EQ(static_cast<WQXMLStringWriter*>(writer.get())->GetBlockCount(), c.blocks);
    EXPECT_EQ(TextOf(writer.get()), text);
  }
}

// A long text written in small pieces moves the table of its blocks a few times, not once
// a block: the table doubles.
TEST(XMLStringWriter, TheBlockTableDoubles) {
  WQChunkedString text;
  std::wstring expected;
  std::vector<size_t> tables;
  while (text.GetBlockCount() < 200) {
    const std::wstring piece = std::to_wstring(expected.size()) + L";";
    text.Append(piece.c_str(), piece.size());
    expected += piece;
    if (tables.empty() || tables.back() != text.GetTableCapacity())
      tables.push_back(text.GetTableCapacity());
  }
  EXPECT_EQ(tables, (std::vector<size_t>{1, 2, 4, 8, 16, 32, 64, 128, 256}));
  std::wstring copy(text.GetLength() + 1, L'?');
  text.CopyTo(copy.data());
  EXPECT_EQ(copy, expected + L'\0');
}

TEST(XMLStringWriter, StreamWrites) {
  auto writer = NewWriter();
  com_ptr<ISequentialStream> stream;
  ASSERT_EQ(writer.query_to(stream), S_OK);
  ULONG done = 99;
  ExpectError(stream->Write("abc", 3, &done), E_FAIL,
              L"Cannot write a UTF-16 stream that is not a whole number of wide characters");
  EXPECT_EQ(done, 0u);
  EXPECT_EQ(stream->Write(L"hi", 4, &done), S_OK);
  EXPECT_EQ(done, 4u);
  EXPECT_EQ(stream->Write(nullptr, 2, nullptr), E_POINTER);
  char buffer[4];
  done = 99;
  ExpectError(stream->Read(buffer, 4, &done), STG_E_ACCESSDENIED,
              L"Stream does not support Read operations");
  EXPECT_EQ(done, 0u);

  static_cast<WQXMLStringWriter*>(writer.get())->SetUtf8Input(true);
  ExpectError(stream->Write("a\xE2\x82", 3, &done), E_FAIL,
              L"Incomplete UTF8 sequence cannot be translated to UTF16");
  EXPECT_EQ(stream->Write("caf\xC3\xA9", 5, &done), S_OK);
  EXPECT_EQ(done, 5u);
  const std::string big(3000, 'z');
  EXPECT_EQ(stream->Write(big.data(), static_cast<ULONG>(big.size()), nullptr), S_OK);
  EXPECT_EQ(TextOf(writer.get()), L"hicaf\u00e9" + std::wstring(3000, L'z'));
}

TEST(XMLStringWriter, IncompleteUtf8Tails) {
  struct Case {
    const char* bytes;
    int missing;
  } cases[] = {
      {"", 0},
      {"a", 0},
      {"\xC3", 1},
      {"\xC3\xA9", 0},
      {"\xE2", 2},
      {"\xE2\x82", 1},
      {"\xE2\x82\xAC", 0},
      {"\xF0\x9F", 2},
      {"\xF0\x9F\x98", 1},
      {"\xF0\x9F\x98\x80", 0},
      {"\xF0", 3},
      {"a\x80", 2},
  };
  for (const Case& c : cases)
    EXPECT_EQ(WQMissingUtf8Bytes(reinterpret_cast<const BYTE*>(c.bytes), strlen(c.bytes)),
              c.missing)
        << c.bytes;
}

TEST(XMLStringWriter, Interfaces) {
  com_ptr<IUnknown> unknown;
  ASSERT_EQ(WQXMLStringWriter::CreateInstance(IID_IUnknown, unknown.put_void()), S_OK);
  com_ptr<iwqXMLWriter> writer;
  com_ptr<iwqXMLStringWriter> stringWriter;
  com_ptr<ISequentialStream> stream;
  ASSERT_EQ(unknown.query_to(writer), S_OK);
  ASSERT_EQ(unknown.query_to(stringWriter), S_OK);
  ASSERT_EQ(unknown.query_to(stream), S_OK);
  EXPECT_EQ(static_cast<void*>(writer.get()), static_cast<void*>(stringWriter.get()));
  EXPECT_EQ(wqtest::QueryResult(stream.get(), IID_IStream), E_NOINTERFACE);
  EXPECT_EQ(stream.try_query<IUnknown>().get(), unknown.get());

  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(WQXMLStringWriter::CreateInstance(IID_IDispatch, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  BSTR* none = nullptr;
  EXPECT_EQ(stringWriter->GetText(none), E_POINTER);
  EXPECT_EQ(stringWriter->CopyText(nullptr), E_POINTER);
}

}  // namespace
