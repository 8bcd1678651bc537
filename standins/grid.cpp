#include "grid.h"

#include <window.h>

#include <olectl.h>

#include <algorithm>

using standins::GridCells;
using standins::TheGridJournal;

namespace standins {

constexpr const wchar_t* kGridSource = L"WQStandins.Grid";

GridJournal::GridJournal() : recorder({L"Create", L"Advise"}, false) {}

GridJournal& TheGridJournal() {
  static GridJournal journal;
  return journal;
}

// ---------------------------------------------------------------- GridCells

// A new grid has the control's default shape: 50 rows, 10 columns, one fixed of each.
GridCells::GridCells() {
  SetColCount(10);
  SetRowCount(50);
}

void GridCells::SetRowCount(long count) {
  rows_.resize(static_cast<size_t>(std::max(count, 0L)));
  for (Row& row : rows_) row.cells.resize(columns_.size());
}

void GridCells::SetColCount(long count) {
  columns_.resize(static_cast<size_t>(std::max(count, 0L)));
  for (Row& row : rows_) row.cells.resize(columns_.size());
}

long GridCells::CheckState(long row, long col) const {
  if (!HasCell(row, col)) return kNoCheckbox;
  const Cell& cell = rows_[row].cells[col];
  if (cell.checked >= 0) return cell.checked;
  const bool plainRow = row >= fixedRows && col >= fixedCols && !rows_[row].subtotal;
  return plainRow && columns_[col].type == kTypeBoolean ? kUnchecked : kNoCheckbox;
}

void GridCells::InsertRow(long before, const std::wstring& tabbedTexts) {
  Row row;
  row.cells.resize(columns_.size());
  size_t start = 0;
  for (size_t col = 0; col < row.cells.size(); ++col) {
    const size_t tab = tabbedTexts.find(L'\t', start);
    row.cells[col].text = tabbedTexts.substr(start, tab - start);
    if (tab == std::wstring::npos) break;
    start = tab + 1;
  }
  rows_.insert(rows_.begin() + std::clamp(before, 0L, RowCount()), std::move(row));
}

void GridCells::RemoveRow(long row) { rows_.erase(rows_.begin() + row); }

bool GridCells::Toggle(long row, long col) {
  const long state = CheckState(row, col);
  if (state == kNoCheckbox) return false;
  CellAt(row, col).checked = state == kChecked ? kUnchecked : kChecked;
  return true;
}

std::wstring GridCells::Contents() const {
  std::wstring text;
  for (const Row& row : rows_) {
    if (!text.empty()) text += L"\n";
    if (row.subtotal) text += L"+";
    if (row.level) text += std::to_wstring(row.level) + L":";
    for (size_t col = 0; col < row.cells.size(); ++col) {
      const Cell& cell = row.cells[col];
      if (col) text += L"|";
      text += cell.bold && !cell.text.empty() ? L"*" + cell.text + L"*" : cell.text;
      const long state = CheckState(static_cast<long>(&row - rows_.data()), static_cast<long>(col));
      if (state != kNoCheckbox) text += state == kChecked ? L"[x]" : L"[ ]";
    }
  }
  return text;
}

}  // namespace standins

// ---------------------------------------------------------------- events

// The grid's one connection point, for its event interface. It refers to its grid without
// a reference: the grid owns it and outlives every call made through the grid.
class GridConnectionPoint : public plat::Implements<GridConnectionPoint, IConnectionPoint> {
 public:
  explicit GridConnectionPoint(IConnectionPointContainer* container) : container_(container) {}

