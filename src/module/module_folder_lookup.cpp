// The folder a module package gives one of its directory keys: the one place where a package is
// opened through the installer library's handles instead of the automation object.
#include "common/text.h"
#include "folders/directory_table.h"
#include "installer/msi_check.h"
#include "module/module_record.h"

#include <string>

bool ModuleRecord::ResolveModuleFolder(const WideString& directoryKey, WideString& folder) const {
  if (directoryKey.IsEmpty() || FromGallery()) return false;

  // Opened anew on every call: the package may have changed since the record was read.
  MsiHandle database;
  OpenDatabaseReadOnly(PackagePath(), database);
  if (!database) return false;

  std::string path;
  if (BuildDirectoryPath(database.Get(), AnsiFromWide(directoryKey), path) != ERROR_SUCCESS) {
    return false;
  }
  folder = WideString::FromAnsi(path.c_str(), path.size());
  return true;
}
