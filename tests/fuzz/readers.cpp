// Every reply reader of the module, each with a valid reply to start mutating from.
#include "fuzz.h"

#include <handles.h>
#include <standinsclient.h>

#include <cwchar>

#include "accessctrl/accessctrl.h"
#include "fieldformatting/descriptivetext.h"
#include "fieldformatting/initializeformatterparser.h"
#include "kbscripting/listkbparser.h"
#include "kbscripting/domutil.h"
#include "kbscripting/scriptuipage.h"
#include "kbscripting/scriptuiresultsdoc.h"
#include "main/enumoptionsparser.h"
#include "WQCGenericSvcs.h"
#include "conflictres/projectupdates.h"
#include "variantxml.h"
#include "workspace/dataservicerequest.h"
#include "workspace/pipereplyparser.h"
#include "workspacedialogs/activeholdsparser.h"
#include "workspace/listcasesparser.h"
#include "workspacedialogs/listclassesparser.h"
#include "workspacedialogs/listobjectpartsparser.h"
#include "workspacedialogs/listobjectsparser.h"
#include "workspacedialogs/listunitsetsparser.h"
#include "workspacedialogs/unclaimreportparser.h"

namespace fuzz {

const wchar_t kExternalMarker[] = L"WQFUZZEXTERNAL";

namespace {

bool HasMarker(const wchar_t* text) { return text && wcsstr(text, kExternalMarker); }
bool HasMarker(const std::wstring& text) { return HasMarker(text.c_str()); }

// Runs a SAX reader over the reply; `seen` collects the texts it handed out.
template <class Parser>
ReaderResult Run(Parser& parser, const std::wstring& xml, const std::wstring& seen = L"") {
  ReaderResult result;
  plat::unique_bstr text = plat::unique_bstr::copy(xml.c_str());
  result.hr = parser.ParseString(text.get());
  SetErrorInfo(0, nullptr);
  result.external = HasMarker(seen);
  return result;
}

// A digest of a VARIANT: its type and, for arrays, the bounds and each element's digest.
void Shape(const VARIANT& v, std::wstring& out) {
  out += L"(" + std::to_wstring(v.vt);
  if ((v.vt & VT_ARRAY) && v.parray) {
    VARTYPE element = VT_EMPTY;
    SafeArrayGetVartype(v.parray, &element);
    LONG lower = 0, upper = -1;
    SafeArrayGetLBound(v.parray, 1, &lower);
    SafeArrayGetUBound(v.parray, 1, &upper);
    out += L" " + std::to_wstring(lower) + L".." + std::to_wstring(upper);
    for (LONG i = 0; i <= upper - lower; ++i) {
      if (element == VT_VARIANT) Shape(static_cast<VARIANT*>(v.parray->pvData)[i], out);
      if (element == VT_BSTR)
        out += std::wstring(L" '") + static_cast<BSTR*>(v.parray->pvData)[i] + L"'";
    }
  } else if (v.vt == VT_BSTR) {
    out += std::wstring(L" '") + (v.bstrVal ? v.bstrVal : L"") + L"'";
  } else if (v.vt != VT_EMPTY && v.vt != VT_NULL) {
    plat::unique_variant text;
    if (SUCCEEDED(VariantChangeTypeEx(&text, const_cast<VARIANT*>(&v), 0x409, 0, VT_BSTR)))
      out += std::wstring(L" ") + text.bstrVal;
  }
  out += L")";
}

ReaderResult ReadVariant(const std::wstring& xml) {
  VariantHandler handler;
  ReaderResult result = Run(handler, xml);
  if (SUCCEEDED(result.hr)) {
    plat::unique_variant value;
    static_cast<VARIANT&>(value) = handler.Detach();
    Shape(value, result.shape);
    result.external = HasMarker(result.shape);
  }
  return result;
}

ReaderResult ReadListCases(const std::wstring& xml) {
  std::wstring seen;
  ListCasesParser parser([&](const wchar_t* name, LONG) { seen += name ? name : L""; });
  return Run(parser, xml, seen);
}

ReaderResult ReadListClasses(const std::wstring& xml) {
  std::wstring seen;
  ListClassesParser parser([&](const wchar_t* display, const wchar_t* name) {
    seen += display ? display : L"";
    seen += name ? name : L"";
  });
  return Run(parser, xml, seen);
}

template <class Parser>
ReaderResult ReadListed(const std::wstring& xml) {
  std::wstring seen;
  Parser parser([&](const ListedObject& object) { seen += object.name; });
  return Run(parser, xml, seen);
}

ReaderResult ReadObjectParts(const std::wstring& xml) {
  ObjectPartArray parts;
  ListObjectPartsParser parser(parts);
  return Run(parser, xml);
}

ReaderResult ReadUnitSets(const std::wstring& xml) {
  std::wstring seen;
  ListUnitSetsParser parser([&](const wchar_t* name) { seen += name ? name : L""; });
  return Run(parser, xml, seen);
}

ReaderResult ReadListKB(const std::wstring& xml) {
  std::wstring seen;
  ListKBParser parser([&](KBEntry&& entry) { seen += entry.display + entry.kbName; });
  return Run(parser, xml, seen);
}

ReaderResult ReadActiveHolds(const std::wstring& xml) {
  std::wstring seen;
  ActiveHoldsParser parser([&](const ActiveHold& hold) {
    if (hold.Name.GetString()) seen += hold.Name.GetString();
    if (hold.Reason.GetString()) seen += hold.Reason.GetString();
  });
  return Run(parser, xml, seen);
}

ReaderResult ReadUnclaimReport(const std::wstring& xml) {
  UnClaimObjectReportParser parser;
  return Run(parser, xml);
}

ReaderResult ReadAccessControl(const std::wstring& xml) {
  CAccessControl model;
  ReaderResult result;
  result.hr = model.Parse(xml.c_str());
  SetErrorInfo(0, nullptr);
  return result;
}

ReaderResult ReadProjectUpdates(const std::wstring& xml) {
  CProjectUpdates model;
  ReaderResult result;
  plat::unique_bstr text = plat::unique_bstr::copy(xml.c_str());
  result.hr = model.Parse(text.get());
  SetErrorInfo(0, nullptr);
  return result;
}

ReaderResult ReadInitializeFormatter(const std::wstring& xml) {
  wqc::DescriptiveStrings strings;
  InitializeFormatterParser parser(&strings);
  return Run(parser, xml);
}

// A reader that keeps what it read to itself.
template <class Parser>
ReaderResult ReadAlone(const std::wstring& xml) {
  Parser parser;
  return Run(parser, xml);
}

// The diagram server's reply to a submission, read with the DOM, through the server as a
// client meets it: the stand-in workspace answers it to Main.SubmitDiagrams.
ReaderResult ReadSubmission(const std::wstring& xml) {
  ReaderResult result;
  plat::com_ptr<IWQStandinWorkspace> workspace;
  plat::com_ptr<IWQCGenericSvcsMain> main;
  result.hr = wqstandins::CreateWorkspace(workspace);
  if (SUCCEEDED(result.hr))
    result.hr = CoCreateInstance(__uuidof(::Main), nullptr, CLSCTX_INPROC_SERVER,
                                 __uuidof(IWQCGenericSvcsMain), main.put_void());
  if (FAILED(result.hr)) return result;
  wqstandins::SetReply(workspace.get(), kServerProgId, L"ListKB", L"<ListKB/>");
  wqstandins::SetReply(workspace.get(), L"VIDIDIVIzoz.Main", L"DwgManagement::SubmitDiagram",
                       xml.c_str());
  plat::unique_safearray diagrams(SafeArrayCreateVector(VT_I4, 0, 1));
  static_cast<LONG*>(diagrams.get()->pvData)[0] = 1;
  result.hr = main->SubmitDiagrams(workspace.get(), diagrams.get(), 0, nullptr);
  SetErrorInfo(0, nullptr);
  return result;
}

// A KB dialog's description, read with the DOM and made into the dialog's page by the
// module's stylesheet, which is read from the server DLL: the DLL is loaded through one of
// its objects and stays.
ReaderResult ReadScriptUI(const std::wstring& xml) {
  ReaderResult result;
  {
    plat::com_ptr<IWQCGenericSvcsMain> main;
    result.hr = CoCreateInstance(__uuidof(::Main), nullptr, CLSCTX_INPROC_SERVER,
                                 __uuidof(IWQCGenericSvcsMain), main.put_void());
    if (FAILED(result.hr)) return result;
  }
  ScriptUISettings settings;
  plat::unique_bstr page;
  result.hr = BuildScriptUIPage(xml.c_str(), settings, page);
  result.external = HasMarker(page.get()) || HasMarker(settings.returnTo.get()) ||
                    HasMarker(settings.from.get()) || HasMarker(settings.debugFile.get());
  SetErrorInfo(0, nullptr);
  return result;
}

// The instance data of a KB dialog's page (the children of the first element under the
// document element) and its inputs, copied into the results document the next KB call
// carries.
ReaderResult ReadScriptUIResults(const std::wstring& xml) {
  ReaderResult result;
  plat::com_ptr<IXMLDOMDocument> data;
  result.hr = CreateDomDocument(__uuidof(DOMDocument60), data);
  if (FAILED(result.hr)) return result;
  VARIANT_BOOL loaded = VARIANT_FALSE;
  result.hr = LoadXMLText(data.get(), xml.c_str(), &loaded);
  ScriptUIResultsDoc results;
  plat::com_ptr<IXMLDOMElement> root;
  plat::com_ptr<IXMLDOMNode> instance;
  plat::com_ptr<IXMLDOMNodeList> nodes;
  if (loaded == VARIANT_TRUE && SUCCEEDED(data->get_documentElement(root.put())) && root &&
      SUCCEEDED(root->get_firstChild(instance.put())) && instance &&
      SUCCEEDED(instance->get_childNodes(nodes.put())) && nodes) {
    for (plat::com_ptr<IXMLDOMNode> node; nodes->nextNode(node.put()) == S_OK && node;) {
      results.AddInstanceNode(node.get());
      plat::unique_bstr text;
      if (SUCCEEDED(node->get_text(text.put()))) results.AddInput(text.get(), text.get());
    }
  }
  const plat::unique_bstr text = results.GetXML();
  result.external = HasMarker(text.get());
  SetErrorInfo(0, nullptr);
  return result;
}

}  // namespace

HRESULT ServerCanUnloadNow() {
  HMODULE server = GetModuleHandleW(L"WQCGenericSvcs.dll");
  if (!server) return S_OK;  // not loaded, or unloaded: it said it could be
  using CanUnload = HRESULT(STDAPICALLTYPE*)();
  const auto canUnload = reinterpret_cast<CanUnload>(
      reinterpret_cast<void*>(GetProcAddress(server, "DllCanUnloadNow")));
  return canUnload ? canUnload() : E_NOINTERFACE;
}

// The server's objects count too: a reply read through it must leave none behind.
LONG LiveReaderObjects() {
  return VariantHandler::LiveCount() + SAHandler::LiveCount() + (ServerCanUnloadNow() != S_OK);
}

const std::vector<Reader>& Readers() {
  static const std::vector<Reader> readers = {
      {"variant",
       L"<Variant value=\"\" vt=\"8204\"><SafeArray type=\"12\" lbound=\"0\" count=\"3\">"
       L"<Variant value=\"42\" vt=\"3\"/><Variant value=\"\" vt=\"8200\"><SafeArray type=\"8\" "
       L"lbound=\"1\" count=\"2\"><SAData>a &amp; "
       L"b</SAData><SAData>c</SAData></SafeArray></Variant>"
       L"<Variant value=\"1.5\" vt=\"5\"/></SafeArray></Variant>",
       ReadVariant},
      {"listcases",
       L"<ListCases><Case ID=\"1\" CaseName=\"Base\"/><Case ID=\"2\" CaseName=\"Design &amp; "
       L"more\"/>"
       L"</ListCases>",
       ReadListCases},
      {"listclasses",
       L"<ListClasses><Class Name=\"Pump\" DisplayName=\"Pumps\"/><Class Name=\"Valve\" "
       L"DisplayName=\"Valves\"/></ListClasses>",
       ReadListClasses},
      {"listobjects",
       L"<ListObjects><Object OID=\"10\" KnownName=\"P-1\" Editable=\"true\"/><Object OID=\"11\" "
       L"KnownName=\"P-2\" Editable=\"false\"/></ListObjects>",
       ReadListed<ListObjectsParser>},
      {"listdatasheets",
       L"<ListDatasheets><Datasheet OID=\"20\" KnownName=\"DS-1\" Editable=\"true\" "
       L"IsDatasheet=\"true\" IsProjectSummary=\"false\"/></ListDatasheets>",
       ReadListed<ListDatasheetsParser>},
      {"listobjectparts",
       L"<ListObjectParts><Part OID=\"5\" Name=\"P-1\" Class=\"Pump\" InScope=\"Y\" "
       L"ClaimSetting=\"1\" ClaimedBy=\"ann\" ClaimExtent=\"All\" ClaimMode=\"2\"/>"
       L"</ListObjectParts>",
       ReadObjectParts},
      {"listunitsets", L"<UnitSets><UnitSet>SI</UnitSet><UnitSet>US</UnitSet></UnitSets>",
       ReadUnitSets},
      {"listkb",
       L"<ListKB><KB KBName=\"Size\" Display=\"Size it\" CaseFixed=\"true\"/><KB KBName=\"Check\" "
       L"Display=\"Check\"/></ListKB>",
       ReadListKB},
      {"activeholds",
       L"<ActiveHolds><Hold OID=\"3\" Name=\"H1\" Date=\"45000.5\">Waiting for review</Hold>"
       L"</ActiveHolds>",
       ReadActiveHolds},
      {"unclaimreport",
       L"<UnClaimObjectReport Name=\"P-1\" ClaimSetting=\"2\"><Report>Released</Report>"
       L"</UnClaimObjectReport>",
       ReadUnclaimReport},
      {"accesscontrol",
       L"<AccessControl><Users><User Name=\"ann\" Domain=\"CORP\" DisplayName=\"Ann\" "
       L"IsGroup=\"false\"><RoleName>Readers</RoleName></User></Users><Privileges>"
       L"<PrivilegeCategory Name=\"Data\"><Privilege Name=\"Read\" Description=\"See\"/>"
       L"</PrivilegeCategory></Privileges><Roles><Role Name=\"Readers\" Description=\"Look\">"
       L"<PrivilegeRight Name=\"Read\" Granted=\"2\"/></Role></Roles></AccessControl>",
       ReadAccessControl},
      {"projectupdates",
       L"<ProjectUpdates><Cases><Conflicts><Case ID=\"5\" Name=\"Base\"><Conflict ID=\"1\" "
       L"Type=\"2\" Resolution=\"0\" Name=\"Base\" ProjectData=\"a\" ParentData=\"b\"/>"
       L"<Case ID=\"6\" Name=\"Inner\"><Conflict ID=\"2\" Type=\"3\"/></Case></Case></Conflicts>"
       L"<Updates><Case ID=\"7\" Name=\"Pump\"><Update Type=\"4\" Name=\"Flow\" ProjectData=\"1\" "
       L"ParentData=\"2\" Units=\"m3/h\"/></Case></Updates></Cases><Modifications><Modified "
       L"ID=\"3\" Name=\"P&amp;ID\" Type=\"diagram\"/></Modifications></ProjectUpdates>",
       ReadProjectUpdates},
      {"initializeformatter",
       L"<Initialize><Prefix>[</Prefix><Postfix>]</Postfix><Substitution>n/a</Substitution>"
       L"</Initialize>",
       ReadInitializeFormatter},
      {"enumoptions",
       L"<EnumOptions Closed=\"true\"><Option>Red</Option><Option>Green</Option></EnumOptions>",
       ReadAlone<EnumOptionsParser>},
      {"pipehighlight", L"<PipeHighlight ServerID=\"12\"/>", ReadAlone<PipeHighlightParser>},
      {"compactpipe", L"<CompactPipe ServerID=\"7\"/>", ReadAlone<CompactPipeParser>},
      {"submission",
       L"<Reply><Message MessageType=\"INFO\" DocumentId=\"3\">Submitted &amp; filed</Message>"
       L"<Note/><Message>Checked</Message></Reply>",
       ReadSubmission, true},
      {"scriptui",
       L"<ScriptUI ReturnTo=\"Sizing\" ActiveDocument=\"3\" ActiveCase=\"1\"><DialogBox "
       L"MaxWidth=\"400\"><EditBox id=\"Tag\" prompt=\"Tag &amp; number\" visiblewidth=\"20\"/>"
       L"<CheckBox id=\"Ins\" prompt=\"Insulated\" Checked=\"1\"/><RadioGroup Name=\"Size\">"
       L"<RadioButton id=\"S\" prompt=\"Small\"/><RadioButton id=\"L\" prompt=\"Large\" "
       L"Checked=\"1\"/></RadioGroup><ComboBox id=\"Mat\" prompt=\"Material\"><Choice "
       L"value=\"CS\">Carbon steel</Choice><Choice selected=\"selected\">Copper</Choice>"
       L"</ComboBox><TextBox>one&#13;&#10;two</TextBox><HelpString>Fill in &lt;all&gt;</HelpString>"
       L"<Script language=\"JScript\">function Validate() { return true; }</Script></DialogBox>"
       L"</ScriptUI>",
       ReadScriptUI, true, true},
      {"scriptuiresults",
       L"<ScriptUI><InstanceData><Datum id=\"Line\" vt=\"3\" value=\"7\"/>"
       L"<Datum id=\"Note\" vt=\"8\" value=\"a &amp; b\">text</Datum><!-- kept out -->"
       L"<Other><Datum id=\"Deep\" vt=\"8\" value=\"x\"/></Other></InstanceData></ScriptUI>",
       ReadScriptUIResults, true, true},
  };
  return readers;
}

}  // namespace fuzz