  STDMETHOD(GetConnectionInterface)(IID* iid) override {
    if (!iid) return E_POINTER;
    *iid = DIID__IStandinGridEvents;
    return S_OK;
  }
  STDMETHOD(GetConnectionPointContainer)(IConnectionPointContainer** container) override {
    if (!container) return E_POINTER;
    *container = container_;
    if (container_) container_->AddRef();
    return container_ ? S_OK : E_UNEXPECTED;
  }
  STDMETHOD(Advise)(IUnknown* sink, DWORD* cookie) override {
    if (cookie) *cookie = 0;
    if (!sink || !cookie) return E_POINTER;
    return TheGridJournal().recorder.Run(L"Advise", L"Advise", standins::kGridSource, [&] {
      plat::com_ptr<IDispatch> dispatch;
      if (FAILED(sink->QueryInterface(DIID__IStandinGridEvents, dispatch.put_void())))
        return CONNECT_E_CANNOTCONNECT;
      sinks_.emplace_back(++lastCookie_, std::move(dispatch));
      *cookie = lastCookie_;
      return S_OK;
    });
  }
  STDMETHOD(Unadvise)(DWORD cookie) override {
    const auto found = std::find_if(sinks_.begin(), sinks_.end(),
                                    [cookie](const auto& sink) { return sink.first == cookie; });
    if (found == sinks_.end()) return CONNECT_E_NOCONNECTION;
    sinks_.erase(found);
    return S_OK;
  }
  STDMETHOD(EnumConnections)(IEnumConnections** connections) override {
    if (connections) *connections = nullptr;
    return E_NOTIMPL;
  }

  // Calls every sink; arguments in declaration order.
  void Fire(DISPID id, std::vector<VARIANT> args) {
    std::reverse(args.begin(), args.end());
    DISPPARAMS params{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
    // A sink may unadvise while it is called.
    const auto sinks = sinks_;
    for (const auto& sink : sinks)
      sink.second->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr,
                          nullptr, nullptr);
  }

  void Detach() noexcept {
    container_ = nullptr;
    sinks_.clear();
  }

 private:
  IConnectionPointContainer* container_;
  std::vector<std::pair<DWORD, plat::com_ptr<IDispatch>>> sinks_;
  DWORD lastCookie_ = 0;
};

namespace {

constexpr wchar_t kGridWindowClass[] = L"WQStandinGrid";
constexpr DISPID kBeforeEdit = 21;
constexpr DISPID kAfterEdit = 24;

VARIANT LongValue(long value) {
  VARIANT v;
  V_VT(&v) = VT_I4;
  V_I4(&v) = value;
  return v;
}

// An optional cell index: given, or `fallback` when omitted.
HRESULT IndexArgument(const VARIANT& arg, long fallback, long* index) {
  if (V_VT(&arg) == VT_ERROR || V_VT(&arg) == VT_EMPTY) {
    *index = fallback;
    return S_OK;
  }
  plat::unique_variant converted;
  PLAT_RETURN_IF_FAILED(VariantChangeType(&converted, const_cast<VARIANT*>(&arg), 0, VT_I4));
  *index = V_I4(&converted);
  return S_OK;
}

HRESULT BadIndex() {
  return standins::RaiseError(E_INVALIDARG, L"Subscript out of range", standins::kGridSource);
}

}  // namespace

// ---------------------------------------------------------------- the control

VsFlexGridN::VsFlexGridN() = default;

VsFlexGridN::~VsFlexGridN() {
  if (events_) events_->Detach();
  if (hwnd_) DestroyWindow(hwnd_);
}

HRESULT VsFlexGridN::FinalConstruct() noexcept {
  const HRESULT hr = TheGridJournal().recorder.Run(L"Create", L"Create", standins::kGridSource,
                                                   [] { return S_OK; });
  if (FAILED(hr)) return hr;
  try {
    events_ = plat::make<GridConnectionPoint>(static_cast<IConnectionPointContainer*>(this));
  } catch (...) {
    return plat::to_hresult();
  }
  return S_OK;
}

void* VsFlexGridN::FindInterface(REFIID riid) noexcept {
  if (riid == IID_IOleWindow) return static_cast<IOleInPlaceObject*>(this);
  if (riid == IID_IPersist) return static_cast<IPersistStreamInit*>(this);
  if (riid == IID_IProvideClassInfo) return static_cast<IProvideClassInfo2*>(this);
  return Implements::FindInterface(riid);
}

