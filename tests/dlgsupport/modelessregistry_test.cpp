// The modeless-window registry and its key hook, with a page shown modeless under a
// message loop that offers keys to no dialog manager, as a client's loop does.
#include <gtest/gtest.h>

#include <modelessregistry.h>
#include <tabctrlex.h>
#include <window.h>

#include <functional>
#include <string>
#include <vector>

#include "dialogdriver.h"
#include "testdialogs.h"

namespace {

template <UINT Template>
class Plain : public plat::DialogImpl<Plain<Template>> {
 public:
  static constexpr UINT IDD = Template;
  static constexpr auto GetMessageMap() { return plat::MessageMap{}; }
};

class ModelessRegistry : public testing::Test {
 protected:
  void TearDown() override {
    EXPECT_EQ(GetModelessWindows().GetCount(), 0) << "a test left windows registered";
    EXPECT_EQ(GetModelessWindowHook(), nullptr);
  }
  const plat::unique_hwnd first_{
      CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr)};
  const plat::unique_hwnd second_{
      CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr)};
};

TEST_F(ModelessRegistry, HookLivesWhileAnyWindowIsRegistered) {
  EXPECT_EQ(RegisterModelessWindow(nullptr, 0, nullptr), E_INVALIDARG);
  EXPECT_EQ(GetModelessWindowHook(), nullptr);
  EXPECT_EQ(RegisterModelessWindow(first_.get(), 0, nullptr), S_OK);
  EXPECT_EQ(RegisterModelessWindow(second_.get(), 0, nullptr), S_OK);
  EXPECT_EQ(UnregisterModelessWindow(first_.get()), S_OK);
  EXPECT_EQ(UnregisterModelessWindow(first_.get()), S_OK) << "no longer known";
  EXPECT_NE(GetModelessWindowHook(), nullptr);
  EXPECT_EQ(UnregisterModelessWindow(second_.get()), S_OK);
  EXPECT_EQ(GetModelessWindowHook(), nullptr);
}

TEST_F(ModelessRegistry, SameWindowIdAndKeyRegisterOnce) {
  const plat::unique_bstr key = plat::unique_bstr::copy(L"Role");
  const plat::unique_bstr lower = plat::unique_bstr::copy(L"role");
  const plat::unique_bstr empty = plat::unique_bstr::copy(L"");
  EXPECT_EQ(RegisterModelessWindow(first_.get(), 2, key.get()), S_OK);
  EXPECT_EQ(RegisterModelessWindow(first_.get(), 2, key.get()), S_OK);
  // The thread's registry goes with its last window: read it afresh after each change.
  const ModelessWindowList& entries = GetModelessWindows();
  EXPECT_EQ(entries.GetCount(), 1);
  RegisterModelessWindow(first_.get(), 2, lower.get());  // keys compare with case
  RegisterModelessWindow(first_.get(), 3, key.get());
  RegisterModelessWindow(first_.get(), 0, nullptr);
  RegisterModelessWindow(first_.get(), 0, empty.get());  // a null key is the empty key
  ASSERT_EQ(entries.GetCount(), 4);
  UnregisterModelessWindow(first_.get());
  ASSERT_EQ(entries.GetCount(), 3);
  EXPECT_STREQ(entries[0].key, L"role") << "the first entry went";
  while (GetModelessWindows().GetCount()) UnregisterModelessWindow(first_.get());
}

