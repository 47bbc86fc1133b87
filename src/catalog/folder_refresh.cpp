// Keeping the shared folder store in step with the environment's folder lists and each folder
// in step with the packages on disk.  Paths are compared exactly (code unit by code unit); the
// file system is asked in ANSI.
#include "catalog/folder_store.h"

#include "cache/cache_settings.h"
#include "common/bstr.h"
#include "common/com_exception.h"
#include "common/unique_handle.h"

#include <shlwapi.h>

#include <algorithm>
#include <utility>

namespace {

unsigned long packageReads = 0;
// CompletedListReads() when the store's records last handed their lists to the cache.
unsigned long listReadsRemembered = 0;

// A package on disk: its stamp as the folder listing gave it; Known is false for an entry the
// file system could not find (it has the time zero and is never looked up in the cache).
struct FoundPackage {
  PackageStamp Stamp;
  bool Known = true;
  FILETIME Time() const { return ToFileTime(Stamp.LastWrite); }
};
using FoundPackages = std::map<WideString, FoundPackage>;

bool EndsWithBackslash(const WideString& path) { return path.LastChar() == L'\\'; }

// What a folder holds now: package path to its stamp.
FoundPackages ScanFolder(const ModuleFolder& folder) {
  FoundPackages found;
  WIN32_FIND_DATAA item = {};
  if (folder.Kind == FolderKind::IndexedEntry) {
    // The folder itself is the entry, with its own time.  A path FindFirstFileA cannot find
    // (one ending in a backslash, a drive root, or one gone since the list was read) still
    // counts, with the time zero: no later time is older, so once read it is not read again
    // while it stays listed.
    const FindHandle search(FindFirstFileA(folder.Path.Ansi(), &item));
    found[folder.Path] = search ? FoundPackage{StampFromFindData(item)} : FoundPackage{{}, false};
    return found;
  }
  WideString prefix = folder.Path;
  if (!EndsWithBackslash(prefix)) prefix.Append(L'\\');
  const WideString pattern = prefix + L"*.msm";
  const FindHandle search(FindFirstFileA(pattern.Ansi(), &item));
  if (!search) return found;  // no such folder, or nothing in it
  do {
    if (item.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    found[prefix + WideString::FromAnsi(item.cFileName)] = FoundPackage{StampFromFindData(item)};
  } while (FindNextFileA(search.Get(), &item));
  return found;
}

// Moves a map entry to the retired map (replacing an entry of the same key there).
template <class Map>
void Retire(Map& from, Map& retired, typename Map::iterator entry) {
  retired.insert_or_assign(entry->first, std::move(entry->second));
  from.erase(entry);
}

bool Contains(const std::vector<WideString>& entries, const WideString& path) {
  return std::find(entries.begin(), entries.end(), path) != entries.end();
}

// Retires every folder of `kind` that the entries no longer name.
bool RetireUnlisted(FolderKind kind, const std::vector<WideString>& entries) {
  ModuleFolderMap& store = ModuleFolderStore();
  bool changed = false;
  for (auto folder = store.begin(); folder != store.end();) {
    const auto next = std::next(folder);
    if (folder->second->Kind == kind && !Contains(entries, folder->first)) {
      Retire(store, RetiredFolderStore(), folder);
      changed = true;
    }
    folder = next;
  }
  return changed;
}

// Adds (and scans) every entry the store lacks.
bool AddListed(FolderKind kind, const std::vector<WideString>& entries) {
  ModuleFolderMap& store = ModuleFolderStore();
  bool changed = false;
  for (const WideString& path : entries) {
    if (store.count(path)) continue;
    auto folder = std::make_shared<ModuleFolder>();
    folder->Name = path;
    folder->Path = path;
    folder->Kind = kind;
    RefreshFolder(*folder);
    store.emplace(path, std::move(folder));
    changed = true;
  }
  return changed;
}

std::vector<WideString> IndexedFolders(IAppServices* services) {
  std::vector<WideString> entries;
  for (long index = 0;; ++index) {
    WideString folder;
    ThrowIfFailed(services->GetModuleFolderAt(index, OutBstr(folder)));
    if (folder.IsEmpty()) break;
    if (PathIsDirectoryA(folder.Ansi())) entries.push_back(folder);  // taken as given
  }
  return entries;
}

}  // namespace

unsigned long PackageReadCount() noexcept { return packageReads; }

bool ExpandFolderEntry(WideString& entry) {
  char expanded[1024] = {};
  const DWORD length = ExpandEnvironmentStringsA(entry.Ansi(), expanded, sizeof expanded);
  if (length == 0 || length > sizeof expanded) return false;  // too long to name a folder
  const WideString text = WideString::FromAnsi(expanded);
  WideString probe = text;
  if (EndsWithBackslash(probe)) probe = probe.Substring(0, probe.Length() - 1);
  if (!PathIsDirectoryA(probe.Ansi())) return false;
  entry = text;
  return true;
}

std::vector<WideString> SplitFolderList(const WideString& list) {
  std::vector<WideString> entries;
  for (WideString& piece : list.Split(L',')) {
    if (piece.IsEmpty()) continue;
    if (ExpandFolderEntry(piece)) entries.push_back(std::move(piece));
  }
  return entries;
}

bool RefreshFolderStore(const FolderSources& sources) {
  if (!sources.Services()) return false;
  WideString searchPaths, extraSearchPaths;
  ThrowIfFailed(sources.Services()->GetSearchPathList(OutBstr(searchPaths)));
  ThrowIfFailed(sources.Folders()->GetExtraSearchPathList(OutBstr(extraSearchPaths)));
  const WideString combined =
      searchPaths.IsEmpty()        ? extraSearchPaths
      : extraSearchPaths.IsEmpty() ? searchPaths
                                   : WideString::Format(L"%s,%s", extraSearchPaths.c_str(),
                                                        searchPaths.c_str());

  const std::vector<WideString> listed = SplitFolderList(combined);
  bool changed = RetireUnlisted(FolderKind::SearchPath, listed);
  changed |= AddListed(FolderKind::SearchPath, listed);

  // A path in both lists was added above as a search-path folder and stays one.
  const std::vector<WideString> indexed = IndexedFolders(sources.Services());
  changed |= RetireUnlisted(FolderKind::IndexedEntry, indexed);
  changed |= AddListed(FolderKind::IndexedEntry, indexed);
  return changed;
}

bool RefreshFolder(ModuleFolder& folder) {
  const FoundPackages found = ScanFolder(folder);
  bool changed = false;

  for (auto entry = folder.Modules.begin(); entry != folder.Modules.end();) {
    const auto next = std::next(entry);
    const auto onDisk = found.find(entry->first);
    // Gone, or rewritten since it was read.  A file that became older is left alone.
    if (onDisk == found.end() ||
        FromFileTime(entry->second->PackageTime()) < onDisk->second.Stamp.LastWrite) {
      Retire(folder.Modules, folder.RetiredModules, entry);
      changed = true;
    }
    entry = next;
  }

  PackageCache& cache = ProcessPackageCache();
  for (const auto& [path, package] : found) {
    if (folder.Modules.count(path)) continue;
    ModuleRecordRef record = package.Known ? cache.Lookup(path, package.Stamp) : nullptr;
    if (!record) {
      record = std::make_shared<ModuleRecord>();
      ++packageReads;
      try {
        record->InitFromPackage(path);
      } catch (const com_exception& failure) {
        // A file the installer cannot open as a package (or not at the moment): no module,
        // nothing kept, and the next refresh tries it again.
        if (failure.Origin() != ErrorOrigin::InstallerAutomation) throw;
        continue;
      }
      const FILETIME time = package.Time();
      record->SetPackageTime(time.dwLowDateTime, time.dwHighDateTime);
      if (package.Known) cache.Remember(*record, package.Stamp);
    }
    folder.Modules.insert_or_assign(record->PackagePath(), std::move(record));
    changed = true;
  }
  return changed;
}

void SavePackageCache() noexcept {
  PackageCache& cache = ProcessPackageCache();
  if (!cache.Enabled()) return;
  if (listReadsRemembered != CompletedListReads()) {
    listReadsRemembered = CompletedListReads();
    for (const auto& folder : ModuleFolderStore())
      for (const auto& record : folder.second->Modules) cache.RememberLists(*record.second);
  }
  cache.Flush();
}
