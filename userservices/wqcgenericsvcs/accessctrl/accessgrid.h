// AccessGrid: the grid control "VsFlexGrid8.VsFlexGridN" hosted on a role or member page,
// with the few members the pages use called late-bound by name, and its BeforeEdit and
// AfterEdit events handed to the page. Every call raises its failure as a WQComException.
#pragma once

#include <axhost.h>
#include <latebound.h>

#include <string>

class AccessGrid : private plat::DispEventHandler {
 public:
  enum : long { kNoCheckbox = 0, kChecked = 1, kUnchecked = 2 };
  enum : long { kTypeString = 8, kTypeBoolean = 11 };
  enum : long { kAlignCenterCenter = 4 };

  class Events {
   public:
    // A cell is about to be edited; set `cancel` to refuse it.
    virtual void OnBeforeEdit(long row, long col, bool& cancel) = 0;
    virtual void OnAfterEdit(long row, long col) = 0;

   protected:
    ~Events() = default;
  };

  explicit AccessGrid(Events* events) noexcept : events_(events) {}
  AccessGrid(const AccessGrid&) = delete;
  AccessGrid& operator=(const AccessGrid&) = delete;
  ~AccessGrid() { Destroy(); }

  // Creates the host window over `rect` of `page` and the grid in it, and connects the
  // events. The HRESULT says why there is no grid (and then no host window either).
  HRESULT Create(HWND page, const RECT& rect, UINT id);
  void Destroy() noexcept;
  bool Exists() const noexcept { return static_cast<bool>(grid_); }
  HWND HostWindow() const noexcept { return host_.hwnd(); }

  // The width of the list in twips: the host's client width without the vertical scroll
  // bar and the two edges, at the screen's resolution.
  static long ListWidthTwips(HWND host);

  long Rows();
  void SetRows(long rows);
  void SetCols(long cols);
  // A plain white list: `fixedRows` heading rows, no fixed column, free selection, no
  // focus rectangle, flat lines, a vertical scroll bar, no outline bar, and cells edited
  // by keyboard and mouse.
  void SetListAppearance(long fixedRows);
  void SetColWidth(long col, long twips);
  void SetColDataType(long col, long type);
  void AddItem(const wchar_t* text);
  void RemoveItem(long row);
  std::wstring TextMatrix(long row, long col);
  void SetTextMatrix(long row, long col, const wchar_t* text);
  long CheckState(long row, long col);
  void SetCheckState(long row, long col, long state);
  void SetCellBold(long row, long col);
  void SetAlignment(long row1, long col1, long row2, long col2, long alignment);
  void SetIsSubtotal(long row);
  long RowOutlineLevel(long row);
  void SetRowOutlineLevel(long row, long level);

 private:
  static void Check(HRESULT hr, const wchar_t* member);
  HRESULT CreateGrid(HWND page, const RECT& rect, UINT id);
  void SetSetting(const wchar_t* name, long value);
  void OnEvent(DISPID id, DISPPARAMS& params) override;
  void PutCell(long setting, long row1, long col1, long row2, long col2, const plat::Arg& value);
  long GetLong(const wchar_t* name, std::initializer_list<plat::Arg> indices);

  Events* events_;
  plat::AxHost host_;
  plat::LateBound grid_;
  plat::com_ptr<plat::DispEventSink> sink_;
};
