// Every reply reader of the module, each with a valid reply to start mutating from.
#include "fuzz.h"

#include <handles.h>
#include <standinsclient.h>

#include <cstring>
#include <cstdio>
#include <cwchar>
#include <string_view>

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

// Appends what a reader read to a digest: texts quoted (a null one as "-"), numbers as
// they are, each behind a blank.
class Digest {
 public:
  explicit Digest(std::wstring& out) : out_(out) {}
  Digest& operator<<(const wchar_t* text) {
    if (!text) {
      out_ += L" -";
      return *this;
    }
    out_ += L" '";
    for (; *text; ++text) {
      if (*text == L'\'' || *text == L'\\') out_ += L'\\';
      out_ += *text;
    }
    out_ += L'\'';
    return *this;
  }
  Digest& operator<<(const std::wstring& text) { return *this << text.c_str(); }
  Digest& operator<<(const plat::unique_bstr& text) { return *this << text.get(); }
  Digest& operator<<(const WQHeapString& text) { return *this << text.GetString(); }
  Digest& operator<<(LONG number) {
    out_ += L" " + std::to_wstring(number);
    return *this;
  }
  Digest& operator<<(bool truth) {
    out_ += truth ? L" true" : L" false";
    return *this;
  }
  Digest& operator<<(double number) {
    wchar_t text[40];
    swprintf(text, 40, L" %.17g", number);
    out_ += text;
    return *this;
  }
  // A record's fields between "(" and ")".
  Digest& Open() {
    out_ += L" (";
    return *this;
  }
  Digest& Close() {
    out_ += L")";
    return *this;
  }

 private:
  std::wstring& out_;
};

// Runs a SAX reader over the reply; `shape` collects what it hands out as it reads.
template <class Parser>
ReaderResult Run(Parser& parser, const std::wstring& xml, const std::wstring& shape = L"") {
  ReaderResult result;
  plat::unique_bstr text = plat::unique_bstr::copy(xml.c_str());
  result.hr = parser.ParseString(text.get());
  SetErrorInfo(0, nullptr);
  result.shape = shape;
  result.external = HasMarker(result.shape);
  return result;
}

