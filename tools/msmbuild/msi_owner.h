// MsiOwner: owner of one msi.dll handle (database, view, record, summary information), closed
// on every path out of its scope.
#pragma once

#include "common/unique_handle.h"

#include <msi.h>
#include <msiquery.h>

namespace msmbuild {

struct MsiHandleTraits {
  static MSIHANDLE Invalid() noexcept { return 0; }
  static void Close(MSIHANDLE handle) noexcept { MsiCloseHandle(handle); }
};
using MsiOwner = UniqueHandle<MSIHANDLE, MsiHandleTraits>;

}  // namespace msmbuild
