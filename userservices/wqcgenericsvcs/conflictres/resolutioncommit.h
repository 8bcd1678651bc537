// Applying the resolutions: one "UpdateProject" request to "System.AdminServices" with an
// element per resolved conflict of all five kinds and the modified documents, and the
// reply read back into the model (which is how the modified documents arrive).
#pragma once

#include <wqcomexception.h>

#include <functional>

#include "WQOutside.h"
#include "projectupdates.h"

// Sends what the model holds; nothing when all its lists are empty. Failures are raised
// through `error`. `releaseRecords` runs just before the reply replaces the model, so that
// nothing keeps pointing at the records it frees.
void SendResolutions(WQComException& error, CProjectUpdates* model, IWQWorkspace* workspace,
                     const std::function<void()>& releaseRecords);
