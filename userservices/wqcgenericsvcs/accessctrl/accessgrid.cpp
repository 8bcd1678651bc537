#include "accessgrid.h"

#include <conversion.h>
#include <variantutil.h>
#include <window.h>

#include "wqcomexception.h"

namespace {

constexpr wchar_t kGridProgId[] = L"VsFlexGrid8.VsFlexGridN";
// The grid's automation interface.
constexpr IID kGridIid = {
    0x99B81306, 0xF18F, 0x4C28, {0x88, 0x01, 0xEC, 0x96, 0x76, 0x76, 0x2E, 0x88}};

constexpr DISPID kBeforeEdit = 21;
constexpr DISPID kAfterEdit = 24;

constexpr long kSettingAlignment = 2;
constexpr long kSettingChecked = 5;
constexpr long kSettingBold = 13;

}  // namespace

void AccessGrid::Check(HRESULT hr, const wchar_t* member) {
  if (SUCCEEDED(hr)) return;
  WQComException error;
  error = hr;
  error.ThrowHrAt(WQ_HERE, hr, L"The grid control failed at %ls", member);
}

HRESULT AccessGrid::Create(HWND page, const RECT& rect, UINT id) {
  const HRESULT hr = CreateGrid(page, rect, id);
  // A grid the page cannot follow is not shown: its checks would count for nothing.
  if (FAILED(hr)) Destroy();
  return hr;
}

HRESULT AccessGrid::CreateGrid(HWND page, const RECT& rect, UINT id) {
  PLAT_RETURN_IF_FAILED(host_.Create(
      page, rect, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP, id, kGridProgId));
  plat::com_ptr<IDispatch> grid;
  PLAT_RETURN_IF_FAILED(host_.QueryControl(kGridIid, grid.put_void()));
  try {
    sink_ = plat::DispEventSink::Create(this);
  } catch (...) {
    return plat::to_hresult();
  }
  // Without its events the grid would let category rows and names be edited.
  PLAT_RETURN_IF_FAILED(sink_->Connect(grid.get()));
  grid_ = plat::LateBound(std::move(grid));
  return S_OK;
}

void AccessGrid::Destroy() noexcept {
  if (sink_) sink_->Disconnect();
  sink_.reset();
  grid_.reset();
  host_.Destroy();
}

long AccessGrid::ListWidthTwips(HWND host) {
  const RECT client = plat::Window(host).GetClientRect();
  const long pixels =
      client.right - client.left - GetSystemMetrics(SM_CXVSCROLL) - 2 * GetSystemMetrics(SM_CXEDGE);
  plat::WindowDC screen(nullptr);
  return pixels * 1440 / GetDeviceCaps(screen, LOGPIXELSX);
}

void AccessGrid::OnEvent(DISPID id, DISPPARAMS& params) {
  if (!events_) return;
  const long row = plat::LongArgAt(params, 0);
  const long col = plat::LongArgAt(params, 1);
  if (id == kAfterEdit) {
    events_->OnAfterEdit(row, col);
    return;
  }
  if (id != kBeforeEdit) return;
  bool cancel = false;
  events_->OnBeforeEdit(row, col, cancel);
  if (!cancel) return;
  // The flag comes by reference, as a boolean or inside a VARIANT.
  const VARIANT* flag = plat::ArgAt(params, 2);
  if (!flag || !(V_VT(flag) & VT_BYREF)) return;
  VARIANT* target = const_cast<VARIANT*>(VariantReferent(*flag));
  if (!target) return;
  if (V_VT(target) == (VT_BOOL | VT_BYREF)) {
    if (V_BOOLREF(target)) *V_BOOLREF(target) = VARIANT_TRUE;
  } else if (target != flag) {
    VariantClear(target);
    V_VT(target) = VT_BOOL;
    V_BOOL(target) = VARIANT_TRUE;
  }
}

long AccessGrid::GetLong(const wchar_t* name, std::initializer_list<plat::Arg> indices) {
  plat::unique_variant value;
  Check(grid_.Get(name, value.put(), indices), name);
  Check(plat::ChangeType(&value, value, VT_I4), name);
  return V_I4(&value);
}

long AccessGrid::Rows() { return GetLong(L"Rows", {}); }

void AccessGrid::SetRows(long rows) { Check(grid_.Put(L"Rows", rows), L"Rows"); }

void AccessGrid::SetCols(long cols) { Check(grid_.Put(L"Cols", cols), L"Cols"); }

void AccessGrid::SetSetting(const wchar_t* name, long value) {
  Check(grid_.Put(name, value), name);
}

void AccessGrid::SetListAppearance(long fixedRows) {
  SetSetting(L"BackColor", 0xFFFFFF);
  SetSetting(L"FixedRows", fixedRows);
  SetSetting(L"FixedCols", 0);
  SetSetting(L"SelectionMode", 0);
  SetSetting(L"FocusRect", 0);
  SetSetting(L"GridLines", 1);
  SetSetting(L"ScrollBars", 2);
  SetSetting(L"OutlineBar", 0);
  SetSetting(L"Editable", 2);
}

void AccessGrid::SetColWidth(long col, long twips) {
  Check(grid_.PutIndexed(L"ColWidth", {col}, twips), L"ColWidth");
}

void AccessGrid::SetColDataType(long col, long type) {
  Check(grid_.PutIndexed(L"ColDataType", {col}, type), L"ColDataType");
}

void AccessGrid::AddItem(const wchar_t* text) {
  Check(grid_.Call(L"AddItem", nullptr, {text}), L"AddItem");
}

void AccessGrid::RemoveItem(long row) {
  Check(grid_.Call(L"RemoveItem", nullptr, {row}), L"RemoveItem");
}

std::wstring AccessGrid::TextMatrix(long row, long col) {
  plat::unique_variant text;
  Check(grid_.Get(L"TextMatrix", text.put(), {row, col}), L"TextMatrix");
  Check(VariantChangeType(&text, &text, 0, VT_BSTR), L"TextMatrix");
  return std::wstring(V_BSTR(&text) ? V_BSTR(&text) : L"", SysStringLen(V_BSTR(&text)));
}

void AccessGrid::SetTextMatrix(long row, long col, const wchar_t* text) {
  Check(grid_.PutIndexed(L"TextMatrix", {row, col}, text), L"TextMatrix");
}

void AccessGrid::PutCell(long setting, long row1, long col1, long row2, long col2,
                         const plat::Arg& value) {
  Check(grid_.PutIndexed(L"Cell", {setting, row1, col1, row2, col2}, value), L"Cell");
}

long AccessGrid::CheckState(long row, long col) {
  return GetLong(L"Cell", {kSettingChecked, row, col, row, col});
}

void AccessGrid::SetCheckState(long row, long col, long state) {
  PutCell(kSettingChecked, row, col, row, col, state);
}

void AccessGrid::SetCellBold(long row, long col) {
  PutCell(kSettingBold, row, col, row, col, true);
}

void AccessGrid::SetAlignment(long row1, long col1, long row2, long col2, long alignment) {
  PutCell(kSettingAlignment, row1, col1, row2, col2, alignment);
}

void AccessGrid::SetIsSubtotal(long row) {
  Check(grid_.PutIndexed(L"IsSubtotal", {row}, true), L"IsSubtotal");
}

long AccessGrid::RowOutlineLevel(long row) { return GetLong(L"RowOutlineLevel", {row}); }

void AccessGrid::SetRowOutlineLevel(long row, long level) {
  Check(grid_.PutIndexed(L"RowOutlineLevel", {row}, level), L"RowOutlineLevel");
}
