// Opening a selection dialog on many names (made, filled, fitted to its texts and closed
// as it is about to show) against a bare list box of the same style filled with
// LB_ADDSTRING, one message a name, and destroyed. And a change of one row's selection in
// the open-datasheet dialog with every one of its documents selected, against the dialog
// passing the same notification on unhandled. And every name of a multi-select dialog
// chosen, then OK, less the same then Cancel, at two sizes.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <utility>
#include <vector>

#include "benchsupport.h"
#include "replies.h"
#include "resources/resource.h"
#include "rowchanges.h"
#include "workspacedialogs/opendatasheetdlg.h"
#include "workspacedialogs/selectiondlgs.h"
#include "workspacedialogs/selectionitems.h"

namespace {

// What the hook does to a dialog about to show: 0 cancels it at once; IDOK or IDCANCEL
// chooses every name of its multi-select list, as the list tells a selection change, and
// presses that button, timing the press.
WPARAM chooseAllThen = 0;
double pressTime = 0;
double listReadTime = 0;  // the list's own reading of the selection, before Cancel

// Ends every dialog of the thread when it is about to show, its WM_INITDIALOG done. A CBT
// hook sees no ordinary message, so it costs the fills nothing.
LRESULT CALLBACK EndBeforeShowing(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE) {
    const HWND dialog = reinterpret_cast<HWND>(wParam);
    const HWND list = GetDlgItem(dialog, IDC_MULTISELECTLIST);
    if (!chooseAllThen) {
      EndDialog(dialog, IDCANCEL);
    } else if (list) {
      // Once: the thread's next window to be activated is no dialog of ours.
      const WPARAM press = std::exchange(chooseAllThen, 0);
      SendMessageW(list, LB_SETSEL, TRUE, -1);
      SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_MULTISELECTLIST, LBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(list));
      if (press == IDCANCEL) {
        const int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
        listReadTime = bench::Time([&] {
          std::vector<int> chosen(static_cast<size_t>(count));
          SendMessageW(list, LB_GETSELITEMS, count, reinterpret_cast<LPARAM>(chosen.data()));
        });
      }
      const HWND button = GetDlgItem(dialog, static_cast<int>(press));
      pressTime = bench::Time([&] {
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(press, BN_CLICKED),
                     reinterpret_cast<LPARAM>(button));
      });
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The dialog made, filled and closed; a bare list box made, filled one LB_ADDSTRING a
// name and destroyed; and the same bare list box filled as cheaply as the control allows
// (storage reserved for every name, redrawing off), the fairer floor. Measured in turns.
struct OpenTimes {
  bench::Times againstBare;
  bench::Times againstReserved;
};

OpenTimes OpenDialog(const SortedItems<LONG>& items, bool* ok) {
  const DWORD style =
      WS_POPUP | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP;
  const WQBstrArray& names = items.GetNames();
  const auto bareList = [&](bool reserved) {
    return bench::Time([&] {
      HWND list = CreateWindowExW(0, L"LISTBOX", L"", style, 0, 0, 200, 160, nullptr, nullptr,
                                  nullptr, nullptr);
      if (reserved) {
        size_t characters = 0;
        for (int i = 0; i < names.GetCount(); ++i) characters += SysStringLen(names[i]) + 1;
        SendMessageW(list, WM_SETREDRAW, FALSE, 0);
        SendMessageW(list, LB_INITSTORAGE, names.GetCount(), characters * sizeof(wchar_t));
      }
      for (int i = 0; i < names.GetCount(); ++i)
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(names[i]));
      if (reserved) SendMessageW(list, WM_SETREDRAW, TRUE, 0);
      *ok = *ok && SendMessageW(list, LB_GETCOUNT, 0, 0) == names.GetCount();
      DestroyWindow(list);
    });
  };
  bench::Turns turns(3);
  for (int i = 0; i < bench::kRuns; ++i) {
    turns.Add(0, bench::Time([&] {
                SingleSelectDlg dlg(names, &items.GetColumn<0>());
                *ok = *ok && dlg.DoModal() == IDCANCEL;
              }));
    turns.Add(1, bareList(false));
    turns.Add(2, bareList(true));
  }
  return {{turns.Median(0), turns.Median(1)}, {turns.Median(0), turns.Median(2)}};
}

// A multi-select dialog over the items with every name chosen, then `button` pressed: the
// press's time, and for OK the chosen items read back as the dialog's object reads them.
double ChooseAllThen(WPARAM button, const SortedItems<LONG>& items, bool* ok) {
  chooseAllThen = button;
  pressTime = 0;
  MultiSelectDlg dialog(items.GetNames(), &items.GetColumn<0>());
  const INT_PTR result = dialog.DoModal();
  *ok = *ok && !chooseAllThen;
  chooseAllThen = 0;
  double time = pressTime;
  if (button == IDOK) {
    WQArray<LONG> chosen;
    time += bench::Time([&] { dialog.GetSelectedItems(chosen); });
    *ok = *ok && chosen.GetCount() == items.GetCount();
  }
  *ok = *ok && result == static_cast<INT_PTR>(button);
  return time;
}

