// The project-object stand-in: what the environment hands to SupportsProject.
#pragma once

#include <windows.h>

// A new project object (ProjectType 0) asked for `iid`.
HRESULT CreateStandInProject(REFIID iid, void** object);
