#include "folders/directory_names.h"

#include "common/text.h"

#include <set>

namespace {

const std::set<std::string>& SystemFolderNames() {
  // Built on first use, upper-cased, kept for the life of the process.
  static const std::set<std::string> names = [] {
    std::set<std::string> upper;
    for (const char* name :
         {"AdminToolsFolder", "AppDataFolder", "CommonAppDataFolder", "CommonFilesFolder",
          "DesktopFolder", "FavoritesFolder", "FontsFolder", "LocalAppDataFolder",
          "MyPicturesFolder", "PersonalFolder", "ProgramFilesFolder", "ProgramMenuFolder",
          "SendToFolder", "StartMenuFolder", "StartupFolder", "System16Folder", "SystemFolder",
          "TempFolder", "TemplateFolder", "WindowsFolder", "WindowsVolume"})
      upper.insert(UpperAnsi(name));
    return upper;
  }();
  return names;
}

constexpr size_t kModuleSuffixLength = 36;

}  // namespace

bool IsSystemFolderName(const std::string& key) {
  return SystemFolderNames().count(UpperAnsi(key)) != 0;
}

std::string RemoveModuleSuffix(const std::string& key) {
  const size_t dot = key.rfind('.');
  if (dot == std::string::npos || key.size() - dot - 1 != kModuleSuffixLength) return key;
  return key.substr(0, dot);
}

std::string SplitDefaultDir(const std::string& defaultDir) {
  std::string target = defaultDir.substr(0, defaultDir.find(':'));
  const size_t bar = target.find('|');
  return bar == std::string::npos ? target : target.substr(bar + 1);
}
