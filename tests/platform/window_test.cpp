// The dialog class template and its message map: routing on plain messages, and a real
// modal dialog for the procedure's results and its exception barrier.
#include <gtest/gtest.h>

#include <typeahead.h>
#include <window.h>

#include <functional>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "dialogdriver.h"

namespace {

using plat::Message;

class RoutingDlg : public plat::DialogImpl<RoutingDlg> {
 public:
  static constexpr UINT IDD = 100;
  static constexpr auto GetMessageMap() {
    return plat::MessageMap{plat::OnMessage(WM_INITDIALOG, &RoutingDlg::OnInitDialog),
                            plat::OnMessage(WM_APP, &RoutingDlg::OnDeclined),
                            plat::OnMessageRange(WM_APP, WM_APP + 10, &RoutingDlg::OnAppRange),
                            plat::OnCommand(IDOK, BN_CLICKED, &RoutingDlg::OnOK),
                            plat::OnCommandId(1001, &RoutingDlg::OnEdit),
                            plat::OnCommandRange(2000, 2009, BN_CLICKED, &RoutingDlg::OnPick),
                            plat::OnNotify(3000, NM_CLICK, &RoutingDlg::OnClick),
                            plat::OnNotifyCode(NM_DBLCLK, &RoutingDlg::OnAnyDoubleClick),
                            plat::OnCommand(1002, BN_CLICKED, &RoutingDlg::OnFail),
                            plat::Chain(&RoutingDlg::mixin_)};
  }

  struct Mixin {
    bool ProcessWindowMessage(const Message& m, LRESULT& result) {
      if (m.msg != WM_USER) return false;
      result = 7;
      return true;
    }
  };

  std::vector<std::string> calls;

 private:
  LRESULT OnInitDialog() {
    calls.push_back("init");
    return TRUE;
  }
  LRESULT OnDeclined(UINT, WPARAM, LPARAM, bool& handled) {
    calls.push_back("declined");
    handled = false;
    return 99;
  }
  LRESULT OnAppRange(UINT msg, WPARAM, LPARAM, bool&) {
    calls.push_back("range " + std::to_string(msg - WM_APP));
    return 42;
  }
  void OnOK() {
    calls.push_back("ok");
    EndDialog(IDOK);
  }
  LRESULT OnEdit(WORD code, WORD, HWND, bool&) {
    calls.push_back("edit " + std::to_string(code));
    return 0;
  }
  LRESULT OnPick(WORD, WORD id, HWND, bool&) {
    calls.push_back("pick " + std::to_string(id));
    return 0;
  }
  LRESULT OnClick(int id, NMHDR* header, bool&) {
    calls.push_back("click " + std::to_string(id) + " " + std::to_string(header->idFrom));
    return 5;
  }
  void OnAnyDoubleClick() { calls.push_back("double click"); }
  void OnFail() { throw std::bad_alloc(); }

  Mixin mixin_;
};

struct Routed {
  bool handled;
  LRESULT result;
};

Routed Route(RoutingDlg& dlg, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) {
  LRESULT result = -1;
  const bool handled = dlg.ProcessWindowMessage(Message{nullptr, msg, wParam, lParam}, result);
  return {handled, result};
}

TEST(MessageMap, FirstEntryThatHandlesWins) {
  RoutingDlg dlg;
  const Routed routed = Route(dlg, WM_APP);
  EXPECT_TRUE(routed.handled);
  EXPECT_EQ(routed.result, 42);
  EXPECT_EQ(dlg.calls, (std::vector<std::string>{"declined", "range 0"}));
  EXPECT_EQ(Route(dlg, WM_APP + 11).handled, false);
  EXPECT_EQ(Route(dlg, WM_USER).result, 7) << "the chained member answers last";
}

TEST(MessageMap, CommandsMatchIdAndCode) {
  RoutingDlg dlg;
  EXPECT_FALSE(Route(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_DOUBLECLICKED)).handled);
  EXPECT_TRUE(Route(dlg, WM_COMMAND, MAKEWPARAM(1001, EN_CHANGE)).handled);
  EXPECT_TRUE(Route(dlg, WM_COMMAND, MAKEWPARAM(2009, BN_CLICKED)).handled);
  EXPECT_FALSE(Route(dlg, WM_COMMAND, MAKEWPARAM(2010, BN_CLICKED)).handled);
  EXPECT_FALSE(Route(dlg, WM_COMMAND, MAKEWPARAM(2000, BN_SETFOCUS)).handled);
  EXPECT_EQ(dlg.calls, (std::vector<std::string>{"edit 768", "pick 2009"}));
}

