// The page made from ScriptUI descriptions by the module's stylesheet, the settings the
// dialog reads, and the forms in which the page leaves the module.
#include <gtest/gtest.h>

#include "kbscripting/scriptuipage.h"
#include "kbtest.h"
#include "xmlstructure.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

using plat::com_ptr;
using plat::unique_bstr;

// The stylesheet is read through the resource protocol from the loaded server DLL.
class ScriptUIPage : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(kbtest::ServerLoaded()) << "WQCGenericSvcs.dll is not registered";
  }

  // The page of a description whose dialog box holds `controls`.
  static std::wstring Page(const std::wstring& controls, const std::wstring& dialogAttributes = L"",
                           ScriptUISettings* settings = nullptr) {
    const std::wstring description =
        L"<ScriptUI><DialogBox" + dialogAttributes + L">" + controls + L"</DialogBox></ScriptUI>";
    ScriptUISettings local;
    unique_bstr page;
    EXPECT_EQ(BuildScriptUIPage(description.c_str(), settings ? *settings : local, page), S_OK);
    return page.c_str();
  }

  // The structures of the nodes `xpath` selects in the page, joined by " | ".
  static std::wstring Select(const std::wstring& page, const wchar_t* xpath) {
    com_ptr<IXMLDOMDocument> document = wqtest::LoadXml(page.c_str());
    if (!document) return L"<page is not well-formed>";
    com_ptr<IXMLDOMNodeList> nodes;
    document->selectNodes(unique_bstr::copy(xpath).get(), nodes.put());
    long count = 0;
    nodes->get_length(&count);
    std::wstring out;
    for (long i = 0; i < count; ++i) {
      com_ptr<IXMLDOMNode> node;
      nodes->get_item(i, node.put());
      if (i) out += L" | ";
      out += wqtest::NodeStructure(node.get());
    }
    return out;
  }
  // The control rows: every row of the table but the buttons' one.
  static std::wstring Rows(const std::wstring& controls) {
    return Select(Page(controls), L"/html/body/table/tr[position() < last()]");
  }
};

TEST_F(ScriptUIPage, StylesheetLoadsCompletelyBeforeItIsUsed) {
  com_ptr<IXMLDOMDocument> stylesheet;
  ASSERT_EQ(LoadScriptUIStylesheet(stylesheet), S_OK);
  com_ptr<IXMLDOMElement> root;
  stylesheet->get_documentElement(root.put());
  ASSERT_TRUE(root);
  unique_bstr name;
  root->get_nodeName(name.put());
  EXPECT_STREQ(name.get(), L"xsl:stylesheet");
}

TEST_F(ScriptUIPage, PageFrameHoldsTitleStyleTableAndInstanceIsland) {
  const std::wstring page = Page(L"", L" Title='Pick &amp; go'");
  EXPECT_EQ(Select(page, L"/html/head/title"), L"title('Pick & go')");
  EXPECT_EQ(Select(page, L"/html/*"), L"head(title('Pick & go'),style(" +
                                          Select(page, L"/html/head/style/text()") +
                                          L")) | body[id=TheBody](table(" + Select(page, L"//tr") +
                                          L")) | xml[id=InstanceData](xmldata)");
  const std::wstring style = Select(page, L"/html/head/style/text()");
  for (const wchar_t* rule : {L"BODY { background-color: threedface; font-family: Arial; "
                              L"font-size: 13px; margin: 13px; border: none; }",
                              L"INPUT, P, SELECT { font-size: 13px; }",
                              L"TABLE { border: solid 20px threedface; margin: 2px; }",
                              L"TD { border: solid 4px threedface; font-size: 13px; }"})
    EXPECT_NE(style.find(rule), std::wstring::npos) << rule;
}

