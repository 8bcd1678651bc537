#include "kbtest.h"

#include <latebound.h>

#include <cstdio>
#include <string>

#include "module/servermodule.h"

namespace kbtest {

namespace {

HMODULE server = nullptr;

// The test process acts as the server module: its objects find their type information
// in the registered type library, and the loaded DLL serves its resources.
class ModuleEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    plat::module().Init(nullptr, 0, GetModuleHandleW(nullptr),
                        {wqc::kLibId, wqc::kMajorVersion, wqc::kMinorVersion, wqc::kTypeLibLcid});
    plat::unique_bstr path;
    if (SUCCEEDED(QueryPathOfRegTypeLib(wqc::kLibId, wqc::kMajorVersion, wqc::kMinorVersion,
                                        wqc::kTypeLibLcid, path.put())))
      server = LoadLibraryW(path.get());
  }
  void TearDown() override {
    plat::module().Term();
    if (server) FreeLibrary(server);
    server = nullptr;
  }
};

const auto* const environment = testing::AddGlobalTestEnvironment(new ModuleEnvironment);

constexpr UINT kTickMs = 20;
constexpr DWORD kPatienceMs = 15000;

BOOL CALLBACK FindBox(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<std::pair<const wchar_t*, HWND>*>(context);
  wchar_t className[16] = {};
  GetClassNameW(window, className, 16);
  if (wcscmp(className, L"#32770") == 0 && IsWindowVisible(window) &&
      WindowText(window) == search->first) {
    search->second = window;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK FindText(HWND child, LPARAM context) {
  wchar_t className[16] = {};
  GetClassNameW(child, className, 16);
  std::wstring text = WindowText(child);
  if (_wcsicmp(className, L"Static") == 0 && !text.empty()) {
    *reinterpret_cast<std::wstring*>(context) = text;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK CloseAll(HWND window, LPARAM) {
  if (IsWindowVisible(window)) PostMessageW(window, WM_CLOSE, 0, 0);
  return TRUE;
}

}  // namespace

bool ServerLoaded() { return server != nullptr; }

ScriptedUser* ScriptedUser::current_ = nullptr;

ScriptedUser::ScriptedUser() {
  current_ = this;
  started_ = GetTickCount();
  timer_ = SetTimer(nullptr, 0, kTickMs, &ScriptedUser::Tick);
}

ScriptedUser::~ScriptedUser() {
  KillTimer(nullptr, timer_);
  current_ = nullptr;
  // The quit that ended a loop from outside is the user's, not the next test's.
  if (quitPosted_) TakeQuitMessage();
  EXPECT_TRUE(Done()) << "the dialog ended before step " << next_ + 1 << " of " << steps_.size();
}

ScriptedUser& ScriptedUser::When(std::function<bool()> condition, std::function<void()> action) {
  steps_.push_back({std::move(condition), std::move(action)});
  return *this;
}

ScriptedUser& ScriptedUser::Then(std::function<void()> action) {
  return When([] { return true; }, std::move(action));
}

ScriptedUser& ScriptedUser::WhenShown(IWQStandinBrowser* browser, std::function<void()> action) {
  return When(
      [browser] {
        VARIANT_BOOL shown = VARIANT_FALSE;
        return SUCCEEDED(browser->get_PageShown(&shown)) && shown;
      },
      std::move(action));
}

ScriptedUser& ScriptedUser::AnswerMessageBox(const wchar_t* caption, std::wstring* text) {
  const std::wstring wanted = caption;
  return When([wanted] { return FindMessageBox(wanted.c_str()) != nullptr; },
              [wanted, text] {
                HWND box = FindMessageBox(wanted.c_str());
                if (text) EnumChildWindows(box, &FindText, reinterpret_cast<LPARAM>(text));
                PostMessageW(box, WM_COMMAND, IDOK, 0);
              });
}

ScriptedUser& ScriptedUser::Forbid(std::function<bool()> condition, std::string what) {
  forbidden_.emplace_back(std::move(condition), std::move(what));
  return *this;
}

void CALLBACK ScriptedUser::Tick(HWND, UINT, UINT_PTR, DWORD) {
  if (!current_) return;
  current_->CheckForbidden();
  current_->RunStep();
  current_->GiveUpIfStuck();
}

void ScriptedUser::RunStep() {
  if (gaveUp_) return;
  if (Done()) {
    // A dialog that shows after the last step (one the code under test read as confirmed
    // and followed) waits for a user who does not come.
    if (!DialogWindow())
      started_ = GetTickCount();
    else if (GetTickCount() - started_ > kPatienceMs)
      GiveUp("a dialog showed after the last step");
  } else if (steps_[next_].condition()) {
    // The step counts as taken before it acts: its action may run a modal loop in
    // which the next steps are played.
    Step& step = steps_[next_++];
    started_ = GetTickCount();
    step.action();
  } else if (GetTickCount() - started_ > kPatienceMs) {
    GiveUp("step " + std::to_string(next_ + 1) + " waited too long");
  }
}

void ScriptedUser::GiveUp(const std::string& why) {
  ADD_FAILURE() << why << "; closing the windows";
  next_ = steps_.size();
  started_ = GetTickCount();
  EnumThreadWindows(GetCurrentThreadId(), &CloseAll, 0);
  gaveUp_ = true;
}

void ScriptedUser::CheckForbidden() {
  for (auto& [condition, what] : forbidden_) {
    if (!condition()) continue;
    // Told once; the windows are closed whenever it holds, so that no loop waits on them.
    if (!what.empty()) ADD_FAILURE() << what << "; closing the windows";
    what.clear();
    EnumThreadWindows(GetCurrentThreadId(), &CloseAll, 0);
  }
}

void ScriptedUser::GiveUpIfStuck() {
  // A loop that closing its windows did not end is ended from outside, so that a hang
  // fails the test instead of the run.
  if (gaveUp_ && GetTickCount() - started_ > kPatienceMs) {
    ADD_FAILURE() << "the dialog's loop did not end when its windows were closed";
    gaveUp_ = false;
    quitPosted_ = true;
    PostQuitMessage(0);
  }
}

int TakeQuitMessage() {
  MSG message;
  return PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)
             ? static_cast<int>(message.wParam)
             : -1;
}

HWND DialogWindow() { return FindWindowW(L"WQCXMLDialogWindow", nullptr); }

HWND FindMessageBox(const wchar_t* caption) {
  std::pair<const wchar_t*, HWND> search{caption, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), &FindBox, reinterpret_cast<LPARAM>(&search));
  return search.second;
}

std::wstring WindowText(HWND window) {
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  return text;
}

std::wstring TempFile() {
  wchar_t dir[MAX_PATH], path[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  GetTempFileNameW(dir, L"wqk", 0, path);
  return path;
}

std::wstring TakeWideFile(const std::wstring& path) {
  FILE* file = _wfopen(path.c_str(), L"rb");
  if (!file) return L"<missing>";
  std::wstring text;
  wchar_t buffer[256];
  size_t read;
  while ((read = fread(buffer, sizeof(wchar_t), 256, file)) > 0) text.append(buffer, read);
  fclose(file);
  DeleteFileW(path.c_str());
  return text;
}

plat::com_ptr<IWQStandinBrowser> ResetBrowser() {
  plat::com_ptr<IWQStandinBrowser> browser;
  CLSID clsid;
  if (SUCCEEDED(CLSIDFromProgID(L"WQStandins.BrowserControl", &clsid)) &&
      SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IWQStandinBrowser),
                                 browser.put_void())))
    browser->Reset();
  return browser;
}

std::wstring ElementText(IWQStandinBrowser* browser, const wchar_t* id, const wchar_t* name) {
  plat::com_ptr<IDispatch> document;
  if (FAILED(browser->get_Document(document.put())) || !document) return L"<no document>";
  plat::unique_variant element, value;
  plat::unique_bstr idText = plat::unique_bstr::copy(id);
  if (FAILED(plat::CallMethod(document.get(), L"getElementById", {plat::ArgText(idText.get())},
                              element.put())) ||
      V_VT(&element) != VT_DISPATCH)
    return L"<no element>";
  if (FAILED(plat::GetPropertyAs(V_DISPATCH(&element), name, VT_BSTR, value.put())))
    return L"<no value>";
  return V_BSTR(&value) ? V_BSTR(&value) : L"";
}

}  // namespace kbtest
