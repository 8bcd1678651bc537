// Shared by the conflict-resolution tests: models read from replies, a stand-in workspace
// to commit to, and the pages' controls as a user reaches them.
#pragma once

#include <gtest/gtest.h>

#include <standinsclient.h>

#include <functional>
#include <string>
#include <vector>

#include "comtest.h"
#include "conflictres/conflictlistpage.h"
#include "dialogdriver.h"

namespace conflicttest {

constexpr wchar_t kServer[] = L"System.AdminServices";

// The model of a "ProjectUpdates" reply given without its root element.
void Load(CProjectUpdates& model, const std::wstring& content);

// Runs `body` on a thread with a stack of `stackBytes`; false when it did not come back
// within a minute (a thread whose stack ran out dies there, or hangs).
bool RunOnThread(SIZE_T stackBytes, const std::function<void()>& body);

// A stand-in workspace with IWQWorkspace, answering "UpdateProject" with `reply`.
struct Workspace {
  explicit Workspace(const wchar_t* reply = L"<ProjectUpdates/>");
  IWQWorkspace* get() const { return wq.get(); }
  LONG Requests() const;
  std::wstring Request(LONG index) const { return wqstandins::RequestXml(control.get(), index); }
  // "<server>.<method>" of request `index`.
  std::wstring Target(LONG index) const;

  plat::com_ptr<IWQStandinWorkspace> control;
  plat::com_ptr<IWQWorkspace> wq;
};

// The first control with `id` among the descendants of `window` (the pages included).
HWND FindControl(HWND window, int id);

// The tree as lines "<indent><text> [<image>]", two blanks per level.
std::wstring TreeText(HWND tree);
// Selects the node reached by the texts from the root, as a click would.
// The texts of the expanded nodes, each followed by "|", in the order the tree shows them.
std::wstring ExpandedNodes(HWND tree);
std::string SelectNode(HWND tree, const std::vector<std::wstring>& path);

// The list's rows as lines "<indent><texts joined by |> [<image>]".
std::wstring ListText(HWND list);
// Clicks a cell of the list as a user does: the cursor goes there and the list tells its
// page. `x` counts from the cell's left edge; -1 clicks its middle.
std::string ClickCell(HWND list, int item, int column, int x = -1);
// The pixels of the 16 by 16 picture drawn at the start of a cell of the list, once the
// list has painted itself anew.
std::vector<COLORREF> CellPicture(HWND list, int item, int column);
// Sends a notification from `control` to its parent, as the control itself would.
void Notify(HWND control, NMHDR& header);
// The keypad's plus or minus key on the selected row.
void PressKey(HWND list, WORD key);
void SelectRow(HWND list, int item);

}  // namespace conflicttest
