// Pages in a host dialog driven as a user would: the tab control shows one page at a
// time, asks every page for its data and commits through the first.
#include <gtest/gtest.h>

#include <tabctrlex.h>

#include <string>
#include <vector>

#include "dialogdriver.h"
#include "testdialogs.h"

namespace {

using wqtest::DialogScript;
using wqtest::DialogView;
using Calls = std::vector<std::string>;

class Page : public plat::DialogImpl<Page>, public CPropertyPage {
 public:
  static constexpr UINT IDD = IDD_PAGE;
  static constexpr auto GetMessageMap() { return plat::MessageMap{}; }
  explicit Page(std::string name, bool valid = true, bool commits = true)
      : CPropertyPage(this), name_(std::move(name)), valid_(valid), commits_(commits) {}

  bool UpdateData() override {
    static_cast<Calls*>(GetOwner())->push_back("update " + name_);
    return valid_;
  }
  void OnCommit() override {
    if (!commits_) return CPropertyPage::OnCommit();
    static_cast<Calls*>(GetOwner())->push_back("commit " + name_);
  }

 private:
  std::string name_;
  bool valid_, commits_;
};

// Hosts the pages as the module's tabbed dialogs do.
class TabHost : public plat::DialogImpl<TabHost> {
 public:
  static constexpr UINT IDD = IDD_TABHOST;
  static constexpr auto GetMessageMap() {
    return plat::MessageMap{plat::OnMessage(WM_INITDIALOG, &TabHost::OnInitDialog),
                            plat::OnNotify(IDC_TABS, TCN_SELCHANGING, &TabHost::OnSelChanging),
                            plat::OnNotify(IDC_TABS, TCN_SELCHANGE, &TabHost::OnSelChange),
                            plat::OnCommand(IDOK, BN_CLICKED, &TabHost::OnOK),
                            plat::OnCommand(IDCANCEL, BN_CLICKED, &TabHost::OnCancel)};
  }
  explicit TabHost(std::vector<Page*> pages) : pages_(std::move(pages)) {}

  INT_PTR Run(DialogScript script) {
    wqtest::DialogDriver driver;
    driver.Expect(std::move(script));
    return DoModal(nullptr, GetModuleHandleW(nullptr));
  }
  std::vector<bool> Shown() const {
    std::vector<bool> shown;
    for (const Page* page : pages_) shown.push_back(page->IsWindowVisible());
    return shown;
  }

  Calls calls;
  CTabCtrlEx tabs;

 private:
  LRESULT OnInitDialog() {
    RECT rect = GetClientRect();
    InflateRect(&rect, -5, -5);
    rect.bottom -= 30;
    if (!tabs.Create(hwnd(), rect, L"TabControl", IDC_TABS)) throw plat::hresult_error{E_FAIL};
    for (Page* page : pages_) {
      page->SetOwner(&calls);
      page->Create(hwnd(), GetModuleHandleW(nullptr));
      tabs.AddPage(page, L"Privileges", 0);
    }
    return TRUE;
  }
  LRESULT OnSelChanging() { return tabs.OnSelChanging(); }
  LRESULT OnSelChange() { return tabs.OnSelChange(); }
  void OnOK() {
    if (!tabs.UpdateAllPages()) return;
    tabs.CommitPages();
    EndDialog(IDOK);
  }
  void OnCancel() { EndDialog(IDCANCEL); }

  std::vector<Page*> pages_;
};

using Visible = std::vector<bool>;

TEST(CTabCtrlEx, ShowsThePageOfTheSelectedTabOnly) {
  Page general("general"), roles("roles"), members("members");
  TabHost host({&general, &roles, &members});
  const DialogScript script =
      DialogScript()
          .Inspect([&](DialogView& view) {
            EXPECT_EQ(host.Shown(), (Visible{true, false, false}));
            const RECT placed = plat::Window(view.hwnd()).ScreenToClient(members.GetWindowRect());
            EXPECT_EQ(placed.left, 8);
            EXPECT_EQ(placed.top, 28);
          })
          .SelectTab(IDC_TABS, 2)
          .Inspect([&](DialogView&) {
            EXPECT_EQ(host.Shown(), (Visible{false, false, true}));
            EXPECT_TRUE(host.tabs.SelectPage(2));
            EXPECT_FALSE(host.tabs.SelectPage(3));
            EXPECT_FALSE(host.tabs.SelectPage(-1));
            EXPECT_EQ(host.Shown(), (Visible{false, false, true}))
                << "an unknown tab leaves the page in view";
            EXPECT_TRUE(host.tabs.SelectPage(1));
            EXPECT_EQ(host.tabs.GetCurSel(), 1);
            EXPECT_EQ(host.Shown(), (Visible{false, true, false}));
          })
          .Click(IDCANCEL);
  EXPECT_EQ(host.Run(script), IDCANCEL);
}

// A refusing page keeps the dialog open; all pages are asked all the same. Only the first
// page commits, and one that did not override the commit says so.
TEST(CTabCtrlEx, AsksEveryPageAndCommitsThroughTheFirstOnly) {
  Page first("first", true, false), refusing("refusing", false), last("last");
  TabHost host({&first, &refusing, &last});
  {
    wqtest::DialogDriver driver;
    driver.Expect(DialogScript().Click(IDOK).Inspect([&](DialogView&) {
      EXPECT_EQ(host.calls, (Calls{"update first", "update refusing", "update last"}));
      host.calls.clear();
      host.tabs.CommitPages();
      EXPECT_TRUE(host.calls.empty());
      host.EndDialog(IDCANCEL);
    }));
    driver.Expect(DialogScript()
                      .Inspect([](DialogView& view) {
                        EXPECT_EQ(view.Text(), L"Property Page");
                        EXPECT_EQ(view.Text(0xFFFF),
                                  L"Coding Error. Page 0 should override OnCommit");
                      })
                      .Click(IDOK));
    EXPECT_EQ(host.DoModal(nullptr, GetModuleHandleW(nullptr)), IDCANCEL);
  }

  Page committing("committing"), second("second");
  TabHost valid({&committing, &second});
  EXPECT_EQ(valid.Run(DialogScript().Click(IDOK)), IDOK);
  EXPECT_EQ(valid.calls, (Calls{"update committing", "update second", "commit committing"}));

  TabHost empty({});
  EXPECT_EQ(empty.Run(DialogScript().Click(IDOK)), IDOK);
}

// The pages take the new size, and the control still lays its own tabs out: once they no
// longer fit, it shows its scroll arrows.
TEST(CTabCtrlEx, ResizingResizesThePagesAndTheTabs) {
  Page general("general"), roles("roles"), members("members");
  TabHost host({&general, &roles, &members});
  auto arrows = [&] { return FindWindowExW(host.tabs, nullptr, UPDOWN_CLASSW, nullptr); };
  const DialogScript script = DialogScript()
                                  .Inspect([&](DialogView&) {
                                    EXPECT_EQ(arrows(), nullptr);
                                    host.tabs.ResizeWindow(70, 120);
                                    const RECT client = host.tabs.GetClientRect();
                                    const RECT page = members.GetClientRect();
                                    EXPECT_EQ(page.right, client.right - 12);
                                    EXPECT_EQ(page.bottom, client.bottom - 30);
                                    EXPECT_TRUE(arrows() && IsWindowVisible(arrows()));
                                  })
                                  .Click(IDCANCEL);
  EXPECT_EQ(host.Run(script), IDCANCEL);
}

}  // namespace
