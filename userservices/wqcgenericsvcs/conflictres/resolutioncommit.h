// Applying the resolutions: one "UpdateProject" request to "System.AdminServices" with an
// element per resolved conflict of all five kinds and the modified documents, and the
// reply read back into the model (which is how the modified documents arrive).
#pragma once

#include <wqcomexception.h>

#include <functional>

#include "WQOutside.h"
#include "projectupdates.h"

// What became of resolutions that were not refused.
enum class CommitOutcome {
  kApplied,      // nothing to send, or sent and the reply read back into the model
  kReplyUnread,  // carried out by the server, but its reply could not be read
};

// Sends what the model holds; nothing when all its lists are empty. A failure up to and
// including the call's execution is raised through `error`: nothing was applied. Once the
// server has carried the call out, the commit is done whatever its reply holds: a reply
// that cannot be read empties the model, which then tells nothing of the project, and
// `error` says what could not be read. `releaseRecords` runs once the call is carried out,
// before the model changes, so that nothing keeps pointing at the records it frees.
CommitOutcome SendResolutions(WQComException& error, CProjectUpdates* model,
                              IWQWorkspace* workspace, const std::function<void()>& releaseRecords);
