// The component seen through its automation interfaces: the catalog handed out by the
// registered MMCatalogManager, module objects read into plain values, and module objects
// made for one package with MergeModule2.Load.
#pragma once

#include "com_client.h"
#include "environment_services.h"

#include "qvmodcat.h"  // generated from idl/qvmodcat.idl

#include <optional>
#include <string>
#include <vector>

namespace qvmodcat {

// What a module object says about itself (its properties, not its lists).
struct ModuleSummary {
  std::wstring Key;
  std::wstring ModuleID;
  long Language = 0;
  std::wstring Version;
  std::wstring DisplayName;
  std::wstring Name;  // package code, or the descriptor's base name for gallery modules
  std::wstring Path;
  std::wstring Author;
  std::wstring Subject;
  std::wstring Comments;
  bool IsInstalled = false;
  bool NeedsDownload = false;
  std::wstring OfferedVersion;  // "update available": the version the gallery descriptor offers
};

struct DependencyEntry {
  std::wstring Key;
  std::wstring ModuleID;
  std::wstring Version;
  long Language = 0;
};

struct ExclusionEntry {
  std::wstring Key;
  std::wstring ModuleID;
  std::wstring MinVersion;
  std::wstring MaxVersion;
  std::wstring Language;  // the component gives it as text
};

struct FileEntry {
  std::wstring File;  // key
  std::wstring FileName;
  std::wstring Directory;
  std::wstring Version;
  std::wstring Language;
  long FileSize = 0;
  long Sequence = 0;
  // The long name: the text after the first '|' of FileName, or all of it.
  std::wstring LongName() const;
};

struct DownloadEntry {
  std::wstring Location;
  std::wstring MediaLocation;
  std::wstring InternetLocation;
  long FileSize = 0;
  std::wstring CheckSum;
};

// A module with every detail list.
struct ModuleDetails {
  ModuleSummary Summary;
  std::vector<std::wstring> Dialogs;
  std::vector<std::wstring> CustomActions;
  std::vector<DependencyEntry> Dependencies;
  std::vector<ExclusionEntry> Exclusions;
  std::vector<FileEntry> Files;
  // Download files come from the module's gallery descriptor; a package without one has
  // none (the component answers with an error there).
  bool HasDescriptor = true;
  std::vector<DownloadEntry> DownloadFiles;
};

// A module as a folder item lists it: enough to name it and to tell it from another.
struct FolderModule {
  std::wstring Key;
  std::wstring Path;
  std::wstring Version;
  ComRef<IMergeModule2> Module;
};

struct FolderEntry {
  std::wstring Path;
  std::wstring Name;
  std::wstring Folder;
  short Kind = 0;  // 0: from the search-path lists, 1: a module folder entry
  std::vector<FolderModule> Modules;
};

struct FileQueryResult {
  bool Found = false;               // the catalog's found flag
  ComRef<IMergeModule2> Module;     // may be null although found (FilesToModules.ini entry)
};

// Enough of a module to tell it from another: key, package path, version.
struct ModuleIdentity {
  std::wstring Key;
  std::wstring Path;
  std::wstring Version;
};

ModuleIdentity ReadIdentity(IMergeModule2* module);
ModuleSummary ReadSummary(IMergeModule2* module);
std::vector<DependencyEntry> ReadDependencies(IMergeModule2* module);
std::vector<ExclusionEntry> ReadExclusions(IMergeModule2* module);
std::vector<FileEntry> ReadFiles(IMergeModule2* module);
ModuleDetails ReadDetails(IMergeModule2* module);

// The registered component's catalog for one project type, from MMCatalogManager.
class Catalog {
 public:
  explicit Catalog(long projectType);

  // The edition catalog (project types 9 and 10) answers nothing.
  bool IsEdition() const noexcept { return projectType_ == 9 || projectType_ == 10; }
  // The environment's libraries, as the component loaded them for this catalog.
  EnvironmentServices& Environment();
  // A module of the catalog: its properties, and for "update available" the version its
  // gallery descriptor offers.
  ModuleSummary Summary(IMergeModule2* module);

  std::vector<ComRef<IMergeModule2>> Modules();
  std::vector<FolderEntry> Folders();
  // GetModule: the module of a key (language fallback for "ID:0"); null when there is none.
  ComRef<IMergeModule2> GetModule(const std::wstring& key, const std::wstring& language);
  // FindModuleForFile, or FindModuleForFileInFolder when inFolder.
  FileQueryResult FindModuleForFile(const std::wstring& destination, const std::wstring& version,
                                    const std::wstring& language, bool inFolder);
  std::optional<std::wstring> KeyForFile(const std::wstring& file);
  std::wstring DisplayName(const std::wstring& key);

 private:
  long projectType_;
  ComRef<IMMCatalogManager> manager_;
  ComRef<IMMCatalog> catalog_;
  std::optional<EnvironmentServices> environment_;
};

// The registered catalog manager (which loads the component), with no catalog yet.
ComRef<IUnknown> CreateCatalogManager();

// How many package records the component's catalogs in this process took from the package
// cache instead of opening the package.  Asked of the loaded component (an export beside its
// class objects, not an automation interface); nothing when it is not loaded or does not say.
std::optional<unsigned long> ComponentCacheHits();

// A module object of its own for one package (MergeModule2.Load), outside any catalog.
ComRef<IMergeModule2> LoadPackage(const std::wstring& path);

}  // namespace qvmodcat
