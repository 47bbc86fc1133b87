// Builds merge module packages (.msm) from text descriptions through msi.dll, for tests that
// need real packages.  The description format is documented in README.md beside this file.
#pragma once

#include <string>

namespace msmbuild {

struct BuildResult {
  bool ok = false;
  std::string error;  // UTF-8; names the description line when one is at fault
};

// Parses a UTF-8 description and writes the package (or the raw text file) at outputPath,
// replacing an existing file.  Errors name the line.  Missing folders of outputPath are created.
// Nothing is written when the description is wrong; a failure while writing leaves no file.
// Stream files named with a relative path are read from baseFolder (the description's folder
// for BuildPackageFromFile).
BuildResult BuildPackageFromText(const std::string& descriptionUtf8, const std::wstring& outputPath,
                                 const std::wstring& baseFolder = std::wstring());
BuildResult BuildPackageFromFile(const std::wstring& descriptionPath, const std::wstring& outputPath);

// Creates a folder and its missing parents; false when that fails.
bool CreateFolderPath(const std::wstring& folder);

}  // namespace msmbuild
