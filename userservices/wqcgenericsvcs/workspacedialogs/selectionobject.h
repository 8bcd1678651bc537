// What the selection objects share: the properties every one of them has, the item and
// selection accessors, the ShowDialog skeleton and the load that adds to the item list.
//
//   class WQCSelectUnitSetDlg
//       : public SelectionObject<WQCSelectUnitSetDlg, IWQCSelectUnitSetDlg, SortedItems<>> {
//    public:
//     static constexpr auto kLoadItems = &IWQCSelectUnitSetDlg::LoadOptions;
//     WQCSelectUnitSetDlg() : SelectionObject(L"Select Unit Set") {}
//     HRESULT RunDialog(HWND owner, bool& chosen) { return RunNameDialog(owner, nullptr, chosen); }
//     ...the class's own accessors, one line each over GetItem and GetSelected...
//   };
//
// The selection holds positions in the item list, resolved from the rows the user chose
// when OK was pressed, so later changes of filters or loads cannot make them point
// elsewhere. The objects keep no error object: they return HRESULTs directly.
#pragma once

#include <dispatch.h>
#include <handles.h>
#include <wqcomexception.h>

#include "selectiondlgs.h"
#include "selectionitems.h"
#include "workspace/selectionload.h"

template <class Derived, class Interface, class Items>
class SelectionObject : public plat::DualImplements<Derived, Interface> {
 public:
  // Only VARIANT_TRUE asks for the multiple-selection dialog.
  STDMETHOD(put_MultiSelect)(VARIANT_BOOL value) override {
    multiSelect_ = value;
    return S_OK;
  }

  STDMETHOD(put_Title)(BSTR value) override try {
    WQ_BARE_METHOD();
    title_ = plat::unique_bstr::copy(value);
    return S_OK;
  }
  PLAT_CATCH_RETURN()

  STDMETHOD(get_SelectionCount)(long* count) override {
    WQ_BARE_METHOD();
    if (!count) return E_POINTER;
    *count = selection_.GetCount();
    return S_OK;
  }

  // Loads the items first when there are none; the HRESULT is the load's.
  STDMETHOD(ShowDialog)
  (IDispatch* pWorkspace, LONGLONG lParentHWnd, VARIANT_BOOL* pbDialogOK) override try {
    WQ_BARE_METHOD();
    if (!pbDialogOK) return E_POINTER;
    *pbDialogOK = VARIANT_FALSE;
    HWND owner = nullptr;
    PLAT_RETURN_IF_FAILED(OwnerWindow(lParentHWnd, &owner));
    HRESULT hr = S_OK;
    if (items_.GetCount() == 0) {
      hr = (static_cast<Interface*>(this)->*Derived::kLoadItems)(pWorkspace);
      if (FAILED(hr)) return hr;
    }
    bool chosen = false;
    PLAT_RETURN_IF_FAILED(static_cast<Derived*>(this)->RunDialog(owner, chosen));
    if (chosen) *pbDialogOK = VARIANT_TRUE;
    return hr;
  }
  PLAT_CATCH_RETURN()

 protected:
  explicit SelectionObject(const wchar_t* title) : title_(plat::unique_bstr::copy(title)) {}

  bool IsMultiSelect() const { return multiSelect_ == VARIANT_TRUE; }

  HRESULT GetItemCount(long* count) const {
    if (!count) return E_POINTER;
    *count = items_.GetCount();
    return S_OK;
  }

  // The `index`-th item's (1-based) value in `column`; out of range leaves *out alone.
  template <class Column, class T>
  HRESULT GetItem(const Column& column, long index, T* out) const {
    if (!out) return E_POINTER;
    if (index < 1 || index > items_.GetCount()) return E_INVALIDARG;
    return CopyOut(column[index - 1], out);
  }

  // A flag of the `index`-th item (1-based) as VARIANT_TRUE or VARIANT_FALSE; an index out
  // of range leaves VARIANT_TRUE.
  HRESULT GetItemFlag(const WQArray<BYTE>& column, long index, VARIANT_BOOL* out) const {
    if (!out) return E_POINTER;
    *out = VARIANT_TRUE;
    return GetItem(column, index, out);
  }

  enum class OnFailure { Clear, Keep };
  // The value in `column` of the `index`-th selected item (1-based).
  template <class Column, class T>
  HRESULT GetSelected(const Column& column, long index, T* out, OnFailure onFailure) const {
    if (!out) return E_POINTER;
    if (onFailure == OnFailure::Clear) *out = T{};
    if (index < 1 || index > selection_.GetCount()) return E_INVALIDARG;
    return CopyOut(column[selection_[index - 1]], out);
  }