HRESULT VsFlexGridN::Put(const wchar_t* name, const std::wstring& arguments) {
  TheGridJournal().recorder.Record(std::wstring(name) + L"(" + arguments + L")");
  return S_OK;
}

HRESULT VsFlexGridN::CheckRow(long row) const { return cells_.HasRow(row) ? S_OK : BadIndex(); }

HRESULT VsFlexGridN::CheckColumn(long col) const {
  return cells_.HasColumn(col) ? S_OK : BadIndex();
}

void VsFlexGridN::Redraw() const {
  if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
}

// The plain settings: stored, recorded, shown where the stand-in draws them.
#define GRID_LONG_PROPERTY(Name, read, write)            \
  STDMETHODIMP VsFlexGridN::get_##Name(LONG* value) {    \
    if (!value) return E_POINTER;                        \
    *value = read;                                       \
    return S_OK;                                         \
  }                                                      \
  STDMETHODIMP VsFlexGridN::put_##Name(LONG value) try { \
    Put(L"put_" #Name, std::to_wstring(value));          \
    write;                                               \
    Redraw();                                            \
    return S_OK;                                         \
  }                                                      \
  PLAT_CATCH_RETURN()

GRID_LONG_PROPERTY(Rows, cells_.RowCount(), cells_.SetRowCount(value))
GRID_LONG_PROPERTY(Cols, cells_.ColCount(), cells_.SetColCount(value))
GRID_LONG_PROPERTY(FixedRows, cells_.fixedRows, cells_.fixedRows = value)
GRID_LONG_PROPERTY(FixedCols, cells_.fixedCols, cells_.fixedCols = value)
GRID_LONG_PROPERTY(BackColor, backColor_, backColor_ = value)
GRID_LONG_PROPERTY(SelectionMode, selectionMode_, selectionMode_ = value)
GRID_LONG_PROPERTY(FocusRect, focusRect_, focusRect_ = value)
GRID_LONG_PROPERTY(GridLines, gridLines_, gridLines_ = value)
GRID_LONG_PROPERTY(ScrollBars, scrollBars_, scrollBars_ = value)
GRID_LONG_PROPERTY(OutlineBar, outlineBar_, outlineBar_ = value)
GRID_LONG_PROPERTY(Editable, editable_, editable_ = value)

#undef GRID_LONG_PROPERTY

// The settings of one row or column, indexed by its position.
#define GRID_INDEXED_PROPERTY(Name, Type, Check, read, write)                    \
  STDMETHODIMP VsFlexGridN::get_##Name(LONG index, Type* value) {                \
    if (!value) return E_POINTER;                                                \
    PLAT_RETURN_IF_FAILED(Check(index));                                         \
    *value = read;                                                               \
    return S_OK;                                                                 \
  }                                                                              \
  STDMETHODIMP VsFlexGridN::put_##Name(LONG index, Type value) try {             \
    Put(L"put_" #Name, std::to_wstring(index) + L", " + std::to_wstring(value)); \
    PLAT_RETURN_IF_FAILED(Check(index));                                         \
    write;                                                                       \
    Redraw();                                                                    \
    return S_OK;                                                                 \
  }                                                                              \
  PLAT_CATCH_RETURN()

GRID_INDEXED_PROPERTY(ColWidth, LONG, CheckColumn, cells_.ColumnAt(index).width,
                      cells_.ColumnAt(index).width = value)
GRID_INDEXED_PROPERTY(ColDataType, LONG, CheckColumn, cells_.ColumnAt(index).type,
                      cells_.ColumnAt(index).type = value)
GRID_INDEXED_PROPERTY(IsSubtotal, VARIANT_BOOL, CheckRow,
                      cells_.RowAt(index).subtotal ? VARIANT_TRUE : VARIANT_FALSE,
                      cells_.RowAt(index).subtotal = value != VARIANT_FALSE)
