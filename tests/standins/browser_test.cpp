// The web-browser stand-in's own windows around its destruction.
#include "standinsclient.h"
#include "standinstest.h"

#include <ole2.h>

namespace {

const CLSID kWebBrowser = {
    0x8856F961, 0x340A, 0x11D0, {0xA9, 0x6B, 0x00, 0xC0, 0x4F, 0xD7, 0x05, 0xA2}};

// Faults raised on this thread, seen before any handler (Wine's window-procedure dispatch
// swallows them, so they show nowhere else).
LONG g_faults = 0;
LONG CALLBACK CountFault(EXCEPTION_POINTERS* exception) {
  if (exception->ExceptionRecord->ExceptionCode == EXCEPTION_ACCESS_VIOLATION) ++g_faults;
  return EXCEPTION_CONTINUE_SEARCH;
}

// A stand-in browser window of this process: tests running beside this one have their own.
bool OwnBrowserWindowExists() {
  for (HWND window = FindWindowExW(HWND_MESSAGE, nullptr, L"WQStandinBrowser", nullptr); window;
       window = FindWindowExW(HWND_MESSAGE, window, L"WQStandinBrowser", nullptr)) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId()) return true;
  }
  return false;
}

class BrowserStandin : public standinstest::NoLeaks {};

// Its windows get their last messages while the object is destroyed; they must not reach
// it then (its interfaces are gone by that time).
TEST_F(BrowserStandin, DestructionLeavesNoWindowAndCallsNothing) {
  g_faults = 0;
  void* handler = AddVectoredExceptionHandler(1, &CountFault);
  ASSERT_TRUE(handler);
  for (int i = 0; i < 3; ++i) {
    plat::com_ptr<IOleObject> browser;
    ASSERT_EQ(CoCreateInstance(kWebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                               browser.put_void()),
              S_OK);
    EXPECT_TRUE(OwnBrowserWindowExists());
  }
  RemoveVectoredExceptionHandler(handler);
  EXPECT_EQ(g_faults, 0);
  EXPECT_FALSE(OwnBrowserWindowExists());
}

}  // namespace
