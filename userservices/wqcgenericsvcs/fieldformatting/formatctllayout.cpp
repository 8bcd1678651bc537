#include "formatctllayout.h"

namespace wqc {

namespace {

// How many times `needed` goes into `available`; nothing needed fits anywhere.
double Ratio(LONG available, LONG needed) {
  return needed > 0 ? static_cast<double>(available) / needed : 1e9;
}

// The real control's test of fit leaves a little room to spare.
double Fit(LONG available, LONG needed) { return 1.05 * Ratio(available, needed); }

}  // namespace

POINT IntegerSignBoxPosition(SIZE client, SIZE descriptive, SIZE sign) {
  const double xRatio = Ratio(client.cx, descriptive.cx + sign.cx + 5);
  const double yRatio = Ratio(client.cy, descriptive.cy + sign.cy + 5);
  if (xRatio > yRatio) return {descriptive.cx + 5, 0};
  return {0, descriptive.cy + 5};
}

RealLayout LayoutRealFormatCtl(SIZE client, const RealLayoutSizes& s) {
  const LONG cw = s.combo.cx, ch = s.combo.cy;
  // A group is an edit, 5 pixels and its label, as high as the edit.
  const LONG pw = s.precisionEdit.cx + 5 + s.precisionLabel.cx, ph = s.precisionEdit.cy;
  const LONG ew = s.exponentEdit.cx + 5 + s.exponentLabel.cx, eh = s.exponentEdit.cy;
  const LONG dw = s.descriptive.cx, dh = s.descriptive.cy;
  const LONG sw = s.sign.cx, sh = s.sign.cy;

  const double rowX = Fit(client.cx, cw + pw + ew + dw + sw + 20);
  const double colY = Fit(client.cy, ch + ph + eh + dh + sh + 20);
  const double pairX = Fit(client.cx, cw + dw + 5);
  const double pairY = Fit(client.cy, ch + ph + eh + 10);

  RealLayout layout{};
  if (rowX < 1) {
    layout.arrangement =
        (colY < 1 || pairX >= 1) ? RealArrangement::kTwoColumns : RealArrangement::kOneColumn;
  } else {
    layout.arrangement = pairY >= 1 ? RealArrangement::kTwoColumns : RealArrangement::kOneRow;
  }

  if (layout.arrangement == RealArrangement::kOneRow) {
    layout.precisionEdit = {cw + 5, 0};
    layout.precisionLabel = {cw + 10 + s.precisionEdit.cx, 0};
    layout.exponentEdit = {cw + 10 + pw, 0};
    layout.exponentLabel = {cw + pw + 15 + s.exponentEdit.cx, 0};
    layout.descriptive = {cw + pw + ew + 15, 0};
    layout.sign = {cw + pw + ew + dw + 20, 0};
    return layout;
  }
  layout.precisionEdit = {0, ch + 5};
  layout.precisionLabel = {s.precisionEdit.cx + 5, ch + 5};
  layout.exponentEdit = {0, ch + 10 + ph};
  layout.exponentLabel = {s.exponentEdit.cx + 5, ch + 10 + ph};
  if (layout.arrangement == RealArrangement::kOneColumn) {
    layout.descriptive = {0, ch + ph + eh + 15};
    layout.sign = {0, ch + ph + eh + dh + 20};
  } else {
    layout.descriptive = {cw + 5, 0};
    layout.sign = {cw + 5, dh + 5};
  }
  return layout;
}

}  // namespace wqc
