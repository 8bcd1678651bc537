// Applying the resolutions without the dialog: the one "UpdateProject" request built from
// the model, and what a failure leaves behind.
#include <gtest/gtest.h>

#include "conflicttest.h"
#include "conflictres/resolutioncommit.h"

namespace {

using conflicttest::Load;
using conflicttest::Workspace;

// Runs the commit as the cases page does; the HRESULT and the error text come back.
HRESULT Send(CProjectUpdates* model, IWQWorkspace* workspace, std::wstring* errorText,
             int* released = nullptr) {
  WQComException error;
  try {
    SendResolutions(error, model, workspace, [released] {
      if (released) ++*released;
    });
  } catch (WQComException& caught) {
    error.CatchComException(WQ_HERE, caught);
  }
  plat::unique_bstr text;
  error.GetDescription(text.put());
  *errorText = text.c_str();
  return error.GetHResult();
}

TEST(ResolutionCommit, OneRequestCarriesEveryResolvedConflict) {
  struct Case {
    const wchar_t* model;
    const wchar_t* request;  // empty: nothing is sent
  } cases[] = {
      // Open conflicts stay out; an item's own conflicts come before its nested items';
      // a datasheet or diagram conflict of type 6 is an attribute resolution.
      {L"<Cases><Conflicts><Case ID='5' Name='W'><Conflict ID='51' Type='3' Resolution='8'/>"
       L"<Conflict ID='52' Type='4'/><Case ID='6'><Conflict ID='61' Type='1' Resolution='3'/>"
       L"</Case><Conflict ID='53' Type='2' Resolution='6'/></Case></Conflicts></Cases>"
       L"<Objects><Conflicts><Object ID='1'><Conflict ID='11' Type='5' Resolution='1'/>"
       L"</Object></Conflicts></Objects>"
       L"<Attributes><Conflicts><Attribute ID='3'><Conflict ID='31' Type='1' Resolution='2'/>"
       L"</Attribute></Conflicts></Attributes>"
       L"<Datasheets><Conflicts><Datasheet ID='8'><Conflict ID='81' Type='6' Resolution='1'/>"
       L"<Conflict ID='82' Type='5' Resolution='2'/></Datasheet></Conflicts></Datasheets>"
       L"<Diagrams><Conflicts><Diagram ID='12'><Conflict ID='121' Type='1' Resolution='5'/>"
       L"</Diagram></Conflicts></Diagrams>",
       L"<UpdateProject Initialise=\"vt3:0\">"
       L"<Case ID=\"vt3:5\" ConflictID=\"vt3:51\" Type=\"vt3:3\" Resolution=\"vt3:8\"/>"
       L"<Case ID=\"vt3:5\" ConflictID=\"vt3:53\" Type=\"vt3:2\" Resolution=\"vt3:6\"/>"
       L"<Case ID=\"vt3:6\" ConflictID=\"vt3:61\" Type=\"vt3:1\" Resolution=\"vt3:3\"/>"
       L"<Object ID=\"vt3:1\" ConflictID=\"vt3:11\" Type=\"vt3:5\" Resolution=\"vt3:1\"/>"
       L"<Attribute ID=\"vt3:3\" ConflictID=\"vt3:31\" Type=\"vt3:1\" Resolution=\"vt3:2\"/>"
       L"<Attribute ID=\"vt3:8\" ConflictID=\"vt3:81\" Type=\"vt3:6\" Resolution=\"vt3:1\"/>"
       L"<Object ID=\"vt3:8\" ConflictID=\"vt3:82\" Type=\"vt3:5\" Resolution=\"vt3:2\"/>"
       L"<Object ID=\"vt3:12\" ConflictID=\"vt3:121\" Type=\"vt3:1\" Resolution=\"vt3:5\"/>"
       L"</UpdateProject>"},
      // Only modified documents: the request holds them alone, the type as received.
      {L"<Modifications><Modified ID='4' Name='P&amp;ID' Type='diagram'/>"
       L"<Modified Name='R' Type='Report'/></Modifications>",
       L"<UpdateProject Initialise=\"vt3:0\"><Modifications>"
       L"<Modified ID=\"vt3:4\" Name=\"vt8:P&amp;ID\" Type=\"vt8:diagram\"/>"
       L"<Modified ID=\"vt3:-1\" Name=\"vt8:R\" Type=\"vt8:Report\"/>"
       L"</Modifications></UpdateProject>"},
      {L"", L""},
  };
  for (const Case& c : cases) {
    CProjectUpdates model;
    Load(model, c.model);
    Workspace ws;
    std::wstring error;
    EXPECT_EQ(Send(&model, ws.get(), &error), S_OK) << error;
    if (*c.request) {
      ASSERT_EQ(ws.Requests(), 1) << c.model;
      EXPECT_EQ(ws.Target(1), L"System.AdminServices.UpdateProject");
      EXPECT_EQ(ws.Request(1), c.request);
    } else {
      EXPECT_EQ(ws.Requests(), 0) << c.model;
    }
  }
}

TEST(ResolutionCommit, FailuresSayWhichStepFailed) {
  const wchar_t kChosen[] =
      L"<Cases><Conflicts><Case ID='5'><Conflict ID='51' Type='1' "
      L"Resolution='3'/></Case></Conflicts></Cases>";
  struct Case {
    const wchar_t* failingStep;  // null: none
    const wchar_t* reply;
    bool withModel, withWorkspace;
    HRESULT hr;
    const wchar_t* newest;  // the newest element of the error text
    int released;
  } cases[] = {
      {nullptr, L"", false, true, E_POINTER, L"<WQError Desc=\"", 0},
      {nullptr, L"", true, false, E_INVALIDARG,
       L"<WQError Desc=\"Failed to create data service call object\" HR=\"E_INVALIDARG\" />", 0},
      {L"CreateDataServiceCall", L"", true, true, E_ACCESSDENIED,
       L"<WQError Desc=\"Failed to create data service call object\" HR=\"E_ACCESSDENIED\" />", 0},
      {L"Execute", L"", true, true, E_ACCESSDENIED,
       L"<WQError Desc=\"Failed to retrieve Conflict resolution data\" HR=\"E_ACCESSDENIED\" />",
       0},
      // Carried out, so no failure of the commit: the reply alone could not be read.
      {nullptr,
       L"<ProjectUpdates><Modifications><Modified ID='1'/></Modifications><Cases><Case/>"
       L"</Cases></ProjectUpdates>",
       true, true, E_INVALIDARG,
       L"<WQError Desc=\"The resolutions were applied, but the server's reply could not be "
       L"read\" HR=\"E_INVALIDARG\" />",
       1},
  };
  for (const Case& c : cases) {
    CProjectUpdates model;
    Load(model, kChosen);
    Workspace ws(c.reply);
    if (c.failingStep)
      wqstandins::FailAt(ws.control.get(), c.failingStep, E_ACCESSDENIED, L"The server is down");
    std::wstring error;
    int released = 0;
    EXPECT_EQ(Send(c.withModel ? &model : nullptr, c.withWorkspace ? ws.get() : nullptr, &error,
                   &released),
              c.hr)
        << error;
    EXPECT_EQ(error.substr(0, wcslen(c.newest)), c.newest) << error;
    EXPECT_EQ(released, c.released);
    // Until the server carries the call out, the choices stay in the model; a reply that
    // is not read leaves nothing of it, neither the choices nor a part of the reply.
    if (!c.released) {
      EXPECT_EQ(model.Conflicts(kCaseItems)[0]->details[0]->resolution, 3);
    } else {
      EXPECT_TRUE(model.IsEmpty());
    }
  }
}

}  // namespace
