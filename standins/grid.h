// The grid control's stand-in ("VsFlexGrid8.VsFlexGridN"): an ActiveX control with the
// members the role and member pages use, activated in place by any container, painting its
// cells and check boxes, and firing BeforeEdit and AfterEdit when a cell is clicked.
// "WQStandins.GridControl" scripts failures and reads the record of every grid.
#pragma once

#include <dispatch.h>

#include <ocidl.h>
#include <oleidl.h>

#include <string>
#include <utility>
#include <vector>

#include "WQStandins.h"
#include "olecontrol.h"
#include "recordercontrol.h"

namespace standins {

struct GridJournal {
  GridJournal();
  Recorder recorder;
};

GridJournal& TheGridJournal();

class GridControlBase : public RecorderControl<IWQStandinGridControl> {
 protected:
  Recorder& GetRecorder() override { return TheGridJournal().recorder; }
  void ResetAll() noexcept override { TheGridJournal().recorder.Clear(); }
};

// The cells of a grid and their rules, apart from its COM and window sides.
class GridCells {
 public:
  enum : long { kNoCheckbox = 0, kChecked = 1, kUnchecked = 2 };
  enum : long { kTypeString = 8, kTypeBoolean = 11 };
  enum : long { kSettingText = 0, kSettingAlignment = 2, kSettingChecked = 5, kSettingBold = 13 };

  struct Cell {
    std::wstring text;
    long checked = -1;  // -1: as the column's type gives it
    bool bold = false;
    long alignment = 0;
  };
  struct Row {
    std::vector<Cell> cells;
    bool subtotal = false;
    short level = 0;
  };
  struct Column {
    long width = -1;  // twips
    long type = 0;
  };

  GridCells();

  long RowCount() const { return static_cast<long>(rows_.size()); }
  long ColCount() const { return static_cast<long>(columns_.size()); }
  void SetRowCount(long count);
  void SetColCount(long count);
  bool HasCell(long row, long col) const { return HasRow(row) && HasColumn(col); }
  bool HasRow(long row) const { return row >= 0 && row < RowCount(); }
  bool HasColumn(long col) const { return col >= 0 && col < ColCount(); }

  Row& RowAt(long row) { return rows_[row]; }
  Column& ColumnAt(long col) { return columns_[col]; }
  const Column& ColumnAt(long col) const { return columns_[col]; }
  Cell& CellAt(long row, long col) { return rows_[row].cells[col]; }
  const Cell& CellAt(long row, long col) const { return rows_[row].cells[col]; }
  // The check box a cell shows: one set for it, else that of a boolean column's plain row.
  long CheckState(long row, long col) const;

  void InsertRow(long before, const std::wstring& tabbedTexts);
  void RemoveRow(long row);

  // Toggles a cell's check box; false when it has none.
  bool Toggle(long row, long col);
  std::wstring Contents() const;

  long fixedRows = 1;
  long fixedCols = 1;

 private:
  std::vector<Row> rows_;
  std::vector<Column> columns_;
};

}  // namespace standins

class GridControl : public plat::Implements<GridControl, standins::GridControlBase,
                                            plat::SupportErrorInfo<IWQStandinGridControl>> {};

class GridConnectionPoint;

