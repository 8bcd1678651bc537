// Large replies against their floor: what the module spends on a reply of that size next
// to what the XML reader alone spends on the same bytes (the SAX reader with a handler that
// does nothing, or the DOM document's load where the module reads a DOM). A cost that grows
// with the reply as the reader's does keeps the same ratio at every size.
#include <windows.h>

#include <commctrl.h>

#include <standinsclient.h>
#include <wqmsxml.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "accessctrl/accessctrl.h"
#include "accessctrl/dlgcontrolroles.h"
#include "accessctrl/dlgcontrolusers.h"
#include "benchsupport.h"
#include "conflictres/conflictresdlg.h"
#include "conflictres/projectupdates.h"
#include "main/main.h"
#include "workspacedialogs/assocholddlg.h"
#include "workspacedialogs/claimdlg.h"

namespace {

constexpr int kRuns = 5;
// More rows than a dialog's list shows at once.
constexpr int kRowsFillingTheList = 40;

double Median(const std::function<void()>& run) { return bench::Median(kRuns, run); }

double ReaderAlone(BSTR xml) {
  return Median([&] {
    plat::com_ptr<ISAXXMLReader> reader;
    CoCreateInstance(__uuidof(SAXXMLReader60), nullptr, CLSCTX_ALL, __uuidof(ISAXXMLReader),
                     reader.put_void());
    plat::com_ptr<bench::ElementCounter> handler = plat::make<bench::ElementCounter>();
    reader->putContentHandler(handler.get());
    VARIANT text;
    V_VT(&text) = VT_BSTR;
    V_BSTR(&text) = xml;
    reader->parse(text);
    reader->putContentHandler(nullptr);
  });
}

double DomAlone(BSTR xml) {
  return Median([&] {
    plat::com_ptr<IXMLDOMDocument> document;
    CoCreateInstance(__uuidof(DOMDocument60), nullptr, CLSCTX_ALL, __uuidof(IXMLDOMDocument),
                     document.put_void());
    VARIANT_BOOL loaded = VARIANT_FALSE;
    document->loadXML(xml, &loaded);
  });
}

// Ends the thread's modal dialog as soon as it shows, i.e. once it has filled itself.
void CALLBACK CancelDialog(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND dialog = nullptr;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM found) -> BOOL {
        wchar_t name[16] = {};
        GetClassNameW(window, name, 16);
        if (!IsWindowVisible(window) || wcscmp(name, L"#32770") != 0) return TRUE;
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&dialog));
  if (!dialog) return;
  KillTimer(nullptr, timer);
  PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
}

template <class Show>
void ShowAndCancel(Show&& show) {
  SetTimer(nullptr, 0, 1, &CancelDialog);
  show();
}

// One element a line, as servers format their replies (Wine's reader finds an element's
// column by scanning back to the start of its line).
std::wstring HoldsReply(int count) {
  std::wstring xml = L"<ActiveHolds>\n";
  for (int i = 0; i < count; ++i)
    xml += L"<Hold OID='" + std::to_wstring(i + 1) + L"' Name='Hold " + std::to_wstring(i) +
           L"' Date='45000.5'>Waiting for the vendor's data sheet " + std::to_wstring(i) +
           L"</Hold>\n";
  return xml + L"</ActiveHolds>";
}

// `users` users over `accounts` distinct accounts.
std::wstring AccessControlReply(int users, int accounts) {
  std::wstring xml = L"<AccessControl><Users>\n";
  for (int i = 0; i < users; ++i)
    xml += L"<User Name='user" + std::to_wstring(i % accounts) +
           L"' Domain='CORP' DisplayName='User " + std::to_wstring(i) +
           L"'><RoleName>Readers</RoleName></User>\n";
  xml +=
      L"</Users><Privileges><PrivilegeCategory Name='Data'>"
      L"<Privilege Name='Read' Description='Read data'/></PrivilegeCategory></Privileges>"
      L"<Roles><Role Name='Readers' Description='Read'><PrivilegeRight Name='Read' Granted='1'/>"
      L"</Role></Roles></AccessControl>";
  return xml;
}

std::wstring ConflictsReply(int items) {
  const wchar_t* kinds[][2] = {{L"Cases", L"Case"},
                               {L"Objects", L"Object"},
                               {L"Datasheets", L"Datasheet"},
                               {L"Diagrams", L"Diagram"}};
  std::wstring xml = L"<ProjectUpdates>\n";
  for (const auto& kind : kinds) {
    xml += std::wstring(L"<") + kind[0] + L"><Conflicts>\n";
    for (int i = 0; i < items; ++i)
      xml += std::wstring(L"<") + kind[1] + L" ID='" + std::to_wstring(i + 1) + L"' Name='" +
             kind[1] + L" " + std::to_wstring(i) +
             L"'><Conflict ID='1' Type='2' Resolution='0' Name='Design pressure' "
             L"ProjectData='10.5' ParentData='12.0'/></" +
             kind[1] + L">\n";
    xml += std::wstring(L"</Conflicts></") + kind[0] + L">\n";
  }
  return xml + L"</ProjectUpdates>";
}