// A key taken from the queue goes to the registered page's dialog manager and the loop
// gets nothing to dispatch; a key only peeked at is left alone.
TEST_F(ModelessRegistry, TabInARegisteredPageMovesTheFocus) {
  Plain<IDD_TABHOST> host;
  Plain<IDD_PAGE> page;
  ASSERT_TRUE(host.Create(nullptr, GetModuleHandleW(nullptr)));
  const plat::unique_hwnd hostWindow(host.hwnd());
  ASSERT_TRUE(page.Create(host.hwnd(), GetModuleHandleW(nullptr)));
  page.ShowWindow(SW_SHOW);
  host.ShowWindow(SW_SHOW);
  SetForegroundWindow(host.hwnd());
  const plat::Window edit = page.GetDlgItem(IDC_FIRSTEDIT);
  auto pressTab = [&](UINT removal) {
    edit.SetFocus();
    MSG msg{};
    PostMessageW(edit, WM_KEYDOWN, VK_TAB, 0x000F0001);
    EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, removal));
    MSG taken{};
    if (removal == PM_NOREMOVE) PeekMessageW(&taken, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE);
    return msg.message;
  };

  ASSERT_EQ(RegisterModelessWindow(page.hwnd(), 0, nullptr), S_OK);
  EXPECT_EQ(pressTab(PM_NOREMOVE), static_cast<UINT>(WM_KEYDOWN));
  EXPECT_EQ(pressTab(PM_REMOVE), 0u);
  EXPECT_EQ(GetFocus(), page.GetDlgItem(IDC_SECONDEDIT).hwnd());
  EXPECT_EQ(UnregisterModelessWindow(page.hwnd()), S_OK);
  EXPECT_EQ(pressTab(PM_REMOVE), static_cast<UINT>(WM_KEYDOWN)) << "the loop sees it again";
  EXPECT_EQ(GetFocus(), edit.hwnd());
}

// A tabbed dialog as the module's are: the host and its pages register while they exist.
class RegisteredPage : public plat::DialogImpl<RegisteredPage>, public CPropertyPage {
 public:
  static constexpr UINT IDD = IDD_PAGE;
  static constexpr auto GetMessageMap() {
    return plat::MessageMap{plat::OnMessage(WM_INITDIALOG, &RegisteredPage::OnInitDialog),
                            plat::OnMessage(WM_DESTROY, &RegisteredPage::OnDestroy)};
  }
  RegisteredPage() : CPropertyPage(this) {}
  bool UpdateData() override { return true; }

 private:
  LRESULT OnInitDialog() {
    RegisterModelessWindow(hwnd(), 0, nullptr);
    return TRUE;
  }
  void OnDestroy() { UnregisterModelessWindow(hwnd()); }
};

class TabbedDialog : public plat::DialogImpl<TabbedDialog> {
 public:
  static constexpr UINT IDD = IDD_TABHOST;
  static constexpr auto GetMessageMap() {
    return plat::MessageMap{plat::OnMessage(WM_INITDIALOG, &TabbedDialog::OnInitDialog),
                            plat::OnMessage(WM_DESTROY, &TabbedDialog::OnDestroy),
                            plat::OnNotify(IDC_TABS, TCN_SELCHANGING, &TabbedDialog::OnSelChanging),
                            plat::OnNotify(IDC_TABS, TCN_SELCHANGE, &TabbedDialog::OnSelChange),
                            plat::OnCommand(IDCANCEL, BN_CLICKED, &TabbedDialog::OnCancel)};
  }

  INT_PTR Run(wqtest::DialogScript script) {
    wqtest::DialogDriver driver;
    driver.Expect(std::move(script));
    return DoModal(nullptr, GetModuleHandleW(nullptr));
  }

  CTabCtrlEx tabs;

 private:
  LRESULT OnInitDialog() {
    RegisterModelessWindow(hwnd(), 0, nullptr);
    RECT rect = GetClientRect();
    InflateRect(&rect, -5, -5);
    rect.bottom -= 30;
    if (!tabs.Create(hwnd(), rect, L"TabControl", IDC_TABS)) throw plat::hresult_error{E_FAIL};
    for (RegisteredPage& page : pages_) {
      page.Create(hwnd(), GetModuleHandleW(nullptr));
      tabs.AddPage(&page, L"Page", 0);
    }
    return TRUE;
  }
  void OnDestroy() { UnregisterModelessWindow(hwnd()); }
  LRESULT OnSelChanging() { return tabs.OnSelChanging(); }
  LRESULT OnSelChange() { return tabs.OnSelChange(); }
  void OnCancel() { EndDialog(IDCANCEL); }

  RegisteredPage pages_[3];
};

