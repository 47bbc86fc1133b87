// Reading a package's tables directly through msi.dll, read-only (the handles owned by the
// component's MsiHandle): the rows of a query as text.
#pragma once

#include "installer/msi_handle.h"

#include <windows.h>
#include <msi.h>

#include <string>
#include <vector>

namespace qvmodcat {

// Opens a package read-only; throws ComError (source msi.dll) when it cannot be opened.
void OpenPackageDatabase(const std::wstring& path, MsiHandle& database);

// Every row of a query, each field as text (an integer field as its decimal text, null as
// empty).  A table the package lacks gives no rows.
std::vector<std::vector<std::wstring>> QueryRows(MSIHANDLE database, const wchar_t* query,
                                                 unsigned columns);

}  // namespace qvmodcat
