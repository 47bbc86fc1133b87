// How modules are written: as JSON for scripts and as text for people.
#pragma once

#include "catalog_access.h"
#include "json.h"

#include <optional>
#include <string>
#include <vector>

namespace qvmodcat {

// Where a module comes from.
enum class ModuleSource {
  Package,  // a package in one of the catalog's module folders
  Gallery,  // a gallery descriptor only
  Loaded,   // a package read on its own (inspect)
};

// A file's target folder (show/inspect --resolve).
struct FileFolder {
  enum class Check {
    NotAsked,      // not a catalog module (inspect)
    Confirmed,     // FindModuleForFileInFolder finds this module's package for folder and file
    OtherModule,   // it answers with another package that delivers the same file there first
    NotFound,      // it finds nothing there
    NotCheckable,  // the folder has no folder token, or the file no language: nothing to ask
  };
  std::optional<std::wstring> Folder;  // none: the chain cannot be resolved
  bool NoPackage = false;              // a gallery module: there is no package to walk
  Check CatalogCheck = Check::NotAsked;
  std::wstring Detail;                 // the other module, or why nothing could be asked
};

// Why a file's folder written without a folder token cannot be put to the catalog.
constexpr wchar_t kPlainFolder[] = L"a plain folder: find-file --in-folder cannot match it";

// "installed", "update available" (installed; the gallery offers a newer version),
// "needs download", "not available" (the descriptor names no package).
std::wstring StatusText(const ModuleSummary& module);
const wchar_t* SourceName(ModuleSource source);
// "Acme.Core:0 >= 2.0", or the key alone when any version will do.
std::wstring RequirementText(const DependencyEntry& wanted);
// "versions 1.0 to 2.5", "versions from 1.0", "versions up to 2.5", "any version".
std::wstring ExclusionRange(const ExclusionEntry& exclusion);

Json SummaryJson(const ModuleSummary& module, ModuleSource source);
Json DetailsJson(const ModuleDetails& module, ModuleSource source,
                 const std::vector<FileFolder>* folders);

// One line per module plus its package line (list).
std::wstring SummaryListText(const std::vector<std::pair<ModuleSummary, ModuleSource>>& modules);
// Everything about one module (show, inspect).
std::wstring DetailsText(const ModuleDetails& module, ModuleSource source,
                         const std::vector<FileFolder>* folders);

}  // namespace qvmodcat
