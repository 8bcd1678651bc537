#include "modelessregistry.h"

#include <comobject.h>
#include <commctrl.h>

#include <cstring>
#include <new>

#include "tabctrlex.h"

namespace {

HHOOK hook = nullptr;

ModelessWindowList& Registry() {
  static ModelessWindowList registry;
  return registry;
}

bool SameKey(BSTR a, BSTR b) {
  const UINT length = SysStringLen(a);
  return length == SysStringLen(b) &&
         (length == 0 || std::memcmp(a, b, length * sizeof(wchar_t)) == 0);
}

}  // namespace

void ModelessWindowEntryTraits::Construct(ModelessWindowEntry* slot,
                                          const ModelessWindowEntry& value) {
  BSTR key = SysAllocStringLen(value.key, SysStringLen(value.key));
  if (!key) throw std::bad_alloc();
  *slot = ModelessWindowEntry{value.hwnd, value.id, key};
}

void ModelessWindowEntryTraits::Destroy(ModelessWindowEntry& entry) {
  SysFreeString(entry.key);
  entry.key = nullptr;
}

const ModelessWindowList& GetModelessWindows() noexcept { return Registry(); }

HHOOK GetModelessWindowHook() noexcept { return hook; }

HRESULT RegisterModelessWindow(HWND hwnd, DWORD id, BSTR key) {
  if (!hwnd) return E_INVALIDARG;
  ModelessWindowList& registry = Registry();
  if (!hook) {
    hook = SetWindowsHookExW(WH_GETMESSAGE, &ModelessDialogMsgHook, plat::module().GetInstance(),
                             GetCurrentThreadId());
    if (!hook) return E_UNEXPECTED;
  }
  for (int i = 0; i < registry.GetCount(); ++i) {
    const ModelessWindowEntry& entry = registry[i];
    if (entry.hwnd == hwnd && entry.id == id && SameKey(entry.key, key)) return S_OK;
  }
  try {
    registry.Add(ModelessWindowEntry{hwnd, id, key});
  } catch (const std::bad_alloc&) {
    // A hook without windows would stay until some window unregisters.
    if (registry.GetCount() == 0) {
      UnhookWindowsHookEx(hook);
      hook = nullptr;
    }
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

HRESULT UnregisterModelessWindow(HWND hwnd) {
  ModelessWindowList& registry = Registry();
  for (int i = 0; i < registry.GetCount(); ++i) {
    if (registry[i].hwnd == hwnd) {
      registry.RemoveAt(i);
      break;
    }
  }
  if (registry.GetCount() != 0 || !hook) return S_OK;
  const BOOL unhooked = UnhookWindowsHookEx(hook);
  hook = nullptr;
  return unhooked ? S_OK : plat::hresult_from_last_error();
}

namespace {

// The client's loop dispatches nothing of a message taken here.
void Swallow(MSG& message) {
  message.hwnd = nullptr;
  message.message = 0;
  message.wParam = 0;
  message.lParam = 0;
}

// The keys that turn the pages of a tabbed dialog work wherever the focus is in a registered
// window with a tab control: the control itself takes no focus, and the dialog manager would
// take Ctrl+Tab for Tab.
bool TurnPage(const MSG& message) {
  if (message.message != WM_KEYDOWN || !CTabCtrlEx::PageStep(message.wParam)) return false;
  const ModelessWindowList& registry = Registry();
  for (int i = 0; i < registry.GetCount(); ++i) {
    const HWND window = registry[i].hwnd;
    if (window != message.hwnd && !IsChild(window, message.hwnd)) continue;
    if (const HWND tabs = FindWindowExW(window, nullptr, WC_TABCONTROLW, nullptr)) {
      SendMessageW(tabs, WM_KEYDOWN, message.wParam, message.lParam);
      return true;
    }
  }
  return false;
}

}  // namespace

LRESULT CALLBACK ModelessDialogMsgHook(int code, WPARAM removal, LPARAM msg) {
  auto* message = reinterpret_cast<MSG*>(msg);
  if (code >= 0 && removal == PM_REMOVE && message->message >= WM_KEYFIRST &&
      message->message <= WM_KEYLAST) {
    if (TurnPage(*message)) {
      Swallow(*message);
      return CallNextHookEx(hook, code, removal, msg);
    }
    // A dialog manager may close a window, and its unregistering changes the registry:
    // it is read afresh at each step, and nothing more is read once a window took the key.
    const ModelessWindowList& registry = Registry();
    for (int i = 0; i < registry.GetCount(); ++i) {
      const HWND window = registry[i].hwnd;
      if (IsWindow(window) && IsDialogMessageW(window, message)) {
        Swallow(*message);
        break;
      }
    }
  }
  return CallNextHookEx(hook, code, removal, msg);
}
