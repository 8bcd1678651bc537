// A selection object of the registered server over a stand-in workspace, for the tests of
// each class: the reply to script, the requests made, and the dialog played by a user.
#pragma once

#include <standinsclient.h>

#include "WQCGenericSvcs.h"
#include "dialogobjecttest.h"
#include "workspace/dataservicerequest.h"

namespace wqtest {

using wqtest::Bstr;

template <class I>
class SelectionTest : public DialogObjectTest<I> {
 protected:
  explicit SelectionTest(const wchar_t* progId) : DialogObjectTest<I>(progId) {
    EXPECT_EQ(wqstandins::CreateWorkspace(ws_), S_OK);
  }

  IDispatch* ws() const { return ws_.get(); }
  void Reply(const wchar_t* method, const wchar_t* xml) {
    wqstandins::SetReply(ws_.get(), kServerProgId, method, xml);
  }
  std::wstring Request(LONG index) const { return wqstandins::RequestXml(ws_.get(), index); }
  // Shows the dialog with `script` playing the user; *ok is the dialog's answer.
  HRESULT Show(const DialogScript& script, VARIANT_BOOL* ok) {
    DialogDriver driver;
    driver.Expect(script);
    return this->dlg_->ShowDialog(ws(), 0, ok);
  }

  // A list property read for the indexes 1..count: "a, b" for one column, "a/1, b/2" for
  // several. Flags read as "yes" or "no".
  template <class... Gets>
  std::wstring Listing(HRESULT (STDMETHODCALLTYPE I::*count)(long*), Gets... gets) {
    long n = 0;
    EXPECT_EQ((this->dlg_.get()->*count)(&n), S_OK);
    std::wstring text;
    for (long i = 1; i <= n; ++i) {
      std::wstring separator = i > 1 ? L", " : L"";
      ((text += separator + Value(gets, i), separator = L"/"), ...);
    }
    return text;
  }

  plat::com_ptr<IWQStandinWorkspace> ws_;

 private:
  std::wstring Value(HRESULT (STDMETHODCALLTYPE I::*get)(long, BSTR*), long i) {
    plat::unique_bstr value;
    EXPECT_EQ((this->dlg_.get()->*get)(i, value.put()), S_OK);
    return value.c_str();
  }
  std::wstring Value(HRESULT (STDMETHODCALLTYPE I::*get)(long, long*), long i) {
    long value = 0;
    EXPECT_EQ((this->dlg_.get()->*get)(i, &value), S_OK);
    return std::to_wstring(value);
  }
  std::wstring Value(HRESULT (STDMETHODCALLTYPE I::*get)(long, VARIANT_BOOL*), long i) {
    VARIANT_BOOL value = 0;
    EXPECT_EQ((this->dlg_.get()->*get)(i, &value), S_OK);
    return value == VARIANT_TRUE ? L"yes" : L"no";
  }
};

}  // namespace wqtest