GRID_INDEXED_PROPERTY(RowOutlineLevel, SHORT, CheckRow, cells_.RowAt(index).level,
                      cells_.RowAt(index).level = value)

#undef GRID_INDEXED_PROPERTY

STDMETHODIMP VsFlexGridN::get_TextMatrix(LONG row, LONG col, BSTR* text) try {
  if (!text) return E_POINTER;
  *text = nullptr;
  if (!cells_.HasCell(row, col)) return BadIndex();
  return standins::CopyToBstr(cells_.CellAt(row, col).text, text);
}
PLAT_CATCH_RETURN()

STDMETHODIMP VsFlexGridN::put_TextMatrix(LONG row, LONG col, BSTR text) try {
  Put(L"put_TextMatrix",
      std::to_wstring(row) + L", " + std::to_wstring(col) + L", " + standins::Quoted(text));
  if (!cells_.HasCell(row, col)) return BadIndex();
  cells_.CellAt(row, col).text = standins::Text(text);
  Redraw();
  return S_OK;
}
PLAT_CATCH_RETURN()

STDMETHODIMP VsFlexGridN::get_Cell(LONG setting, VARIANT row1, VARIANT col1, VARIANT, VARIANT,
                                   VARIANT* value) try {
  if (!value) return E_POINTER;
  VariantInit(value);
  long row = 0, col = 0;
  PLAT_RETURN_IF_FAILED(IndexArgument(row1, 0, &row));
  PLAT_RETURN_IF_FAILED(IndexArgument(col1, 0, &col));
  if (!cells_.HasCell(row, col)) return BadIndex();
  const GridCells::Cell& cell = cells_.CellAt(row, col);
  switch (setting) {
    case GridCells::kSettingText:
      V_VT(value) = VT_BSTR;
      return standins::CopyToBstr(cell.text, &V_BSTR(value));
    case GridCells::kSettingAlignment: *value = LongValue(cell.alignment); return S_OK;
    case GridCells::kSettingChecked: *value = LongValue(cells_.CheckState(row, col)); return S_OK;
    case GridCells::kSettingBold:
      V_VT(value) = VT_BOOL;
      V_BOOL(value) = cell.bold ? VARIANT_TRUE : VARIANT_FALSE;
      return S_OK;
    default:
      return standins::RaiseError(E_INVALIDARG, L"The stand-in serves no such cell setting",
                                  standins::kGridSource);
  }
}
PLAT_CATCH_RETURN()

STDMETHODIMP VsFlexGridN::put_Cell(LONG setting, VARIANT row1, VARIANT col1, VARIANT row2,
                                   VARIANT col2, VARIANT value) try {
  long r1 = 0, c1 = 0, r2 = 0, c2 = 0;
  PLAT_RETURN_IF_FAILED(IndexArgument(row1, 0, &r1));
  PLAT_RETURN_IF_FAILED(IndexArgument(col1, 0, &c1));
  PLAT_RETURN_IF_FAILED(IndexArgument(row2, r1, &r2));
  PLAT_RETURN_IF_FAILED(IndexArgument(col2, c1, &c2));
  Put(L"put_Cell", std::to_wstring(setting) + L", " + std::to_wstring(r1) + L", " +
                       std::to_wstring(c1) + L", " + std::to_wstring(r2) + L", " +
                       std::to_wstring(c2) + L", " + standins::TypedValue(value));
  if (!cells_.HasCell(std::min(r1, r2), std::min(c1, c2)) ||
      !cells_.HasCell(std::max(r1, r2), std::max(c1, c2)))
    return BadIndex();
  plat::unique_variant converted;
  const VARTYPE type = setting == GridCells::kSettingText   ? VT_BSTR
                       : setting == GridCells::kSettingBold ? VT_BOOL
                                                            : VT_I4;
  PLAT_RETURN_IF_FAILED(VariantChangeType(&converted, &value, 0, type));
  for (long row = std::min(r1, r2); row <= std::max(r1, r2); ++row) {
    for (long col = std::min(c1, c2); col <= std::max(c1, c2); ++col) {
      GridCells::Cell& cell = cells_.CellAt(row, col);
      switch (setting) {
        case GridCells::kSettingText: cell.text = standins::Text(V_BSTR(&converted)); break;
        case GridCells::kSettingAlignment: cell.alignment = V_I4(&converted); break;
        case GridCells::kSettingChecked: cell.checked = V_I4(&converted); break;
        case GridCells::kSettingBold: cell.bold = V_BOOL(&converted) != VARIANT_FALSE; break;
        default:
          return standins::RaiseError(E_INVALIDARG, L"The stand-in serves no such cell setting",
                                      standins::kGridSource);
      }
    }
  }
  Redraw();
  return S_OK;
}
PLAT_CATCH_RETURN()

