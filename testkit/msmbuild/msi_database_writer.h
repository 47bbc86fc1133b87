// Writes the tables and the summary information of a description into a new installer
// database through msi.dll.  Summary values of a type msi.dll refuses are left out here; the
// summary storage writer adds them once the database is closed.
#pragma once

#include "description.h"

#include <string>

namespace msmbuild {

// Creates (or replaces) the database at `path` and commits it; stream files with a relative
// path are read from `baseFolder`.  Throws BuildError.
void WriteDatabase(const PackageDescription& description, const std::wstring& path,
                   const std::wstring& baseFolder);

}  // namespace msmbuild
