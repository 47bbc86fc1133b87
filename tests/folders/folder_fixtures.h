// Shared pieces of the folder tests: the generated packages of tests/fixtures/folders, opening
// them through the installer library, and a single-threaded apartment for module records.
#pragma once

#include "common/wide_string.h"
#include "installer/msi_handle.h"

#include <string>

// <fixtures folder>\folder_packages\<name>.msm (the folder comes from QV_FIXTURES_DIR).
WideString FolderFixture(const char* name);

// A package opened read-only through the library, closed when the object goes away.
class OpenedPackage {
 public:
  explicit OpenedPackage(const char* fixtureName);
  MSIHANDLE Handle() const { return database_.Get(); }

 private:
  MsiHandle database_;
};

// A folder of the temporary directory, made anew (emptied) for one test.
WideString FreshTempFolder(const char* name);
