#include "directory_walk.h"

#include "common/com_exception.h"
#include "common/text.h"
#include "folders/directory_table.h"

namespace qvmodcat {

PackageDirectories::PackageDirectories(const std::wstring& packagePath) {
  OpenPackageDatabase(packagePath, owned_);
  database_ = owned_.Get();
}

PackageDirectories::PackageDirectories(MSIHANDLE database) : database_(database) {}

std::optional<std::wstring> PackageDirectories::Resolve(const std::wstring& key) const {
  if (key.empty()) return std::nullopt;
  const auto known = resolved_.find(key);
  if (known != resolved_.end()) return known->second;
  std::optional<std::wstring> folder;
  try {
    std::string path;
    if (BuildDirectoryPath(database_, AnsiFromWide(key.c_str(), key.size()), path) ==
        ERROR_SUCCESS) {
      folder = WideString::FromAnsi(path.c_str(), path.size()).c_str();
    }
  } catch (const com_exception&) {
    // The installer refused a query of the walk: the folder stays unresolved.
  }
  resolved_.emplace(key, folder);
  return folder;
}

}  // namespace qvmodcat
