#include "resolutioncommit.h"

#include <waitcursor.h>

#include "workspace/dataservicerequest.h"

namespace {

// Datasheet and diagram conflicts are sent as attribute or object resolutions.
const wchar_t* DocumentElement(const ConflictRecord& conflict) {
  return conflict.type == 6 ? L"Attribute" : L"Object";
}

class ResolutionWriter {
 public:
  ResolutionWriter(WQComException& error, DataServiceRequest& request)
      : error_(error), request_(request) {}

  void Check(HRESULT hr) { WQThrowIfFailed(error_, hr); }

  // The item's own resolved conflicts first, then its nested items, depth first.
  template <class ElementName>
  void WriteItem(const ConflictItemRecord& item, ElementName elementName) {
    for (int i = 0; i < item.details.GetCount(); ++i) {
      const ConflictRecord& conflict = *item.details[i];
      if (conflict.resolution != 0) WriteResolution(elementName(conflict), item.id, conflict);
    }
    for (int i = 0; i < item.children.GetCount(); ++i) WriteItem(*item.children[i], elementName);
  }

  template <class ElementName>
  void WriteList(const WQOwnedPtrArray<ConflictItemRecord>& items, ElementName elementName) {
    for (int i = 0; i < items.GetCount(); ++i) WriteItem(*items[i], elementName);
  }

  void WriteModifications(const WQOwnedPtrArray<ModificationRecord>& modifications) {
    if (!modifications.GetCount()) return;
    Check(request_.StartElement(L"Modifications"));
    Check(request_.CloseStartTag());
    for (int i = 0; i < modifications.GetCount(); ++i) {
      const ModificationRecord& modified = *modifications[i];
      Check(request_.StartElement(L"Modified"));
      Check(request_.Attribute(L"ID", static_cast<long>(modified.id)));
      Check(request_.Attribute(L"Name", modified.name.c_str()));
      Check(request_.Attribute(L"Type", modified.typeText.c_str()));
      Check(request_.EndElement(L"Modified"));
    }
    Check(request_.EndElement(L"Modifications"));
  }

 private:
  void WriteResolution(const wchar_t* element, LONG itemId, const ConflictRecord& conflict) {
    Check(request_.StartElement(element));
    Check(request_.Attribute(L"ID", static_cast<long>(itemId)));
    Check(request_.Attribute(L"ConflictID", static_cast<long>(conflict.id)));
    Check(request_.Attribute(L"Type", static_cast<long>(conflict.type)));
    Check(request_.Attribute(L"Resolution", static_cast<long>(conflict.resolution)));
    if (conflict.data.length()) Check(request_.Attribute(L"Data", conflict.data.c_str()));
    Check(request_.EndElement(element));
  }

  WQComException& error_;
  DataServiceRequest& request_;
};

}  // namespace

CommitOutcome SendResolutions(WQComException& error, CProjectUpdates* model,
                              IWQWorkspace* workspace,
                              const std::function<void()>& releaseRecords) {
  error.CheckPointer(model);
  if (model->IsEmpty()) return CommitOutcome::kApplied;
  CWaitCursor wait;

  DataServiceRequest request;
  error = request.Prepare(workspace, L"System.AdminServices", L"UpdateProject");
  if (error.Failed()) error.ThrowAt(WQ_HERE, L"Failed to create data service call object");
  ResolutionWriter writer(error, request);
  writer.Check(request.StartDocument());
  writer.Check(request.StartElement(L"UpdateProject"));
  writer.Check(request.Attribute(L"Initialise", 0L));
  writer.Check(request.CloseStartTag());
  writer.WriteList(model->Conflicts(kCaseItems), [](const ConflictRecord&) { return L"Case"; });
  writer.WriteList(model->Conflicts(kObjectItems), [](const ConflictRecord&) { return L"Object"; });
  writer.WriteList(model->Conflicts(kAttributeItems),
                   [](const ConflictRecord&) { return L"Attribute"; });
  writer.WriteList(model->Conflicts(kDatasheetItems), DocumentElement);
  writer.WriteList(model->Conflicts(kDiagramItems), DocumentElement);
  writer.WriteModifications(model->Modifications());
  writer.Check(request.EndElement(L"UpdateProject"));

  error = request.Execute();
  if (error.Failed()) error.ThrowAt(WQ_HERE, L"Failed to retrieve Conflict resolution data");

  // The server has applied the resolutions: its reply can no longer make them fail.
  if (releaseRecords) releaseRecords();
  plat::unique_bstr reply;
  HRESULT hr = request.GetResponse(reply.put());
  if (SUCCEEDED(hr)) hr = model->Parse(reply.get());
  if (SUCCEEDED(hr)) return CommitOutcome::kApplied;
  // A part of a reply would pass for the whole project.
  model->Clear();
  error = hr;
  error.SetErrorAt(WQ_HERE, hr,
                   L"The resolutions were applied, but the server's reply could not be read");
  return CommitOutcome::kReplyUnread;
}