// OK less Cancel, every name chosen, at 1,000,000 names and at 100,000, in turns; and the
// list's own reading of that selection (LB_GETSELITEMS), which the OK includes.
struct ChooseAllTimes {
  bench::Times okLessCancel;
  bench::Times listRead;
};

ChooseAllTimes ChooseAllGrowth(bool* ok) {
  SortedItems<LONG> small, large;
  for (auto [items, size] : {std::pair{&small, 100000}, std::pair{&large, 1000000}}) {
    const std::vector<std::wstring> names = bench::MakeNames(size);
    for (int i = 0; i < size; ++i) items->Add(names[i].c_str(), i);
    items->Commit();
  }
  bench::Turns turns(4);
  for (int i = 0; i < bench::kRuns; ++i) {
    turns.Add(0, ChooseAllThen(IDOK, large, ok) - ChooseAllThen(IDCANCEL, large, ok));
    turns.Add(2, listReadTime);
    turns.Add(1, ChooseAllThen(IDOK, small, ok) - ChooseAllThen(IDCANCEL, small, ok));
    turns.Add(3, listReadTime);
  }
  return {{turns.Median(0), turns.Median(1)}, {turns.Median(2), turns.Median(3)}};
}

// The open-datasheet dialog holding `documents` new documents, all selected: a click that
// leaves one selected and Ctrl+clicks that select the others again, each row's change
// handled as the list tells it, against the same notifications from a control that the
// dialog does not handle.
bench::Times ChangeSelection(int documents, bool* ok) {
  COpenDatasheetDlg dialog;
  for (int i = 0; i < documents; ++i) {
    DocumentEntry entry;
    entry.docType = i % 2 ? 2 : 1;
    entry.title = L"DS-" + std::to_wstring(i);
    dialog.AddDocument(std::move(entry));
  }
  const HWND window = dialog.Create(nullptr, GetModuleHandleW(nullptr));
  const HWND list = GetDlgItem(window, IDC_DOCUMENTLIST);
  LVITEMW all{};
  all.state = all.stateMask = LVIS_SELECTED;
  SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&all));
  *ok = *ok && window && SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0) == documents;
  constexpr UINT_PTR kUnhandled = 0xFFFF;
  const bench::Times times = bench::MedianTimes(
      [&] { wqtest::ChangeEveryRowButTheFirst(window, list, IDC_DOCUMENTLIST, documents); },
      [&] { wqtest::ChangeEveryRowButTheFirst(window, list, kUnhandled, documents); });
  if (window) DestroyWindow(window);
  return times;
}

}  // namespace

int main(int argc, char**) {
  if (!bench::TakesNoArguments(argc, "listfill_bench")) return 2;
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  if (!bench::HaveDisplay("listfill_bench")) return 2;
  HHOOK hook = SetWindowsHookExW(WH_CBT, EndBeforeShowing, nullptr, GetCurrentThreadId());
  bool ok = hook != nullptr;
  bench::PrintHeader("Selection dialogs, against a bare list box filled with LB_ADDSTRING");
  for (int size : {10000, 100000}) {
    SortedItems<LONG> items;
    const std::vector<std::wstring> names = bench::MakeNames(size);
    for (int i = 0; i < size; ++i) items.Add(names[i].c_str(), i % 7 ? i : -i);
    items.Commit();
    // The dialog's own making weighs on small lists; the goal is set for large ones.
    const OpenTimes times = OpenDialog(items, &ok);
    bench::PrintFigure("selection dialog opened on the names", size, times.againstBare,
                       size >= 100000 ? 0.5 : 0);
    // The fairer floor: the bare fill above redraws and grows its storage at every name,
    // which flatters the dialog. Against this one the dialog also pays for making itself
    // and for measuring every name to fit its list to them.
    bench::PrintFigure("  against a list box, redraw off, storage reserved", size,
                       times.againstReserved, 0);
  }
  // The selection is collected as it is: a cost linear in its size shows 10.
  bench::PrintHeader("Every name chosen, then OK less Cancel: 1,000,000 names against 100,000",
                     "1,000,000", "100,000");
  const ChooseAllTimes chooseAll = ChooseAllGrowth(&ok);
  bench::PrintFigure("multi-select dialog", 1000000, chooseAll.okLessCancel, 14);
  // How a pass over memory grows from what the caches hold to what they do not.
  bench::PrintFigure("  the list's own LB_GETSELITEMS, within it", 1000000, chooseAll.listRead, 0);
  if (hook) UnhookWindowsHookEx(hook);

  bench::PrintHeader("Open-datasheet dialog, against passing the list's notifications on");
  constexpr int kDocuments = 20000;
  bench::PrintFigure("one selection change, 20,000 documents selected", 2 * (kDocuments - 1),
                     ChangeSelection(kDocuments, &ok), 1.5, true);
  CoUninitialize();
  if (!ok) std::printf("a list was not filled whole\n");
  return ok && bench::AllMeasured() ? 0 : 1;
}