std::wstring SubmissionReply(int messages) {
  std::wstring xml = L"<Reply>\n";
  for (int i = 0; i < messages; ++i)
    xml += L"<Message MessageType='INFO' DocumentId='" + std::to_wstring(i) +
           L"'>Symbol placed</Message>\n";
  return xml + L"</Reply>";
}

void Report(const char* what, size_t characters, double module, double floor) {
  std::printf("%-40s %8.1f MB %10.1f ms %10.1f ms %7.2f\n", what,
              static_cast<double>(characters) * 2 / 1e6, module * 1000, floor * 1000,
              module / floor);
}

// A dialog's time with the reply less its time with one that just fills the list: what the
// reply's size costs. A list that needs a scroll bar pays once for it (some 25-50 ms under
// Wine's themed scroll bars), whatever it holds. `show` shows the dialog over a reply.
template <class Show>
void ReportListDialog(const char* what, const std::wstring& text, const std::wstring& filling,
                      Show&& show) {
  plat::unique_bstr xml = plat::unique_bstr::copy(text.c_str());
  plat::unique_bstr few = plat::unique_bstr::copy(filling.c_str());
  const double module = Median([&] { show(xml.get()); }) - Median([&] { show(few.get()); });
  Report(what, text.size(), module, ReaderAlone(xml.get()));
}

void AssocHold(int holds) {
  char what[64];
  std::snprintf(what, sizeof what, "associate hold, %d holds", holds);
  ReportListDialog(what, HoldsReply(holds), HoldsReply(kRowsFillingTheList), [](BSTR reply) {
    AssocHoldDlg dialog;
    dialog.SetHoldsXml(reply);
    ShowAndCancel([&] { dialog.DoModal(nullptr, GetModuleHandleW(nullptr)); });
  });
}

std::wstring PartsReply(int count) {
  std::wstring xml = L"<ListObjectParts>\n";
  for (int i = 0; i < count; ++i)
    xml += L"<Part OID='" + std::to_wstring(i + 1) + L"' Name='Part " + std::to_wstring(i) +
           L"' Class='Pump' InScope='Yes' ClaimSetting='Free' ClaimedBy='ann' "
           L"ClaimExtent='Whole' ClaimMode='2'/>\n";
  return xml + L"</ListObjectParts>";
}

// The claim dialog reads the parts, then lists them: the reply's time with the dialog's.
void ClaimDialog(int parts) {
  char what[64];
  std::snprintf(what, sizeof what, "claim dialog, %d parts", parts);
  ReportListDialog(what, PartsReply(parts), PartsReply(kRowsFillingTheList), [](BSTR reply) {
    ObjectPartArray read;
    ListObjectPartsParser parser(read);
    parser.ParseString(reply);
    CClaimDlg dialog(read);
    ShowAndCancel([&] { dialog.DoModal(nullptr, GetModuleHandleW(nullptr)); });
  });
}

void AccessControlModel(int users, int accounts) {
  const std::wstring text = AccessControlReply(users, accounts);
  plat::unique_bstr xml = plat::unique_bstr::copy(text.c_str());
  const double module = Median([&] {
    CAccessControl model;
    model.Parse(xml.get());
  });
  char what[64];
  std::snprintf(what, sizeof what, "access-control model, %d users/%d", users, accounts);
  Report(what, text.size(), module, ReaderAlone(xml.get()));
}

// The users and roles dialogs read the model through the workspace node, as they do for a
// client. Their time less that of a reply whose users already fill the list, as for the
// associate hold.
template <class Dialog>
void AccessDialog(const char* name, int users, int accounts) {
  const std::wstring text = AccessControlReply(users, accounts);
  plat::com_ptr<IWQStandinWorkspaceNode> node;
  plat::com_ptr<IWQStandinWorkspace> standin;
  plat::com_ptr<IWQWorkspace> workspace;
  if (FAILED(wqstandins::CreateWorkspaceNodeControl(node)) ||
      FAILED(wqstandins::CreateWorkspace(standin)) || FAILED(standin.query_to(workspace))) {
    std::printf("%s: no stand-ins (run in the build's prefix)\n", name);
    return;
  }
  const auto show = [&](const std::wstring& reply) {
    wqstandins::SetAccessControl(node.get(), reply.c_str());
    return Median([&] {
      Dialog dialog(workspace.get());
      ShowAndCancel([&] { dialog.DoModal(nullptr, GetModuleHandleW(nullptr)); });
    });
  };
  const double module =
      show(text) - show(AccessControlReply(kRowsFillingTheList, kRowsFillingTheList));
  plat::unique_bstr xml = plat::unique_bstr::copy(text.c_str());
  char what[64];
  std::snprintf(what, sizeof what, "%s, %d users/%d", name, users, accounts);
  Report(what, text.size(), module, ReaderAlone(xml.get()));
}

