// Where the number format controls put their child windows for a client size: the
// integer control's two check boxes side by side or stacked, the real control's parts in
// one column, two columns or one row. Sizes and positions are in pixels; no control
// changes its size.
#pragma once

#include <windows.h>

namespace wqc {

// The position of the plus-sign box; the descriptive-text box stays at (0, 0). Beside it
// when the client is wider, relative to the boxes, than it is high; else below it.
POINT IntegerSignBoxPosition(SIZE client, SIZE descriptive, SIZE sign);

enum class RealArrangement { kOneColumn, kTwoColumns, kOneRow };

struct RealLayoutSizes {
  SIZE combo;
  SIZE precisionEdit;  // with its up-down control, as the template made it
  SIZE precisionLabel;
  SIZE exponentEdit;
  SIZE exponentLabel;
  SIZE descriptive;
  SIZE sign;
};

// The combo box stays at (0, 0).
struct RealLayout {
  RealArrangement arrangement;
  POINT precisionEdit;
  POINT precisionLabel;
  POINT exponentEdit;
  POINT exponentLabel;
  POINT descriptive;
  POINT sign;
};

RealLayout LayoutRealFormatCtl(SIZE client, const RealLayoutSizes& sizes);

}  // namespace wqc
