// Shared by the associate-hold, claim and unclaim tests: the module's objects created by
// ProgID through the registered server, the stand-in workspace, error texts, and the
// list-view input that the dialog driver does not play itself.
#pragma once

#include <standinsclient.h>
#include <window.h>

#include <string>
#include <vector>

#include "WQCGenericSvcs.h"
#include "comtest.h"
#include "dialogdriver.h"
#include "resources/resource.h"

namespace claimtest {

constexpr wchar_t kServer[] = L"ZERAZevozarAdid.Main";
using Texts = std::vector<std::wstring>;

// An omitted optional argument, as a late-bound client leaves it.
VARIANT Omitted();
VARIANT Long(long value);
// A VARIANT holding a text, freed at the end of the full expression.
plat::unique_variant Text(const wchar_t* text);

// The newest Desc of the thread's error text (taken off the thread), and its Src.
std::wstring LastMessage(std::wstring* source = nullptr);

// A mouse click on a row of a list view (-1: on empty space): the row alone becomes
// selected, then the list tells `code` (NM_CLICK or NM_DBLCLK).
wqtest::DialogScript::Step ClickRow(int listId, int row, UINT code = NM_CLICK);
// A key pressed in a control.
wqtest::DialogScript::Step PressKey(int id, WORD key);
// The texts of a list-view row, column by column.
Texts RowTexts(const wqtest::DialogView& view, int listId, int row, int columns);
int SelectedRow(const wqtest::DialogView& view, int listId);

// A test on the stand-in workspace that fails when an object of the server outlives it.
class WorkspaceTest : public wqtest::NoLeaks {
 public:
  WorkspaceTest() : NoLeaks(L"WQCGenericSvcs.dll") {}

 protected:
  void SetUp() override;
  void TearDown() override;
  // Releases the objects under test before the leak check.
  virtual void ReleaseObjects() {}

  template <class I>
  plat::com_ptr<I> Create(const wchar_t* progId) {
    CLSID clsid{};
    plat::com_ptr<I> object;
    EXPECT_EQ(CLSIDFromProgID(progId, &clsid), S_OK);
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(I),
                               object.put_void()),
              S_OK);
    return object;
  }

  // Runs an object's ShowDialog with the script playing the user; answers pbDialogOK.
  template <class I>
  VARIANT_BOOL ShowDriven(I* object, const wqtest::DialogScript& script) {
    wqtest::DialogDriver driver;
    driver.Expect(script);
    VARIANT_BOOL ok = VARIANT_TRUE;
    EXPECT_EQ(object->ShowDialog(0, &ok), S_OK);
    return ok;
  }

  IDispatch* ws() const { return dispatch_.get(); }
  // A workspace object that does not answer IWQWorkspace.
  IDispatch* WorkspaceWithoutWQ();
  void Reply(const wchar_t* method, const wchar_t* reply) {
    wqstandins::SetReply(workspace_.get(), kServer, method, reply);
  }
  std::wstring Method(LONG index) const;
  LONG RequestCount() const;
  // The typed input of the last request.
  std::wstring LastRequest() const {
    return wqstandins::RequestXml(workspace_.get(), RequestCount());
  }

  plat::com_ptr<IWQStandinWorkspace> workspace_;

 private:
  plat::com_ptr<IDispatch> dispatch_;
  plat::com_ptr<IWQStandinWorkspace> withoutWQ_;
};

}  // namespace claimtest
