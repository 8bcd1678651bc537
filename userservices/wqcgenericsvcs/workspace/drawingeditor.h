// The drawing database server of the drawing editor that the client tools run for a
// workspace, reached through the client tools' globals. Its pipe operations are the
// module's only calls into the drawing editor.
#pragma once

#include <handles.h>

#include "WQOutside.h"

class WQComException;

// Raises `error` at the first link that fails: with the HRESULT of creating the globals,
// of GetApplication, of asking the application for IWQDrawingEditorApp and of asking its
// database server for IWQDrawingDBServer; with E_FAIL "Failed to access DBServer property
// of Drawing Editor application" when that property cannot be read.
plat::com_ptr<IWQDrawingDBServer> OpenDrawingDBServer(WQComException& error, IDispatch* workspace);