  HRESULT GetSelectionXml(const WQArray<LONG>& keys, BSTR* xml) const {
    if (!xml) return E_POINTER;
    *xml = nullptr;
    return SelectionXml(selection_, keys, xml);
  }

  // The common load: what the reply holds joins the items, all of it or, when the load
  // fails, none; loads never clear.
  HRESULT LoadItems(IDispatch* workspace, const wchar_t* method, const WriteListRequest& write,
                    SAXSchemaParser& parser) {
    return items_.EndLoad(RequestList(workspace, method, write, parser), &selection_);
  }

  // SingleSelectDlg or MultiSelectDlg over the names; negative keys mark restricted items.
  HRESULT RunNameDialog(HWND owner, const WQArray<LONG>* keys, bool& chosen) {
    if (IsMultiSelect()) {
      MultiSelectDlg dialog(items_.GetNames(), keys);
      dialog.SetTitle(title_.get());
      return RunSelectionDialog(dialog, owner, chosen);
    }
    SingleSelectDlg dialog(items_.GetNames(), keys);
    dialog.SetTitle(title_.get());
    return RunSelectionDialog(dialog, owner, chosen);
  }

  // The flags an object dialog filters by (1 = yes). With is-datasheet flags the dialog
  // shows its project-summary box.
  struct ObjectFlags {
    const WQArray<BYTE>& editable;
    const WQArray<BYTE>* isDatasheet = nullptr;
    const WQArray<BYTE>* isProjectSummary = nullptr;
  };
  // The states of the filter boxes: given to the dialog, and taken back after a choice.
  struct ObjectFilters {
    VARIANT_BOOL onlyEditable = VARIANT_FALSE;
    VARIANT_BOOL onlyProjectSummaries = VARIANT_TRUE;
  };

  // SelectObjectDlg under the title, or SelectObjectsDlg under `multiTitle`.
  HRESULT RunObjectDialog(HWND owner, const wchar_t* multiTitle, const ObjectFlags& flags,
                          ObjectFilters& filters, bool& chosen) {
    if (IsMultiSelect()) {
      SelectObjectsDlg dialog(items_.GetNames(), flags.editable, flags.isDatasheet,
                              flags.isProjectSummary);
      dialog.SetTitle(multiTitle);
      return RunFilteredDialog(dialog, owner, flags, filters, chosen);
    }
    SelectObjectDlg dialog(items_.GetNames(), flags.editable, flags.isDatasheet,
                           flags.isProjectSummary);
    dialog.SetTitle(title_.get());
    return RunFilteredDialog(dialog, owner, flags, filters, chosen);
  }

  template <class Dialog>
  HRESULT RunFilteredDialog(Dialog& dialog, HWND owner, const ObjectFlags& flags,
                            ObjectFilters& filters, bool& chosen) {
    dialog.SetShowProjectSummaryBox(flags.isDatasheet != nullptr);
    dialog.SetOnlyEditable(filters.onlyEditable != VARIANT_FALSE);
    dialog.SetOnlyProjectSummaries(filters.onlyProjectSummaries != VARIANT_FALSE);
    PLAT_RETURN_IF_FAILED(RunSelectionDialog(dialog, owner, chosen));
    if (chosen) {
      filters.onlyEditable = dialog.GetOnlyEditable() ? VARIANT_TRUE : VARIANT_FALSE;
      filters.onlyProjectSummaries =
          dialog.GetOnlyProjectSummaries() ? VARIANT_TRUE : VARIANT_FALSE;
    }
    return S_OK;
  }

  // Runs `dialog`; after OK with something chosen, its items become the selection.
  template <class Dialog>
  HRESULT RunSelectionDialog(Dialog& dialog, HWND owner, bool& chosen) {
    chosen = false;
    const INT_PTR result = dialog.DoModal(owner);
    if (result == -1) return DialogFailure(dialog.HandlerError());
    if (result != IDOK) return S_OK;
    WQArray<LONG> items;
    dialog.GetSelectedItems(items);
    if (items.GetCount() == 0) return S_OK;
    selection_.MoveFrom(items);
    chosen = true;
    return S_OK;
  }

  Items items_;
  WQArray<LONG> selection_;  // positions in items_
  VARIANT_BOOL multiSelect_ = VARIANT_FALSE;
  plat::unique_bstr title_;
};
