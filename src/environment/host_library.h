// The host library of the authoring environment (QVObjMgr.DLL) and what the component asks of
// it: the active project type.
#pragma once

// The host's active project type: the export _GetActiveProjectType@0 of QVObjMgr.DLL, found at
// run time (the loaded host library, else the file beside the component, else the system's
// search).  0 when the host library or its export cannot be found.
long GetActiveProjectType();
