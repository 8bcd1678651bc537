// Large replies against their floor: what the module spends on a reply of that size next
// to what the XML reader alone spends on the same bytes (the SAX reader with a handler that
// does nothing, or the DOM document's load where the module reads a DOM). A cost that grows
// with the reply as the reader's does keeps the same ratio at every size. Every figure is
// measured in turns with its floor (module, floor, module, floor ...), so that a change of
// the machine's load falls on both; a dialog's figure is its time with the reply less its
// time with a reply that just fills its list (what the reply's size costs).
#include <windows.h>

#include <commctrl.h>

#include <standinsclient.h>
#include <wqmsxml.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "accessctrl/accessctrl.h"
#include "accessctrl/dlgcontrolroles.h"
#include "accessctrl/dlgcontrolusers.h"
#include "benchsupport.h"
#include "conflictres/conflictresdlg.h"
#include "conflictres/modifieddocsdlg.h"
#include "conflictres/projectupdates.h"
#include "main/main.h"
#include "workspacedialogs/assocholddlg.h"
#include "workspacedialogs/claimdlg.h"

namespace {

using bench::Time;

// More rows than a dialog's list shows at once.
constexpr int kRowsFillingTheList = 40;

void ReadAlone(BSTR xml) {
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
}

void LoadDomAlone(BSTR xml) {
  plat::com_ptr<IXMLDOMDocument> document;
  CoCreateInstance(__uuidof(DOMDocument60), nullptr, CLSCTX_ALL, __uuidof(IXMLDOMDocument),
                   document.put_void());
  VARIANT_BOOL loaded = VARIANT_FALSE;
  document->loadXML(xml, &loaded);
}

// What runs in the next dialog once it shows, before it is cancelled; nothing when empty.
std::function<void(HWND dialog)> whileShown;

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
  if (whileShown) std::exchange(whileShown, nullptr)(dialog);
  PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
}

// Shows a modal dialog through `show` (which returns DoModal's result) and cancels it once
// it shows; a dialog that did not open makes the figure unmeasured.
template <class Show>
void ShowAndCancel(Show&& show) {
  SetTimer(nullptr, 0, 1, &CancelDialog);
  if (show() != IDCANCEL) bench::AllMeasured() = false;
}

// A module figure and its floor, measured in turns; `module` and `floor` return seconds.
template <class Module, class Floor>
bench::Times InTurns(Module&& module, Floor&& floor) {
  bench::Turns turns(2);
  for (int i = 0; i < bench::kRuns; ++i) {
    turns.Add(0, module());
    turns.Add(1, floor());
  }
  return {turns.Median(0), turns.Median(1)};
}

void Report(const char* what, int size, bench::Times times, double goal = 0) {
  bench::PrintFigure(what, size, times, goal);
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

// A dialog over a reply against the reader alone on it: the dialog's time with the reply
// less its time with one that just fills the list. A list that needs a scroll bar pays
// once for it (some 25-50 ms under Wine's themed scroll bars), whatever it holds. `show`
// shows the dialog over a reply.
template <class Show>
bench::Times ListDialogTimes(const std::wstring& text, const std::wstring& filling, Show&& show) {
  plat::unique_bstr xml = plat::unique_bstr::copy(text.c_str());
  plat::unique_bstr few = plat::unique_bstr::copy(filling.c_str());
  return InTurns([&] { return Time([&] { show(xml.get()); }) - Time([&] { show(few.get()); }); },
                 [&] { return Time([&] { ReadAlone(xml.get()); }); });
}

void AssocHold(int holds) {
  char what[64];
  std::snprintf(what, sizeof what, "associate hold, %d holds", holds);
  Report(what, holds,
         ListDialogTimes(HoldsReply(holds), HoldsReply(kRowsFillingTheList), [](BSTR reply) {
           AssocHoldDlg dialog;
           dialog.SetHoldsXml(reply);
           ShowAndCancel([&] { return dialog.DoModal(nullptr, GetModuleHandleW(nullptr)); });
         }));
}

std::wstring PartsReply(int count) {
  std::wstring xml = L"<ListObjectParts>\n";
  for (int i = 0; i < count; ++i)
    xml += L"<Part OID='" + std::to_wstring(i + 1) + L"' Name='Part " + std::to_wstring(i) +
           L"' Class='Pump' InScope='Yes' ClaimSetting='Free' ClaimedBy='ann' "
           L"ClaimExtent='Whole' ClaimMode='2'/>\n";
  return xml + L"</ListObjectParts>";
}

// The frame of a bare owner-data list: it gives each row's texts as the list asks for
// them, from texts already made, as the claim dialog gives its parts'.
LRESULT CALLBACK QuietFrame(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == LVN_GETDISPINFOW) {
    LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(lParam)->item;
    const auto* names = reinterpret_cast<const std::vector<std::wstring>*>(
        GetWindowLongPtrW(window, GWLP_USERDATA));
    const wchar_t* text = item.iSubItem == 0 && names ? (*names)[item.iItem].c_str() : L"Whole";
    if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0)
      lstrcpynW(item.pszText, text, item.cchTextMax);
    return 0;
  }
  return DefWindowProcW(window, msg, wParam, lParam);
}

