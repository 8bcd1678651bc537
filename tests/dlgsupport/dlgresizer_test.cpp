// The resizer: its arithmetic on plain rectangles, then a resizable dialog dragged to new
// sizes. Pixel sizes come from the dialog itself (Wine substitutes fonts).
#include <gtest/gtest.h>

#include <dlgresizer.h>
#include <window.h>

#include <memory>

#include "dialogdriver.h"
#include "testdialogs.h"

namespace {

using wqtest::DialogScript;
using wqtest::DialogView;

bool operator==(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }
int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

TEST(ResizeArithmetic, AnchorsAgainstAParentGrownTo150x200Percent) {
  const ResizeChange change = ComputeResizeChange({0, 0, 200, 100}, {50, 50, 350, 250});
  const UINT kStretchX = RESIZE_ANCHOR_LEFT | RESIZE_ANCHOR_RIGHT;
  const UINT kStretchY = RESIZE_ANCHOR_TOP | RESIZE_ANCHOR_BOTTOM;
  const struct {
    UINT horizontal, vertical;
    RECT expected;
  } cases[] = {
      {0, 0, {15, 40, 75, 80}},
      {kStretchX, kStretchY, {10, 20, 150, 140}},
      {RESIZE_ANCHOR_RIGHT, RESIZE_ANCHOR_BOTTOM, {15, 40, 150, 140}},
      {RESIZE_KEEP_WIDTH | RESIZE_ANCHOR_RIGHT,
       RESIZE_KEEP_HEIGHT | RESIZE_ANCHOR_BOTTOM,
       {110, 120, 150, 140}},
      {RESIZE_KEEP_WIDTH | RESIZE_ANCHOR_LEFT,
       RESIZE_KEEP_HEIGHT | RESIZE_ANCHOR_TOP,
       {10, 20, 50, 40}},
      {RESIZE_KEEP_WIDTH, RESIZE_KEEP_HEIGHT, {15, 40, 55, 60}},
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(ComputeAnchoredRect({10, 20, 50, 40}, c.horizontal, c.vertical, change) ==
                c.expected)
        << "flags " << c.horizontal << "/" << c.vertical;
  }
}

// Scaled edges truncate toward zero; a parent captured without a width or height scales
// by 1 instead of sending its children to infinity.
TEST(ResizeArithmetic, TruncationAndEmptyParents) {
  const ResizeChange half = ComputeResizeChange({0, 0, 2, 2}, {0, 0, 3, 3});
  EXPECT_TRUE(ComputeAnchoredRect({-3, -1, 3, 1}, 0, 0, half) == (RECT{-4, -1, 4, 1}));
  const ResizeChange empty = ComputeResizeChange({10, 10, 10, 10}, {0, 0, 300, 200});
  EXPECT_TRUE(ComputeAnchoredRect({5, 5, 20, 20}, 0, RESIZE_ANCHOR_BOTTOM, empty) ==
              (RECT{5, 5, 20, 220}));
}

class ResizeDlg : public plat::DialogImpl<ResizeDlg> {
 public:
  static constexpr UINT IDD = IDD_RESIZE;
  static constexpr auto GetMessageMap() {
    return plat::MessageMap{plat::OnMessage(WM_INITDIALOG, &ResizeDlg::OnInitDialog),
                            plat::OnMessage(WM_SIZE, &ResizeDlg::OnSize),
                            plat::OnCommand(IDOK, BN_CLICKED, &ResizeDlg::OnOK)};
  }
  explicit ResizeDlg(int startTop = 100) : startTop_(startTop) {}

 private:
  LRESULT OnInitDialog() {
    SetWindowPos(nullptr, 100, startTop_, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    resizer_.Attach(hwnd());
    resizer_.SetControlAnchor(IDC_NAME, RESIZE_ANCHOR_LEFT | RESIZE_ANCHOR_RIGHT,
                              RESIZE_KEEP_HEIGHT | RESIZE_ANCHOR_TOP);
    resizer_.SetControlAnchor(IDC_LIST, RESIZE_ANCHOR_LEFT | RESIZE_ANCHOR_RIGHT,
                              RESIZE_ANCHOR_TOP | RESIZE_ANCHOR_BOTTOM);
    resizer_.SetControlAnchor(IDOK, RESIZE_KEEP_WIDTH | RESIZE_ANCHOR_RIGHT,
                              RESIZE_KEEP_HEIGHT | RESIZE_ANCHOR_BOTTOM);
    return TRUE;
  }
  void OnSize() { resizer_.Layout(); }
  void OnOK() { EndDialog(IDOK); }

  CDlgResizer resizer_;
  int startTop_;
};

struct Placement {
  RECT client, list, ok, note;
};

Placement Measure(const DialogView& view) {
  return {plat::Window(view.hwnd()).GetClientRect(), view.ClientRect(IDC_LIST),
          view.ClientRect(IDOK), view.ClientRect(IDC_NOTE)};
}

void GrowBy(const DialogView& view, int dx, int dy) {
  const RECT r = view.ScreenRect();
  plat::Window(view.hwnd()).ResizeWindow(Width(r) + dx, Height(r) + dy);
}

// Grows the dialog: the stretched list and the button in the corner follow; shrunk back,
// every child is where it was captured.
void GrowAndShrinkBack(ResizeDlg& dlg, int dx, int dy) {
  wqtest::DialogDriver driver;
  auto was = std::make_shared<Placement>();
  driver.Expect(DialogScript()
                    .Inspect([=](DialogView& view) {
                      *was = Measure(view);
                      GrowBy(view, dx, dy);
                      const Placement now = Measure(view);
                      EXPECT_TRUE(now.list == (RECT{was->list.left, was->list.top,
                                                    was->list.right + dx, was->list.bottom + dy}));
                      RECT ok = was->ok;
                      OffsetRect(&ok, now.client.right - was->client.right,
                                 now.client.bottom - was->client.bottom);
                      EXPECT_TRUE(now.ok == ok);
                    })
                    .Inspect([=](DialogView& view) {
                      GrowBy(view, -dx, -dy);
                      const Placement now = Measure(view);
                      EXPECT_TRUE(now.list == was->list && now.ok == was->ok &&
                                  now.note == was->note);
                    })
                    .Click(IDOK));
  EXPECT_EQ(dlg.DoModal(nullptr, GetModuleHandleW(nullptr)), IDOK);
}

TEST(CDlgResizer, AnchoredChildrenFollowTheParent) {
  ResizeDlg dlg;
  GrowAndShrinkBack(dlg, 120, 80);
}

// Above the primary screen, coordinates are negative: no sign of a missing rectangle.
TEST(CDlgResizer, ParentAboveTheScreenTopStillLaysOut) {
  ResizeDlg dlg(-600);
  GrowAndShrinkBack(dlg, 60, 30);
}

}  // namespace
