// The folder a package's Directory table gives a directory key, worked out by the inspector
// itself (the component has no member that hands out a resolved folder).  The walk follows
// the rules of the component's folder lookup: from the key up through its parents, stopping
// at the first standard system folder (written "[SystemFolder]"), a source root, or a module
// directory "." directly under TARGETDIR; keys are compared without their module suffix.
#pragma once

#include "msi_rows.h"

#include <map>
#include <optional>
#include <string>

namespace qvmodcat {

class PackageDirectories {
 public:
  // Reads the Directory and Property tables of a package through msi.dll (read-only).
  // Throws ComError when the package cannot be opened.
  explicit PackageDirectories(const std::wstring& packagePath);
  // The same from a database already open.
  explicit PackageDirectories(MSIHANDLE database);

  // The key's folder, or nothing when its chain cannot be resolved (no row, a loop, a root
  // that is not a source root).
  std::optional<std::wstring> Resolve(const std::wstring& key) const;

 private:
  struct Row {
    std::wstring Parent;
    std::wstring DefaultDir;
  };
  void Read(MSIHANDLE database);
  bool IsSystemFolder(const std::wstring& key) const;
  std::optional<std::wstring> Property(const std::wstring& name) const;

  std::map<std::wstring, Row> rows_;
  std::map<std::wstring, std::wstring> properties_;
};

}  // namespace qvmodcat
