#include "dialogdriver.h"

#include <gtest/gtest.h>

#include <handles.h>
#include <window.h>

#include "png.h"

namespace wqtest {
namespace {

thread_local DialogDriver* currentDriver = nullptr;

constexpr UINT kTickMilliseconds = 10;

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out.push_back(c < 128 ? static_cast<char>(c) : '?');
  return out;
}

// The control a step acts on, if a user could reach it.
std::string Reach(const DialogView& view, int id, HWND* control) {
  *control = view.Item(id);
  const std::string name = "control " + std::to_string(id);
  if (!*control) return name + " does not exist";
  if (!IsWindowVisible(*control)) return name + " is hidden";
  if (!IsWindowEnabled(*control)) return name + " is disabled";
  return {};
}

// A mouse click on a button or check box (BM_CLICK).
std::string ClickButton(const DialogView& view, int id) {
  HWND control;
  std::string error = Reach(view, id, &control);
  if (error.empty()) SendMessageW(control, BM_CLICK, 0, 0);
  return error;
}

bool IsMultiSelectList(HWND list) {
  return (GetWindowLongPtrW(list, GWL_STYLE) & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0;
}

std::string ClickItem(DialogView& view, int listId, int index, bool addToSelection,
                      WORD notification) {
  HWND list;
  std::string error = Reach(view, listId, &list);
  if (!error.empty()) return error;
  const plat::ListBox box(list);
  if (index < 0 || index >= box.GetCount())
    return "list " + std::to_string(listId) + " has no item " + std::to_string(index);
  box.SetFocus();
  if (IsMultiSelectList(list)) {
    if (!addToSelection) box.SetSel(-1, false);
    box.SetSel(index, true);
    box.SetCaretIndex(index);
  } else {
    if (addToSelection) return "list " + std::to_string(listId) + " takes a single selection";
    box.SetCurSel(index);
  }
  SendMessageW(view.hwnd(), WM_COMMAND, MAKEWPARAM(listId, LBN_SELCHANGE),
               reinterpret_cast<LPARAM>(list));
  if (notification != LBN_SELCHANGE)
    SendMessageW(view.hwnd(), WM_COMMAND, MAKEWPARAM(listId, notification),
                 reinterpret_cast<LPARAM>(list));
  return {};
}

// Modifier keys a step holds down; they are let go before the next step.
thread_local std::vector<BYTE> heldKeys;

void SetKeyDown(BYTE key, bool down) {
  BYTE state[256] = {};
  GetKeyboardState(state);
  state[key] = down ? 0x80 : 0;
  SetKeyboardState(state);
}

void ReleaseHeldKeys() {
  for (BYTE key : heldKeys) SetKeyDown(key, false);
  heldKeys.clear();
}

// A key message's repeat count, scan code and, on release, previous and transition states.
LPARAM KeyData(UINT key, bool release) {
  const auto scan = static_cast<LPARAM>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
  return release ? scan | 1 | (LPARAM{1} << 30) | (LPARAM{1} << 31) : scan | 1;
}

// The messages a key press posts change no key state: the modifiers' state is set for the
// loop to read when it takes them. The keys are pressed one after the other, the modifiers
// held down around them all. A VK_PACKET key carries its character in the high word.
std::string PressKeys(const std::vector<UINT>& keys, UINT modifiers) {
  const HWND focus = GetFocus();
  if (!focus) return "no window has the focus";
  std::vector<BYTE> held;
  if (modifiers & MOD_CONTROL) held.push_back(VK_CONTROL);
  if (modifiers & MOD_SHIFT) held.push_back(VK_SHIFT);
  for (BYTE modifier : held) {
    SetKeyDown(modifier, true);
    heldKeys.push_back(modifier);
    PostMessageW(focus, WM_KEYDOWN, modifier, KeyData(modifier, false));
  }
  for (UINT key : keys) {
    const UINT vk = LOWORD(key);
    const LPARAM packet = static_cast<LPARAM>(HIWORD(key)) << 16;
    PostMessageW(focus, WM_KEYDOWN, vk, vk == VK_PACKET ? packet | 1 : KeyData(vk, false));
    PostMessageW(focus, WM_KEYUP, vk,
                 vk == VK_PACKET ? packet | 1 | (LPARAM{3} << 30) : KeyData(vk, true));
  }
  for (auto modifier = held.rbegin(); modifier != held.rend(); ++modifier)
    PostMessageW(focus, WM_KEYUP, *modifier, KeyData(*modifier, true));
  return {};
}

bool IsTopLevelDialog(HWND hwnd) {
  wchar_t className[16] = {};
  GetClassNameW(hwnd, className, 16);
  return wcscmp(className, L"#32770") == 0 && !(GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD);
}

// The window as it is on the screen, frame included, as a 24-bit top-down image.
struct Capture {
  UINT width = 0, height = 0, stride = 0;
  plat::unique_hbitmap bitmap;
  const BYTE* bits = nullptr;
};

Capture CaptureWindow(HWND hwnd) {
  RedrawWindow(hwnd, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  const RECT rect = plat::Window(hwnd).GetWindowRect();
  Capture capture;
  if (rect.right <= rect.left || rect.bottom <= rect.top) return capture;
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  plat::WindowDC screen(nullptr);
  capture.bitmap.reset(CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  plat::unique_hdc memory(CreateCompatibleDC(screen));
  if (!capture.bitmap || !memory || !bits) return Capture{};
  {
    plat::SelectObjectScope select(memory.get(), capture.bitmap.get());
    plat::WindowDC window(hwnd, true);
    BitBlt(memory.get(), 0, 0, width, height, window, 0, 0, SRCCOPY);
  }
  GdiFlush();
  capture.width = static_cast<UINT>(width);
  capture.height = static_cast<UINT>(height);
  capture.stride = (capture.width * 3 + 3) & ~3u;  // DIB rows are DWORD-aligned
  capture.bits = static_cast<const BYTE*>(bits);
  return capture;
}

}  // namespace

// ---------------------------------------------------------------- DialogView

HWND DialogView::Item(int id) const {
  if (!id) return dialog_;
  if (HWND own = GetDlgItem(dialog_, id)) return own;
  struct Search {
    int id;
    HWND visible = nullptr;
    HWND hidden = nullptr;
  } search{id};
  EnumChildWindows(
      dialog_,
      [](HWND child, LPARAM param) -> BOOL {
        auto* found = reinterpret_cast<Search*>(param);
        if (GetDlgCtrlID(child) != found->id) return TRUE;
        HWND& slot = IsWindowVisible(child) ? found->visible : found->hidden;
        if (!slot) slot = child;
        return found->visible == nullptr;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.visible ? search.visible : search.hidden;
}

std::wstring DialogView::Text(int id) const { return plat::Window(Item(id)).GetWindowText(); }

RECT DialogView::ScreenRect(int id) const { return plat::Window(Item(id)).GetWindowRect(); }

RECT DialogView::ClientRect(int id) const {
  return plat::Window(dialog_).ScreenToClient(ScreenRect(id));
}

bool DialogView::IsChecked(int id) const { return IsDlgButtonChecked(dialog_, id) == BST_CHECKED; }

std::vector<std::wstring> DialogView::ListItems(int id) const {
  const plat::ListBox list(Item(id));
  std::vector<std::wstring> items;
  for (int i = 0; i < list.GetCount(); ++i) items.push_back(list.GetText(i));
  return items;
}

std::vector<int> DialogView::ListSelection(int id) const {
  const plat::ListBox list(Item(id));
  if (list.IsMultiSelect()) return list.GetSelItems();
  const int current = list.GetCurSel();
  return current == LB_ERR ? std::vector<int>{} : std::vector<int>{current};
}

int DialogView::ListTopIndex(int id) const { return plat::ListBox(Item(id)).GetTopIndex(); }
int DialogView::ListCaret(int id) const { return plat::ListBox(Item(id)).GetCaretIndex(); }
int DialogView::ListExtent(int id) const { return plat::ListBox(Item(id)).GetHorizontalExtent(); }

bool DialogView::SaveScreenshot(const std::wstring& path) const {
  const Capture capture = CaptureWindow(dialog_);
  if (!capture.bits) return false;
  const bool relative = path.size() < 2 || (path[1] != L':' && path[0] != L'\\' && path[0] != L'/');
  return SUCCEEDED(SavePng(relative ? ScreenshotFolder() + L"\\" + path : path, capture.width,
                           capture.height, capture.stride, capture.bits));
}

std::wstring ScreenshotFolder() {
  wchar_t buffer[MAX_PATH];
  const DWORD length = GetEnvironmentVariableW(L"WQ_SCREENSHOT_DIR", buffer, MAX_PATH);
  std::wstring folder;
  if (length > 0 && length < MAX_PATH) {
    folder.assign(buffer, length);
  } else {
    const DWORD n = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    folder.assign(buffer, n);
    folder = folder.substr(0, folder.find_last_of(L"\\/")) + L"\\screenshots";
  }
  CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

// ---------------------------------------------------------------- DialogScript

DialogScript& DialogScript::Do(Step step) {
  steps_.push_back(std::move(step));
  return *this;
}

DialogScript& DialogScript::SetText(int editId, const std::wstring& text) {
  return Do([editId, text](DialogView& view) {
    HWND edit;
    std::string error = Reach(view, editId, &edit);
    if (!error.empty()) return error;
    const plat::Edit box(edit);
    box.SetFocus();
    box.SetSel(0, -1);
    box.ReplaceSel(text.c_str());
    return std::string();
  });
}

DialogScript& DialogScript::Type(int editId, const std::wstring& text) {
  return Do([editId, text](DialogView& view) {
    HWND edit;
    std::string error = Reach(view, editId, &edit);
    if (!error.empty()) return error;
    SetFocus(edit);
    for (wchar_t c : text) SendMessageW(edit, WM_CHAR, c, 1);
    return std::string();
  });
}

DialogScript& DialogScript::Select(int listId, int index) {
  return Do([=](DialogView& view) { return ClickItem(view, listId, index, false, LBN_SELCHANGE); });
}

DialogScript& DialogScript::SelectAlso(int listId, int index) {
  return Do([=](DialogView& view) { return ClickItem(view, listId, index, true, LBN_SELCHANGE); });
}

DialogScript& DialogScript::DoubleClick(int listId, int index) {
  return Do([=](DialogView& view) { return ClickItem(view, listId, index, false, LBN_DBLCLK); });
}

DialogScript& DialogScript::Click(int id) {
  return Do([id](DialogView& view) { return ClickButton(view, id); });
}

DialogScript& DialogScript::SelectTab(int tabId, int index) {
  return Do([=](DialogView& view) {
    HWND control;
    std::string error = Reach(view, tabId, &control);
    if (!error.empty()) return error;
    const plat::TabCtrl tabs(control);
    if (index < 0 || index >= tabs.GetItemCount())
      return "tab control " + std::to_string(tabId) + " has no tab " + std::to_string(index);
    const RECT item = tabs.GetItemRect(index);
    const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    tabs.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, at);
    tabs.SendMessage(WM_LBUTTONUP, 0, at);
    return std::string();
  });
}

DialogScript& DialogScript::Focus(int id) {
  return Do([id](DialogView& view) {
    HWND control;
    std::string error = Reach(view, id, &control);
    if (error.empty()) SetFocus(control);
    return error;
  });
}

DialogScript& DialogScript::Press(UINT key, UINT modifiers) {
  return Do([=](DialogView&) { return PressKeys({key}, modifiers); });
}

DialogScript& DialogScript::PressIn(int id, UINT key, UINT modifiers) {
  return Do([=](DialogView& view) {
    HWND control;
    const std::string error = Reach(view, id, &control);
    if (!error.empty()) return error;
    SetFocus(control);
    return PressKeys({key}, modifiers);
  });
}

// The characters that take the same modifiers go in one step: a list takes keys that come
// close together as one search.
DialogScript& DialogScript::TypeKeys(const std::wstring& text) {
  std::vector<UINT> keys;
  UINT modifiers = 0;
  const auto press = [&] {
    if (!keys.empty()) Do([keys, modifiers](DialogView&) { return PressKeys(keys, modifiers); });
    keys.clear();
  };
  for (wchar_t c : text) {
    const SHORT scan = VkKeyScanW(c);
    const bool packet = scan == -1 || (HIBYTE(scan) & ~1);
    const UINT needed = !packet && (HIBYTE(scan) & 1) ? MOD_SHIFT : 0;
    if (needed != modifiers) press();
    modifiers = needed;
    keys.push_back(packet ? MAKELONG(VK_PACKET, c) : LOBYTE(scan));
  }
  press();
  return *this;
}

DialogScript& DialogScript::TypeAtPace(const std::wstring& text, DWORD milliseconds) {
  for (wchar_t c : text) TypeKeys(std::wstring(1, c)).Pause(milliseconds);
  return *this;
}

DialogScript& DialogScript::HoldKey(wchar_t c, int strokes) {
  constexpr DWORD kRepeatDelay = 250, kRepeatRate = 33;
  const UINT key = LOBYTE(VkKeyScanW(c));
  for (int stroke = 0; stroke < strokes; ++stroke) {
    Do([key, stroke](DialogView&) {
      const HWND focus = GetFocus();
      if (!focus) return std::string("no window has the focus");
      // A repeat tells that the key was down before.
      PostMessageW(focus, WM_KEYDOWN, key, KeyData(key, false) | (stroke ? LPARAM{1} << 30 : 0));
      return std::string();
    });
    Pause(stroke ? kRepeatRate : kRepeatDelay);
  }
  return Do([key](DialogView&) {
    const HWND focus = GetFocus();
    if (!focus) return std::string("no window has the focus");
    PostMessageW(focus, WM_KEYUP, key, KeyData(key, true));
    return std::string();
  });
}

DialogScript& DialogScript::NumLock(bool on) {
  return Do([on](DialogView&) {
    BYTE state[256] = {};
    GetKeyboardState(state);
    state[VK_NUMLOCK] = on ? 0x01 : 0;  // toggled, not held
    SetKeyboardState(state);
    return std::string();
  });
}

DialogScript& DialogScript::DestroyOwner() {
  return Do([](DialogView& view) {
    const HWND owner = GetWindow(view.hwnd(), GW_OWNER);
    if (!owner) return std::string("the dialog has no owner");
    if (!DestroyWindow(owner)) return std::string("the owner could not be destroyed");
    return IsWindow(view.hwnd()) ? std::string("the dialog outlived its owner") : std::string();
  });
}

DialogScript& DialogScript::Quit(int exitCode, int clickFirst) {
  return Do([exitCode, clickFirst](DialogView& view) {
    if (clickFirst) {
      std::string error = ClickButton(view, clickFirst);
      if (!error.empty()) return error;
    }
    PostQuitMessage(exitCode);
    return std::string();
  });
}

DialogScript& DialogScript::Pause(DWORD milliseconds) {
  return Do([milliseconds](DialogView&) {
    Sleep(milliseconds);
    return std::string();
  });
}

DialogScript& DialogScript::Inspect(std::function<void(DialogView&)> inspect) {
  return Do([inspect = std::move(inspect)](DialogView& view) {
    inspect(view);
    return std::string();
  });
}

DialogScript& DialogScript::Screenshot(const std::wstring& path) {
  return Do([path](DialogView& view) {
    return view.SaveScreenshot(path) ? std::string() : "cannot save " + Narrow(path);
  });
}

// ---------------------------------------------------------------- DialogDriver

DialogDriver::DialogDriver() {
  if (currentDriver) ADD_FAILURE() << "one dialog driver at a time on a thread";
  currentDriver = this;
  hook_ = SetWindowsHookExW(WH_CALLWNDPROCRET, &DialogDriver::CallWndProcRet, nullptr,
                            GetCurrentThreadId());
  if (!hook_) ADD_FAILURE() << "cannot hook the thread's window messages";
}

DialogDriver::~DialogDriver() {
  StopTimer();
  ReleaseHeldKeys();
  if (hook_) UnhookWindowsHookEx(hook_);
  if (currentDriver == this) currentDriver = nullptr;
  if (!pending_.empty()) ADD_FAILURE() << pending_.size() << " expected dialog(s) never appeared";
}

DialogDriver& DialogDriver::Expect(DialogScript script) {
  pending_.push_back(std::move(script));
  return *this;
}

LRESULT CALLBACK DialogDriver::CallWndProcRet(int code, WPARAM wParam, LPARAM lParam) {
  const auto* sent = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
  if (code == HC_ACTION && sent->message == WM_INITDIALOG && currentDriver &&
      IsTopLevelDialog(sent->hwnd))
    currentDriver->OnDialogInitialized(sent->hwnd);
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void DialogDriver::OnDialogInitialized(HWND dialog) {
  ++seen_;
  if (pending_.empty()) {
    ADD_FAILURE() << "a dialog \"" << Narrow(plat::Window(dialog).GetWindowText())
                  << "\" appeared without a script; it is cancelled";
    EndDialog(dialog, IDCANCEL);
    return;
  }
  auto active = std::make_unique<Active>();
  active->dialog = dialog;
  active->script = std::move(pending_.front());
  pending_.pop_front();
  active_.push_back(std::move(active));
  StartTimer();
}

void DialogDriver::StartTimer() {
  if (!timer_) timer_ = SetTimer(nullptr, 0, kTickMilliseconds, &DialogDriver::Tick);
  if (!timer_) ADD_FAILURE() << "cannot start the driver's timer";
}

void DialogDriver::StopTimer() {
  if (timer_) KillTimer(nullptr, timer_);
  timer_ = 0;
}

void CALLBACK DialogDriver::Tick(HWND, UINT, UINT_PTR, DWORD) {
  if (currentDriver) currentDriver->RunNextStep();
}

void DialogDriver::RunNextStep() {
  // The keys a step posted have all been taken: a timer's tick waits for posted messages.
  ReleaseHeldKeys();
  // Forget the dialogs that have closed, unless a step of theirs is still running.
  for (size_t i = active_.size(); i-- > 0;) {
    Active& entry = *active_[i];
    if (entry.running || IsWindow(entry.dialog)) continue;
    if (entry.next < entry.script.steps_.size())
      ADD_FAILURE() << "a dialog closed before step " << entry.next + 1 << " of "
                    << entry.script.steps_.size() << " of its script";
    active_.erase(active_.begin() + static_cast<ptrdiff_t>(i));
  }
  if (active_.empty()) {
    if (pending_.empty()) StopTimer();
    return;
  }

  // Only the innermost dialog takes input, once it shows and no other window blocks it.
  Active& top = *active_.back();
  if (top.running || !IsWindowVisible(top.dialog) || !IsWindowEnabled(top.dialog)) return;
  if (top.next < top.script.steps_.size()) {
    const size_t number = top.next++;
    top.running = true;
    DialogView view(top.dialog);
    const std::string error = top.script.steps_[number](view);
    top.running = false;
    if (!error.empty()) {
      ADD_FAILURE() << "dialog step " << number + 1 << ": " << error << "; the dialog is cancelled";
      top.next = top.script.steps_.size();
      EndDialog(top.dialog, IDCANCEL);
    }
    if (top.next == top.script.steps_.size()) top.finishedAt = GetTickCount();
  } else if (GetTickCount() - top.finishedAt > closeTimeout_) {
    ADD_FAILURE() << "a dialog stayed open after its script; it is cancelled";
    top.finishedAt = GetTickCount();
    EndDialog(top.dialog, IDCANCEL);
  }
}

}  // namespace wqtest
