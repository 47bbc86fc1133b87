#include "package_tables.h"

#include "directory_walk.h"
#include "msi_rows.h"
#include "version_rules.h"

#include <map>

namespace qvmodcat {

namespace {

std::wstring KeyOf(const std::wstring& id, long language) {
  return id + L":" + std::to_wstring(language);
}

}  // namespace

PackageTables ReadPackageTables(const std::wstring& path, const ModuleSummary& module) {
  MsiHandle database;
  OpenPackageDatabase(path, database);
  PackageTables tables;

  std::map<std::wstring, DependencyEntry> dependencies;  // by key: a later row replaces
  for (const auto& row : QueryRows(database.Get(),
                                   L"SELECT `RequiredID`,`RequiredLanguage`,`RequiredVersion` "
                                   L"FROM `ModuleDependency`", 3)) {
    DependencyEntry entry{L"", row[0], row[2], LeadingNumber(row[1])};
    if (entry.ModuleID == module.ModuleID && entry.Language == module.Language &&
        entry.Version == module.Version)
      continue;  // a module does not require itself
    entry.Key = KeyOf(entry.ModuleID, entry.Language);
    dependencies[entry.Key] = std::move(entry);
  }
  for (auto& [key, entry] : dependencies) tables.Dependencies.push_back(std::move(entry));

  std::map<std::wstring, ExclusionEntry> exclusions;
  for (const auto& row : QueryRows(database.Get(),
                                   L"SELECT `ExcludedID`,`ExcludedLanguage`,`ExcludedMinVersion`,"
                                   L"`ExcludedMaxVersion` FROM `ModuleExclusion`", 4)) {
    const long language = LeadingNumber(row[1]);
    ExclusionEntry entry{KeyOf(row[0], language), row[0], row[2], row[3], std::to_wstring(language)};
    exclusions[entry.Key] = std::move(entry);
  }
  for (auto& [key, entry] : exclusions) tables.Exclusions.push_back(std::move(entry));

  std::map<std::wstring, std::wstring> componentFolders;
  for (const auto& row :
       QueryRows(database.Get(), L"SELECT `Component`,`Directory_` FROM `Component`", 2))
    componentFolders[row[0]] = row[1];
  std::map<std::wstring, FileEntry> files;
  for (const auto& row : QueryRows(database.Get(),
                                   L"SELECT `File`,`Component_`,`FileName`,`FileSize`,`Version`,"
                                   L"`Language`,`Sequence` FROM `File`", 7)) {
    FileEntry entry;
    entry.File = row[0];
    const auto folder = componentFolders.find(row[1]);
    if (folder != componentFolders.end()) entry.Directory = folder->second;
    entry.FileName = row[2];
    entry.FileSize = LeadingNumber(row[3]);
    entry.Version = row[4];
    entry.Language = row[5];
    entry.Sequence = LeadingNumber(row[6]);
    files[entry.File] = std::move(entry);
  }
  const PackageDirectories directories(database.Get());
  for (auto& [key, entry] : files) {
    tables.Folders.push_back(directories.Resolve(entry.Directory));
    tables.Files.push_back(std::move(entry));
  }
  return tables;
}

}  // namespace qvmodcat
