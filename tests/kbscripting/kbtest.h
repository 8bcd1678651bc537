// Shared by the KB scripting tests: the test process stands in for the server module
// (its type library and its DLL's resources), and a scripted user for dialogs that run
// their own message loop.
#pragma once

#include <gtest/gtest.h>

#include <handles.h>
#include <standinsclient.h>

#include <functional>
#include <utility>
#include <string>
#include <vector>

namespace kbtest {

// Whether the registered server DLL is loaded (the stylesheet is read from it).
bool ServerLoaded();

// Plays the user of a dialog while the code under test runs its message loop. Steps run
// in order on a timer of the thread, each once its condition holds; an action may open a
// modal loop (a message box) in which the following steps go on. Steps that are left when
// the dialog is gone fail the test; a user that waits too long, or sees a dialog still up
// long after the last step, closes whatever window is left and fails the test.
class ScriptedUser {
 public:
  ScriptedUser();
  ~ScriptedUser();
  ScriptedUser(const ScriptedUser&) = delete;
  ScriptedUser& operator=(const ScriptedUser&) = delete;

  ScriptedUser& When(std::function<bool()> condition, std::function<void()> action);
  ScriptedUser& Then(std::function<void()> action);
  // Waits until the browser shows the dialog page, then acts.
  ScriptedUser& WhenShown(IWQStandinBrowser* browser, std::function<void()> action);
  // Waits for a message box with `caption`, keeps its text and presses its first button.
  ScriptedUser& AnswerMessageBox(const wchar_t* caption, std::wstring* text = nullptr);
  // Fails the test, and closes the windows, if `condition` holds at any moment the user
  // looks: for calls that must show nothing.
  ScriptedUser& Forbid(std::function<bool()> condition, std::string what);
  bool Done() const { return next_ >= steps_.size(); }

 private:
  struct Step {
    std::function<bool()> condition;
    std::function<void()> action;
  };
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  void RunStep();
  void GiveUp(const std::string& why);
  void GiveUpIfStuck();
  void CheckForbidden();

  std::vector<Step> steps_;
  std::vector<std::pair<std::function<bool()>, std::string>> forbidden_;
  bool gaveUp_ = false;
  bool quitPosted_ = false;
  size_t next_ = 0;
  UINT_PTR timer_ = 0;
  DWORD started_ = 0;
  static ScriptedUser* current_;
};

// The exit code of the quit message left for the application's loop (taken from the
// queue), or -1 when none is left.
int TakeQuitMessage();

// The dialog's top-level window on this thread, or null.
HWND DialogWindow();
// A message box of this thread with that caption, or null.
HWND FindMessageBox(const wchar_t* caption);
std::wstring WindowText(HWND window);

// A new empty file in the temporary folder, and a file's UTF-16 text (the file is then
// deleted; "<missing>" when it cannot be read).
std::wstring TempFile();
std::wstring TakeWideFile(const std::wstring& path);

// The browser control with its process-wide record reset.
plat::com_ptr<IWQStandinBrowser> ResetBrowser();
// The value of member `name` of the page element `id`, as text.
std::wstring ElementText(IWQStandinBrowser* browser, const wchar_t* id, const wchar_t* name);

}  // namespace kbtest
