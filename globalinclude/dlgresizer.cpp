#include "dlgresizer.h"

#include <window.h>

namespace {

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

double Scale(int now, int initial) {
  return initial > 0 ? static_cast<double>(now) / initial : 1.0;
}

int Scaled(LONG value, double scale) { return static_cast<int>(value * scale); }

struct AxisFlags {
  UINT anchorNear, anchorFar, keepSize;
};
constexpr AxisFlags kHorizontal{RESIZE_ANCHOR_LEFT, RESIZE_ANCHOR_RIGHT, RESIZE_KEEP_WIDTH};
constexpr AxisFlags kVertical{RESIZE_ANCHOR_TOP, RESIZE_ANCHOR_BOTTOM, RESIZE_KEEP_HEIGHT};

struct Edges {
  LONG nearEdge, farEdge;
};

// One axis: the near edge (left or top) and the far edge (right or bottom).
Edges PlaceEdges(LONG nearEdge, LONG farEdge, UINT flags, const AxisFlags& axis, int delta,
                 double scale) {
  Edges out;
  if (flags & axis.anchorNear)
    out.nearEdge = nearEdge;
  else if ((flags & axis.keepSize) && (flags & axis.anchorFar))
    out.nearEdge = nearEdge + delta;
  else
    out.nearEdge = Scaled(nearEdge, scale);

  if (flags & axis.anchorFar)
    out.farEdge = farEdge + delta;
  else if (flags & axis.keepSize)
    out.farEdge = out.nearEdge + (farEdge - nearEdge);
  else
    out.farEdge = Scaled(farEdge, scale);
  return out;
}

}  // namespace

ResizeChange ComputeResizeChange(const RECT& initial, const RECT& current) noexcept {
  return ResizeChange{Scale(Width(current), Width(initial)),
                      Scale(Height(current), Height(initial)), Width(current) - Width(initial),
                      Height(current) - Height(initial)};
}

RECT ComputeAnchoredRect(const RECT& r, UINT horizontal, UINT vertical,
                         const ResizeChange& change) noexcept {
  const Edges x = PlaceEdges(r.left, r.right, horizontal, kHorizontal, change.dx, change.xScale);
  const Edges y = PlaceEdges(r.top, r.bottom, vertical, kVertical, change.dy, change.yScale);
  return RECT{x.nearEdge, y.nearEdge, x.farEdge, y.farEdge};
}

void CDlgResizer::Attach(HWND parent) {
  parent_ = parent;
  if (!IsWindow(parent_)) return;
  TakeInitialRect();
  CaptureChildren();
}

void CDlgResizer::TakeInitialRect() {
  initialRect_ = plat::Window(parent_).GetWindowRect();
  initialRectIconic_ = IsIconic(parent_) != FALSE;
}

void CDlgResizer::CaptureChildren() {
  items_.RemoveAll();
  if (!IsWindow(parent_)) return;
  for (HWND child = GetTopWindow(parent_); child; child = GetWindow(child, GW_HWNDNEXT))
    AddChild(child);
}

void CDlgResizer::AddChild(HWND child) {
  if (!parent_ || !child) return;
  RECT screen;
  if (!GetWindowRect(child, &screen)) return;
  items_.Add(Item{child, plat::Window(parent_).ScreenToClient(screen), 0, 0});
}

void CDlgResizer::SetControlAnchor(int controlId, UINT horizontal, UINT vertical) {
  SetWindowAnchor(GetDlgItem(parent_, controlId), horizontal, vertical);
}

BOOL CDlgResizer::SetWindowAnchor(HWND window, UINT horizontal, UINT vertical) {
  for (int i = 0; i < items_.GetCount(); ++i) {
    if (items_[i].window != window) continue;
    items_[i].horizontal = horizontal;
    items_[i].vertical = vertical;
    return TRUE;
  }
  return FALSE;
}

void CDlgResizer::Layout() {
  // A minimized parent has no layout to keep; its children come back on restoring.
  if (!IsWindow(parent_) || IsIconic(parent_)) return;
  if (initialRectIconic_) TakeInitialRect();
  const ResizeChange change =
      ComputeResizeChange(initialRect_, plat::Window(parent_).GetWindowRect());
  for (int i = 0; i < items_.GetCount(); ++i) {
    const Item& item = items_[i];
    plat::Window(item.window)
        .MoveWindow(ComputeAnchoredRect(item.rect, item.horizontal, item.vertical, change));
  }
}

bool CDlgResizer::ProcessWindowMessage(const plat::Message& m, LRESULT&) {
  if (m.msg == WM_SIZE) Layout();
  return false;
}
