// The claim dialog's list with thousands of parts, shown straight from the module's
// library: what the fill itself costs.
#include <gtest/gtest.h>

#include <string>

#include "resources/resource.h"
#include "shownlist.h"
#include "workspacedialogs/claimdlg.h"

namespace {

// A list told of every row repaints and rescales its scroll bars each time, and measures
// each cell's text with a device context of its own: 20,000 parts took over 20 s.
TEST(ClaimList, ThousandsOfPartsAreListedInAMoment) {
  constexpr int kParts = 20000;
  std::wstring reply = L"<ListObjectParts>";
  for (int i = 1; i <= kParts; ++i)
    reply += L"<Part OID='" + std::to_wstring(i) + L"' Name='Part " + std::to_wstring(i) +
             L"' Class='Pump' InScope='Yes' ClaimSetting='Free' ClaimedBy='ann' "
             L"ClaimExtent='Whole' ClaimMode='2'/>";
  reply += L"</ListObjectParts>";
  ObjectPartArray parts;
  ListObjectPartsParser parser(parts);
  const plat::unique_bstr text = plat::unique_bstr::copy(reply.c_str());
  ASSERT_EQ(parser.ParseString(text.get()), S_OK);

  CClaimDlg dialog(parts);
  const wqtest::ShownList shown = wqtest::RunUntilShown(
      IDC_CLAIMLIST, [&] { return dialog.DoModal(nullptr, GetModuleHandleW(nullptr)); });
  EXPECT_EQ(shown.result, IDCANCEL);
  EXPECT_EQ(shown.rows, kParts);
  EXPECT_LT(shown.milliseconds, 5000u) << "some 0.5 s";
}

}  // namespace
