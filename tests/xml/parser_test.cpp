#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <memory>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "comtest.h"
#include "saxschemaparser.h"

namespace {

using SAXSchemaParserImpl::WQSAXAbortException;

enum : ULONG {
  kListCases = 0,
  kCase = 1,
  kID = 2,
  kCaseName = 3,
  kActive = 4,
  kExtra = 5,
  kWeight = 6,
  kNote = 7,
  kCount = 8
};

const SAXSchemaEntry kCaseSchema[] = {
    {kSchemaStart, nullptr, 0},
    {kSchemaElement, L"ListCases", kListCases},
    {kSchemaIntegerAttribute, L"Count", kCount},
    {kSchemaChild, nullptr, kCase},
    {kSchemaChild, nullptr, kExtra},
    {kSchemaEndBlock, nullptr, 0},
    {kSchemaElement, L"Case", kCase},
    {kSchemaIntegerAttribute, L"ID", kID},
    {kSchemaStringAttribute, L"CaseName", kCaseName},
    {kSchemaBoolAttribute, L"Active", kActive},
    {kSchemaRealAttribute, L"Weight", kWeight},
    {kSchemaChild, nullptr, kNote},
    {kSchemaEndBlock, nullptr, 0},
    {kSchemaElement, L"Extra", kExtra},
    {kSchemaEndBlock, nullptr, 0},
    {kSchemaStringElement, L"Note", kNote},
    {kSchemaEnd, nullptr, 0},
};

// What a test wants a handler to do at one call.
struct Fault {
  std::wstring operation;  // "Start", "Attr", "ChildValue", "GetChild", "End"
  ULONG id = 0;
  HRESULT hr = S_OK;  // returned; WQ_E_SAXABORT included
  bool throwAbort = false;
  bool noChild = false;  // GetChildHandler answers S_OK without a handler
};

struct Journal {
  std::vector<std::wstring> lines;
  std::vector<Fault> faults;
  int live = 0;  // child handlers alive
  int made = 0;

  const Fault* Find(const wchar_t* operation, ULONG id) const {
    for (const Fault& f : faults)
      if (f.operation == operation && f.id == id) return &f;
    return nullptr;
  }
};

std::wstring ValueText(const SAXSchemaValue& v) {
  wchar_t text[96];
  switch (v.type) {
    case SAXSchemaValue::kInteger: _snwprintf(text, 96, L"i:%ld", v.integer); break;
    case SAXSchemaValue::kReal: _snwprintf(text, 96, L"r:%g", v.real); break;
    case SAXSchemaValue::kBoolean: _snwprintf(text, 96, L"b:%d", v.boolean ? 1 : 0); break;
    default: _snwprintf(text, 96, L"s:%ls", v.text); break;
  }
  text[95] = L'\0';
  return std::wstring(text) + (v.missing ? L" missing" : L"");
}

// Records every call as "<handler> <operation> <id> ..." and plays the journal's faults.
template <class Base>
class Recording : public Base {
 public:
  Recording(std::wstring name, Journal& journal) : name_(std::move(name)), journal_(journal) {}

  HRESULT StartElement(ULONG id) override { return Note(L"Start", id, L""); }
  HRESULT EndElement(ULONG id) override { return Note(L"End", id, L""); }
  HRESULT SetAttribute(ULONG id, const SAXSchemaValue& v) override {
    return Note(L"Attr", id, L" " + ValueText(v));
  }
  HRESULT SetChildValue(ULONG id, const SAXSchemaValue& v) override {
    return Note(L"ChildValue", id, L" " + ValueText(v));
  }
  HRESULT Characters(const wchar_t* text, int length) override {
    const std::wstring chars(text, length);
    if (chars.find_first_not_of(L" \r\n\t") != std::wstring::npos)
      journal_.lines.push_back(name_ + L" Chars " + chars);
    return S_OK;
  }
  HRESULT GetChildHandler(ULONG id, SAXSchemaElementHandler** child) override {
    const HRESULT hr = Note(L"GetChild", id, L"");
    const Fault* fault = journal_.Find(L"GetChild", id);
    if (SUCCEEDED(hr) && !(fault && fault->noChild)) *child = MakeChild();
    return hr;
  }
  HRESULT EndChildElement(ULONG id, SAXSchemaElementHandler* child) override {
    auto* recording = static_cast<Recording<DefaultSAXSchemaElementHandler>*>(child);
    const HRESULT hr = Note(L"EndChild", id, L" " + (recording ? recording->name_ : L"none"));
    delete recording;
    return hr;
  }
  void AbandonChildElement(ULONG id, SAXSchemaElementHandler* child) override {
    journal_.lines.push_back(name_ + L" Abandon " + std::to_wstring(id));
    delete static_cast<Recording<DefaultSAXSchemaElementHandler>*>(child);
  }

