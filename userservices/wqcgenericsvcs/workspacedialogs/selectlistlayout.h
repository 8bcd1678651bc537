// The arithmetic that fits a selection dialog to its items: the list grows to its widest
// and tallest text within a third of the screen, the controls around it follow, and the
// dialog stays on the screen.
#pragma once

#include <windows.h>

struct SelectListLayoutInput {
  // The rectangles as the template laid them out, all in screen coordinates. The check
  // boxes are empty rectangles in the dialogs without them.
  RECT dialog, find, list, ok, cancel, onlyEditable, onlySummaries;
  int textWidth;    // the widest item text + 8, or 0 without items
  int textHeight;   // the item height times the number of items
  SIZE scrollBars;  // width of a vertical, height of a horizontal scroll bar
  SIZE edges;       // the 3-D border of the list
  SIZE screen;
  // The project-summary box is hidden and its row is given back to the dialog.
  bool collapseSummaryRow;
};

struct SelectListLayout {
  // The new rectangles, in screen coordinates: the controls relative to the dialog where
  // it stood before the layout, the dialog where it ends up.
  RECT dialog, find, list, ok, cancel, onlyEditable, onlySummaries;
  int horizontalExtent;  // the list's scroll extent: the widest text, never negative
};

SelectListLayout ComputeSelectListLayout(const SelectListLayoutInput& in) noexcept;
