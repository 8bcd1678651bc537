// The control host, the event sink and late-bound calls, over the grid control's stand-in:
// a real ActiveX control activated in place, with events and errors of its own.
#include <gtest/gtest.h>

#include <axhost.h>
#include <latebound.h>
#include <window.h>
#include <standinsclient.h>

#include <vector>

#include "comtest.h"

namespace {

constexpr wchar_t kGrid[] = L"VsFlexGrid8.VsFlexGridN";

class Recorded : public plat::DispEventHandler {
 public:
  void OnEvent(DISPID id, DISPPARAMS& params) override {
    events.push_back({id, plat::LongArgAt(params, 0), plat::LongArgAt(params, 1)});
    const VARIANT* cancel = plat::ArgAt(params, 2);
    if (cancelEdits && cancel && V_VT(cancel) == (VT_BOOL | VT_BYREF))
      *V_BOOLREF(cancel) = VARIANT_TRUE;
  }
  struct Event {
    DISPID id;
    long row, col;
    bool operator==(const Event&) const = default;
  };
  std::vector<Event> events;
  bool cancelEdits = false;
};

class ControlHost : public wqtest::NoLeaks {
 protected:
  ControlHost() : NoLeaks(L"WQStandins.dll") {}
  void SetUp() override {
    ASSERT_EQ(wqstandins::CreateGridControl(control_), S_OK);
    parent_.reset(CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr,
                                  nullptr, nullptr, nullptr));
  }
  void TearDown() override {
    host_.Destroy();
    parent_.reset();
    control_.reset();
    NoLeaks::TearDown();
  }

  // A grid hosted on the parent window, as a page hosts one.
  plat::com_ptr<IDispatch> HostGrid() {
    plat::com_ptr<IDispatch> grid;
    EXPECT_EQ(host_.Create(parent_.get(), RECT{0, 0, 200, 100}, WS_CHILD, 1, kGrid), S_OK);
    EXPECT_EQ(host_.QueryControl(grid), S_OK);
    return grid;
  }

  plat::com_ptr<IWQStandinGridControl> control_;
  plat::unique_hwnd parent_;
  plat::AxHost host_;
};

TEST_F(ControlHost, ActivatesTheControlInItsWindowAndReleasesItWithTheWindow) {
  plat::AxHost host;
  ASSERT_EQ(host.Create(parent_.get(), RECT{10, 10, 210, 110}, WS_CHILD | WS_VISIBLE, 7, kGrid),
            S_OK);
  plat::com_ptr<IOleInPlaceObject> inPlace;
  ASSERT_EQ(host.QueryControl(inPlace), S_OK);
  HWND window = nullptr;
  ASSERT_EQ(inPlace->GetWindow(&window), S_OK);
  EXPECT_EQ(GetParent(window), host.hwnd());
  plat::com_ptr<IUnknown> found;
  EXPECT_EQ(plat::AxHost::GetControl(host.hwnd(), IID_IUnknown, found.put_void()), S_OK);
  found.reset();
  // The control follows its host's size.
  plat::Window(host.hwnd()).ResizeWindow(150, 60);
  RECT client{};
  GetClientRect(host.hwnd(), &client);
  RECT placed{};
  GetWindowRect(window, &placed);
  EXPECT_EQ(placed.right - placed.left, client.right);
  inPlace.reset();
  // Destroyed with its parent, the host deactivates and lets the control go (NoLeaks).
  parent_.reset();
  EXPECT_FALSE(IsWindow(window));
  EXPECT_FALSE(host.HasControl());
}

TEST_F(ControlHost, ReportsAControlThatCannotBeMade) {
  plat::AxHost host;
  EXPECT_EQ(host.Create(parent_.get(), RECT{0, 0, 50, 50}, WS_CHILD, 1, L"No.Such.Control"),
            CO_E_CLASSSTRING);
  ASSERT_EQ(wqstandins::FailAt(control_.get(), L"Create", E_ACCESSDENIED), S_OK);
  plat::AxHost refused;
  EXPECT_EQ(refused.Create(parent_.get(), RECT{0, 0, 50, 50}, WS_CHILD, 2, kGrid), E_ACCESSDENIED);
  EXPECT_FALSE(refused.HasControl());
}

TEST_F(ControlHost, SinkReceivesTheDefaultSourceEventsUntilDisconnected) {
  plat::com_ptr<IDispatch> grid = HostGrid();
  plat::LateBound calls(grid);
  ASSERT_EQ(calls.PutIndexed(L"ColDataType", {1}, 11), S_OK);
  Recorded handler;
  plat::com_ptr<plat::DispEventSink> sink = plat::DispEventSink::Create(&handler);
  ASSERT_EQ(sink->Connect(grid.get()), S_OK);
  plat::com_ptr<IWQStandinGridUser> user = grid.try_query<IWQStandinGridUser>();
  EXPECT_EQ(user->ClickCell(2, 1), S_OK);
  handler.cancelEdits = true;
  EXPECT_EQ(user->ClickCell(3, 1), S_FALSE);
  using Event = Recorded::Event;
  EXPECT_EQ(handler.events, (std::vector<Event>{{21, 2, 1}, {24, 2, 1}, {21, 3, 1}}));
  sink->Disconnect();
  EXPECT_EQ(user->ClickCell(2, 1), S_OK);
  EXPECT_EQ(handler.events.size(), 3u);
}

TEST_F(ControlHost, LateBoundCallsKeepIndexAndValueApartAndRaiseTheControlsError) {
  plat::LateBound calls(HostGrid());
  ASSERT_EQ(calls.PutIndexed(L"TextMatrix", {2, 1}, L"two-one"), S_OK);
  ASSERT_EQ(calls.Call(L"AddItem", nullptr, {L"first\tsecond", 0}), S_OK);
  plat::unique_variant text;
  ASSERT_EQ(calls.Get(L"TextMatrix", text.put(), {3, 1}), S_OK);
  EXPECT_STREQ(V_BSTR(&text), L"two-one");
  ASSERT_EQ(calls.Get(L"TextMatrix", text.put(), {0, 1}), S_OK);
  EXPECT_STREQ(V_BSTR(&text), L"second");

  EXPECT_EQ(calls.Get(L"TextMatrix", text.put(), {99, 0}), E_INVALIDARG);
  EXPECT_EQ(wqtest::TakeErrorDescription(), L"Subscript out of range");
  EXPECT_EQ(calls.Put(L"NoSuchMember", 1), DISP_E_UNKNOWNNAME);
}

}  // namespace