class VsFlexGridN
    : public plat::Implements<VsFlexGridN, plat::Dispatch<IStandinGrid>, IWQStandinGridUser,
                              standins::OleObjectDefaults, IOleInPlaceObject, IPersistStreamInit,
                              IConnectionPointContainer,
                              plat::ProvideClassInfo2<VsFlexGridN, &DIID__IStandinGridEvents>,
                              plat::SupportErrorInfo<IStandinGrid>> {
 public:
  VsFlexGridN();
  ~VsFlexGridN() override;
  // The "Create" step: a scripted failure ends the creation.
  HRESULT FinalConstruct() noexcept;
  void* FindInterface(REFIID riid) noexcept;

  // IStandinGrid
  STDMETHOD(get_Rows)(LONG* rows) override;
  STDMETHOD(put_Rows)(LONG rows) override;
  STDMETHOD(get_Cols)(LONG* cols) override;
  STDMETHOD(put_Cols)(LONG cols) override;
  STDMETHOD(get_FixedRows)(LONG* rows) override;
  STDMETHOD(put_FixedRows)(LONG rows) override;
  STDMETHOD(get_FixedCols)(LONG* cols) override;
  STDMETHOD(put_FixedCols)(LONG cols) override;
  STDMETHOD(get_BackColor)(LONG* color) override;
  STDMETHOD(put_BackColor)(LONG color) override;
  STDMETHOD(get_SelectionMode)(LONG* mode) override;
  STDMETHOD(put_SelectionMode)(LONG mode) override;
  STDMETHOD(get_FocusRect)(LONG* mode) override;
  STDMETHOD(put_FocusRect)(LONG mode) override;
  STDMETHOD(get_GridLines)(LONG* mode) override;
  STDMETHOD(put_GridLines)(LONG mode) override;
  STDMETHOD(get_ScrollBars)(LONG* mode) override;
  STDMETHOD(put_ScrollBars)(LONG mode) override;
  STDMETHOD(get_OutlineBar)(LONG* mode) override;
  STDMETHOD(put_OutlineBar)(LONG mode) override;
  STDMETHOD(get_Editable)(LONG* mode) override;
  STDMETHOD(put_Editable)(LONG mode) override;
  STDMETHOD(get_ColWidth)(LONG col, LONG* width) override;
  STDMETHOD(put_ColWidth)(LONG col, LONG width) override;
  STDMETHOD(get_ColDataType)(LONG col, LONG* type) override;
  STDMETHOD(put_ColDataType)(LONG col, LONG type) override;
  STDMETHOD(get_TextMatrix)(LONG row, LONG col, BSTR* text) override;
  STDMETHOD(put_TextMatrix)(LONG row, LONG col, BSTR text) override;
  STDMETHOD(get_Cell)
  (LONG setting, VARIANT row1, VARIANT col1, VARIANT row2, VARIANT col2, VARIANT* value) override;
  STDMETHOD(put_Cell)
  (LONG setting, VARIANT row1, VARIANT col1, VARIANT row2, VARIANT col2, VARIANT value) override;
  STDMETHOD(get_IsSubtotal)(LONG row, VARIANT_BOOL* subtotal) override;
  STDMETHOD(put_IsSubtotal)(LONG row, VARIANT_BOOL subtotal) override;
  STDMETHOD(get_RowOutlineLevel)(LONG row, SHORT* level) override;
  STDMETHOD(put_RowOutlineLevel)(LONG row, SHORT level) override;
  STDMETHOD(AddItem)(BSTR item, VARIANT index) override;
  STDMETHOD(RemoveItem)(VARIANT index) override;

  // IWQStandinGridUser
  STDMETHOD(ClickCell)(LONG row, LONG col) override;
  STDMETHOD(Contents)(BSTR* text) override;

  // IOleObject
  STDMETHOD(SetClientSite)(IOleClientSite* site) override;
  STDMETHOD(GetClientSite)(IOleClientSite** site) override;
  STDMETHOD(Close)(DWORD) override;
  STDMETHOD(DoVerb)
  (LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent, LPCRECT rect) override;
  STDMETHOD(GetUserClassID)(CLSID* clsid) override;
  STDMETHOD(SetExtent)(DWORD aspect, SIZEL* size) override;
  STDMETHOD(GetExtent)(DWORD aspect, SIZEL* size) override;

  // IOleInPlaceObject
  STDMETHOD(GetWindow)(HWND* hwnd) override;
  STDMETHOD(ContextSensitiveHelp)(BOOL) override { return E_NOTIMPL; }
  STDMETHOD(InPlaceDeactivate)() override;
  STDMETHOD(UIDeactivate)() override { return S_OK; }
  STDMETHOD(SetObjectRects)(LPCRECT position, LPCRECT clip) override;
  STDMETHOD(ReactivateAndUndo)() override { return E_NOTIMPL; }

  // IPersistStreamInit
  STDMETHOD(GetClassID)(CLSID* clsid) override { return GetUserClassID(clsid); }
  STDMETHOD(IsDirty)() override { return S_FALSE; }
  STDMETHOD(Load)(LPSTREAM) override { return S_OK; }
  STDMETHOD(Save)(LPSTREAM, BOOL) override { return S_OK; }
  STDMETHOD(GetSizeMax)(ULARGE_INTEGER*) override { return E_NOTIMPL; }
  STDMETHOD(InitNew)() override { return S_OK; }

  // IConnectionPointContainer
  STDMETHOD(EnumConnectionPoints)(IEnumConnectionPoints** points) override;
  STDMETHOD(FindConnectionPoint)(REFIID riid, IConnectionPoint** point) override;

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  HRESULT Activate(IOleClientSite* site, HWND parent, LPCRECT rect);
  void Paint(HDC dc);
  void OnClick(int x, int y);
  int RowHeight(HDC dc) const;
  int ColumnPixels(long col) const;
  HRESULT Put(const wchar_t* name, const std::wstring& arguments);
  HRESULT CheckRow(long row) const;
  HRESULT CheckColumn(long col) const;
  void Redraw() const;

  standins::GridCells cells_;
  LONG backColor_ = 0xFFFFFF;
  LONG selectionMode_ = 0, focusRect_ = 1, gridLines_ = 1, scrollBars_ = 3, outlineBar_ = 0,
       editable_ = 0;
  SIZEL extent_{2540, 2540};
  plat::com_ptr<IOleClientSite> site_;
  plat::com_ptr<IOleInPlaceSite> inPlaceSite_;
  plat::com_ptr<GridConnectionPoint> events_;
  HWND hwnd_ = nullptr;
};
