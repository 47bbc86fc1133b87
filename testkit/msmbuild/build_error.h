// BuildError: why a description could not be turned into a package.
//
// Thrown inside the builder only; BuildPackageFromText turns it into a BuildResult.  A line of
// 0 means the failure does not belong to one line of the description (file system, msi.dll).
#pragma once

#include <stdexcept>
#include <string>

namespace msmbuild {

class BuildError : public std::runtime_error {
 public:
  BuildError(int line, const std::string& message)
      : std::runtime_error(line > 0 ? "line " + std::to_string(line) + ": " + message : message) {}
};

}  // namespace msmbuild