TEST(MessageMap, NotificationsMatchIdAndCode) {
  RoutingDlg dlg;
  NMHDR header{nullptr, 3000, static_cast<UINT>(NM_CLICK)};
  EXPECT_EQ(Route(dlg, WM_NOTIFY, 3000, reinterpret_cast<LPARAM>(&header)).result, 5);
  header.idFrom = 3001;
  EXPECT_FALSE(Route(dlg, WM_NOTIFY, 3001, reinterpret_cast<LPARAM>(&header)).handled);
  header.code = static_cast<UINT>(NM_DBLCLK);
  const Routed routed = Route(dlg, WM_NOTIFY, 3001, reinterpret_cast<LPARAM>(&header));
  EXPECT_TRUE(routed.handled);
  EXPECT_EQ(routed.result, 0);
  EXPECT_FALSE(Route(dlg, WM_NOTIFY, 0, 0).handled) << "a notification without a header";
  EXPECT_EQ(dlg.calls, (std::vector<std::string>{"click 3000 3000", "double click"}));
}

// A handled message answers through DWLP_MSGRESULT; WM_INITDIALOG and the colour
// messages through the procedure's own value.
TEST(DialogImpl, ProcedureResults) {
  RoutingDlg dlg;
  wqtest::DialogDriver driver;
  driver.Expect(wqtest::DialogScript()
                    .Inspect([](wqtest::DialogView& view) {
                      EXPECT_EQ(SendMessageW(view.hwnd(), WM_APP + 3, 0, 0), 42);
                      EXPECT_EQ(SendMessageW(view.hwnd(), WM_USER, 0, 0), 7);
                      EXPECT_EQ(plat::DialogProcResult(view.hwnd(), WM_CTLCOLORDLG, 1234), 1234);
                    })
                    .Click(IDOK));
  EXPECT_EQ(dlg.DoModal(nullptr, GetModuleHandleW(nullptr)), IDOK);
  EXPECT_EQ(dlg.calls.front(), "init");
  EXPECT_EQ(dlg.calls.back(), "ok");
  EXPECT_EQ(dlg.HandlerError(), S_OK);
  EXPECT_EQ(dlg.hwnd(), nullptr) << "the window is forgotten when it is destroyed";
}

TEST(DialogImpl, HandlerExceptionEndsTheModalDialog) {
  RoutingDlg dlg;
  wqtest::DialogDriver driver;
  driver.Expect(wqtest::DialogScript().Click(1002));
  EXPECT_EQ(dlg.DoModal(nullptr, GetModuleHandleW(nullptr)), -1);
  EXPECT_EQ(dlg.HandlerError(), E_OUTOFMEMORY);
}

// A modeless dialog that frees itself with its window, as the tab dialogs do. Its OK runs
// what a modal box lets happen meanwhile, then looks whether it is still there.
class SelfFreeingDlg : public plat::DialogImpl<SelfFreeingDlg> {
 public:
  static constexpr UINT IDD = 100;
  static constexpr auto GetMessageMap() {
    return plat::MessageMap{plat::OnMessage(WM_INITDIALOG, &SelfFreeingDlg::OnInitDialog),
                            plat::OnCommand(IDOK, BN_CLICKED, &SelfFreeingDlg::OnOK)};
  }

  // The test's, outliving the dialog.
  struct State {
    std::function<void()> whileShowing;
    bool freed = false;
    bool freedUnderHandler = false;
  };

  explicit SelfFreeingDlg(State& state) : state_(state) {}
  ~SelfFreeingDlg() { state_.freed = true; }
  void OnFinalMessage(HWND) noexcept { delete this; }

