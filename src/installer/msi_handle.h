// MsiHandle: owner of one installer-library handle (database, view or record), closed through
// the library table when it is replaced or goes away.
#pragma once

#include "common/unique_handle.h"
#include "installer/msi_library.h"

struct MsiHandleTraits {
  static MSIHANDLE Invalid() noexcept { return 0; }
  static void Close(MSIHANDLE handle) noexcept { Msi().CloseHandle(handle); }
};
using MsiHandle = UniqueHandle<MSIHANDLE, MsiHandleTraits>;