TEST_F(ScriptUIPage, CancelButtonFollowsPermitCancel) {
  const std::wstring ok =
      L"input[type=button,id=btnOK,value=OK,accessKey=O,width=75,"
      L"style=ACCELERATOR: true; WIDTH: 75px; HEIGHT: 24px,onclick=window.external.OnOKClick()]";
  const std::wstring cancel =
      L"input[type=button,id=btnCancel,value=Cancel,accessKey=C,width=75,"
      L"style=ACCELERATOR: true; WIDTH: 75px; HEIGHT: "
      L"24px,onclick=window.external.OnCancelClick()]";
  const std::wstring both = L"tr(td[align=center](" + ok + L"),td[align=center](" + cancel + L"))";
  const std::wstring okOnly = L"tr(td[align=center,colspan=2](" + ok + L"))";
  const struct {
    const wchar_t* attribute;
    std::wstring row;
  } cases[] = {{L"", both},
               {L" PermitCancel='0'", okOnly},
               {L" PermitCancel='false'", okOnly},
               {L" PermitCancel='1'", both},
               {L" PermitCancel='FALSE'", both}};
  for (const auto& c : cases)
    EXPECT_EQ(Select(Page(L"<EditBox id='A'/>", c.attribute), L"//tr[last()]"), c.row)
        << c.attribute;
}

TEST_F(ScriptUIPage, EditBoxAndCheckBoxRows) {
  EXPECT_EQ(Rows(L"<EditBox id='Tag' prompt='Tag number'/>"),
            L"tr(td('Tag number'),td(input[id=Tag,type=Text]))");
  EXPECT_EQ(
      Rows(L"<EditBox id='Tag' prompt='Tag' visiblewidth='20' balloonhelp='Plant tag' "
           L"value='ignored' disabled='disabled'/>"),
      L"tr(td('Tag'),td(input[id=Tag,type=Text,style=CURSOR: hand,title=Plant tag,size=20]))");
  EXPECT_EQ(Rows(L"<CheckBox id='Ins' prompt='Insulated' Checked='1'/>"),
            L"tr(td('Insulated'),td(input[id=Ins,type=checkbox,value=Ins,checked=checked]))");
  EXPECT_EQ(Rows(L"<CheckBox id='Ins' prompt='Insulated' value='Y' disabled='disabled' "
                 L"Checked='0'/>"),
            L"tr(td('Insulated'),td(input[id=Ins,type=checkbox,value=Y,disabled=disabled]))");
}

TEST_F(ScriptUIPage, RadioGroupGivesOneNamedRowPerButtonWithTheFirstChecked) {
  EXPECT_EQ(Rows(L"<RadioGroup Name='Size'><RadioButton id='S' prompt='Small'/>"
                 L"<RadioButton id='M' prompt='Medium' value='med'/>"
                 L"<RadioButton id='L' prompt='Large' Checked='1'/></RadioGroup>"),
            L"tr(td('Small'),td(input[id=S,type=radio,name=Size,value=S,checked=checked])) | "
            L"tr(td('Medium'),td(input[id=M,type=radio,name=Size,value=med])) | "
            L"tr(td('Large'),td(input[id=L,type=radio,name=Size,value=L]))");
}

TEST_F(ScriptUIPage, ComboBoxOptionsTakeTheirValueOrTheirText) {
  EXPECT_EQ(
      Rows(L"<ComboBox id='Mat' prompt='Material' balloonhelp='Pipe material'>"
           L"<Choice value='CS'>Carbon steel</Choice><Choice selected='selected'>Copper</Choice>"
           L"</ComboBox>"),
      L"tr(td('Material'),td(select[id=Mat,style=CURSOR: hand,title=Pipe material]("
      L"option[value=CS]('Carbon steel'),option[value=Copper,selected=selected]('Copper'))))");
}

TEST_F(ScriptUIPage, LinkSpansBothColumnsWithoutPrompt) {
  EXPECT_EQ(Rows(L"<Link prompt='See' url='http://x/a' displaytext='the manual'/>"),
            L"tr(td('See'),td[align=center](a[href=http://x/a]('the manual')))");
  EXPECT_EQ(Rows(L"<Link url='http://x/a' balloonhelp='Opens'/>"),
            L"tr(td[align=center,colspan=2](a[href=http://x/a,style=CURSOR: hand,title=Opens]("
            L"'http://x/a')))");
}

TEST_F(ScriptUIPage, TextBoxBreaksLinesWrittenAsCrLfOrLf) {
  EXPECT_EQ(Rows(L"<TextBox>one&#13;&#10;two\r\nthree</TextBox>"),
            L"tr(td[colspan=2]('one',br,'two',br,'three'))");
}

