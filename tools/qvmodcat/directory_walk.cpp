#include "directory_walk.h"

#include "msi_rows.h"

#include <cwctype>
#include <set>
#include <utility>
#include <vector>

namespace qvmodcat {

namespace {

// The folders whose properties end a walk; other installer folders (the 64-bit ones among
// them) do not.
const std::set<std::wstring>& SystemFolderNames() {
  static const std::set<std::wstring> names = {
      L"ADMINTOOLSFOLDER", L"APPDATAFOLDER",     L"COMMONAPPDATAFOLDER", L"COMMONFILESFOLDER",
      L"DESKTOPFOLDER",    L"FAVORITESFOLDER",   L"FONTSFOLDER",         L"LOCALAPPDATAFOLDER",
      L"MYPICTURESFOLDER", L"PERSONALFOLDER",    L"PROGRAMFILESFOLDER",  L"PROGRAMMENUFOLDER",
      L"SENDTOFOLDER",     L"STARTMENUFOLDER",   L"STARTUPFOLDER",       L"SYSTEM16FOLDER",
      L"SYSTEMFOLDER",     L"TEMPFOLDER",        L"TEMPLATEFOLDER",      L"WINDOWSFOLDER",
      L"WINDOWSVOLUME"};
  return names;
}

constexpr size_t kModuleSuffixLength = 36;  // what follows the last dot of a modularized key

std::wstring Upper(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towupper(c));
  return text;
}

std::wstring WithoutModuleSuffix(const std::wstring& key) {
  const size_t dot = key.rfind(L'.');
  if (dot != std::wstring::npos && key.size() - dot - 1 == kModuleSuffixLength)
    return key.substr(0, dot);
  return key;
}

// The target part's long name: "PROGRA~1|Program Files:SRC" gives "Program Files".
std::wstring TargetLongName(const std::wstring& defaultDir) {
  std::wstring target = defaultDir.substr(0, defaultDir.find(L':'));
  const size_t bar = target.find(L'|');
  return bar == std::wstring::npos ? target : target.substr(bar + 1);
}

}  // namespace

PackageDirectories::PackageDirectories(const std::wstring& packagePath) {
  MsiOwner database;
  OpenPackageDatabase(packagePath, database);
  Read(database.Get());
}

PackageDirectories::PackageDirectories(MSIHANDLE database) { Read(database); }

void PackageDirectories::Read(MSIHANDLE database) {
  for (auto& row : QueryRows(
           database, L"SELECT `Directory`,`Directory_Parent`,`DefaultDir` FROM `Directory`", 3))
    rows_[row[0]] = Row{row[1], row[2]};
  for (auto& row : QueryRows(database, L"SELECT `Property`,`Value` FROM `Property`", 2))
    properties_[row[0]] = row[1];
}

bool PackageDirectories::IsSystemFolder(const std::wstring& key) const {
  return rows_.count(key) != 0 && SystemFolderNames().count(Upper(key)) != 0;
}

std::optional<std::wstring> PackageDirectories::Property(const std::wstring& name) const {
  const auto found = properties_.find(name);
  if (found == properties_.end()) return std::nullopt;
  return found->second;
}

std::optional<std::wstring> PackageDirectories::Resolve(const std::wstring& key) const {
  if (key.empty()) return std::nullopt;
  std::wstring path;
  std::set<std::wstring> seen;
  std::wstring current = key;
  for (;;) {
    const auto row = rows_.find(current);
    if (row == rows_.end() || !seen.insert(current).second) return std::nullopt;
    const std::wstring level = WithoutModuleSuffix(current);
    if (IsSystemFolder(level)) return L"[" + level + L"]" + path;  // the bracket ends in '\'

    std::wstring name = TargetLongName(row->second.DefaultDir);
    bool last = false;
    if (Upper(name) == L"SOURCEDIR") {
      const auto value = Property(level);
      if (!value) return path;  // the source root adds nothing
      name = *value;
      last = true;
    }
    const std::wstring& parent = row->second.Parent;
    if (!name.empty() && name[0] == L'.') {
      // A module directory directly under the root stands for itself (or its property).
      if (Upper(parent) == L"TARGETDIR") return Property(level).value_or(level);
      current = parent;
      continue;
    }
    path = path.empty() ? name : name + L"\\" + path;
    if (last) return path;
    current = parent;
  }
}

}  // namespace qvmodcat
