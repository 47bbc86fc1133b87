// What the catalog's folders hold against what the catalog took from them: package files it
// did not read (and why), keys that more than one package serves, entries of the
// environment's folder lists that name no folder, and paths the code page cannot hold.  The component skips all of these
// silently; the inspector reports them.
#pragma once

#include "catalog_access.h"

#include <string>
#include <vector>

namespace qvmodcat {

// A package file of a module folder (or a module folder entry).
struct PackageFile {
  std::wstring Path;
  std::wstring Key;              // empty when it was not read
  std::wstring Version;
  ComRef<IMergeModule2> Module;  // the catalog's object, or one of its own (MergeModule2.Load)
  bool Listed = false;           // the folder's module list holds it
  std::wstring Problem;          // why the catalog did not read it
};

struct SurveyFolder {
  FolderEntry Entry;
  std::vector<PackageFile> Packages;  // in path order, as the catalog walks them
};

// A key served by more than one package: the catalog shows the one met last.
struct SharedKey {
  std::wstring Key;
  const PackageFile* Shown = nullptr;
  std::vector<const PackageFile*> Hidden;
  bool NewerHidden = false;  // a hidden package has a newer version than the one shown
};

// A path the system code page cannot hold: the catalog reads packages by their ANSI path, so
// it never reads what such a path names.
struct CodePagePath {
  std::wstring Path;
  std::wstring Kind;  // "package file", or the list that names the folder ("search path", ...)
};

// An entry of the environment's folder lists that names no folder (the catalog drops it).
struct ListEntryProblem {
  std::wstring List;  // "search path", "extra search path", "module folder"
  std::wstring Entry;
  std::wstring Problem;
};

class CatalogSurvey {
 public:
  explicit CatalogSurvey(Catalog& catalog);
  CatalogSurvey(const CatalogSurvey&) = delete;
  CatalogSurvey& operator=(const CatalogSurvey&) = delete;

  const std::vector<SurveyFolder>& Folders() const noexcept { return folders_; }
  std::vector<const PackageFile*> NotRead() const;
  const std::vector<SharedKey>& SharedKeys() const noexcept { return sharedKeys_; }
  const std::vector<ListEntryProblem>& EntryProblems() const noexcept { return entryProblems_; }
  const std::vector<CodePagePath>& OutsideCodePage() const noexcept { return outsideCodePage_; }
  size_t PackageCount() const;

  // "3 packages not read, 1 key shadowed: see `qvmodcat check`" and, for paths outside the
  // code page, what to do about them (lines fitted to the line width), or nothing when there
  // is nothing to say.
  std::wstring SummaryLine() const;

 private:
  void ReadFolder(SurveyFolder& folder, const std::vector<std::wstring>& paths, size_t& done);
  void FindSharedKeys(Catalog& catalog);
  void CheckLists(EnvironmentServices& environment);

  std::vector<SurveyFolder> folders_;
  std::vector<SharedKey> sharedKeys_;
  std::vector<ListEntryProblem> entryProblems_;
  std::vector<CodePagePath> outsideCodePage_;
};

}  // namespace qvmodcat