TEST_F(ScriptUIPage, HelpAndScriptAreIslandsNotRows) {
  const std::wstring page = Page(
      L"<HelpString>Fill in &lt;all&gt; fields</HelpString>"
      L"<Script language='JScript'>function Validate() { return true; }"
      L"</Script><Script>Function Cancel : Cancel = True : End Function</Script>");
  EXPECT_EQ(Select(page, L"/html/body/table/tr[position() < last()]"), L"");
  EXPECT_EQ(Select(page, L"//xml[@id='HelpString']"),
            L"xml[id=HelpString](HelpString('Fill in <all> fields'))");
  EXPECT_NE(page.find(L"<![CDATA[Fill in <all> fields]]>"), std::wstring::npos) << page;
  EXPECT_EQ(Select(page, L"//script"),
            L"script[language=JScript]('function Validate() { return true; }') | "
            L"script[language=vbscript]('Function Cancel : Cancel = True : End Function')");
}

TEST_F(ScriptUIPage, ScriptTextIsWrittenUnescaped) {
  const std::wstring page = Page(L"<Script>If a &lt; 2 Then b = \"x\" &amp; \"y\"</Script>");
  EXPECT_NE(page.find(L">If a < 2 Then b = \"x\" & \"y\"</script>"), std::wstring::npos) << page;
}

TEST_F(ScriptUIPage, InstanceDataKeepsDatumValuesInIdVtValueOrder) {
  const std::wstring description =
      L"<ScriptUI><DialogBox/><InstanceData id='Inst'><Datum value='7' vt='3' id='Line' extra='x'/>"
      L"<Other/><Datum id='Name' vt='8' value='A&amp;B'/></InstanceData></ScriptUI>";
  ScriptUISettings settings;
  unique_bstr page;
  ASSERT_EQ(BuildScriptUIPage(description.c_str(), settings, page), S_OK);
  EXPECT_EQ(Select(page.c_str(), L"//xml[@id='InstanceData']"),
            L"xml[id=InstanceData](xmldata(InstanceData[id=Inst]("
            L"Datum[id=Line,vt=3,value=7],Datum[id=Name,vt=8,value=A&B])))");
}

TEST_F(ScriptUIPage, UnknownDialogElementsGiveNothing) {
  EXPECT_EQ(Rows(L"<Gadget id='G'>text that must not leak</Gadget>"), L"");
}

TEST_F(ScriptUIPage, SettingsComeFromTheDescription) {
  ScriptUISettings settings;
  Page(L"", L" MaxWidth='420' DebugFile='C:\\page.htm'", &settings);
  EXPECT_TRUE(settings.hasMaxWidth);
  EXPECT_EQ(settings.maxWidth, 420);
  EXPECT_STREQ(settings.debugFile.c_str(), L"C:\\page.htm");

  const wchar_t description[] =
      L"<ScriptUI ReturnTo='NextStep' From='First' ActiveDocument='31' ActiveCase='4'>"
      L"<DialogBox/></ScriptUI>";
  ScriptUISettings read;
  unique_bstr page;
  ASSERT_EQ(BuildScriptUIPage(description, read, page), S_OK);
  EXPECT_STREQ(read.returnTo.c_str(), L"NextStep");
  EXPECT_STREQ(read.from.c_str(), L"First");
  EXPECT_EQ(read.activeDocument, 31);
  EXPECT_EQ(read.activeCase, 4);
  // Without MaxWidth the width reads as 0 and the dialog still places its window.
  EXPECT_TRUE(read.hasMaxWidth);
  EXPECT_EQ(read.maxWidth, 0);
  EXPECT_STREQ(read.debugFile.c_str(), L"");
}

// Descriptions as servers write them: behind a byte-order mark, declaring the encoding
// they were sent in.
TEST_F(ScriptUIPage, DescriptionIsReadWhateverItsMarkAndDeclaredEncoding) {
  for (const wchar_t* mark : {L"", L"\xFEFF"}) {
    for (const wchar_t* declaration :
         {L"", L"<?xml version='1.0'?>", L"<?xml version='1.0' encoding='UTF-8'?>",
          L"<?xml version='1.0' encoding='UTF-16'?>",
          L"<?xml version='1.0' encoding='ISO-8859-1' standalone='yes'?>",
          L"<?xml version='1.0' encoding='windows-1252'?>"}) {
      const std::wstring description =
          std::wstring(mark) + declaration +
          L"<ScriptUI ReturnTo='N\x00E4chster'><DialogBox/></ScriptUI>";
      ScriptUISettings read;
      unique_bstr page;
      EXPECT_EQ(BuildScriptUIPage(description.c_str(), read, page), S_OK);
      EXPECT_STREQ(read.returnTo.c_str(), L"N\x00E4chster")
          << (*mark ? "marked " : "") << declaration;
    }
  }
}

