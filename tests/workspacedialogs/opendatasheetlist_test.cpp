// The open-datasheet dialog with thousands of documents, shown straight from the module's
// library: what choosing among them costs.
#include <gtest/gtest.h>

#include <string>

#include "resources/resource.h"
#include "shownlist.h"
#include "workspacedialogs/opendatasheetdlg.h"

namespace {

// Every change of the selection decides which buttons apply; with the whole selection
// asked for at each change and each row's document found by a walk, choosing 5,000
// documents one by one took some 20 s.
TEST(OpenDatasheetList, ChoosingAmongThousandsOfDocumentsTakesAMoment) {
  constexpr int kDocuments = 5000;
  COpenDatasheetDlg dialog;
  for (int i = 0; i < kDocuments; ++i) {
    DocumentEntry entry;
    entry.objectId = i;
    entry.title = L"DS-" + std::to_wstring(i);
    dialog.AddDocument(std::move(entry));
  }
  const wqtest::ShownList shown = wqtest::RunUntilShown(
      IDC_DOCUMENTLIST, [&] { return dialog.DoModal(nullptr, GetModuleHandleW(nullptr)); },
      [](HWND list) {
        for (int row = 0; row < kDocuments; ++row) {
          LVITEMW item{};
          item.state = item.stateMask = LVIS_SELECTED;
          SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
        }
      });
  EXPECT_EQ(shown.rows, kDocuments);
  EXPECT_LT(shown.milliseconds, 5000u) << "some 1 s";
}

}  // namespace
