// A selection object of the registered server over a stand-in workspace, for the tests of
// each class: the reply to script, the requests made, and the dialog played by a user.
#pragma once

#include <standinsclient.h>

#include "WQCGenericSvcs.h"
#include "dialogobjecttest.h"

namespace wqtest {

inline plat::unique_bstr Bstr(const wchar_t* text) { return plat::unique_bstr::copy(text); }

template <class I>
class SelectionTest : public DialogObjectTest<I> {
 protected:
  explicit SelectionTest(const wchar_t* progId) : DialogObjectTest<I>(progId) {
    EXPECT_EQ(wqstandins::CreateWorkspace(ws_), S_OK);
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
    return this->dlg_->ShowDialog(ws(), 0, ok);
  }

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
