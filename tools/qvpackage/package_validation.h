// The installer's own validation of a package: every row of every table checked by msi.dll
// against the package's _Validation table (MsiViewModify with MSIMODIFY_VALIDATE).
#pragma once

#include <string>
#include <vector>

namespace qvpackage {

struct ValidationReport {
  bool Available = true;             // false: this msi.dll does not validate records
  std::vector<std::string> Errors;   // "<table>.<column>: <error> (row <n>)"
  int RowsChecked = 0;
};

// Throws std::runtime_error when the package cannot be read.
ValidationReport ValidatePackage(const std::wstring& path);

}  // namespace qvpackage
