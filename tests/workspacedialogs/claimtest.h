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
#include "dialogobjecttest.h"
#include "resources/resource.h"
#include "workspace/dataservicerequest.h"

namespace claimtest {

constexpr const wchar_t* kServer = kServerProgId;
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

// A test of one object on the stand-in workspace; it fails when an object of the server
// outlives it.
template <class I>
class WorkspaceTest : public wqtest::DialogObjectTest<I> {
 protected:
  explicit WorkspaceTest(const wchar_t* progId) : wqtest::DialogObjectTest<I>(progId) {}

  void SetUp() override {
    ASSERT_TRUE(this->dlg_);
    ASSERT_EQ(wqstandins::CreateWorkspace(workspace_), S_OK);
    ASSERT_EQ(workspace_.query_to(dispatch_), S_OK);
  }
  void TearDown() override {
    dispatch_.reset();
    workspace_.reset();
    withoutWQ_.reset();
    wqtest::DialogObjectTest<I>::TearDown();
  }

  IDispatch* ws() const { return dispatch_.get(); }
  // A workspace object that does not answer IWQWorkspace.
  IDispatch* WorkspaceWithoutWQ() {
    if (!withoutWQ_) {
      EXPECT_EQ(wqstandins::CreateWorkspace(withoutWQ_, L"WQStandins.WorkspaceNoWQ"), S_OK);
    }
    return withoutWQ_.get();
  }
  void Reply(const wchar_t* method, const wchar_t* reply) {
    wqstandins::SetReply(workspace_.get(), kServer, method, reply);
  }
  std::wstring Method(LONG index) const {
    plat::unique_bstr method;
    workspace_->get_RequestMethod(index, method.put());
    return method.c_str();
  }
  // The typed input of the last request.
  std::wstring LastRequest() const {
    LONG count = 0;
    workspace_->get_RequestCount(&count);
    return wqstandins::RequestXml(workspace_.get(), count);
  }

  plat::com_ptr<IWQStandinWorkspace> workspace_;

 private:
  plat::com_ptr<IDispatch> dispatch_;
  plat::com_ptr<IWQStandinWorkspace> withoutWQ_;
};

}  // namespace claimtest