// A list view in the claim list's style (owner data, six columns), told of `names.size()`
// rows, in a frame that gives their texts; the frame, which the list goes with.
HWND BareClaimList(const std::vector<std::wstring>& names) {
  static const ATOM frameClass = [] {
    WNDCLASSW frame{};
    frame.lpfnWndProc = &QuietFrame;
    frame.hInstance = GetModuleHandleW(nullptr);
    frame.lpszClassName = L"BenchListFrame";
    return RegisterClassW(&frame);
  }();
  const HWND frame =
      CreateWindowExW(0, MAKEINTATOM(frameClass), L"", WS_POPUP | WS_VISIBLE, 0, 0, 500, 400,
                      nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  SetWindowLongPtrW(frame, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&names));
  const HWND list = CreateWindowExW(
      0, WC_LISTVIEWW, L"",
      WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT | LVS_SINGLESEL | LVS_OWNERDATA, 0, 0, 480,
      300, frame, nullptr, nullptr, nullptr);
  SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  LVCOLUMNW column{};
  column.mask = LVCF_WIDTH;
  column.cx = 80;
  for (int i = 0; i < 6; ++i)
    SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
  SendMessageW(list, LVM_SETITEMCOUNT, names.size(), LVSICF_NOINVALIDATEALL);
  return frame;
}

// The list view alone, told of `names.size()` rows, painted once and destroyed: the least
// a list of that many parts costs.
double ListViewAlone(const std::vector<std::wstring>& names) {
  return Time([&] {
    const HWND frame = BareClaimList(names);
    UpdateWindow(frame);
    DestroyWindow(frame);
  });
}

std::vector<std::wstring> PartNames(int count) {
  std::vector<std::wstring> names;
  for (int i = 0; i < count; ++i) names.push_back(L"Part " + std::to_wstring(i));
  return names;
}

// The claim dialog reads the parts, then lists them: the reply's time with the dialog's;
// and the dialog alone on parts already read, less a bare owner-data list view of as many
// rows: what is the dialog's own.
void ClaimDialog(int parts) {
  const std::wstring text = PartsReply(parts);
  const std::wstring filling = PartsReply(kRowsFillingTheList);
  plat::unique_bstr xml = plat::unique_bstr::copy(text.c_str());
  plat::unique_bstr few = plat::unique_bstr::copy(filling.c_str());
  const std::vector<std::wstring> names = PartNames(parts);
  const std::vector<std::wstring> fewNames = PartNames(kRowsFillingTheList);
  const auto read = [](BSTR reply, ObjectPartArray& into) {
    ListObjectPartsParser parser(into);
    parser.ParseString(reply);
  };
  const auto show = [](ObjectPartArray& read) {
    CClaimDlg dialog(read);
    ShowAndCancel([&] { return dialog.DoModal(nullptr, GetModuleHandleW(nullptr)); });
  };
  bench::Turns turns(3);
  for (int i = 0; i < bench::kRuns; ++i) {
    ObjectPartArray many, some;
    const double reading = Time([&] { read(xml.get(), many); });
    const double dialog = Time([&] { show(many); });
    read(few.get(), some);
    const double filled = Time([&] { show(some); });
    const double list = ListViewAlone(names) - ListViewAlone(fewNames);
    turns.Add(0, reading + dialog - filled);
    turns.Add(1, dialog - filled - list);
    turns.Add(2, Time([&] { ReadAlone(xml.get()); }));
  }
  Report("claim dialog, parts read and listed", parts, {turns.Median(0), turns.Median(2)}, 1.5);
  bench::PrintShare("claim dialog less a bare list view of its rows", parts,
                    {turns.Median(1), turns.Median(2)}, 0.4);
}

