// Every module that delivers a file of a given name, in the order the catalog's file lookup
// walks them (folders and their packages in path order, shadowed packages included, then
// gallery descriptors by file name), each judged by the lookup's rules: why it answers, or
// why not.
#pragma once

#include "catalog_survey.h"
#include "module_report.h"

#include <optional>
#include <string>
#include <vector>

namespace qvmodcat {

// A lookup as the catalog makes it: FindModuleForFile, or ...InFolder.
struct FileQuestion {
  std::wstring Destination;
  std::wstring Version;
  std::wstring Language;
  bool InFolder = false;
  long ProjectType = 0;  // its folder notation splits the destination
};

struct FileCandidate {
  ModuleSummary Module;
  ModuleSource Source = ModuleSource::Package;
  FileEntry File;
  std::optional<std::wstring> Folder;  // where a package puts it
  bool Matches = false;
  std::wstring Reason;                 // why it matches or not
};

struct FileCandidates {
  std::wstring Name;     // the file name looked for
  std::wstring Folder;   // the folder asked for (empty: none)
  std::wstring ExcludedBy;  // the excluded-file pattern that skips the name
  std::vector<FileCandidate> Candidates;
};

FileCandidates FindFileCandidates(Catalog& catalog, const CatalogSurvey& survey,
                                  const FileQuestion& question);

}  // namespace qvmodcat
