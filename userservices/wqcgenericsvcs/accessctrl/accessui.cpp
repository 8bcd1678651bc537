#include "accessui.h"

#include <commctrl.h>

#include <algorithm>

#include "accessctrl.h"
#include "modelessregistry.h"
#include "resources/resource.h"

void ShowIfFailed(HWND owner, HRESULT hr) {
  if (SUCCEEDED(hr)) return;
  WQComException error;
  error = hr;
  error.ShowError(owner);
}

AccountParts SplitAccountName(const wchar_t* name) {
  AccountParts parts;
  for (const wchar_t* p = name ? name : L""; *p; ++p) {
    if (*p == L'\\' || *p == L'/') {
      parts.domain = std::move(parts.user);
      parts.user.clear();
    } else {
      parts.user += *p;
    }
  }
  return parts;
}

void FillNameArray(WQComException& error, WQBstrSafeArray& array, const NameSet& names) {
  WQThrowIfFailed(error, array.Resize(static_cast<ULONG>(names.size()), 0));
  LONG index = 0;
  for (const std::wstring& name : names) WQThrowIfFailed(error, array.SetAt(index++, name.c_str()));
}

bool Contains(const std::vector<std::wstring>& names, const std::wstring& name) {
  return std::any_of(names.begin(), names.end(), [&name](const std::wstring& candidate) {
    return SameAccessName(candidate.c_str(), name.c_str());
  });
}

void InsertNames(const plat::ListView& list, std::vector<std::wstring> names) {
  // Wine's sorted list walks from its first item to the place of each new one: given from
  // the last in order to the first, every name stops at the top at once.
  std::stable_sort(names.begin(), names.end(), [](const std::wstring& a, const std::wstring& b) {
    return lstrcmpiW(a.c_str(), b.c_str()) > 0;
  });
  const plat::RedrawPause pause(list);
  for (const std::wstring& name : names) list.InsertItem(list.GetItemCount(), name.c_str(), 0);
}

HINSTANCE ResourceInstance() {
  HINSTANCE instance = plat::module().GetInstance();
  return instance ? instance : GetModuleHandleW(nullptr);
}

HIMAGELIST CreateUserImageList() {
  HIMAGELIST images = ImageList_Create(16, 16, ILC_COLOR, 2, 0);
  if (!images) return nullptr;
  ImageList_SetBkColor(images, RGB(255, 255, 255));
  if (HICON icon =
          static_cast<HICON>(LoadImageW(ResourceInstance(), MAKEINTRESOURCEW(IDI_ACCESSCONTROL),
                                        IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR))) {
    ImageList_AddIcon(images, icon);
    DestroyIcon(icon);
  }
  return images;
}

bool ModelessPageMessages::ProcessWindowMessage(const plat::Message& m, LRESULT& result) {
  switch (m.msg) {
    case WM_INITDIALOG: RegisterModelessWindow(m.hwnd, 0, nullptr); return false;
    case WM_DESTROY: UnregisterModelessWindow(m.hwnd); return false;
    case WM_COMMAND:
      if (LOWORD(m.wParam) != IDOK && LOWORD(m.wParam) != IDCANCEL) return false;
      result = 0;
      return true;
    default: return false;
  }
}
