#include "claimtest.h"

#include <wqcomexception.h>

namespace claimtest {

VARIANT Omitted() {
  VARIANT v;
  V_VT(&v) = VT_ERROR;
  V_ERROR(&v) = DISP_E_PARAMNOTFOUND;
  return v;
}

VARIANT Long(long value) {
  VARIANT v;
  V_VT(&v) = VT_I4;
  V_I4(&v) = value;
  return v;
}

plat::unique_variant Text(const wchar_t* text) {
  plat::unique_variant v;
  V_VT(&v) = VT_BSTR;
  V_BSTR(&v) = SysAllocString(text);
  return v;
}

std::wstring LastMessage(std::wstring* source) {
  plat::com_ptr<IErrorInfo> info;
  if (GetErrorInfo(0, info.put()) != S_OK || !info) return L"(no error info)";
  plat::unique_bstr description, src;
  info->GetDescription(description.put());
  info->GetSource(src.put());
  if (source) *source = src.c_str();
  plat::unique_bstr message;
  ExtractErrorDescription(description.get(), message.put());
  return message.c_str();
}

wqtest::DialogScript::Step ClickRow(int listId, int row, UINT code) {
  return [=](wqtest::DialogView& view) -> std::string {
    const plat::ListView list(view.Item(listId));
    if (!list.IsWindow() || !list.IsWindowVisible() || !list.IsWindowEnabled())
      return "list " + std::to_string(listId) + " cannot be clicked";
    if (row >= list.GetItemCount()) return "the list has no row " + std::to_string(row);
    list.SetFocus();
    list.SetItemState(-1, 0, LVIS_SELECTED);
    constexpr UINT kChosen = LVIS_SELECTED | LVIS_FOCUSED;
    if (row >= 0) list.SetItemState(row, kChosen, kChosen);
    NMITEMACTIVATE note{};
    note.hdr = {list.hwnd(), static_cast<UINT_PTR>(listId), code};
    note.iItem = row;
    SendMessageW(view.hwnd(), WM_NOTIFY, listId, reinterpret_cast<LPARAM>(&note));
    return std::string();
  };
}

wqtest::DialogScript::Step PressKey(int id, WORD key) {
  return [=](wqtest::DialogView& view) -> std::string {
    const plat::Window control(view.Item(id));
    if (!control.IsWindowEnabled()) return "control " + std::to_string(id) + " is disabled";
    control.SetFocus();
    control.SendMessage(WM_KEYDOWN, key, 1);
    control.SendMessage(WM_KEYUP, key, 0xC0000001);
    return std::string();
  };
}

Texts RowTexts(const wqtest::DialogView& view, int listId, int row, int columns) {
  const plat::ListView list(view.Item(listId));
  Texts texts;
  for (int column = 0; column < columns; ++column) texts.push_back(list.GetItemText(row, column));
  return texts;
}

int SelectedRow(const wqtest::DialogView& view, int listId) {
  return plat::ListView(view.Item(listId)).GetNextItem(-1, LVNI_SELECTED);
}

}  // namespace claimtest
