// Shared by the KB scripting tests: the test process stands in for the server module
// (its type library and its DLL's resources), and a scripted user for dialogs that run
// their own message loop.
#pragma once

#include <gtest/gtest.h>

#include <handles.h>
#include <standinsclient.h>

#include <functional>
#include <string>
#include <vector>

namespace kbtest {

// Whether the registered server DLL is loaded (the stylesheet is read from it).
bool ServerLoaded();

// Plays the user of a dialog while the code under test runs its message loop: each step
// is retried on a timer of the thread until it answers true, then the next one runs.
// Steps that are left when the dialog is gone fail the test; a user that waits too long
// closes whatever window is left and fails the test.
class ScriptedUser {
 public:
  ScriptedUser();
  ~ScriptedUser();
  ScriptedUser(const ScriptedUser&) = delete;
  ScriptedUser& operator=(const ScriptedUser&) = delete;

  ScriptedUser& Then(std::function<bool()> step);
  // Waits until the browser shows the dialog page, then acts.
  ScriptedUser& WhenShown(IWQStandinBrowser* browser, std::function<void()> action);
  // Waits for a message box with `caption`, keeps its text and presses its first button.
  ScriptedUser& AnswerMessageBox(const wchar_t* caption, std::wstring* text = nullptr);
  bool Done() const { return next_ >= steps_.size(); }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  void RunStep();

  std::vector<std::function<bool()>> steps_;
  size_t next_ = 0;
  UINT_PTR timer_ = 0;
  DWORD started_ = 0;
  static ScriptedUser* current_;
};

// The dialog's top-level window on this thread, or null.
HWND DialogWindow();
// A message box of this thread with that caption, or null.
HWND FindMessageBox(const wchar_t* caption);
std::wstring WindowText(HWND window);

// The browser control with its process-wide record reset.
plat::com_ptr<IWQStandinBrowser> ResetBrowser();
// The value of member `name` of the page element `id`, as text.
std::wstring ElementText(IWQStandinBrowser* browser, const wchar_t* id, const wchar_t* name);

}  // namespace kbtest