// A digest of a VARIANT: its type, its value and, for arrays, the bounds of each dimension
// and each element's digest. Any VARIANT the reader may answer is walked safely: null
// strings and arrays, arrays of any element type and dimensions.
void Shape(const VARIANT& v, std::wstring& out, int depth = 0) {
  out += L"(" + std::to_wstring(v.vt);
  if (v.vt & VT_ARRAY) {
    SAFEARRAY* array = v.parray;
    VARTYPE element = VT_EMPTY;
    const UINT dimensions = array ? SafeArrayGetDim(array) : 0;
    if (!array || FAILED(SafeArrayGetVartype(array, &element))) {
      out += L" no array)";
      return;
    }
    out += L" of " + std::to_wstring(element);
    ULONG total = 1;
    for (UINT d = 1; d <= dimensions; ++d) {
      LONG lower = 0, upper = -1;
      SafeArrayGetLBound(array, d, &lower);
      SafeArrayGetUBound(array, d, &upper);
      out += L" " + std::to_wstring(lower) + L".." + std::to_wstring(upper);
      total *= static_cast<ULONG>(static_cast<LONGLONG>(upper) - lower + 1);
    }
    const ULONG size = SafeArrayGetElemsize(array);
    plat::safearray_data<BYTE> data;
    const bool viewable = element == VT_VARIANT   ? size == sizeof(VARIANT)
                          : element == VT_DECIMAL ? size == sizeof(DECIMAL)
                                                  : size <= sizeof(LONGLONG);
    if (!viewable || depth > 64 || FAILED(data.access(array)) || !data.get()) {
      out += L" unreadable)";
      return;
    }
    for (ULONG i = 0; i < total; ++i) {
      const BYTE* item = data.get() + static_cast<size_t>(i) * size;
      if (element == VT_VARIANT) {
        Shape(*reinterpret_cast<const VARIANT*>(item), out, depth + 1);
        continue;
      }
      // The element seen as a VARIANT of its type that borrows its storage.
      VARIANT view;
      VariantInit(&view);
      if (element == VT_DECIMAL) {
        std::memcpy(&view.decVal, item, sizeof(DECIMAL));
      } else {
        std::memcpy(&view.llVal, item, size);
      }
      view.vt = element;
      Shape(view, out, depth + 1);
    }
  } else if (v.vt == VT_BSTR) {
    Digest(out) << (v.bstrVal ? std::wstring(v.bstrVal, SysStringLen(v.bstrVal)) : L"");
  } else if (v.vt & VT_BYREF) {
    out += L" by reference";
  } else if (v.vt != VT_EMPTY && v.vt != VT_NULL) {
    plat::unique_variant text;
    if (SUCCEEDED(VariantChangeTypeEx(&text, const_cast<VARIANT*>(&v), 0x409, 0, VT_BSTR)))
      Digest(out) << text.bstrVal;
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
  std::wstring shape;
  ListCasesParser parser([&](const wchar_t* name, LONG id) { Digest(shape) << name << id; });
  return Run(parser, xml, shape);
}

ReaderResult ReadListClasses(const std::wstring& xml) {
  std::wstring shape;
  ListClassesParser parser(
      [&](const wchar_t* display, const wchar_t* name) { Digest(shape) << display << name; });
  return Run(parser, xml, shape);
}

template <class Parser>
ReaderResult ReadListed(const std::wstring& xml) {
  std::wstring shape;
  Parser parser([&](const ListedObject& o) {
    Digest(shape).Open() << o.oid << o.name << o.editable << o.isDatasheet << o.isProjectSummary;
    Digest(shape).Close();
  });
  return Run(parser, xml, shape);
}

ReaderResult ReadObjectParts(const std::wstring& xml) {
  ObjectPartArray parts;
  ListObjectPartsParser parser(parts);
  ReaderResult result = Run(parser, xml);
  Digest digest(result.shape);
  for (int i = 0; i < parts.GetCount(); ++i) {
    const ObjectPart* p = parts[i];
    if (!p) continue;
    digest.Open() << p->Name.get() << p->OID << p->Class.get() << p->InScope.get()
                  << p->ClaimSetting.get() << p->ClaimedBy.get() << p->ClaimExtent.get()
                  << p->ClaimMode;
    digest.Close();
  }
  result.external = HasMarker(result.shape);
  return result;
}

ReaderResult ReadUnitSets(const std::wstring& xml) {
  std::wstring shape;
  ListUnitSetsParser parser([&](const wchar_t* name) { Digest(shape) << name; });
  return Run(parser, xml, shape);
}

ReaderResult ReadListKB(const std::wstring& xml) {
  std::wstring shape;
  ListKBParser parser([&](KBEntry&& entry) {
    Digest(shape).Open() << entry.display << entry.kbName << entry.caseFixed;
    Digest(shape).Close();
  });
  return Run(parser, xml, shape);
}

ReaderResult ReadActiveHolds(const std::wstring& xml) {
  std::wstring shape;
  ActiveHoldsParser parser([&](const ActiveHold& hold) {
    Digest(shape).Open() << hold.OID << hold.Date << hold.Name << hold.Reason;
    Digest(shape).Close();
  });
  return Run(parser, xml, shape);
}

ReaderResult ReadUnclaimReport(const std::wstring& xml) {
  UnClaimObjectReportParser parser;
  ReaderResult result = Run(parser, xml);
  const UnClaimReport& report = parser.Result();
  Digest(result.shape) << report.Name << report.ClaimSetting << report.Report;
  result.external = HasMarker(result.shape);
  return result;
}

ReaderResult ReadAccessControl(const std::wstring& xml) {
  CAccessControl model;
  ReaderResult result;
  result.hr = model.Parse(xml.c_str());
  SetErrorInfo(0, nullptr);
  Digest digest(result.shape);
  for (int i = 0; i < model.Users().GetCount(); ++i) {
    const AccessUser& user = model.Users()[i];
    digest.Open() << user.GetName() << user.DisplayName;
    for (int r = 0; r < user.RoleNames.GetCount(); ++r) digest << user.RoleNames[r];
    digest.Close();
  }
  for (int i = 0; i < model.Categories().GetCount(); ++i) {
    const PrivilegeCategoryRecord& category = model.Categories()[i];
    digest.Open() << category.Name;
    for (int p = 0; p < category.Privileges.GetCount(); ++p)
      digest << category.Privileges[p].Name << category.Privileges[p].Description;
    digest.Close();
  }
  for (int i = 0; i < model.Roles().GetCount(); ++i) {
    const AccessRole& role = model.Roles()[i];
    digest.Open() << role.Name << role.Description;
    for (int r = 0; r < role.Rights.GetCount(); ++r)
      digest << role.Rights[r].Name << role.Rights[r].Granted;
    digest.Close();
  }
  result.external = HasMarker(result.shape);
  return result;
}

// The items of one list of the updates, walked without recursion: the reader may let
// through a nesting deeper than the stack would take.
template <class Detail, class Write>
void DigestItems(const WQOwnedPtrArray<ProjectItemRecord<Detail>>& items, Digest& digest,
                 Write write) {
  struct Level {
    const WQOwnedPtrArray<ProjectItemRecord<Detail>>* items;
    int next;
  };
  std::vector<Level> stack{{&items, 0}};
  digest.Open();
  while (!stack.empty()) {
    Level& level = stack.back();
    if (level.next >= level.items->GetCount()) {
      stack.pop_back();
      digest.Close();
      continue;
    }
    const ProjectItemRecord<Detail>* item = (*level.items)[level.next++];
    if (!item) continue;
    digest.Open() << item->id << item->name;
    for (int d = 0; d < item->details.GetCount(); ++d)
      if (item->details[d]) write(*item->details[d]);
    stack.push_back({&item->children, 0});
  }
}

void DigestProjectUpdates(const CProjectUpdates& model, std::wstring& shape) {
  Digest digest(shape);
  for (int kind = 0; kind < kProjectItemKindCount; ++kind) {
    DigestItems(model.Conflicts(static_cast<ProjectItemKind>(kind)), digest,
                [&](const ConflictRecord& c) {
                  digest << c.type << c.resolution << c.id << c.name << c.projectData
                         << c.parentData << c.units;
                });
    DigestItems(model.Updates(static_cast<ProjectItemKind>(kind)), digest,
                [&](const UpdateRecord& u) {
                  digest << u.type << u.name << u.projectData << u.parentData << u.units << u.itemId
                         << u.itemName;
                });
  }
  for (int i = 0; i < model.Modifications().GetCount(); ++i)
    if (const ModificationRecord* m = model.Modifications()[i])
      digest << m->kind << m->id << m->name << m->typeText;
}

ReaderResult ReadProjectUpdates(const std::wstring& xml) {
  CProjectUpdates model;
  ReaderResult result;
  plat::unique_bstr text = plat::unique_bstr::copy(xml.c_str());
  result.hr = model.Parse(text.get());
  SetErrorInfo(0, nullptr);
  DigestProjectUpdates(model, result.shape);
  result.external = HasMarker(result.shape);
  return result;
}

ReaderResult ReadInitializeFormatter(const std::wstring& xml) {
  wqc::DescriptiveStrings strings;
  InitializeFormatterParser parser(&strings);
  ReaderResult result = Run(parser, xml);
  Digest digest(result.shape);
  for (const WQArray<WQHeapString>* list :
       {&strings.prefixes, &strings.postfixes, &strings.substitutions}) {
    digest.Open();
    for (int i = 0; i < list->GetCount(); ++i) digest << (*list)[i];
    digest.Close();
  }
  result.external = HasMarker(result.shape);
  return result;
}

ReaderResult ReadEnumOptions(const std::wstring& xml) {
  EnumOptionsParser parser;
  ReaderResult result = Run(parser, xml);
  Digest digest(result.shape);
  digest << parser.Closed;
  for (int i = 0; i < parser.options.GetCount(); ++i) digest << parser.options[i];
  result.external = HasMarker(result.shape);
  return result;
}

template <class Parser>
ReaderResult ReadPipeReply(const std::wstring& xml) {
  Parser parser;
  ReaderResult result = Run(parser, xml);
  Digest(result.shape) << parser.HasServerID() << parser.ServerID();
  return result;
}

// A reply read as a number, by the module's one reader of such replies, whole.
ReaderResult ReadNumber(const std::wstring& reply) {
  ReaderResult result;
  long value = 0;
  result.hr = ReadNumberReply(L"CreateObject", std::wstring_view(reply), &value);
  SetErrorInfo(0, nullptr);
  if (SUCCEEDED(result.hr)) Digest(result.shape) << static_cast<LONG>(value);
  return result;
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

std::wstring VariantShape(const VARIANT& value) {
  std::wstring shape;
  Shape(value, shape);
  return shape;
}

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
       ReadVariant, false, false, true},
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
       ReadEnumOptions},
      {"pipehighlight", L"<PipeHighlight ServerID=\"12\"/>", ReadPipeReply<PipeHighlightParser>},
      {"compactpipe", L"<CompactPipe ServerID=\"7\"/>", ReadPipeReply<CompactPipeParser>},
      {"numberreply", L"1234", ReadNumber, false, false, false, true},
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

