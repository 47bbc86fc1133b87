// The folder a package's Directory table gives a directory key, worked out by the inspector
// with the component's own walk (src/folders; the component has no member that hands out a
// resolved folder).  The Python walk of tests/folders stays the independent check of both.
#pragma once

#include "msi_rows.h"

#include <map>
#include <optional>
#include <string>

namespace qvmodcat {

class PackageDirectories {
 public:
  // Opens the package read-only through msi.dll; throws ComError when it cannot be opened.
  explicit PackageDirectories(const std::wstring& packagePath);
  // The same on a database already open (borrowed, not closed).
  explicit PackageDirectories(MSIHANDLE database);

  // The key's folder, or nothing when the walk cannot resolve it (no row, a loop, a root that
  // is not a source root, a key the installer refuses in a query).  Each key is walked once.
  std::optional<std::wstring> Resolve(const std::wstring& key) const;

 private:
  MsiHandle owned_;
  MSIHANDLE database_;
  mutable std::map<std::wstring, std::optional<std::wstring>> resolved_;
};

}  // namespace qvmodcat
