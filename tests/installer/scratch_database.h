// A small installer database made on the spot through the library, for tests of the library
// wrappers that need a view but no particular package.
#pragma once

#include "installer/msi_handle.h"

#include <string>

class ScratchDatabase {
 public:
  // Creates a database in the temporary folder with one table "Item" (Name, Number) and
  // the given number of rows.
  explicit ScratchDatabase(int rows);
  ~ScratchDatabase();
  ScratchDatabase(const ScratchDatabase&) = delete;
  ScratchDatabase& operator=(const ScratchDatabase&) = delete;

  MSIHANDLE Handle() const { return database_.Get(); }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  MsiHandle database_;
};

// A path in the temporary folder that does not exist.
std::string MissingPackagePath();
