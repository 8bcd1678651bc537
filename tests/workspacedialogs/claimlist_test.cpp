// The claim dialog's list with thousands of parts, shown straight from the module's
// library: what the fill itself costs.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "conflictres/projectupdates.h"
#include "resources/resource.h"
#include "shownlist.h"
#include "workspacedialogs/claimdlg.h"

namespace {

// One part a row: name, class and claimant.
struct Row {
  std::wstring name, className, claimedBy;
};

void ReadParts(const std::vector<Row>& rows, ObjectPartArray& parts) {
  std::wstring reply = L"<ListObjectParts>";
  int oid = 0;
  for (const Row& row : rows)
    reply += L"<Part OID='" + std::to_wstring(++oid) + L"' Name='" + row.name + L"' Class='" +
             row.className + L"' InScope='Yes' ClaimSetting='Free' ClaimedBy='" + row.claimedBy +
             L"' ClaimExtent='Whole' ClaimMode='2'/>";
  reply += L"</ListObjectParts>";
  ListObjectPartsParser parser(parts);
  const plat::unique_bstr text = plat::unique_bstr::copy(reply.c_str());
  ASSERT_EQ(parser.ParseString(text.get()), S_OK);
}

// Readers add a record at a time: past 512 records their lists double, where the array's
// own steps of 512 would copy a million records' list some two thousand times over.
TEST(RecordReaders, ListsOfUnknownLengthGrowByDoubling) {
  constexpr int kRecords = 1100;  // the array's own steps would hold them in 1536 slots
  std::vector<Row> rows(kRecords, Row{L"Part", L"Pump", L"ann"});
  ObjectPartArray parts;
  ReadParts(rows, parts);
  EXPECT_EQ(parts.GetCount(), kRecords);
  EXPECT_EQ(parts.GetCapacity(), 2048) << "claim parts";

  std::wstring reply = L"<ProjectUpdates><Modifications>";
  for (int i = 0; i < kRecords; ++i)
    reply += L"<Modified ID='" + std::to_wstring(i) + L"' Name='D' Type='Diagram'/>";
  reply += L"</Modifications></ProjectUpdates>";
  CProjectUpdates model;
  ASSERT_EQ(model.Parse(plat::unique_bstr::copy(reply.c_str()).get()), S_OK);
  EXPECT_EQ(model.Modifications().GetCount(), kRecords);
  EXPECT_EQ(model.Modifications().GetCapacity(), 2048) << "modified documents";
  EXPECT_EQ(model.Modifications()[kRecords - 1]->id, kRecords - 1);
}

// A list told of every row repaints and rescales its scroll bars each time, and measures
// each cell's text with a device context of its own: 20,000 parts took over 20 s.
TEST(ClaimList, ThousandsOfPartsAreListedInAMoment) {
  constexpr int kParts = 20000;
  std::vector<Row> rows;
  for (int i = 1; i <= kParts; ++i)
    rows.push_back({L"Part " + std::to_wstring(i), L"Pump", L"ann"});
  ObjectPartArray parts;
  ReadParts(rows, parts);

  CClaimDlg dialog(parts);
  const wqtest::ShownList shown = wqtest::RunUntilShown(
      IDC_CLAIMLIST, [&] { return dialog.DoModal(nullptr, GetModuleHandleW(nullptr)); });
  EXPECT_EQ(shown.result, IDCANCEL);
  EXPECT_EQ(shown.rows, kParts);
  EXPECT_LT(shown.milliseconds, 5000u) << "some 0.5 s";
}

// Each column that fits its texts is as wide as the widest of them (cut at 100 pixels),
// wherever that text stands and however often it repeats; the others keep their heading's.
TEST(ClaimList, ColumnsFitTheirWidestText) {
  ObjectPartArray parts;
  ReadParts({{L"P-1", L"Pump", L"ann"},
             {L"P-22", L"Heat exchanger", L"ann"},
             {L"P-3", L"Heat exchanger", L"bob"},
             {L"P-1", L"Pump", L"ann"},
             {L"P-4", L"Heat", L"annabel"}},
            parts);

  static int widths[6], expected[6];
  CClaimDlg dialog(parts);
  wqtest::RunUntilShown(
      IDC_CLAIMLIST, [&] { return dialog.DoModal(nullptr, GetModuleHandleW(nullptr)); },
      [](HWND handle) {
        const plat::ListView list(handle);
        const wchar_t* const headings[] = {L"Name",     L"Can Claim",    L"Class",
                                           L"In Scope", L"Claim Status", L"Claimed By"};
        const bool fits[] = {true, true, true, false, false, true};
        const int count = static_cast<int>(list.SendMessage(LVM_GETITEMCOUNT));
        for (int column = 0; column < 6; ++column) {
          widths[column] = list.GetColumnWidth(column);
          expected[column] = list.GetStringWidth(headings[column]) + 12;
          for (int row = 0; fits[column] && row < count; ++row) {
            wchar_t cell[64] = {};
            LVITEMW item{};
            item.iSubItem = column;
            item.pszText = cell;
            item.cchTextMax = 64;
            list.SendMessage(LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
            expected[column] = std::max(expected[column], list.GetStringWidth(cell) + 12);
          }
          if (fits[column]) expected[column] = std::min(expected[column], 100);
        }
      });
  for (int column = 0; column < 6; ++column)
    EXPECT_EQ(widths[column], expected[column]) << "column " << column;
}

}  // namespace
