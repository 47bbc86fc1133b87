// Reads a package description (UTF-8 text, see README.md) into a PackageDescription.
#pragma once

#include "description.h"

#include <string>

namespace msmbuild {

// Throws BuildError naming the offending line.
PackageDescription ParseDescription(const std::string& utf8Text);

}  // namespace msmbuild