// Waits inside a dialog's loop while the thread's windows still answer what other threads
// send them (activation, for one): false after 20 s.
bool WaitAnswering(HANDLE handle) {
  for (;;) {
    switch (MsgWaitForMultipleObjects(1, &handle, FALSE, 20000, QS_SENDMESSAGE)) {
      case WAIT_OBJECT_0: return true;
      case WAIT_OBJECT_0 + 1: {
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        break;
      }
      default: return false;
    }
  }
}

plat::unique_handle StartThread(std::function<void()>& body) {
  return plat::unique_handle(CreateThread(
      nullptr, 0,
      [](void* body) -> DWORD {
        (*static_cast<std::function<void()>*>(body))();
        return 0;
      },
      &body, 0, nullptr));
}

// Several user-interface threads show tabbed dialogs at once, each turning its pages with
// the keys posted to it. The thread that registered first ends while the others' dialogs
// are open; each thread's registry goes with its last window.
TEST(ModelessRegistryThreads, PagesTurnOnEveryThreadAtOnce) {
  constexpr int kThreads = 3, kRounds = 4;
  const plat::unique_handle firstShown(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  const plat::unique_handle othersShown(CreateSemaphoreW(nullptr, 0, kThreads, nullptr));
  std::vector<std::string> results(kThreads);

  std::function<void()> leaving = [&] {
    TabbedDialog dialog;
    dialog.Run(wqtest::DialogScript()
                   .Do([&](wqtest::DialogView&) {
                     SetEvent(firstShown.get());
                     for (int i = 0; i < kThreads; ++i)
                       if (!WaitAnswering(othersShown.get())) return std::string("no dialogs");
                     return std::string();
                   })
                   .Click(IDCANCEL));
  };
  const plat::unique_handle leaver = StartThread(leaving);
  ASSERT_TRUE(leaver);
  ASSERT_EQ(WaitForSingleObject(firstShown.get(), 20000), WAIT_OBJECT_0);

  std::vector<std::function<void()>> bodies;
  for (int t = 0; t < kThreads; ++t) {
    bodies.emplace_back([&, t] {
      std::string& result = results[t];
      for (int round = 0; round < kRounds; ++round) {
        std::vector<int> pages;
        const auto page = [&](wqtest::DialogView& view) {
          pages.push_back(static_cast<int>(SendMessageW(view.Item(IDC_TABS), TCM_GETCURSEL, 0, 0)));
        };
        TabbedDialog dialog;
        dialog.Run(wqtest::DialogScript()
                       .Do([&](wqtest::DialogView&) {
                         if (round > 0) return std::string();
                         ReleaseSemaphore(othersShown.get(), 1, nullptr);
                         return WaitAnswering(leaver.get()) ? std::string() : "still there";
                       })
                       .PressIn(IDC_FIRSTEDIT, VK_TAB, MOD_CONTROL)
                       .Inspect(page)
                       .PressIn(IDC_FIRSTEDIT, VK_NEXT, MOD_CONTROL)
                       .Inspect(page)
                       .PressIn(IDC_FIRSTEDIT, VK_TAB, MOD_CONTROL | MOD_SHIFT)
                       .PressIn(IDC_FIRSTEDIT, VK_TAB, MOD_CONTROL | MOD_SHIFT)
                       .PressIn(IDC_FIRSTEDIT, VK_PRIOR, MOD_CONTROL)
                       .Inspect(page)
                       .Click(IDCANCEL));
        if (pages != std::vector<int>{1, 2, 2}) result += " round " + std::to_string(round);
      }
      if (GetModelessWindows().GetCount() != 0 || GetModelessWindowHook())
        result += " left registered";
    });
  }
  std::vector<plat::unique_handle> threads;
  for (auto& body : bodies) threads.push_back(StartThread(body));
  for (const auto& thread : threads) {
    ASSERT_TRUE(thread);
    EXPECT_EQ(WaitForSingleObject(thread.get(), 60000), WAIT_OBJECT_0);
  }
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(results[t], "") << "thread " << t;
}

}  // namespace
