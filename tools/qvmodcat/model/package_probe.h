// What is wrong with a package file, told before the component is asked: a missing file, a
// folder, an empty file, a file that is no compound file at all, and the refusals of the
// catalog's own check (installer/package_file_check.h): a path too long, a file cut short.
#pragma once

#include <optional>
#include <string>

namespace qvmodcat {

// Nothing when the file looks like a whole compound file to the catalog's check (the
// installer may still refuse it, or the check find it damaged in a way the component's
// answer names).
std::optional<std::wstring> PackageFileFlaw(const std::wstring& path);

}  // namespace qvmodcat