// The fuzzer's own walks over what a reader answered, on answers made by hand: each must
// survive any value a reader may hand out and say what it holds.
int CheckDigests() {
  int failures = 0;
  const auto expect = [&](const char* what, const std::wstring& got, const std::wstring& want) {
    const bool ok = got == want;
    printf("%s: %s\n", what, ok ? "ok" : "WRONG");
    if (!ok) wprintf(L"  got  %ls\n  want %ls\n", got.c_str(), want.c_str());
    failures += !ok;
  };
  {
    plat::unique_variant v;
    v.vt = VT_ARRAY | VT_BSTR;
    v.parray = SafeArrayCreateVector(VT_BSTR, 0, 2);  // a null string, then "x"
    static_cast<BSTR*>(v.parray->pvData)[1] = SysAllocString(L"x");
    expect("array of strings with a null one", VariantShape(v), L"(8200 of 8 0..1(8 '')(8 'x'))");
  }
  {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;  // a null string
    expect("null string", VariantShape(v), L"(8 '')");
    v.vt = VT_ARRAY | VT_I4;  // no array
    v.parray = nullptr;
    expect("array type without an array", VariantShape(v), L"(8195 no array)");
  }
  {
    plat::unique_variant v;
    SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 1}};
    v.vt = VT_ARRAY | VT_I4;
    v.parray = SafeArrayCreate(VT_I4, 2, bounds);
    for (LONG i = 0; i < 4; ++i) static_cast<LONG*>(v.parray->pvData)[i] = i + 7;
    expect("two dimensions", VariantShape(v),
           L"(8195 of 3 0..1 1..2(3 '7')(3 '8')(3 '9')(3 '10'))");
  }
  {
    plat::unique_variant v;
    v.vt = VT_ARRAY | VT_DECIMAL;
    v.parray = SafeArrayCreateVector(VT_DECIMAL, 1, 1);
    DECIMAL& d = static_cast<DECIMAL*>(v.parray->pvData)[0];
    d.scale = 1;
    d.Lo64 = 15;
    expect("array of decimals", VariantShape(v), L"(8206 of 14 1..1(14 '1.5'))");
  }
  {
    // A chain of updates far deeper than the stack takes when walked by recursion; taken
    // apart from the bottom afterwards, for the same reason.
    CProjectUpdates model;
    std::vector<ConflictItemRecord*> chain;
    WQOwnedPtrArray<ConflictItemRecord>* level = &model.Conflicts(kCaseItems);
    for (int i = 0; i < 200000; ++i) {
      chain.push_back(new ConflictItemRecord);
      chain.back()->id = i;
      level->Add(chain.back());
      level = &chain.back()->children;
    }
    std::wstring shape;
    DigestProjectUpdates(model, shape);
    expect("200,000 nested items", shape.substr(shape.find(L" 199999 "), 12), L" 199999 -)))");
    for (size_t i = chain.size(); i-- > 0;) chain[i]->children.RemoveAll();
  }
  return failures ? 1 : 0;
}

}  // namespace fuzz
