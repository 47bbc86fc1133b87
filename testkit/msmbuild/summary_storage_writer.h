// Writes summary values that msi.dll refuses to store (a type other than the property's
// standard one, such as a number for Author) straight into the package's summary property set,
// after msi.dll has committed and closed the database.
#pragma once

#include "description.h"

#include <string>

namespace msmbuild {

// Throws BuildError.  Does nothing when no value needs it.
void WriteStorageLevelSummary(const std::vector<SummaryValue>& values, const std::wstring& path);

}  // namespace msmbuild
