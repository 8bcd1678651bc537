// Keeps the child controls of a resizable dialog or page in place as it is resized. The
// children are captured once, at attach time; every layout starts again from those
// rectangles, so repeated resizing never accumulates rounding. By default a child scales
// with the parent; its edges can instead be anchored to a side, or it can keep its size.
//
//   plat::Chain(&CMyDlg::resizer_),  // in the message map, ahead of any WM_SIZE handler
//   // In WM_INITDIALOG, once the children stand where they start:
//   resizer_.Attach(hwnd());
//   resizer_.SetControlAnchor(IDOK, RESIZE_KEEP_WIDTH | RESIZE_ANCHOR_RIGHT,
//                             RESIZE_KEEP_HEIGHT | RESIZE_ANCHOR_BOTTOM);
#pragma once

#include <windows.h>

#include <window.h>

#include "wqarray.h"

// Horizontal anchor flags.
constexpr UINT RESIZE_KEEP_WIDTH = 1;
constexpr UINT RESIZE_ANCHOR_LEFT = 2;
constexpr UINT RESIZE_ANCHOR_RIGHT = 4;
// Vertical anchor flags.
constexpr UINT RESIZE_KEEP_HEIGHT = 8;
constexpr UINT RESIZE_ANCHOR_TOP = 16;
constexpr UINT RESIZE_ANCHOR_BOTTOM = 32;

// How the parent's outer rectangle changed since the children were captured.
struct ResizeChange {
  double xScale, yScale;
  int dx, dy;
};

// A parent without width or height at capture time scales by 1 in that direction.
ResizeChange ComputeResizeChange(const RECT& initial, const RECT& current) noexcept;
// Where a child captured at `captured` goes for the change; scaled edges are truncated
// toward zero.
RECT ComputeAnchoredRect(const RECT& captured, UINT horizontal, UINT vertical,
                         const ResizeChange& change) noexcept;

class CDlgResizer {
 public:
  struct Item {
    HWND window;
    RECT rect;  // in the parent's client coordinates, as captured
    UINT horizontal;
    UINT vertical;
  };

  CDlgResizer() = default;
  CDlgResizer(const CDlgResizer&) = delete;
  CDlgResizer& operator=(const CDlgResizer&) = delete;

  // Takes the parent's rectangle and captures its children as they are laid out now.
  void Attach(HWND parent);
  // Captures the parent's direct children again, in their z-order, without anchors.
  void CaptureChildren();
  // Manages a child created after Attach, from where it stands now.
  void AddChild(HWND child);
  void SetControlAnchor(int controlId, UINT horizontal, UINT vertical);
  // FALSE for a window the resizer does not manage.
  BOOL SetWindowAnchor(HWND window, UINT horizontal, UINT vertical);
  // Moves every child for the parent's present size.
  void Layout();
  // Chained into the parent's message map: lays the children out on WM_SIZE and leaves the
  // message to the parent's own handlers (never reports it handled).
  bool ProcessWindowMessage(const plat::Message& m, LRESULT& result);

 private:
  void TakeInitialRect();

  WQArray<Item> items_;
  HWND parent_ = nullptr;
  RECT initialRect_{};
  // The rectangle was taken while the parent was minimized, so it holds the icon's
  // place rather than a size the children were laid out for.
  bool initialRectIconic_ = false;
};
