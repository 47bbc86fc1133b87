// A package's requirement, exclusion and file tables, and its files' folders, read in one go
// through msi.dll (read-only).  Checks over a whole catalog read them this way: the component
// reads each list through the installer automation object, which opens the package anew for
// every table, several times slower over thousands of packages.  The lists are made by the
// component's own rules (module/module_lists.h).
#pragma once

#include "catalog_access.h"

#include <optional>
#include <string>
#include <vector>

namespace qvmodcat {

struct PackageTables {
  std::vector<DependencyEntry> Dependencies;
  std::vector<ExclusionEntry> Exclusions;
  std::vector<FileEntry> Files;
  std::vector<std::optional<std::wstring>> Folders;  // each file's folder, when it resolves
};

// Throws ComError when the package cannot be opened.
PackageTables ReadPackageTables(const std::wstring& path, const ModuleSummary& module);

}  // namespace qvmodcat