STDMETHODIMP VsFlexGridN::AddItem(BSTR item, VARIANT index) try {
  Put(L"AddItem", standins::Quoted(item));
  long before = cells_.RowCount();
  PLAT_RETURN_IF_FAILED(IndexArgument(index, before, &before));
  if (before < 0 || before > cells_.RowCount()) return BadIndex();
  cells_.InsertRow(before, standins::Text(item));
  Redraw();
  return S_OK;
}
PLAT_CATCH_RETURN()

STDMETHODIMP VsFlexGridN::RemoveItem(VARIANT index) try {
  long row = cells_.RowCount() - 1;
  PLAT_RETURN_IF_FAILED(IndexArgument(index, row, &row));
  Put(L"RemoveItem", std::to_wstring(row));
  PLAT_RETURN_IF_FAILED(CheckRow(row));
  cells_.RemoveRow(row);
  Redraw();
  return S_OK;
}
PLAT_CATCH_RETURN()

// ---------------------------------------------------------------- the user's side

STDMETHODIMP VsFlexGridN::ClickCell(LONG row, LONG col) try {
  if (!cells_.HasCell(row, col) || row < cells_.fixedRows || col < cells_.fixedCols)
    return BadIndex();
  // The grid is held across the events: a page may let it go while it reacts.
  plat::com_ptr<IStandinGrid> self(this);
  VARIANT_BOOL cancel = VARIANT_FALSE;
  VARIANT cancelArg;
  V_VT(&cancelArg) = VT_BOOL | VT_BYREF;
  V_BOOLREF(&cancelArg) = &cancel;
  events_->Fire(kBeforeEdit, {LongValue(row), LongValue(col), cancelArg});
  if (cancel != VARIANT_FALSE) return S_FALSE;
  cells_.Toggle(row, col);
  Redraw();
  events_->Fire(kAfterEdit, {LongValue(row), LongValue(col)});
  return S_OK;
}
PLAT_CATCH_RETURN()

STDMETHODIMP VsFlexGridN::Contents(BSTR* text) try {
  if (!text) return E_POINTER;
  *text = nullptr;
  return standins::CopyToBstr(cells_.Contents(), text);
}
PLAT_CATCH_RETURN()

// ---------------------------------------------------------------- OLE control

STDMETHODIMP VsFlexGridN::SetClientSite(IOleClientSite* site) {
  site_ = plat::com_ptr<IOleClientSite>(site);
  if (!site) inPlaceSite_.reset();
  return S_OK;
}

STDMETHODIMP VsFlexGridN::GetClientSite(IOleClientSite** site) { return site_.copy_to(site); }

STDMETHODIMP VsFlexGridN::Close(DWORD) { return InPlaceDeactivate(); }

STDMETHODIMP VsFlexGridN::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent,
                                 LPCRECT rect) {
  switch (verb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_INPLACEACTIVATE:
    case OLEIVERB_UIACTIVATE: return Activate(site ? site : site_.get(), parent, rect);
    case OLEIVERB_HIDE:
      if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
      return S_OK;
    default: return OLEOBJ_S_INVALIDVERB;
  }
}

