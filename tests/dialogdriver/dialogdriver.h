// Plays a user inside the modal loop of the dialogs a test shows on its own thread.
//
//   wqtest::DialogDriver driver;
//   driver.Expect(wqtest::DialogScript()
//                     .SetText(IDC_FIND, L"al")           // types, as EN_CHANGE tells
//                     .Select(IDC_LIST, 2)                // clicks an item
//                     .Inspect([](wqtest::DialogView& dlg) {
//                       EXPECT_TRUE(dlg.IsEnabled(IDOK));
//                     })
//                     .Screenshot(L"picked.png")
//                     .Click(IDOK));
//   EXPECT_EQ(dialog.DoModal(), IDOK);
//
// A thread hook notices each top-level dialog when its WM_INITDIALOG is done and gives it
// the next expected script. A thread timer then runs one step per tick on the dialog's
// own thread, once the dialog is visible: the steps run inside its modal loop, as a
// user's input would. Steps send what the controls themselves send on real input, so
// handlers see the same notifications. A nested dialog (a message box opened by a step)
// takes the next script and runs while the outer one waits.
//
// Faults are test failures: a step on a control that is missing, hidden or disabled; a
// dialog without a script; a dialog still open a while after its last step (it is then
// cancelled so the test cannot hang); a script whose dialog never appeared.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace wqtest {

// What a script step sees of its dialog. Control ids of 0 mean the dialog itself. A control
// that is not the dialog's own is looked for on its child dialogs (the pages of a tabbed
// dialog), a visible one first.
class DialogView {
 public:
  explicit DialogView(HWND dialog) : dialog_(dialog) {}

  HWND hwnd() const { return dialog_; }
  HWND Item(int id) const;
  std::wstring Text(int id = 0) const;
  RECT ScreenRect(int id = 0) const;
  // A control's rectangle in the dialog's client coordinates.
  RECT ClientRect(int id) const;
  bool Exists(int id) const { return Item(id) != nullptr; }
  bool IsEnabled(int id) const { return IsWindowEnabled(Item(id)) != FALSE; }
  bool IsVisible(int id) const { return IsWindowVisible(Item(id)) != FALSE; }
  bool IsChecked(int id) const;
  bool HasFocus(int id) const { return GetFocus() == Item(id); }

  std::vector<std::wstring> ListItems(int id) const;
  // The selected positions: every selected one in a multiple-selection list, else the
  // current selection (empty when there is none).
  std::vector<int> ListSelection(int id) const;
  int ListTopIndex(int id) const;
  int ListCaret(int id) const;
  int ListExtent(int id) const;

  // Saves the dialog as it is on the screen as a PNG file. A relative path is taken in
  // the screenshot folder (ScreenshotFolder()).
  bool SaveScreenshot(const std::wstring& path) const;

 private:
  HWND dialog_;
};

// Where screenshots go: %WQ_SCREENSHOT_DIR%, else a "screenshots" folder beside the test
// executable (made on demand).
std::wstring ScreenshotFolder();

class DialogScript {
 public:
  // A step returns an empty text when it could act, else what went wrong.
  using Step = std::function<std::string(DialogView&)>;

  // Replaces the whole text of an edit control as a paste would (one EN_CHANGE).
  DialogScript& SetText(int editId, const std::wstring& text);
  // Types the characters one by one (an EN_CHANGE each).
  DialogScript& Type(int editId, const std::wstring& text);
  // Clicks a list item: it alone becomes selected, and the list tells LBN_SELCHANGE.
  DialogScript& Select(int listId, int index);
  // Control-clicks an item of a multiple-selection list: it is added to the selection.
  DialogScript& SelectAlso(int listId, int index);
  DialogScript& DoubleClick(int listId, int index);
  // Clicks a button or check box with the mouse (BM_CLICK): a check box toggles itself.
  DialogScript& Click(int id);
  // Clicks a tab with the mouse: the control itself asks and tells its parent
  // (TCN_SELCHANGING, TCN_SELCHANGE).
  DialogScript& SelectTab(int tabId, int index);
  // Puts the focus on a control, as a click or Tab would.
  DialogScript& Focus(int id);
  // Presses a key as a user does: WM_KEYDOWN and WM_KEYUP posted to the window with the
  // focus, for the dialog's own loop to translate and dispatch; `modifiers` (MOD_CONTROL,
  // MOD_SHIFT) are held down meanwhile and let go at the next step.
  DialogScript& Press(UINT key, UINT modifiers = 0);
  // Puts the focus on a control and presses a key there in one step: for dialogs shown
  // beside other threads' windows, which take the focus whenever one of them opens.
  DialogScript& PressIn(int id, UINT key, UINT modifiers = 0);
  // Types the characters with the keys that make them, close together; a character that no
  // key makes comes as VK_PACKET, as an input method or an on-screen keyboard sends it.
  DialogScript& TypeKeys(const std::wstring& text);
  // Types the text key by key `milliseconds` apart (a person's pace), each key taken by the
  // dialog's loop before the next comes.
  DialogScript& TypeAtPace(const std::wstring& text, DWORD milliseconds = 120);
  // Holds down the key that types `c` until it has gone down `strokes` times: once, and again
  // by the keyboard's auto-repeat (after its shortest delay, then at its fastest rate).
  DialogScript& HoldKey(wchar_t c, int strokes);
  // Turns NumLock on or off, as its key does: with it on the keypad's keys type digits.
  DialogScript& NumLock(bool on);
  // The client destroys the window that owns the dialog; the dialog goes with it.
  DialogScript& DestroyOwner();
  // The application quits: its quit message is posted with `exitCode`, after the button
  // `clickFirst` (0: none) is clicked in the same step, before the dialog's loop looks again.
  DialogScript& Quit(int exitCode, int clickFirst = 0);
  // Lets time pass, so that a list takes what is typed next as a new search.
  DialogScript& Pause(DWORD milliseconds);
  // Reads the dialog; assert inside with EXPECT_*.
  DialogScript& Inspect(std::function<void(DialogView&)> inspect);
  DialogScript& Screenshot(const std::wstring& path);
  DialogScript& Do(Step step);

 private:
  friend class DialogDriver;
  std::vector<Step> steps_;
};

class DialogDriver {
 public:
  DialogDriver();
  ~DialogDriver();
  DialogDriver(const DialogDriver&) = delete;
  DialogDriver& operator=(const DialogDriver&) = delete;

  // The script for the next dialog that appears.
  DialogDriver& Expect(DialogScript script);
  int DialogsSeen() const { return seen_; }
  // How long a dialog may stay open after its last step before it is cancelled.
  void SetCloseTimeout(DWORD milliseconds) { closeTimeout_ = milliseconds; }

 private:
  struct Active {
    HWND dialog;
    DialogScript script;
    size_t next = 0;
    bool running = false;
    DWORD finishedAt = 0;
  };

  static LRESULT CALLBACK CallWndProcRet(int code, WPARAM wParam, LPARAM lParam);
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  void OnDialogInitialized(HWND dialog);
  void RunNextStep();
  void StartTimer();
  void StopTimer();

  HHOOK hook_ = nullptr;
  UINT_PTR timer_ = 0;
  std::deque<DialogScript> pending_;
  std::vector<std::unique_ptr<Active>> active_;
  int seen_ = 0;
  DWORD closeTimeout_ = 5000;
};

}  // namespace wqtest
