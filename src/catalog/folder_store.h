// The process-wide folder store that every catalog of the process shares, and the pair of
// application-services references (FolderSources) through which a catalog keeps it in step
// with the environment's folder lists.
//
// Nothing here is locked: catalogs are apartment-threaded and use the store on their
// apartment's thread.  Records and folders are shared (ModuleRecordRef, ModuleFolderRef): a
// module object or folder item handed to a client keeps what it presents alive after the store
// dropped it.
#pragma once

#include "common/com_ref.h"
#include "common/wide_string.h"
#include "module/module_record.h"
#include "qv_environment.h"

#include <map>
#include <memory>
#include <vector>

// Package path (ordinal order) to its record.
using ModuleRecordMap = std::map<WideString, ModuleRecordRef>;

enum class FolderKind : unsigned short {
  SearchPath = 0,    // named by the search-path lists, scanned for "*.msm"
  IndexedEntry = 1,  // named by the indexed folder list, taken as a single package entry
};

struct ModuleFolder {
  ModuleRecordMap Modules;
  // Records dropped from Modules, one per path, kept for the module objects built from them.
  ModuleRecordMap RetiredModules;
  WideString Name;
  WideString Path;
  FolderKind Kind = FolderKind::SearchPath;
};

using ModuleFolderRef = std::shared_ptr<ModuleFolder>;
// Folder path (ordinal order) to its folder.
using ModuleFolderMap = std::map<WideString, ModuleFolderRef>;

// The folders whose modules make up every catalog, and the folders dropped from it.  Both are
// emptied when the last FolderSources pair of the process goes away.
ModuleFolderMap& ModuleFolderStore() noexcept;
ModuleFolderMap& RetiredFolderStore() noexcept;
// Number of FolderSources pairs alive in the process.
long FolderSourceCount() noexcept;

// One IAppServices and one IAppFolders reference to the application-services component, made
// through the companion loader (a failure raises com_exception).  Each pair alive counts in
// FolderSourceCount; the last one to go empties the store.
class FolderSources {
 public:
  FolderSources();
  ~FolderSources();
  FolderSources(const FolderSources&) = delete;
  FolderSources& operator=(const FolderSources&) = delete;

  IAppServices* Services() const noexcept { return services_.Get(); }
  IAppFolders* Folders() const noexcept { return folders_.Get(); }

 private:
  ComRef<IAppServices> services_;
  ComRef<IAppFolders> folders_;
};

// Brings the store up to date with the environment's lists: the search-path lists (extra list
// first) give folders scanned for packages, the indexed folder list gives single package
// entries.  Folders no longer listed move to the retired store; new ones are scanned as they
// are added.  True when the store changed.  Existing folders are not rescanned here.
bool RefreshFolderStore(const FolderSources& sources);

// Rescans one folder and reconciles its records with what is on disk by last-write time.  A
// package not yet in the folder is taken from the process's package cache when its entry may
// be trusted, else read (and the cache learns the read).  True when its modules changed.
bool RefreshFolder(ModuleFolder& folder);

// Hands the package cache the detail lists the store's records read since the last call and
// writes the cache file when anything changed.  Called after refreshes and lookups, never
// while the DLL is being loaded or unloaded.
void SavePackageCache() noexcept;

// The entries of a comma-separated folder list that name existing folders, each expanded
// (ExpandFolderEntry).  Empty pieces are skipped; pieces are not trimmed.
std::vector<WideString> SplitFolderList(const WideString& list);

// Expands environment references in `entry` (1024 bytes at most).  When the result, less one
// trailing backslash, names a folder, `entry` becomes the expanded text (its trailing
// backslash kept) and the result is true; otherwise `entry` is left alone.
bool ExpandFolderEntry(WideString& entry);

// How often the package scan has read a package to make a record in this process (reads the
// installer refused included; records taken from the package cache are not reads).
unsigned long PackageReadCount() noexcept;
