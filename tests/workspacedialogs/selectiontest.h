// A selection object of the registered server over a stand-in workspace, for the tests of
// each class: the reply to script, the requests made, and the dialog played by a user.
#pragma once

#include <gtest/gtest.h>

#include <standinsclient.h>

#include <string>

#include "WQCGenericSvcs.h"
#include "comtest.h"
#include "dialogdriver.h"

namespace wqtest {

inline plat::unique_bstr Bstr(const wchar_t* text) { return plat::unique_bstr::copy(text); }

template <class Class, class Interface>
class SelectionTest : public NoLeaks {
 protected:
  SelectionTest() : NoLeaks(L"WQCGenericSvcs.dll") {}
  void SetUp() override {
    ASSERT_EQ(CoCreateInstance(__uuidof(Class), nullptr, CLSCTX_INPROC_SERVER,
                               __uuidof(Interface), dlg_.put_void()),
              S_OK);
    ASSERT_EQ(wqstandins::CreateWorkspace(ws_), S_OK);
  }
  void TearDown() override {
    dlg_.reset();
    NoLeaks::TearDown();
  }

  IDispatch* ws() const { return ws_.get(); }
  void Reply(const wchar_t* method, const wchar_t* xml) {
    wqstandins::SetReply(ws_.get(), L"ZERAZevozarAdid.Main", method, xml);
  }
  std::wstring Request(LONG index) const { return wqstandins::RequestXml(ws_.get(), index); }
  // Shows the dialog with `script` playing the user; *ok is the dialog's answer.
  HRESULT Show(const DialogScript& script, VARIANT_BOOL* ok) {
    DialogDriver driver;
    driver.Expect(script);
    return dlg_->ShowDialog(ws(), 0, ok);
  }

  plat::com_ptr<Interface> dlg_;
  plat::com_ptr<IWQStandinWorkspace> ws_;
};

// "a, b, c" of what `get(i)` gives for i = 1..count.
template <class Get>
std::wstring Joined(long count, Get get) {
  std::wstring text;
  for (long i = 1; i <= count; ++i) text += (i > 1 ? L", " : L"") + get(i);
  return text;
}

}  // namespace wqtest
