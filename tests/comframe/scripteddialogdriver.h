// The dialog driver of the C++ tests, for scripting clients: a script builds the steps
// of the next dialog, hands them over with Expect, calls what opens the dialog, and
// reads the notes taken and the failures met inside it afterwards.
#pragma once

#include <dispatch.h>

#include <gtest/gtest-spi.h>

#include <memory>
#include <string>

#include "WQTestServer.h"
#include "dialogdriver.h"

class DialogDriver : public plat::Implements<DialogDriver, plat::Dispatch<IScriptedDialogDriver>,
                                             plat::SupportErrorInfo<IScriptedDialogDriver>> {
 public:
  DialogDriver();
  ~DialogDriver() override;

  STDMETHOD(SetText)(long editId, BSTR text) override;
  STDMETHOD(Type)(long editId, BSTR text) override;
  STDMETHOD(Select)(long listId, long index) override;
  STDMETHOD(SelectAlso)(long listId, long index) override;
  STDMETHOD(DoubleClick)(long listId, long index) override;
  STDMETHOD(Click)(long id) override;
  STDMETHOD(Screenshot)(BSTR path) override;
  STDMETHOD(NoteText)(long id) override;
  STDMETHOD(NoteListItems)(long listId) override;
  STDMETHOD(Expect)() override;
  STDMETHOD(get_Notes)(BSTR* notes) override;
  STDMETHOD(get_Failures)(BSTR* failures) override;
  STDMETHOD(get_DialogsSeen)(long* count) override;
  STDMETHOD(SelectTab)(long tabId, long index) override;

 private:
  template <class AddStep>
  HRESULT AddStep(AddStep add);

  // The driver reports through the test framework; here its failures are collected
  // for the script instead.
  testing::TestPartResultArray failures_;
  std::unique_ptr<testing::ScopedFakeTestPartResultReporter> reporter_;
  std::unique_ptr<wqtest::DialogDriver> driver_;
  wqtest::DialogScript script_;
  std::wstring notes_;
};
