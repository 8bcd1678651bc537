// The fitting arithmetic on plain numbers, for the cases the driven dialogs cannot reach
// on one screen: odd and negative growth, and both screen edges at once.
#include <gtest/gtest.h>

#include "workspacedialogs/selectlistlayout.h"

namespace {

bool operator==(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }

RECT Offset(RECT r, int dx, int dy) {
  OffsetRect(&r, dx, dy);
  return r;
}

SelectListLayoutInput Template() {
  SelectListLayoutInput in{};
  in.dialog = {100, 100, 320, 420};
  in.find = {111, 130, 301, 150};
  in.list = {111, 152, 301, 320};  // 190 x 168
  in.onlyEditable = {111, 326, 236, 342};
  in.onlySummaries = {111, 346, 248, 362};
  in.ok = {124, 368, 199, 391};
  in.cancel = {212, 368, 287, 391};
  in.scrollBars = {17, 17};
  in.edges = {2, 2};
  in.screen = {1200, 900};
  return in;
}

TEST(SelectListLayout, GrowthMovesButtonsByHalfAndBoxesDown) {
  SelectListLayoutInput in = Template();
  in.textWidth = 180;   // wants 180 + 17 + 4 = 201: an odd dx of 11
  in.textHeight = 177;  // wants 198: dy = 30
  const SelectListLayout out = ComputeSelectListLayout(in);
  EXPECT_TRUE(out.list == (RECT{111, 152, 312, 350}));
  EXPECT_TRUE(out.find == (RECT{111, 130, 312, 150}));
  EXPECT_TRUE(out.ok == Offset(in.ok, 5, 30));
  EXPECT_TRUE(out.cancel == Offset(in.cancel, 5, 30));
  EXPECT_TRUE(out.onlyEditable == Offset(in.onlyEditable, 0, 30));
  EXPECT_TRUE(out.onlySummaries == Offset(in.onlySummaries, 0, 30));
  EXPECT_TRUE(out.dialog == (RECT{100, 100, 331, 450}));
}

// On a small screen the template's list is wider than a third: it shrinks, and the
// buttons move left by half the loss, rounded toward zero.
TEST(SelectListLayout, SmallScreenShrinksTheList) {
  SelectListLayoutInput in = Template();
  in.screen = {561, 1200};  // a third is 187: dx = -3
  const SelectListLayout out = ComputeSelectListLayout(in);
  EXPECT_EQ(out.list.right - out.list.left, 187);
  EXPECT_TRUE(out.ok == Offset(in.ok, -1, 0));
}

TEST(SelectListLayout, DialogPastTheScreenEdgesIsMovedBack) {
  SelectListLayoutInput in = Template();
  in.screen = {600, 420};
  in.textWidth = 200;   // capped at 200: dx = 10
  in.textHeight = 200;  // capped at 140: dy = -28
  const SelectListLayout out = ComputeSelectListLayout(in);
  EXPECT_TRUE(out.dialog == (RECT{100, 100, 330, 392}));

  in.dialog = Offset(in.dialog, 300, 40);  // grown: right 630, bottom 432
  const SelectListLayout moved = ComputeSelectListLayout(in);
  EXPECT_EQ(moved.dialog.right, 600);
  EXPECT_EQ(moved.dialog.bottom, 420);
  EXPECT_EQ(moved.dialog.right - moved.dialog.left, 230);
  EXPECT_EQ(moved.dialog.bottom - moved.dialog.top, 292);
}

}  // namespace
