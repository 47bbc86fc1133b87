// The environment's own libraries as the component loaded them: the application services
// (folder lists, switches, the product folder) and the profile reader.  The inspector asks
// them what the component asks, so that its checks see the lists and files the catalog saw.
#pragma once

#include "com_client.h"

#include "qv_environment.h"  // the environment's published contracts

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qvmodcat {

using ProfileSection = std::vector<std::pair<std::wstring, std::wstring>>;

class EnvironmentServices {
 public:
  // Only once a catalog exists: the component has loaded both libraries then.  Throws
  // ComError when they are not there.
  EnvironmentServices();

  std::wstring SearchPathList();
  std::wstring ExtraSearchPathList();
  std::vector<std::wstring> ModuleFolderEntries();  // up to the first empty one
  std::wstring ProductFolder();
  std::wstring FilesIniFolder();
  std::wstring ExcludedFilePatterns();
  bool MatchVersion();
  bool MatchFolder();

  // A section of a profile file, its keys and values in file order (a key repeated in the
  // file appears each time).  Nothing when the reader cannot open the file.
  std::optional<ProfileSection> ReadSection(const std::wstring& file, const std::wstring& section);

 private:
  ComRef<IAppServices> services_;
  ComRef<IAppFolders> folders_;
  ComRef<IClassFactory> profileReaders_;
};

// "folder" and "name" with exactly one backslash between them, as the environment joins paths.
std::wstring JoinPath(const std::wstring& folder, const std::wstring& name);

}  // namespace qvmodcat