// The tree view alone, holding the nodes the cases page shows for `items` conflicts (the
// root, every item open, a conflict under each), filled as cheaply as the control allows
// (redrawing off, each level before the next), painted once and destroyed. Wine's tree
// view finds a node by a walk of all its nodes, measures each node's text once it can
// show, and walks its nodes again for every node it frees: this part of the dialog's time
// belongs to the control.
double TreeViewAlone(int items) {
  const auto show = [](int count) {
    return Median([&] {
      const HWND frame = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 500, 400,
                                         nullptr, nullptr, nullptr, nullptr);
      const HWND tree =
          CreateWindowExW(0, WC_TREEVIEWW, L"",
                          WS_CHILD | WS_VISIBLE | WS_BORDER | TVS_HASBUTTONS | TVS_HASLINES |
                              TVS_SHOWSELALWAYS | TVS_FULLROWSELECT | TVS_DISABLEDRAGDROP,
                          0, 0, 480, 300, frame, nullptr, nullptr, nullptr);
      SendMessageW(tree, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                   FALSE);
      SendMessageW(tree, WM_SETREDRAW, FALSE, 0);
      const auto insert = [&](HTREEITEM parent, const wchar_t* text, bool open) {
        TVINSERTSTRUCTW node{};
        node.hParent = parent;
        node.hInsertAfter = TVI_LAST;
        node.item.mask = TVIF_TEXT | TVIF_STATE;
        node.item.pszText = const_cast<wchar_t*>(text);
        node.item.stateMask = TVIS_EXPANDED | TVIS_EXPANDEDONCE;
        node.item.state = open ? node.item.stateMask : 0;
        return reinterpret_cast<HTREEITEM>(
            SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&node)));
      };
      const HTREEITEM root = insert(TVI_ROOT, L"Conflicts", false);
      std::vector<HTREEITEM> nodes;
      for (int i = 0; i < count; ++i)
        nodes.push_back(insert(root, (L"Case " + std::to_wstring(i)).c_str(), true));
      for (HTREEITEM node : nodes) insert(node, L"Duplicate Case Name", false);
      SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(root));
      SendMessageW(tree, WM_SETREDRAW, TRUE, 0);
      UpdateWindow(frame);
      DestroyWindow(frame);
    });
  };
  return show(items) - show(0);
}

void ConflictDialog(int items) {
  const std::wstring text = ConflictsReply(items);
  plat::unique_bstr xml = plat::unique_bstr::copy(text.c_str());
  plat::unique_bstr empty = plat::unique_bstr::copy(ConflictsReply(0).c_str());
  const auto show = [](BSTR reply) {
    return Median([&] {
      CProjectUpdates model;
      model.Parse(reply);
      CConflictResDlg dialog(&model, nullptr, GetModuleHandleW(nullptr));
      ShowAndCancel([&] { dialog.DoModal(nullptr); });
    });
  };
  const double module = show(xml.get()) - show(empty.get());
  char what[64];
  std::snprintf(what, sizeof what, "conflict dialog, 4 x %d conflicts", items);
  const double reader = ReaderAlone(xml.get());
  Report(what, text.size(), module, reader);
  // Only the shown page fills: the cases page's tree.
  const double tree = TreeViewAlone(items);
  std::printf("  of which the tree view alone, %d nodes %17.1f ms\n", 2 * items + 1, tree * 1000);
  Report("  the dialog less the tree view alone", text.size(), module - tree, reader);
}

void DiagramSubmission(int messages) {
  const std::wstring text = SubmissionReply(messages);
  plat::unique_bstr xml = plat::unique_bstr::copy(text.c_str());
  plat::com_ptr<IWQStandinWorkspace> workspace;
  if (FAILED(wqstandins::CreateWorkspace(workspace))) {
    std::printf("diagram submission: no stand-in workspace (run in the build's prefix)\n");
    return;
  }
  wqstandins::SetReply(workspace.get(), L"VIDIDIVIzoz.Main", L"DwgManagement::SubmitDiagram",
                       text.c_str());
  plat::com_ptr<Main> main = plat::make<Main>();
  plat::unique_safearray diagrams(SafeArrayCreateVector(VT_I4, 0, 1));
  const double module =
      Median([&] { main->SubmitDiagrams(workspace.get(), diagrams.get(), 0, nullptr); });
  char what[64];
  std::snprintf(what, sizeof what, "diagram submission, %d messages", messages);
  Report(what, text.size(), module, DomAlone(xml.get()));
}

}  // namespace

int main(int argc, char** argv) {
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  // One case by its number (1 to 9), or all.
  const int only = argc > 1 ? std::atoi(argv[1]) : 0;
  std::printf(
      "median of %d runs                         reply      module    reader alone  ratio\n",
      kRuns);
  if (!only || only == 1) AssocHold(8000);
  if (!only || only == 2) AssocHold(100000);
  if (!only || only == 3) AccessControlModel(20000, 100);
  if (!only || only == 6) AccessControlModel(20000, 20000);
  if (!only || only == 7) AccessDialog<DlgControlUsers>("users dialog", 20000, 100);
  if (!only || only == 8) AccessDialog<DlgControlRoles>("roles dialog", 20000, 100);
  if (!only || only == 4) ConflictDialog(12000);
  if (!only || only == 5) DiagramSubmission(100000);
  if (!only || only == 9) ClaimDialog(20000);
  CoUninitialize();
  return 0;
}
