// The modeless-window registry and its key hook, with a page shown modeless under a
// message loop that offers keys to no dialog manager, as a client's loop does.
#include <gtest/gtest.h>

#include <modelessregistry.h>
#include <window.h>

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
  const ModelessWindowList& entries = GetModelessWindows();
  EXPECT_EQ(RegisterModelessWindow(first_.get(), 2, key.get()), S_OK);
  EXPECT_EQ(RegisterModelessWindow(first_.get(), 2, key.get()), S_OK);
  EXPECT_EQ(entries.GetCount(), 1);
  RegisterModelessWindow(first_.get(), 2, lower.get());  // keys compare with case
  RegisterModelessWindow(first_.get(), 3, key.get());
  RegisterModelessWindow(first_.get(), 0, nullptr);
  RegisterModelessWindow(first_.get(), 0, empty.get());  // a null key is the empty key
  ASSERT_EQ(entries.GetCount(), 4);
  UnregisterModelessWindow(first_.get());
  ASSERT_EQ(entries.GetCount(), 3);
  EXPECT_STREQ(entries[0].key, L"role") << "the first entry went";
  while (entries.GetCount()) UnregisterModelessWindow(first_.get());
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

}  // namespace
