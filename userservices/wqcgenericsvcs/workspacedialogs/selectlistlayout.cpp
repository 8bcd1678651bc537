#include "selectlistlayout.h"

#include <algorithm>

namespace {

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

// The list's new extent along one axis: what the text wants, never below the template's
// size, never above a third of the screen.
int FitExtent(int wanted, int current, int screen) {
  return std::min(std::max(wanted, current), screen / 3);
}

}  // namespace

SelectListLayout ComputeSelectListLayout(const SelectListLayoutInput& in) noexcept {
  SelectListLayout out{in.dialog, in.find,         in.list,          in.ok,
                       in.cancel, in.onlyEditable, in.onlySummaries, 0};

  const int wantedWidth = in.textWidth + in.scrollBars.cx + 2 * in.edges.cx;
  const int wantedHeight = in.textHeight + in.scrollBars.cy + 2 * in.edges.cy;
  const int width = FitExtent(wantedWidth, Width(in.list), in.screen.cx);
  const int height = FitExtent(wantedHeight, Height(in.list), in.screen.cy);
  // An empty list has no text to scroll to: its extent stays 0 rather than -8.
  out.horizontalExtent = std::max(in.textWidth - 8, 0);

  const int dx = width - Width(in.list);
  const int dy = height - Height(in.list);
  out.list.right = out.list.left + width;
  out.list.bottom = out.list.top + height;
  out.find.right += dx;
  OffsetRect(&out.ok, dx / 2, dy);
  OffsetRect(&out.cancel, dx / 2, dy);
  OffsetRect(&out.onlyEditable, 0, dy);
  OffsetRect(&out.onlySummaries, 0, dy);
  out.dialog.right += dx;
  out.dialog.bottom += dy;

  if (in.collapseSummaryRow) {
    const int row = in.onlySummaries.top - in.onlyEditable.top;
    OffsetRect(&out.ok, 0, -row);
    OffsetRect(&out.cancel, 0, -row);
    out.dialog.bottom -= row;
  }

  if (out.dialog.right > in.screen.cx) OffsetRect(&out.dialog, in.screen.cx - out.dialog.right, 0);
  if (out.dialog.bottom > in.screen.cy)
    OffsetRect(&out.dialog, 0, in.screen.cy - out.dialog.bottom);
  return out;
}