TEST_F(ScriptUIPage, SettingsThatAreNoNumbersKeepTheirStartValues) {
  ScriptUISettings settings;
  unique_bstr page;
  ASSERT_EQ(BuildScriptUIPage(L"<ScriptUI ActiveDocument='x1' ActiveCase=''>"
                              L"<DialogBox MaxWidth='wide'/></ScriptUI>",
                              settings, page),
            S_OK);
  EXPECT_FALSE(settings.hasMaxWidth);
  EXPECT_EQ(settings.activeDocument, 0);
  EXPECT_EQ(settings.activeCase, 0);

  // The ids are read as every id is read: a text that is no whole number is none, never
  // another id, and leaves the id as it was.
  const struct {
    const wchar_t* text;
    long id;
  } ids[] = {{L"1,2", 7},   {L"12.6", 7},       {L"1e1", 7},   {L"(5)", 7},
             {L"12abc", 7}, {L"3000000000", 7}, {L" 12 ", 12}, {L"-4", -4}};
  for (const auto& c : ids) {
    ScriptUISettings read;
    read.activeDocument = read.activeCase = 7;
    const std::wstring description = std::wstring(L"<ScriptUI ActiveDocument='") + c.text +
                                     L"' ActiveCase='" + c.text + L"'><DialogBox/></ScriptUI>";
    ASSERT_EQ(BuildScriptUIPage(description.c_str(), read, page), S_OK);
    EXPECT_EQ(read.activeDocument, c.id) << testing::PrintToString(c.text);
    EXPECT_EQ(read.activeCase, c.id) << testing::PrintToString(c.text);
  }
}

// Its page would show nothing a user could leave it by: the reader's reason is given instead.
TEST_F(ScriptUIPage, DescriptionThatDoesNotParseGivesNoPage) {
  ScriptUISettings settings;
  unique_bstr page, reason;
  EXPECT_EQ(BuildScriptUIPage(L"<ScriptUI><DialogBox>", settings, page, &reason),
            WQ_E_NOTADESCRIPTION);
  EXPECT_EQ(page.get(), nullptr);
  EXPECT_GT(reason.length(), 0u) << "the reader's text";
  EXPECT_EQ(BuildScriptUIPage(L"garbage", settings, page), WQ_E_NOTADESCRIPTION);
}

TEST(ScriptUIPageOutput, StreamHoldsByteOrderMarkTextAndTerminator) {
  com_ptr<IStream> stream;
  ASSERT_EQ(CreatePageStream(L"<p>\u00e9</p>", stream.put()), S_OK);
  STATSTG stat = {};
  ASSERT_EQ(stream->Stat(&stat, STATFLAG_NONAME), S_OK);
  ASSERT_GE(stat.cbSize.QuadPart, 2u + 16u);
  std::vector<BYTE> bytes(static_cast<size_t>(stat.cbSize.QuadPart));
  ULONG read = 0;
  stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read);
  ASSERT_EQ(read, bytes.size());
  EXPECT_EQ(bytes[0], 0xFF);
  EXPECT_EQ(bytes[1], 0xFE);
  EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2)), L"<p>\u00e9</p>");
  EXPECT_EQ(CreatePageStream(L"x", nullptr), E_POINTER);
}

TEST(ScriptUIPageOutput, DebugFileHoldsThePageOrIsQuietlySkipped) {
  const std::wstring path = kbtest::TempFile();
  ASSERT_TRUE(WriteDebugFile(path.c_str(), L"<html>page</html>"));
  EXPECT_EQ(kbtest::TakeWideFile(path), L"<html>page</html>");
  EXPECT_FALSE(WriteDebugFile(L"Q:\\no such folder\\x\\page.htm", L"page"));
  EXPECT_FALSE(WriteDebugFile(L"", L"page"));
}

}  // namespace
