// The problems check looks for beyond the survey of the folders: requirements not met,
// exclusions between modules of the catalog, gallery descriptors without their package,
// FilesToModules.ini entries for modules the catalog lacks, files two modules deliver to one
// folder (one problem per set of modules).
#pragma once

#include "catalog_graph.h"

#include <string>
#include <vector>

namespace qvmodcat {

struct ExclusionConflict {
  size_t Excluding = 0;  // module that declares the exclusion
  ExclusionEntry Exclusion;
  size_t Excluded = 0;   // module of the catalog it hits
  std::vector<size_t> NeededTogetherBy;
};

struct GalleryPackageProblem {
  std::wstring Descriptor;  // file name in ObjectGallery
  std::wstring Key;
  std::wstring Package;     // the package path it names (empty: none)
  std::wstring Problem;
};

struct FilesIniProblem {
  std::wstring File;
  std::wstring Entry;
  std::wstring Key;  // the module it names
};

// Modules (of different ModuleIDs) that deliver files of one name to one folder.
struct SharedFiles {
  std::vector<size_t> Modules;
  std::vector<std::wstring> Destinations;  // folder and file name of each such file
};

struct HealthFindings {
  std::vector<const GraphEdge*> UnmetRequirements;
  std::vector<ExclusionConflict> Conflicts;
  std::vector<GalleryPackageProblem> GalleryPackages;
  std::vector<FilesIniProblem> FilesIniEntries;
  std::vector<SharedFiles> SharedFiles;
};

HealthFindings CheckHealth(const CatalogGraph& graph, Catalog& catalog);

}  // namespace qvmodcat
