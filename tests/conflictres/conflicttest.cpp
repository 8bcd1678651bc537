#include "conflicttest.h"

namespace conflicttest {

void Load(CProjectUpdates& model, const std::wstring& content) {
  const std::wstring xml = L"<ProjectUpdates>" + content + L"</ProjectUpdates>";
  ASSERT_EQ(model.Parse(plat::unique_bstr::copy(xml.c_str()).get()), S_OK)
      << wqtest::TakeErrorDescription();
}

bool RunOnThread(SIZE_T stackBytes, const std::function<void()>& body) {
  return wqtest::RunOnThread(stackBytes, body);
}

Workspace::Workspace(const wchar_t* reply) {
  EXPECT_EQ(wqstandins::CreateWorkspace(control), S_OK);
  if (!control) return;
  EXPECT_EQ(control.query_to(wq), S_OK);
  wqstandins::SetReply(control.get(), kServer, L"UpdateProject", reply);
}

LONG Workspace::Requests() const {
  LONG count = 0;
  control->get_RequestCount(&count);
  return count;
}

std::wstring Workspace::Target(LONG index) const {
  plat::unique_bstr server, method;
  control->get_RequestServer(index, server.put());
  control->get_RequestMethod(index, method.put());
  return std::wstring(server.c_str()) + L"." + method.c_str();
}

HWND FindControl(HWND window, int id) {
  struct Search {
    int id;
    HWND found;
  } search{id, nullptr};
  EnumChildWindows(
      window,
      [](HWND child, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        if (GetDlgCtrlID(child) != s->id) return TRUE;
        s->found = child;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

namespace {

HTREEITEM Next(HWND tree, UINT relation, HTREEITEM from) {
  return reinterpret_cast<HTREEITEM>(
      SendMessageW(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(from)));
}

std::wstring NodeText(HWND tree, HTREEITEM node, int* image) {
  wchar_t text[256] = {};
  TVITEMW item{};
  item.mask = TVIF_TEXT | TVIF_IMAGE;
  item.hItem = node;
  item.pszText = text;
  item.cchTextMax = 256;
  SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  *image = item.iImage;
  return text;
}

void AppendNodes(HWND tree, HTREEITEM first, int level, std::wstring& out) {
  for (HTREEITEM node = first; node; node = Next(tree, TVGN_NEXT, node)) {
    int image = 0;
    const std::wstring text = NodeText(tree, node, &image);
    out += std::wstring(2 * level, L' ') + text + L" [" + std::to_wstring(image) + L"]\n";
    AppendNodes(tree, Next(tree, TVGN_CHILD, node), level + 1, out);
  }
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

}  // namespace

void Notify(HWND control, NMHDR& header) {
  header.hwndFrom = control;
  header.idFrom = GetDlgCtrlID(control);
  SendMessageW(GetParent(control), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
}

std::wstring TreeText(HWND tree) {
  std::wstring out;
  AppendNodes(tree, Next(tree, TVGN_ROOT, nullptr), 0, out);
  return out;
}

std::wstring ExpandedNodes(HWND tree) {
  std::wstring out;
  std::vector<HTREEITEM> pending{Next(tree, TVGN_ROOT, nullptr)};
  // Depth first, in the order the tree shows its nodes.
  while (!pending.empty()) {
    const HTREEITEM node = pending.back();
    pending.pop_back();
    if (!node) continue;
    pending.push_back(Next(tree, TVGN_NEXT, node));
    const auto state =
        SendMessageW(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(node), TVIS_EXPANDED);
    int image = 0;
    if (state & TVIS_EXPANDED) out += NodeText(tree, node, &image) + L"|";
    pending.push_back(Next(tree, TVGN_CHILD, node));
  }
  return out;
}

std::string SelectNode(HWND tree, const std::vector<std::wstring>& path) {
  HTREEITEM node = nullptr;
  HTREEITEM candidate = Next(tree, TVGN_ROOT, nullptr);
  for (const std::wstring& text : path) {
    int image = 0;
    while (candidate && NodeText(tree, candidate, &image) != text)
      candidate = Next(tree, TVGN_NEXT, candidate);
    if (!candidate) return "no node " + Narrow(text);
    node = candidate;
    candidate = Next(tree, TVGN_CHILD, node);
  }
  SetFocus(tree);
  SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(node));
  return {};
}

std::wstring ListText(HWND list) {
  std::wstring out;
  const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    // The list is virtual and keeps no row data: ask the page as the list asks it.
    NMLVDISPINFOW ask{};
    ask.hdr.code = LVN_GETDISPINFOW;
    ask.item.mask = LVIF_PARAM;
    ask.item.iItem = i;
    Notify(list, ask.hdr);
    const auto* row = reinterpret_cast<const CConflictListItem*>(ask.item.lParam);
    if (!row) return out + L"no row " + std::to_wstring(i);
    out += std::wstring(2 * row->level, L' ') + row->texts[0];
    for (int t = 1; t < 4; ++t) {
      if (!row->texts[t].empty()) out += L"|" + row->texts[t];
      // What the list answers for the row is what the page draws.
      wchar_t text[256] = {};
      LVITEMW item{};
      item.iSubItem = t;
      item.pszText = text;
      item.cchTextMax = 256;
      SendMessageW(list, LVM_GETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
      if (row->texts[t] != text) out += L" (the list says " + std::wstring(text) + L")";
    }
    out += L" [" + std::to_wstring(row->image) + L"]\n";
  }
  return out;
}

std::vector<COLORREF> CellPicture(HWND list, int item, int column) {
  RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  RECT cell{};
  cell.top = column;
  cell.left = LVIR_LABEL;
  std::vector<COLORREF> pixels;
  if (!SendMessageW(list, LVM_GETSUBITEMRECT, item, reinterpret_cast<LPARAM>(&cell))) return pixels;
  // The page draws a cell's picture 2 pixels in from its left edge.
  HDC dc = GetDC(list);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) pixels.push_back(GetPixel(dc, cell.left + 2 + x, cell.top + y));
  ReleaseDC(list, dc);
  return pixels;
}

std::string ClickCell(HWND list, int item, int column, int x) {
  RECT cell{};
  cell.top = column;
  cell.left = LVIR_BOUNDS;
  if (!SendMessageW(list, LVM_GETSUBITEMRECT, item, reinterpret_cast<LPARAM>(&cell)))
    return "no cell " + std::to_string(item) + "," + std::to_string(column);
  if (column == 0) {
    // The first column's bounds are the whole row's.
    cell.right = cell.left + static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0));
  }
  POINT at{x < 0 ? (cell.left + cell.right) / 2 : cell.left + x, (cell.top + cell.bottom) / 2};
  ClientToScreen(list, &at);
  SetCursorPos(at.x, at.y);
  NMITEMACTIVATE click{};
  click.hdr.code = NM_CLICK;
  click.iItem = item;
  click.iSubItem = column;
  Notify(list, click.hdr);
  return {};
}

void PressKey(HWND list, WORD key) {
  NMLVKEYDOWN press{};
  press.hdr.code = LVN_KEYDOWN;
  press.wVKey = key;
  Notify(list, press.hdr);
}

void SelectRow(HWND list, int item) {
  LVITEMW state{};
  state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  state.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(list, LVM_SETITEMSTATE, item, reinterpret_cast<LPARAM>(&state));
}

}  // namespace conflicttest
