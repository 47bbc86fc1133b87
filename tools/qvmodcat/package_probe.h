// What is wrong with a package file, told before an installer reads it: a missing file, a
// folder, an empty file, a file that is no compound file at all, one cut short.
#pragma once

#include <optional>
#include <string>

namespace qvmodcat {

// Nothing when the file looks like a whole compound file (the installer may still refuse it).
std::optional<std::wstring> PackageFileProblem(const std::wstring& path);

}  // namespace qvmodcat
