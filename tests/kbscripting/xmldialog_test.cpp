#include <gtest/gtest.h>

#include "kbscripting/xmldialog.h"
#include "kbtest.h"
#include "xmlstructure.h"

namespace {

using plat::com_ptr;
using plat::unique_bstr;

class XmlDialog : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(kbtest::ServerLoaded());
    browser_ = kbtest::ResetBrowser();
    ASSERT_TRUE(browser_);
    dialog_ = plat::make<WQCXMLDialog>();
  }
  void TearDown() override {
    LONG count = -1;
    browser_->get_BrowserCount(&count);
    EXPECT_EQ(count, 0) << "the browser was not let go";
  }

  HRESULT Show(const std::wstring& description, VARIANT_BOOL* ok, HWND parent = nullptr) {
    return dialog_->ShowDialog(unique_bstr::copy(description.c_str()).get(),
                               reinterpret_cast<LONG_PTR>(parent), ok);
  }
  std::wstring Results() {
    unique_bstr returnTo, from, results;
    LONG document = 0, activeCase = 0;
    dialog_->GetResults(returnTo.put(), from.put(), results.put(), &document, &activeCase);
    return results.c_str();
  }
  std::wstring Log() { return wqstandins::CallLog(browser_.get()); }

  com_ptr<IWQStandinBrowser> browser_;
  com_ptr<WQCXMLDialog> dialog_;
};

TEST_F(XmlDialog, OkGivesTheInputs) {
  kbtest::ScriptedUser user;
  user.WhenShown(browser_.get(), [&] {
    browser_->SetValue(unique_bstr::copy(L"Tag").get(), unique_bstr::copy(L"P-101").get());
    browser_->Click(unique_bstr::copy(L"btnOK").get());
  });
  VARIANT_BOOL ok = VARIANT_FALSE;
  EXPECT_EQ(Show(L"<ScriptUI ReturnTo='Next'><DialogBox Title='T'><EditBox id='Tag' prompt='Tag'/></DialogBox></ScriptUI>", &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  EXPECT_EQ(wqtest::XmlStructure(Results().c_str()), L"ScriptUIResults(Inputs(Datum[id=Tag,vt=8,value=P-101]))");
  printf("%ls\n", Log().c_str());
}

}  // namespace
