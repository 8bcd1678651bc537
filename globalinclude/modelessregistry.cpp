#include "modelessregistry.h"

#include <comobject.h>
#include <commctrl.h>

#include <cstring>
#include <new>
#include <utility>

#include "tabctrlex.h"

namespace {

// Each user-interface thread keeps its own windows and its own hook, which sees only that
// thread's messages: apartment-threaded classes may show dialogs on several threads at
// once, and no thread touches another's registry, so none needs a lock. The registry is
// made at a thread's first registration and freed with its hook when the last window
// unregisters, so a thread that ends leaves nothing behind (a thread-local object with a
// destructor is not destroyed at thread end by every loader).
struct ThreadRegistry {
  ModelessWindowList windows;
  HHOOK hook = nullptr;
};

thread_local ThreadRegistry* threadRegistry = nullptr;

// Unhooks and forgets the thread's registry; a failure to unhook is returned, and the hook
// forgotten all the same.
HRESULT ReleaseThreadRegistry() noexcept {
  ThreadRegistry* registry = std::exchange(threadRegistry, nullptr);
  const HRESULT hr = !registry->hook || UnhookWindowsHookEx(registry->hook)
                         ? S_OK
                         : plat::hresult_from_last_error();
  delete registry;
  return hr;
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

const ModelessWindowList& GetModelessWindows() noexcept {
  static const ModelessWindowList none;
  return threadRegistry ? threadRegistry->windows : none;
}

HHOOK GetModelessWindowHook() noexcept { return threadRegistry ? threadRegistry->hook : nullptr; }

HRESULT RegisterModelessWindow(HWND hwnd, DWORD id, BSTR key) {
  if (!hwnd) return E_INVALIDARG;
  if (!threadRegistry) {
    threadRegistry = new (std::nothrow) ThreadRegistry;
    if (!threadRegistry) return E_OUTOFMEMORY;
    threadRegistry->hook = SetWindowsHookExW(WH_GETMESSAGE, &ModelessDialogMsgHook,
                                             plat::module().GetInstance(), GetCurrentThreadId());
    if (!threadRegistry->hook) {
      ReleaseThreadRegistry();
      return E_UNEXPECTED;
    }
  }
  ModelessWindowList& windows = threadRegistry->windows;
  for (int i = 0; i < windows.GetCount(); ++i) {
    const ModelessWindowEntry& entry = windows[i];
    if (entry.hwnd == hwnd && entry.id == id && SameKey(entry.key, key)) return S_OK;
  }
  try {
    windows.Add(ModelessWindowEntry{hwnd, id, key});
  } catch (const std::bad_alloc&) {
    // A hook without windows would stay until some window unregisters.
    if (windows.GetCount() == 0) ReleaseThreadRegistry();
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

HRESULT UnregisterModelessWindow(HWND hwnd) {
  if (!threadRegistry) return S_OK;
  ModelessWindowList& windows = threadRegistry->windows;
  for (int i = 0; i < windows.GetCount(); ++i) {
    if (windows[i].hwnd == hwnd) {
      windows.RemoveAt(i);
      break;
    }
  }
  if (windows.GetCount() != 0) return S_OK;
  return ReleaseThreadRegistry();
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
  for (int i = 0; threadRegistry && i < threadRegistry->windows.GetCount(); ++i) {
    const HWND window = threadRegistry->windows[i].hwnd;
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
  const HHOOK hook = GetModelessWindowHook();
  if (code >= 0 && removal == PM_REMOVE && message->message >= WM_KEYFIRST &&
      message->message <= WM_KEYLAST) {
    if (TurnPage(*message)) {
      Swallow(*message);
      return CallNextHookEx(hook, code, removal, msg);
    }
    // A dialog manager may close a window, and its unregistering changes the registry or
    // frees it with the last window: it is read afresh at each step, and nothing more is
    // read once a window took the key.
    for (int i = 0; threadRegistry && i < threadRegistry->windows.GetCount(); ++i) {
      const HWND window = threadRegistry->windows[i].hwnd;
      if (IsWindow(window) && IsDialogMessageW(window, message)) {
        Swallow(*message);
        break;
      }
    }
  }
  return CallNextHookEx(hook, code, removal, msg);
}
