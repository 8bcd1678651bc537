// The registry of modeless windows. The module's dialogs run inside a client's message
// loop, which offers keys to no dialog manager, so Tab, arrows, Enter, Escape and
// mnemonics would not work in modeless windows such as tab pages. While any window is
// registered, a message hook on the registering thread offers every key message taken
// from the queue to the dialog manager of each registered window, in registration order;
// one that takes it is emptied so that the client's loop dispatches nothing. Before them,
// the keys that turn a tabbed dialog's pages (Ctrl+Tab, Ctrl+Shift+Tab, Ctrl+PageDown,
// Ctrl+PageUp) go to the tab control of the registered window that holds the focus.
//
// Every user-interface thread has its own registry and hook: a thread's calls and its hook
// see only the windows that thread registered.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "wqarray.h"

struct ModelessWindowEntry {
  HWND hwnd;
  DWORD id;  // chosen by the registrant; the pages use 0
  BSTR key;  // owned; the pages use an empty key
};

// The entries own their keys: a registered key is copied, a removed one freed.
struct ModelessWindowEntryTraits {
  static constexpr int kRounding = 4;
  static void Construct(ModelessWindowEntry* slot, const ModelessWindowEntry& value);
  static void Destroy(ModelessWindowEntry& entry);
};

using ModelessWindowList = WQArray<ModelessWindowEntry, ModelessWindowEntryTraits>;

// Adds the window unless it is registered with the same id and key (compared as text,
// with case), installing the hook first when none is. E_UNEXPECTED when the hook cannot
// be installed, E_INVALIDARG for a null window; nothing is registered then.
HRESULT RegisterModelessWindow(HWND hwnd, DWORD id, BSTR key);
// Removes the first entry of the window, and the hook with the last entry. An unknown
// window changes nothing.
HRESULT UnregisterModelessWindow(HWND hwnd);
// The WH_GETMESSAGE hook procedure.
LRESULT CALLBACK ModelessDialogMsgHook(int code, WPARAM removal, LPARAM msg);

// What the calling thread has registered now (valid until its next registration or
// unregistration: the list goes with its last window), and its hook (null while none is
// installed).
const ModelessWindowList& GetModelessWindows() noexcept;
HHOOK GetModelessWindowHook() noexcept;