 private:
  LRESULT OnInitDialog() { return TRUE; }
  void OnOK() {
    State& state = state_;
    state.whileShowing();
    state.freedUnderHandler = state.freed;
  }

  State& state_;
};

// The client destroys the dialog's owner while a handler shows a box: the object stays
// until the handler has returned, and goes then.
TEST(DialogImpl, AWindowDestroyedUnderItsHandlerIsFreedWhenTheHandlerReturns) {
  const HWND owner = CreateWindowExW(0, L"STATIC", L"Client", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                     nullptr, nullptr, nullptr, nullptr);
  SelfFreeingDlg::State state{[owner] { DestroyWindow(owner); }};
  const HWND dialog = (new SelfFreeingDlg(state))->Create(owner, GetModuleHandleW(nullptr));
  ASSERT_TRUE(dialog);
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_FALSE(state.freedUnderHandler) << "freed while its handler still ran";
  EXPECT_TRUE(state.freed) << "kept after its handler returned";
}

// A window's object that goes while a handler runs takes its final message along; the others'
// still come once the handler has returned, in the order their windows went.
TEST(FinalMessage, AnObjectThatGoesFirstTakesItsMessageAlong) {
  std::string delivered;
  // The window's handle says which object's message came.
  constexpr plat::details::FinalMessage::Deliver deliver = [](void* to, HWND window) noexcept {
    static_cast<std::string*>(to)->push_back(static_cast<char>(reinterpret_cast<INT_PTR>(window)));
  };
  plat::details::FinalMessage first, last;
  std::optional<plat::details::FinalMessage> gone(std::in_place);
  {
    const plat::details::HandlerScope handler;
    first.Post(deliver, &delivered, reinterpret_cast<HWND>('1'));
    gone->Post(deliver, &delivered, reinterpret_cast<HWND>('2'));
    last.Post(deliver, &delivered, reinterpret_cast<HWND>('3'));
    gone.reset();
    EXPECT_EQ(delivered, "") << "delivered while the handler ran";
  }
  EXPECT_EQ(delivered, "13");
}

class MissingDlg : public plat::DialogImpl<MissingDlg> {
 public:
  static constexpr UINT IDD = 4321;
  static constexpr auto GetMessageMap() { return plat::MessageMap{}; }
};

TEST(DialogImpl, MissingTemplateFailsWithoutShowingAnything) {
  MissingDlg dlg;
  EXPECT_EQ(dlg.DoModal(nullptr, GetModuleHandleW(nullptr)), -1);
}

// A virtual list's search answers as a list holding the same texts would.
TEST(FindVirtualListRow, SearchesAsAListOfTexts) {
  const std::vector<std::wstring> rows = {L"Alpha", L"\u00c4rger", L"Beta", L"alpine", L""};
  const struct {
    UINT flags;
    const wchar_t* text;
    int start;
    LRESULT found;
  } cases[] = {
      {LVFI_STRING, L"ALPHA", -1, 0},            // whole texts, without regard to case
      {LVFI_STRING, L"alp", -1, -1},             // ... and only whole
      {LVFI_PARTIAL, L"alp", 1, 3},              // from the start row on
      {LVFI_PARTIAL, L"alp", 0, 0},              // the start row included
      {LVFI_PARTIAL, L"alp", 4, -1},             // no further than the end
      {LVFI_PARTIAL | LVFI_WRAP, L"alp", 4, 0},  // or round it
      {LVFI_PARTIAL, L"\u00e4r", 7, 1},          // beyond the rows: from the top; any letter
      {LVFI_PARTIAL, L"alphabet", -1, -1},       // longer than every text
      {LVFI_PARAM, L"Beta", -1, -1},             // not a search by text
  };
  for (const auto& c : cases) {
    NMLVFINDITEMW find{};
    find.iStart = c.start;
    find.lvfi.flags = c.flags;
    find.lvfi.psz = c.text;
    EXPECT_EQ(plat::FindVirtualListRow(find, static_cast<int>(rows.size()),
                                       [&](int row) { return rows[row].c_str(); }),
              c.found)
        << c.flags << " " << c.start;
  }
}

}  // namespace
