// The state one workspace stand-in shares with the call objects it made: the replies
// scripted per server ProgID and method, the scripted failures, the record of calls and
// the requests.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "recorder.h"
#include "request.h"

namespace standins {

class WorkspaceScript {
 public:
  WorkspaceScript();

  // ProgID and method compare without regard to case; either may be "*", which answers
  // for any name that has no reply of its own.
  void SetReply(const std::wstring& server, const std::wstring& method, std::wstring reply);
  // Queued replies answer one call each, in order; the last one stays for later calls.
  void QueueReply(const std::wstring& server, const std::wstring& method, std::wstring reply);
  // The reply for one Execute, or nothing when none is scripted.
  std::optional<std::wstring> TakeReply(const std::wstring& server, const std::wstring& method);
  // Loads every "<ServerProgID>.<Method>.xml" (or ".txt") file of `folder`; answers the
  // count, or raises an error when the folder cannot be read.
  HRESULT LoadReplyFolder(const std::wstring& folder, LONG* count);

  std::shared_ptr<Request> NewRequest();
  // 1-based, as the control interface counts; null when out of range.
  Request* RequestAt(LONG index) const;
  size_t RequestCount() const { return requests_.size(); }

  void Reset();

  Recorder recorder;

 private:
  using Key = std::pair<std::wstring, std::wstring>;
  static Key MakeKey(const std::wstring& server, const std::wstring& method);

  std::map<Key, std::deque<std::wstring>> replies_;
  std::vector<std::shared_ptr<Request>> requests_;
};

// A text file read as UTF-16 (with its byte-order mark) or else UTF-8.
HRESULT ReadTextFile(const std::wstring& path, std::wstring* text);

constexpr const wchar_t* kCallSource = L"WQStandins.DataServiceCall";
constexpr const wchar_t* kWorkspaceSource = L"WQStandins.Workspace";

}  // namespace standins