// Lets go of row `from` (none: -1) and selects, focuses and scrolls to row `to`, as the
// type-ahead reaches a row.
void SelectRow(HWND list, int from, int to) {
  LVITEMW item{};
  item.stateMask = LVIS_SELECTED;
  if (from >= 0) SendMessageW(list, LVM_SETITEMSTATE, from, reinterpret_cast<LPARAM>(&item));
  item.state = item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(list, LVM_SETITEMSTATE, to, reinterpret_cast<LPARAM>(&item));
  SendMessageW(list, LVM_SETSELECTIONMARK, 0, to);
  SendMessageW(list, LVM_ENSUREVISIBLE, to, FALSE);
}

// One key typed in the claim list of `parts` parts, as the dialog's loop hands it on (the
// key translated, then it and the character it made dispatched), from the key to the row
// selected and the dialog's answer to the change: every part's name begins with P, so each
// P steps to the next row. Against a bare owner-data list view of as many rows selecting
// the next row the same way (SelectRow); and against the claim list selecting it so itself,
// the dialog answering each change as it does a key's: what the key adds to the dialog's own
// answer. Each turn starts from the first row, and its rows are in view: a scroll costs all
// the same and only blurs the figure.
void ClaimListKey(int parts) {
  constexpr int kKeys = 5;
  ObjectPartArray read;
  ListObjectPartsParser parser(read);
  parser.ParseString(plat::unique_bstr::copy(PartsReply(parts).c_str()).get());
  const std::vector<std::wstring> names = PartNames(parts);
  const HWND bareFrame = BareClaimList(names);
  const HWND bare = GetWindow(bareFrame, GW_CHILD);
  UpdateWindow(bareFrame);
  bench::Turns turns(3);
  whileShown = [&](HWND dialog) {
    const HWND list = GetDlgItem(dialog, IDC_CLAIMLIST);
    SetFocus(list);
    const UINT key = LOBYTE(VkKeyScanW(L'p'));
    for (int i = 0; i < bench::kRuns; ++i) {
      const auto top = [](HWND of) {
        return static_cast<int>(
            SendMessageW(of, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
      };
      SelectRow(list, top(list), 0);
      SelectRow(bare, top(bare), 0);
      turns.Add(
          0, Time([&] {
            for (int k = 0; k < kKeys; ++k) {
              MSG down{list, WM_KEYDOWN, key, 1 | (MapVirtualKeyW(key, MAPVK_VK_TO_VSC) << 16)};
              TranslateMessage(&down);
              DispatchMessageW(&down);
              MSG typed;
              while (PeekMessageW(&typed, list, WM_CHAR, WM_CHAR, PM_REMOVE))
                DispatchMessageW(&typed);
            }
          }));
      turns.Add(1, Time([&] {
                  for (int row = 1; row <= kKeys; ++row) SelectRow(bare, row - 1, row);
                }));
      // The keys reached the rows they were typed for.
      if (top(list) != kKeys) bench::AllMeasured() = false;
      SelectRow(list, top(list), 0);
      turns.Add(2, Time([&] {
                  for (int row = 1; row <= kKeys; ++row) SelectRow(list, row - 1, row);
                }));
    }
  };
  CClaimDlg dialog(read);
  ShowAndCancel([&] { return dialog.DoModal(nullptr, GetModuleHandleW(nullptr)); });
  DestroyWindow(bareFrame);
  char what[80];
  std::snprintf(what, sizeof what, "claim list, one typed key, %dk parts", parts / 1000);
  bench::PrintFigure(what, kKeys, {turns.Median(0), turns.Median(1)}, 2, true);
  bench::PrintFigure("  against the claim list selecting the row itself", kKeys,
                     {turns.Median(0), turns.Median(2)}, 0, true);
}

// The large size's time against the small one's, measured in turns: `run(true)` at the
// large size. A cost that grows as n log n shows a little over ten times the size.
template <class Run>
bench::Times Growth(Run&& run) {
  bench::Turns turns(2);
  for (int i = 0; i < bench::kRuns; ++i) {
    turns.Add(0, run(true));
    turns.Add(1, run(false));
  }
  return {turns.Median(0), turns.Median(1)};
}

// The claim dialog's reply read and its parts listed, at ten times the parts.
void ClaimDialogGrowth(int small) {
  plat::unique_bstr smallReply = plat::unique_bstr::copy(PartsReply(small).c_str());
  plat::unique_bstr largeReply = plat::unique_bstr::copy(PartsReply(10 * small).c_str());
  char what[80];
  std::snprintf(what, sizeof what, "claim dialog read and listed, %dk against %dk",
                10 * small / 1000, small / 1000);
  bench::PrintFigure(
      what, 10 * small, Growth([&](bool large) {
        return Time([&] {
          ObjectPartArray parts;
          ListObjectPartsParser parser(parts);
          parser.ParseString(large ? largeReply.get() : smallReply.get());
          CClaimDlg dialog(parts);
          ShowAndCancel([&] { return dialog.DoModal(nullptr, GetModuleHandleW(nullptr)); });
        });
      }),
      14);
}

// A reader that adds its records one at a time, at ten times the records: the records are
// freed outside the time. `read` reads a reply into a fresh model of its own.
template <class Read>
void ReadGrowth(const char* name, int small, std::wstring (*reply)(int), Read&& read) {
  plat::unique_bstr smallReply = plat::unique_bstr::copy(reply(small).c_str());
  plat::unique_bstr largeReply = plat::unique_bstr::copy(reply(10 * small).c_str());
  char what[80];
  std::snprintf(what, sizeof what, "%s, %dk against %dk", name, 10 * small / 1000, small / 1000);
  bench::PrintFigure(
      what, 10 * small,
      Growth([&](bool large) { return read(large ? largeReply.get() : smallReply.get()); }), 12);
}

void AccessControlModel(int users, int accounts) {
  const std::wstring text = AccessControlReply(users, accounts);
  plat::unique_bstr xml = plat::unique_bstr::copy(text.c_str());
  char what[64];
  std::snprintf(what, sizeof what, "access-control model, over %d accounts", accounts);
  Report(what, users,
         InTurns(
             [&] {
               return Time([&] {
                 CAccessControl model;
                 model.Parse(xml.get());
               });
             },
             [&] { return Time([&] { ReadAlone(xml.get()); }); }));
}

// The users and roles dialogs read the model through the workspace node, as they do for a
// client. Their time less that of a reply whose users already fill the list, as for the
// associate hold.
template <class Dialog>
void AccessDialog(const char* name, int users, int accounts) {
  plat::com_ptr<IWQStandinWorkspaceNode> node;
  plat::com_ptr<IWQStandinWorkspace> standin;
  plat::com_ptr<IWQWorkspace> workspace;
  if (FAILED(wqstandins::CreateWorkspaceNodeControl(node)) ||
      FAILED(wqstandins::CreateWorkspace(standin)) || FAILED(standin.query_to(workspace))) {
    std::printf("  %s: no stand-ins (run it in the build's prefix, as scripts/bench.sh does)\n",
                name);
    bench::AllMeasured() = false;
    return;
  }
  const std::wstring text = AccessControlReply(users, accounts);
  const std::wstring filling = AccessControlReply(kRowsFillingTheList, kRowsFillingTheList);
  plat::unique_bstr xml = plat::unique_bstr::copy(text.c_str());
  const auto show = [&](const std::wstring& reply) {
    wqstandins::SetAccessControl(node.get(), reply.c_str());
    return Time([&] {
      Dialog dialog(workspace.get());
      ShowAndCancel([&] { return dialog.DoModal(nullptr, GetModuleHandleW(nullptr)); });
    });
  };
  char what[64];
  std::snprintf(what, sizeof what, "%s, over %d accounts", name, accounts);
  Report(what, users,
         InTurns([&] { return show(text) - show(filling); },
                 [&] { return Time([&] { ReadAlone(xml.get()); }); }));
}

// The tree view alone, holding the nodes the cases page shows for `items` conflicts (the
// root, every item open, a conflict under each), filled as cheaply as the control allows
// (redrawing off, each level before the next), painted once and destroyed. Wine's tree
// view finds a node by a walk of all its nodes, measures each node's text once it can
// show, and walks its nodes again for every node it frees: this part of the dialog's time
// belongs to the control.
double TreeViewAlone(int count) {
  return Time([&] {
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
}

// The conflict dialog reads the reply into its model, then shows its first page (only the
// shown page fills: the cases page's tree). Its time less that over an empty reply; the
// read alone; and the dialog less a bare tree view holding the nodes its page shows.
void ConflictDialog(int items) {
  const std::wstring text = ConflictsReply(items);
  plat::unique_bstr xml = plat::unique_bstr::copy(text.c_str());
  plat::unique_bstr empty = plat::unique_bstr::copy(ConflictsReply(0).c_str());
  const auto show = [](BSTR reply) {
    return Time([&] {
      CProjectUpdates model;
      model.Parse(reply);
      CConflictResDlg dialog(&model, nullptr, GetModuleHandleW(nullptr));
      ShowAndCancel([&] { return dialog.DoModal(nullptr); });
    });
  };
  bench::Turns turns(4);
  for (int i = 0; i < bench::kRuns; ++i) {
    const double dialog = show(xml.get()) - show(empty.get());
    turns.Add(0, dialog);
    {
      // The read alone: the model's records are freed after it.
      CProjectUpdates model;
      turns.Add(1, Time([&] { model.Parse(xml.get()); }));
    }
    turns.Add(2, dialog - (TreeViewAlone(items) - TreeViewAlone(0)));
    turns.Add(3, Time([&] { ReadAlone(xml.get()); }));
  }
  const int conflicts = 4 * items;
  Report("conflict dialog, 4 kinds, first page shown", conflicts,
         {turns.Median(0), turns.Median(3)});
  Report("  the reply read into the model", conflicts, {turns.Median(1), turns.Median(3)}, 1.2);
  Report("  the dialog less a bare tree view of its nodes", conflicts,
         {turns.Median(2), turns.Median(3)}, 1.5);
}

std::wstring ModificationsReply(int documents) {
  const wchar_t* types[] = {L"Datasheet", L"Diagram", L"Report"};
  std::wstring xml = L"<ProjectUpdates><Modifications>\n";
  for (int i = 0; i < documents; ++i)
    xml += L"<Modified ID='" + std::to_wstring(i + 1) + L"' Name='Document " + std::to_wstring(i) +
           L"' Type='" + types[i % 3] + L"'/>\n";
  return xml + L"</Modifications></ProjectUpdates>";
}

// The documents the resolution modified: the reply read into the model and the dialog
// shown over it, less the same over a reply that just fills the list.
void ModifiedDocuments(int documents) {
  plat::unique_bstr xml = plat::unique_bstr::copy(ModificationsReply(documents).c_str());
  plat::unique_bstr few = plat::unique_bstr::copy(ModificationsReply(kRowsFillingTheList).c_str());
  const auto show = [](BSTR reply) {
    return Time([&] {
      CProjectUpdates model;
      model.Parse(reply);
      CModifiedDocsDlg dialog(&model, nullptr, GetModuleHandleW(nullptr));
      ShowAndCancel([&] { return dialog.DoModal(nullptr); });
    });
  };
  Report("modified-documents dialog, read and shown", documents,
         InTurns([&] { return show(xml.get()) - show(few.get()); },
                 [&] { return Time([&] { ReadAlone(xml.get()); }); }),
         3);
}

void PartsReadGrowth(int small) {
  ReadGrowth("claim parts read", small, &PartsReply, [](BSTR reply) {
    ObjectPartArray parts;
    return Time([&] {
      ListObjectPartsParser parser(parts);
      parser.ParseString(reply);
    });
  });
}

void ModificationsReadGrowth(int small) {
  ReadGrowth("modified documents read", small, &ModificationsReply, [](BSTR reply) {
    CProjectUpdates model;
    return Time([&] { model.Parse(reply); });
  });
}

void DiagramSubmission(int messages) {
  const std::wstring text = SubmissionReply(messages);
  plat::unique_bstr xml = plat::unique_bstr::copy(text.c_str());
  plat::com_ptr<IWQStandinWorkspace> workspace;
  if (FAILED(wqstandins::CreateWorkspace(workspace))) {
    std::printf(
        "  diagram submission: no stand-in workspace (run it in the build's prefix, as "
        "scripts/bench.sh does)\n");
    bench::AllMeasured() = false;
    return;
  }
  wqstandins::SetReply(workspace.get(), L"VIDIDIVIzoz.Main", L"DwgManagement::SubmitDiagram",
                       text.c_str());
  plat::com_ptr<Main> main = plat::make<Main>();
  plat::unique_safearray diagrams(SafeArrayCreateVector(VT_I4, 0, 1));
  Report(
      "diagram submission, against the DOM's load", messages,
      InTurns(
          [&] {
            return Time([&] { main->SubmitDiagrams(workspace.get(), diagrams.get(), 0, nullptr); });
          },
          [&] { return Time([&] { LoadDomAlone(xml.get()); }); }));
}

}  // namespace

int main(int argc, char** argv) {
  // The figures in the order they print; each shows its number on its first row, and one
  // runs alone by its number.
  const std::vector<void (*)()> figures = {
      [] { AssocHold(8000); },
      [] { AssocHold(100000); },
      [] { AccessControlModel(20000, 100); },
      [] { AccessControlModel(20000, 20000); },
      [] { AccessDialog<DlgControlUsers>("users dialog", 20000, 100); },
      [] { AccessDialog<DlgControlRoles>("roles dialog", 20000, 100); },
      [] { ConflictDialog(12000); },
      [] { DiagramSubmission(100000); },
      [] {
        ClaimDialog(20000);
        ClaimDialogGrowth(10000);
        PartsReadGrowth(100000);
      },
      [] {
        ModifiedDocuments(100000);
        ModificationsReadGrowth(100000);
      },
      [] {
        bench::PrintHeader("Type-ahead, against a bare owner-data list view selecting the row");
        ClaimListKey(100000);
      },
  };
  const int count = static_cast<int>(figures.size());
  int only = 0;
  if (argc > 2 || (argc == 2 &&
                   (std::strspn(argv[1], "0123456789") != std::strlen(argv[1]) ||
                    std::strlen(argv[1]) > 4 || (only = std::atoi(argv[1])) < 1 || only > count))) {
    std::fprintf(stderr,
                 "usage: largereply_bench.exe [N]: runs only the figure numbered N (1 to %d), "
                 "or all\n",
                 count);
    return 2;
  }
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  if (!bench::HaveDisplay("largereply_bench")) return 2;
  bench::PrintHeader("Large replies, against the XML reader alone on the same reply");
  for (int number = 1; number <= count; ++number) {
    if (only && number != only) continue;
    bench::NextRowNumber() = number;
    figures[static_cast<size_t>(number - 1)]();
  }
  CoUninitialize();
  if (!bench::AllMeasured()) {
    std::printf("some figures could not be measured (see above)\n");
    return 1;
  }
  return 0;
}