HRESULT VsFlexGridN::Activate(IOleClientSite* site, HWND parent, LPCRECT rect) {
  if (hwnd_) return S_OK;
  if (!site) return E_UNEXPECTED;
  plat::com_ptr<IOleInPlaceSite> inPlace;
  PLAT_RETURN_IF_FAILED(site->QueryInterface(IID_IOleInPlaceSite, inPlace.put_void()));
  if (inPlace->CanInPlaceActivate() != S_OK) return E_FAIL;
  PLAT_RETURN_IF_FAILED(inPlace->OnInPlaceActivate());
  HWND window = nullptr;
  PLAT_RETURN_IF_FAILED(inPlace->GetWindow(&window));
  plat::com_ptr<IOleInPlaceFrame> frame;
  plat::com_ptr<IOleInPlaceUIWindow> document;
  RECT position{}, clip{};
  OLEINPLACEFRAMEINFO frameInfo{sizeof(frameInfo)};
  PLAT_RETURN_IF_FAILED(
      inPlace->GetWindowContext(frame.put(), document.put(), &position, &clip, &frameInfo));
  if (rect) position = *rect;

  WNDCLASSEXW windowClass{sizeof(windowClass)};
  windowClass.lpfnWndProc = &VsFlexGridN::WindowProc;
  windowClass.hInstance = plat::module().GetInstance();
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kGridWindowClass;
  RegisterClassExW(&windowClass);
  hwnd_ = CreateWindowExW(
      WS_EX_CLIENTEDGE, kGridWindowClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP,
      position.left, position.top, position.right - position.left, position.bottom - position.top,
      parent ? parent : window, nullptr, plat::module().GetInstance(), this);
  if (!hwnd_) return plat::hresult_from_last_error();
  inPlaceSite_ = std::move(inPlace);
  return S_OK;
}

STDMETHODIMP VsFlexGridN::GetUserClassID(CLSID* clsid) {
  if (!clsid) return E_POINTER;
  *clsid = __uuidof(VsFlexGridN);
  return S_OK;
}

STDMETHODIMP VsFlexGridN::SetExtent(DWORD aspect, SIZEL* size) {
  if (!size) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  extent_ = *size;
  return S_OK;
}

STDMETHODIMP VsFlexGridN::GetExtent(DWORD aspect, SIZEL* size) {
  if (!size) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  *size = extent_;
  return S_OK;
}

STDMETHODIMP VsFlexGridN::GetWindow(HWND* hwnd) {
  if (!hwnd) return E_POINTER;
  *hwnd = hwnd_;
  return hwnd_ ? S_OK : E_FAIL;
}

STDMETHODIMP VsFlexGridN::InPlaceDeactivate() {
  if (HWND hwnd = std::exchange(hwnd_, nullptr)) DestroyWindow(hwnd);
  if (plat::com_ptr<IOleInPlaceSite> site = std::move(inPlaceSite_)) site->OnInPlaceDeactivate();
  return S_OK;
}

STDMETHODIMP VsFlexGridN::SetObjectRects(LPCRECT position, LPCRECT) {
  if (!position) return E_POINTER;
  if (hwnd_)
    MoveWindow(hwnd_, position->left, position->top, position->right - position->left,
               position->bottom - position->top, TRUE);
  return S_OK;
}