  std::wstring name_;

 protected:
  Journal& journal_;

 private:
  SAXSchemaElementHandler* MakeChild();

  HRESULT Note(const wchar_t* operation, ULONG id, const std::wstring& rest) {
    journal_.lines.push_back(name_ + L" " + operation + L" " + std::to_wstring(id) + rest);
    const Fault* fault = journal_.Find(operation, id);
    if (!fault) return S_OK;
    if (fault->throwAbort) WQSAXAbortException::Abort();
    if (FAILED(fault->hr) && fault->hr != WQ_E_SAXABORT) {
      WQComException error;
      error.SetErrorHr(fault->hr, L"Handler refused %ls %lu", operation, id);
    }
    return fault->hr;
  }
};

class Child : public Recording<DefaultSAXSchemaElementHandler> {
 public:
  Child(std::wstring name, Journal& journal) : Recording(std::move(name), journal) {
    ++journal.live;
  }
  ~Child() override { --journal_.live; }
};

template <class Base>
SAXSchemaElementHandler* Recording<Base>::MakeChild() {
  return new Child(L"h" + std::to_wstring(++journal_.made), journal_);
}

class CaseSchema : public SAXSchemaParser {
 public:
  const SAXSchemaEntry* GetSchema() override { return kCaseSchema; }
};

class CaseParser : public Recording<CaseSchema> {
 public:
  CaseParser() : Recording(L"root", journal) {}
  HRESULT Parse(const wchar_t* xml) {
    journal.lines.clear();
    plat::unique_bstr text = plat::unique_bstr::copy(xml);
    return ParseString(text.get());
  }
  Journal journal;
};

std::vector<std::wstring> Lines(std::initializer_list<const wchar_t*> lines) {
  return std::vector<std::wstring>(lines.begin(), lines.end());
}

TEST(SAXSchemaParser, CallbackSequenceSkipsWhatIsUnknown) {
  CaseParser parser;
  EXPECT_EQ(parser.Parse(L"<ListCases Count='2'>\n"
                         L"  <Case ID='5' CaseName='A &amp; B' Active='t' Weight='1.5' Odd='x'>\n"
                         L"    <Note>hello</Note>\n"
                         L"    <Mystery><Case ID='9'/><Note>deep</Note></Mystery>\n"
                         L"  </Case>\n"
                         L"  <Extra/>\n"
                         L"  <Case ID=''/>\n"
                         L"  <Note>misplaced</Note>\n"
                         L"</ListCases>"),
            S_OK);
  EXPECT_FALSE(parser.IsAborted());
  EXPECT_EQ(parser.journal.lines, Lines({L"root GetChild 0",
                                         L"h1 Start 0",
                                         L"h1 Attr 8 i:2",
                                         L"h1 GetChild 1",
                                         L"h2 Start 1",
                                         L"h2 Attr 2 i:5",
                                         L"h2 Attr 3 s:A & B",
                                         L"h2 Attr 4 b:1",
                                         L"h2 Attr 6 r:1.5",
                                         L"h2 ChildValue 7 s:hello",
                                         L"h2 End 1",
                                         L"h1 EndChild 1 h2",
                                         L"h1 GetChild 5",
                                         L"h3 Start 5",
                                         L"h3 End 5",
                                         L"h1 EndChild 5 h3",
                                         L"h1 GetChild 1",
                                         L"h4 Start 1",
                                         L"h4 Attr 2 i:0 missing",
                                         L"h4 End 1",
                                         L"h1 EndChild 1 h4",
                                         L"h1 ChildValue 7 s:misplaced",
                                         L"h1 End 0",
                                         L"root EndChild 0 h1"}));
  EXPECT_EQ(parser.journal.live, 0);
}

TEST(SAXSchemaParser, AChildWithoutHandlerGoesUnreported) {
  CaseParser parser;
  parser.journal.faults.push_back({L"GetChild", kCase, S_OK, false, true});
  EXPECT_EQ(parser.Parse(L"<ListCases><Case ID='1'><Note>n</Note></Case></ListCases>"), S_OK);
  EXPECT_EQ(parser.journal.lines,
            Lines({L"root GetChild 0", L"h1 Start 0", L"h1 GetChild 1", L"h1 EndChild 1 none",
                   L"h1 End 0", L"root EndChild 0 h1"}));
}

TEST(SAXSchemaParser, StrictModeRejectsUnknownNames) {
  struct Case {
    const wchar_t* xml;
    const wchar_t* message;
  } cases[] = {
      {L"<ListCases><Mystery/></ListCases>", L"Unexpected element <Mystery>"},
      {L"<ListCases><Case ID='1' Odd='2'/></ListCases>", L"Unexpected Attribute Odd"},
      {L"<ListCases><Note>x</Note></ListCases>", L"Unexpected element <Note>"},
      {L"<ListCases><p:CaseX xmlns:p='urn:x'/></ListCases>", L"Unexpected element <CaseX>"},
  };
  for (const Case& c : cases) {
    CaseParser parser;
    parser.tolerateUnknown = false;
    EXPECT_EQ(parser.Parse(c.xml), E_FAIL) << c.xml;
    const std::wstring description = wqtest::TakeErrorDescription();
    EXPECT_NE(description.find(std::wstring(L"Desc=\"") + c.message + L"\""), std::wstring::npos)
        << description;
    EXPECT_EQ(parser.journal.live, 0);
  }
}

TEST(SAXSchemaParser, NamesMatchCaseOnlyWhenAsked) {
  CaseParser parser;
  EXPECT_EQ(parser.Parse(L"<listcases><CASE id='1'/></listcases>"), S_OK);
  EXPECT_TRUE(parser.journal.lines.empty());
  parser.ignoreCase = true;
  EXPECT_EQ(parser.Parse(L"<listcases><CASE id='1'/></listcases>"), S_OK);
  EXPECT_EQ(parser.journal.lines.size(), 9u);
  EXPECT_EQ(parser.journal.lines[4], L"h2 Attr 2 i:1");
}

// An attribute belongs to the schema only outside any namespace, and only once.
TEST(SAXSchemaParser, AttributesOfOtherNamespacesAndRepeats) {
  CaseParser parser;
  EXPECT_EQ(parser.Parse(L"<ListCases xmlns:p='urn:p'><Case ID='1' p:ID='2' p:CaseName='x'/>"
                         L"</ListCases>"),
            S_OK);
  EXPECT_EQ(parser.journal.lines[4], L"h2 Attr 2 i:1");
  EXPECT_EQ(parser.journal.lines[5], L"h2 End 1");
  // A simple element's text reaches the reader in pieces and its handler whole.
  EXPECT_EQ(parser.Parse(L"<ListCases><Case ID='1'><Note>a &amp; b&#x41;&lt;</Note></Case>"
                         L"</ListCases>"),
            S_OK);
  EXPECT_NE(parser.journal.lines[5].find(L" ChildValue 7 s:a & bA<"), std::wstring::npos);
  parser.tolerateUnknown = false;
  EXPECT_EQ(parser.Parse(L"<ListCases xmlns:p='urn:p'><Case ID='1' p:ID='2'/></ListCases>"),
            E_FAIL);
  EXPECT_NE(wqtest::TakeErrorDescription().find(L"Unexpected Attribute ID"), std::wstring::npos);

  parser.tolerateUnknown = true;
  parser.ignoreCase = true;
  EXPECT_EQ(parser.Parse(L"<ListCases><Case ID='1' id='2'/></ListCases>"), E_FAIL);
  const std::wstring description = wqtest::TakeErrorDescription();
  EXPECT_NE(description.find(L"The attribute id is repeated"), std::wstring::npos) << description;
  EXPECT_NE(description.find(L"Parsing element Case(Ln 1, Col"), std::wstring::npos) << description;
  EXPECT_EQ(parser.journal.live, 0);
}

// Attribute values are converted from the reader's counted text, as element texts are, and
// a value that does not convert is quoted in the error.
TEST(SAXSchemaParser, AttributeValuesConvertFromTheReadersText) {
  CaseParser parser;
  EXPECT_EQ(parser.Parse(L"<ListCases Count=' +12 '><Case ID='  ' Active='YES' Weight=' -2.5e1'"
                         L" CaseName=' x '/><Case Active='False' ID='-7'/></ListCases>"),
            S_OK);
  EXPECT_EQ(parser.journal.lines,
            Lines({L"root GetChild 0", L"h1 Start 0", L"h1 Attr 8 i:12", L"h1 GetChild 1",
                   L"h2 Start 1", L"h2 Attr 2 i:0 missing", L"h2 Attr 4 b:1", L"h2 Attr 6 r:-25",
                   L"h2 Attr 3 s: x ", L"h2 End 1", L"h1 EndChild 1 h2", L"h1 GetChild 1",
                   L"h3 Start 1", L"h3 Attr 4 b:0", L"h3 Attr 2 i:-7", L"h3 End 1",
                   L"h1 EndChild 1 h3", L"h1 End 0", L"root EndChild 0 h1"}));
  const struct {
    const wchar_t* xml;
    HRESULT hr;
    const wchar_t* message;
  } bad[] = {
      {L"<ListCases><Case ID='x1'/></ListCases>", DISP_E_TYPEMISMATCH,
       L"The value 'x1' of attribute ID is not an integer"},
      {L"<ListCases><Case ID='99999999999'/></ListCases>", DISP_E_OVERFLOW,
       L"The value '99999999999' of attribute ID is out of range for an integer"},
      {L"<ListCases><Case Active='truex'/></ListCases>", DISP_E_TYPEMISMATCH,
       L"The value 'truex' of attribute Active is not a boolean"},
      {L"<ListCases><Case Active='tru'/></ListCases>", DISP_E_TYPEMISMATCH,
       L"The value 'tru' of attribute Active is not a boolean"},
  };
  for (const auto& c : bad) {
    EXPECT_EQ(parser.Parse(c.xml), c.hr) << c.xml;
    const std::wstring description = wqtest::TakeErrorDescription();
    EXPECT_NE(description.find(c.message), std::wstring::npos) << description;
  }
}

// Two names of one attribute id: the second one given is a repeat.
TEST(SAXSchemaParser, NamesOfOneIdCountAsOneAttribute) {
  static const SAXSchemaEntry kSchema[] = {
      {kSchemaStart, nullptr, 0},
      {kSchemaElement, L"ListCases", kListCases},
      {kSchemaStringAttribute, L"Name", kCaseName},
      {kSchemaStringAttribute, L"Title", kCaseName},
      {kSchemaIntegerAttribute, L"Count", kCount},
      {kSchemaEndBlock, nullptr, 0},
      {kSchemaEnd, nullptr, 0},
  };
  struct Parser : SAXSchemaParser {
    const SAXSchemaEntry* GetSchema() override { return kSchema; }
    HRESULT GetChildHandler(ULONG, SAXSchemaElementHandler** child) override {
      *child = &list;
      return S_OK;
    }
    DefaultSAXSchemaElementHandler list;
  } parser;
  plat::unique_bstr one = plat::unique_bstr::copy(L"<ListCases Title='a' Count='1'/>");
  EXPECT_EQ(parser.ParseString(one.get()), S_OK);
  plat::unique_bstr both = plat::unique_bstr::copy(L"<ListCases Title='a' Count='1' Name='b'/>");
  EXPECT_EQ(parser.ParseString(both.get()), E_FAIL);
  EXPECT_NE(wqtest::TakeErrorDescription().find(L"The attribute Name is repeated"),
            std::wstring::npos);
}

TEST(SAXSchemaParser, ValueConversions) {
  using namespace std::literals;
  struct Case {
    std::wstring_view text;  // counted: a null inside is a character of it
    ULONG type;
    HRESULT hr;
    const wchar_t* expected;
  } cases[] = {
      {L"Yes", SAXSchemaValue::kBoolean, S_OK, L"b:1"},
      {L"t", SAXSchemaValue::kBoolean, S_OK, L"b:1"},
      {L"F", SAXSchemaValue::kBoolean, S_OK, L"b:0"},
      {L"off", SAXSchemaValue::kBoolean, S_OK, L"b:0"},
      {L"", SAXSchemaValue::kBoolean, S_OK, L"b:0 missing"},
      {L"maybe", SAXSchemaValue::kBoolean, DISP_E_TYPEMISMATCH, nullptr},
      {L"", SAXSchemaValue::kInteger, S_OK, L"i:0 missing"},
      {L" -2147483648 ", SAXSchemaValue::kInteger, S_OK, L"i:-2147483648"},
      {L"+7", SAXSchemaValue::kInteger, S_OK, L"i:7"},
      {L"2147483648", SAXSchemaValue::kInteger, DISP_E_OVERFLOW, nullptr},
      {L"123456789012345678901234567890", SAXSchemaValue::kInteger, DISP_E_OVERFLOW, nullptr},
      {L"12abc", SAXSchemaValue::kInteger, DISP_E_TYPEMISMATCH, nullptr},
      {L"12\0junk"sv, SAXSchemaValue::kInteger, DISP_E_TYPEMISMATCH, nullptr},
      {L"\0"sv, SAXSchemaValue::kInteger, DISP_E_TYPEMISMATCH, nullptr},
      {L"-", SAXSchemaValue::kInteger, DISP_E_TYPEMISMATCH, nullptr},
      {L"", SAXSchemaValue::kString, S_OK, L"s:"},
      {L"1.5", SAXSchemaValue::kReal, S_OK, L"r:1.5"},
      {L"-2.5e3", SAXSchemaValue::kReal, S_OK, L"r:-2500"},
      {L"1,5", SAXSchemaValue::kReal, DISP_E_TYPEMISMATCH, nullptr},
      {L"inf", SAXSchemaValue::kReal, DISP_E_TYPEMISMATCH, nullptr},
      {L"1e999", SAXSchemaValue::kReal, DISP_E_OVERFLOW, nullptr},
      {L"1.5\0"sv, SAXSchemaValue::kReal, DISP_E_TYPEMISMATCH, nullptr},
      {L"1", 9, E_FAIL, nullptr},
  };
  const std::string previous = setlocale(LC_ALL, nullptr);
  for (const char* locale : {"C", "German"}) {
    ASSERT_NE(setlocale(LC_ALL, locale), nullptr);
    for (const Case& c : cases) {
      SAXSchemaValue value;
      const std::wstring text(c.text);
      EXPECT_EQ(SAXSchemaValue::FromText(c.text.data(), c.text.size(), c.type, value), c.hr)
          << testing::PrintToString(text) << " " << locale;
      setlocale(LC_ALL, "C");
      if (c.expected) {
        EXPECT_EQ(ValueText(value), c.expected) << testing::PrintToString(text) << " " << locale;
      }
      setlocale(LC_ALL, locale);
    }
  }
  setlocale(LC_ALL, previous.c_str());
}

// The position shape "Parsing element Case(Ln 3, Col n)" in front of the handler's error.
TEST(SAXSchemaParser, HandlerFailureNamesElementAndPosition) {
  CaseParser parser;
  parser.journal.faults.push_back({L"Attr", kCaseName, E_INVALIDARG});
  EXPECT_EQ(parser.Parse(L"<ListCases>\n  <Case ID='1'/>\n  <Case ID='2' CaseName='x'>"
                         L"<Note>n</Note></Case>\n</ListCases>"),
            E_INVALIDARG);
  const std::wstring description = wqtest::TakeErrorDescription();
  const std::wregex shape(
      L"<WQError Desc=\"Handler refused Attr 3\" Activity=\"Parsing element Case\\(Ln 3, Col "
      L"[0-9]+\\)\" HR=\"E_INVALIDARG\" />\r\n"
      L"<WQError Desc=\"Handler refused Attr 3\" HR=\"E_INVALIDARG\" />");
  EXPECT_TRUE(std::regex_match(description, shape)) << description;
  EXPECT_EQ(parser.journal.lines.end()[-3], L"h3 Attr 3 s:x");
  EXPECT_EQ(parser.journal.lines.end()[-2], L"h1 Abandon 1");
  EXPECT_EQ(parser.journal.lines.end()[-1], L"root Abandon 0");
  EXPECT_EQ(parser.journal.live, 0) << "the open Case handler goes back to its parent";
}

TEST(SAXSchemaParser, AbortEndsOpenElementsAndSucceeds) {
  for (bool thrown : {true, false}) {
    CaseParser parser;
    parser.journal.faults.push_back({L"ChildValue", kNote, WQ_E_SAXABORT, thrown});
    EXPECT_EQ(parser.Parse(L"<ListCases><Case ID='1'><Note>n</Note><Note>m</Note></Case>"
                           L"<Case ID='2'/></ListCases>"),
              S_OK);
    EXPECT_TRUE(parser.IsAborted());
    EXPECT_EQ(wqtest::TakeErrorDescription(), L"");
    const std::vector<std::wstring> tail(parser.journal.lines.end() - 5,
                                         parser.journal.lines.end());
    EXPECT_EQ(tail, Lines({L"h2 ChildValue 7 s:n", L"h2 End 1", L"h1 EndChild 1 h2", L"h1 End 0",
                           L"root EndChild 0 h1"}));
    EXPECT_EQ(parser.journal.live, 0);

    parser.journal.faults.clear();
    EXPECT_EQ(parser.Parse(L"<ListCases/>"), S_OK);
    EXPECT_FALSE(parser.IsAborted());
  }
}

// A failed parse must not leave frames that a later abort would unwind into.
TEST(SAXSchemaParser, FailedParseLeavesNothingBehind) {
  CaseParser parser;
  parser.journal.faults.push_back({L"Start", kExtra, E_FAIL});
  EXPECT_EQ(parser.Parse(L"<ListCases><Case ID='1'/><Extra/></ListCases>"), E_FAIL);
  EXPECT_EQ(parser.journal.lines.end()[-2], L"h1 Abandon 5");
  EXPECT_EQ(parser.journal.live, 0);

  parser.journal.faults = {{L"Start", kCase, WQ_E_SAXABORT}};
  EXPECT_EQ(parser.Parse(L"<ListCases><Case/></ListCases>"), S_OK);
  EXPECT_TRUE(parser.IsAborted());
  EXPECT_EQ(parser.journal.lines,
            Lines({L"root GetChild 0", L"h4 Start 0", L"h4 GetChild 1", L"h5 Start 1", L"h5 End 1",
                   L"h4 EndChild 1 h5", L"h4 End 0", L"root EndChild 0 h4"}));
  EXPECT_EQ(parser.journal.live, 0);
}

TEST(SAXSchemaParser, MalformedDocumentReportsReaderError) {
  CaseParser parser;
  const HRESULT hr = parser.Parse(L"<ListCases>\n<Case ID='1'></ListCases>");
  EXPECT_TRUE(FAILED(hr));
  const std::wstring description = wqtest::TakeErrorDescription();
  EXPECT_EQ(description.rfind(L"<WQError Desc=\"MSXML Fatal error: ", 0), 0u) << description;
  EXPECT_NE(description.find(L"Activity=\"Parsing XML (Ln 2, Col "), std::wstring::npos)
      << description;
  EXPECT_EQ(description.find(L'\n'), std::wstring::npos) << "one element, one line";
  EXPECT_EQ(parser.journal.live, 0);
}

// Every bad reply fails with a chain that says where, and nothing leaks or crashes.
TEST(SAXSchemaParser, BadReplies) {
  std::wstring deep;
  for (int i = 0; i < 3000; ++i) deep += L"<Case>";
  struct Case {
    std::wstring xml;
    bool strict;
    const wchar_t* where;
  } cases[] = {
      {L"", false, L"Could not parse the XML text"},
      {L"<ListCases><Case ID='1'>", false, L"Parsing XML"},
      {L"<ListCases><Case ID='1' ID='2'/></ListCases>", false, L"Parsing XML"},
      {L"<ListCases><Case ID='x1'/></ListCases>", false, L"Parsing element Case(Ln 1"},
      {L"<ListCases><Case ID='99999999999999999999'/></ListCases>", false,
       L"Parsing element Case(Ln 1"},
      {L"<ListCases><Case Active='perhaps'/></ListCases>", false, L"Parsing element Case(Ln 1"},
      {L"<ListCases><Case Weight='1.5.5'/></ListCases>", false, L"Parsing element Case(Ln 1"},
      {L"<ListCases Count='3x'/>", false, L"Parsing element ListCases(Ln 1"},
      {L"<ListCases><Mystery/></ListCases>", true, L"Parsing element Mystery(Ln 1"},
      {L"<ListCases>" + deep, false, L"Parsing "},
  };
  for (const Case& c : cases) {
    CaseParser parser;
    parser.tolerateUnknown = !c.strict;
    const HRESULT hr = parser.Parse(c.xml.c_str());
    EXPECT_TRUE(FAILED(hr)) << c.xml.substr(0, 80);
    const std::wstring description = wqtest::TakeErrorDescription();
    EXPECT_EQ(description.rfind(L"<WQError ", 0), 0u) << description;
    EXPECT_NE(description.find(c.where), std::wstring::npos) << c.xml.substr(0, 80) << description;
    EXPECT_EQ(parser.journal.live, 0);
  }
  CaseParser parser;
  EXPECT_EQ(parser.ParseString(nullptr), E_FAIL);
  EXPECT_NE(wqtest::TakeErrorDescription().find(L"Could not parse the XML text"),
            std::wstring::npos);
}

TEST(SAXSchemaParser, ParsesByURL) {
  wchar_t dir[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  const std::wstring path = std::wstring(dir) + L"wq_sax_reply.xml";
  FILE* file = _wfopen(path.c_str(), L"wb");
  ASSERT_NE(file, nullptr);
  fputs("<ListCases><Case ID='3'/></ListCases>", file);
  fclose(file);
  CaseParser parser;
  plat::unique_bstr url = plat::unique_bstr::copy(path.c_str());
  EXPECT_EQ(parser.ParseURL(url.get()), S_OK);
  EXPECT_EQ(parser.journal.lines[4], L"h2 Attr 2 i:3");
  DeleteFileW(path.c_str());
  parser.journal.lines.clear();
  EXPECT_TRUE(FAILED(parser.ParseURL(url.get())));
  EXPECT_EQ(wqtest::TakeErrorDescription().rfind(L"<WQError ", 0), 0u);
}

// A reply of many elements on one line, with characters beyond ASCII and beyond the basic
// plane, reads back as written, with an XML declaration or without one.
TEST(SAXSchemaParser, LongOneLineRepliesReadBackExactly) {
  const std::wstring name = L"Gr\u00fc\u00dfe \u4e2d \U0001D11E & ";
  for (const wchar_t* declaration : {L"", L"<?xml version=\"1.0\"?>"}) {
    std::wstring xml = std::wstring(declaration) + L"<ListCases>";
    std::vector<std::wstring> expected;
    for (int i = 0; i < 3000; ++i) {
      const std::wstring number = std::to_wstring(i);
      xml += L"<Case ID='" + number + L"' CaseName='Gr\u00fc\u00dfe \u4e2d \U0001D11E &amp; " +
             number + L"'/>";
      expected.push_back(L"Attr 3 s:" + name + number);
    }
    xml += L"</ListCases>";
    CaseParser parser;
    ASSERT_EQ(parser.Parse(xml.c_str()), S_OK) << wqtest::TakeErrorDescription();
    std::vector<std::wstring> names;
    for (const std::wstring& line : parser.journal.lines) {
      const size_t at = line.find(L"Attr 3 ");
      if (at != std::wstring::npos) names.push_back(line.substr(at));
    }
    EXPECT_EQ(names, expected);
  }
}

TEST(SAXSchemaParser, NamesById) {
  CaseParser parser;
  EXPECT_STREQ(parser.GetElementName(kNote), L"Note");
  EXPECT_STREQ(parser.GetAttributeName(kWeight), L"Weight");
  EXPECT_EQ(parser.GetElementName(kWeight), nullptr);
  EXPECT_EQ(parser.GetAttributeName(kCase), nullptr);
}

}  // namespace
