#include "package_tables.h"

#include "directory_walk.h"
#include "msi_rows.h"

#include "common/version_rules.h"
#include "module/module_lists.h"

#include <map>

namespace qvmodcat {

PackageTables ReadPackageTables(const std::wstring& path, const ModuleSummary& module) {
  MsiHandle database;
  OpenPackageDatabase(path, database);
  const ModuleSignature self{module.ModuleID.c_str(), module.Language, module.Version.c_str()};
  DependencyMap dependencies;
  for (const auto& row : QueryRows(database.Get(),
                                   L"SELECT `RequiredID`,`RequiredLanguage`,`RequiredVersion` "
                                   L"FROM `ModuleDependency`", 3))
    AddDependency(dependencies, self, row[0].c_str(), ParseLeadingInteger(row[1].c_str()),
                  row[2].c_str());
  ExclusionMap exclusions;
  for (const auto& row : QueryRows(database.Get(),
                                   L"SELECT `ExcludedID`,`ExcludedLanguage`,`ExcludedMinVersion`,"
                                   L"`ExcludedMaxVersion` FROM `ModuleExclusion`", 4))
    AddExclusion(exclusions, row[0].c_str(), ParseLeadingInteger(row[1].c_str()), row[2].c_str(),
                 row[3].c_str());
  std::map<std::wstring, std::wstring> componentFolders;
  for (const auto& row :
       QueryRows(database.Get(), L"SELECT `Component`,`Directory_` FROM `Component`", 2))
    componentFolders[row[0]] = row[1];
  FileMap files;
  for (const auto& row : QueryRows(database.Get(),
                                   L"SELECT `File`,`Component_`,`FileName`,`FileSize`,`Version`,"
                                   L"`Language`,`Sequence` FROM `File`", 7)) {
    FileRecord file;
    file.File = row[0].c_str();
    const auto folder = componentFolders.find(row[1]);
    if (folder != componentFolders.end()) file.Directory = folder->second.c_str();
    file.FileName = row[2].c_str();
    file.FileSize = static_cast<ULONG>(ParseLeadingInteger(row[3].c_str()));
    file.Version = row[4].c_str();
    file.Language = row[5].c_str();
    file.Sequence = static_cast<ULONG>(ParseLeadingInteger(row[6].c_str()));
    AddFile(files, std::move(file));
  }

  PackageTables tables;
  for (const auto& [key, d] : dependencies)
    tables.Dependencies.push_back(
        {TextOf(key), TextOf(d.RequiredID), TextOf(d.RequiredVersion), d.RequiredLanguage});
  for (const auto& [key, e] : exclusions)
    tables.Exclusions.push_back({TextOf(key), TextOf(e.ExcludedID), TextOf(e.ExcludedMinVersion),
                                 TextOf(e.ExcludedMaxVersion),
                                 std::to_wstring(e.ExcludedLanguage)});
  const PackageDirectories directories(database.Get());
  for (const auto& [key, f] : files) {
    tables.Files.push_back({TextOf(f.File), TextOf(f.FileName), TextOf(f.Directory),
                            TextOf(f.Version), TextOf(f.Language), static_cast<long>(f.FileSize),
                            static_cast<long>(f.Sequence)});
    tables.Folders.push_back(directories.Resolve(tables.Files.back().Directory));
  }
  return tables;
}

}  // namespace qvmodcat