STDMETHODIMP VsFlexGridN::EnumConnectionPoints(IEnumConnectionPoints** points) {
  if (points) *points = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP VsFlexGridN::FindConnectionPoint(REFIID riid, IConnectionPoint** point) {
  if (!point) return E_POINTER;
  *point = nullptr;
  if (riid != DIID__IStandinGridEvents) return CONNECT_E_NOCONNECTION;
  if (!events_) return E_UNEXPECTED;
  *point = events_.get();
  (*point)->AddRef();
  return S_OK;
}

// ---------------------------------------------------------------- window

int VsFlexGridN::RowHeight(HDC dc) const {
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  return std::max<int>(metrics.tmHeight + 4, 17);
}

int VsFlexGridN::ColumnPixels(long col) const {
  const long twips = cells_.ColumnAt(col).width;
  if (twips < 0) return 64;
  plat::WindowDC screen(nullptr);
  return MulDiv(twips, GetDeviceCaps(screen, LOGPIXELSX), 1440);
}

void VsFlexGridN::Paint(HDC dc) {
  RECT client{};
  GetClientRect(hwnd_, &client);
  plat::unique_hgdiobj background(CreateSolidBrush(static_cast<COLORREF>(backColor_)));
  FillRect(dc, &client, static_cast<HBRUSH>(background.get()));
  HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  LOGFONTW bold{};
  GetObjectW(font, sizeof bold, &bold);
  bold.lfWeight = FW_BOLD;
  plat::unique_hfont boldFont(CreateFontIndirectW(&bold));
  plat::SelectObjectScope selected(dc, font);
  SetBkMode(dc, TRANSPARENT);
  const int height = RowHeight(dc);
  for (long row = 0; row < cells_.RowCount(); ++row) {
    int left = 0;
    const int top = static_cast<int>(row) * height;
    for (long col = 0; col < cells_.ColCount(); ++col) {
      RECT cell{left, top, left + ColumnPixels(col), top + height};
      left = cell.right;
      if (row < cells_.fixedRows || col < cells_.fixedCols)
        FillRect(dc, &cell, GetSysColorBrush(COLOR_BTNFACE));
      FrameRect(dc, &cell, GetSysColorBrush(COLOR_BTNSHADOW));
      const GridCells::Cell& data = cells_.CellAt(row, col);
      const long state = cells_.CheckState(row, col);
      if (state != GridCells::kNoCheckbox) {
        const int size = std::min<int>(13, height - 4);
        RECT box{(cell.left + cell.right - size) / 2, (cell.top + cell.bottom - size) / 2, 0, 0};
        box.right = box.left + size;
        box.bottom = box.top + size;
        DrawFrameControl(
            dc, &box, DFC_BUTTON,
            DFCS_BUTTONCHECK | DFCS_FLAT | (state == GridCells::kChecked ? DFCS_CHECKED : 0));
      }
      if (!data.text.empty()) {
        plat::SelectObjectScope weight(dc, data.bold ? boldFont.get() : nullptr);
        RECT text = cell;
        InflateRect(&text, -3, 0);
        DrawTextW(dc, data.text.c_str(), static_cast<int>(data.text.size()), &text,
                  DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS |
                      (data.alignment == 4 ? DT_CENTER : DT_LEFT));
      }
    }
  }
}

void VsFlexGridN::OnClick(int x, int y) {
  plat::WindowDC dc(hwnd_);
  plat::SelectObjectScope selected(dc, GetStockObject(DEFAULT_GUI_FONT));
  const long row = y / RowHeight(dc);
  long col = 0;
  for (int left = 0; col < cells_.ColCount(); ++col) {
    left += ColumnPixels(col);
    if (x < left) break;
  }
  if (cells_.HasCell(row, col) && row >= cells_.fixedRows && col >= cells_.fixedCols)
    ClickCell(row, col);
}

LRESULT CALLBACK VsFlexGridN::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<VsFlexGridN*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_PAINT:
      if (self) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(hwnd, &paint);
        self->Paint(dc);
        EndPaint(hwnd, &paint);
        return 0;
      }
      break;
    case WM_ERASEBKGND: return 1;
    case WM_LBUTTONDOWN:
      SetFocus(hwnd);
      if (self)
        self->OnClick(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
      return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS;
    case WM_NCDESTROY: SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0); break;
    default: break;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}
