// The module handle of the component's own file: the DLL when the component runs as a server,
// the executable when the code is linked into a test program.  The loader searches beside
// this file, and resources (string table, type library) are read from it.
#pragma once

#include <windows.h>

HMODULE ComponentInstance() noexcept;
