// Which module delivers a file: FindModuleForFile and FindModuleForFileInFolder.  The file
// lists of the package records are searched first (in store order), then those of the gallery
// records, then the environment's "FilesToModules.ini".
#include "catalog/lookup_tables.h"
#include "catalog/mm_catalog.h"
#include "common/bstr.h"
#include "common/text.h"
#include "folders/folder_tokens.h"
#include "server/boundary.h"

#include <shlwapi.h>

namespace {

WideString FromBstr(BSTR text) { return WideString(text, text ? SysStringLen(text) : 0); }

bool IsPatternBlank(wchar_t ch) { return ch == L'\n' || ch == L'\t' || ch == L' '; }

WideString TrimPatternBlanks(const WideString& pattern) {
  size_t first = 0, end = pattern.Length();
  while (first < end && IsPatternBlank(pattern[first])) ++first;
  while (end > first && IsPatternBlank(pattern[end - 1])) --end;
  return pattern.Substring(first, end - first);
}

}  // namespace

bool MMCatalog::IsExcludedFile(const WideString& name) const {
  for (const WideString& pattern : excludedFilePatterns_) {
    if (pattern.IsEmpty()) continue;
    if (PathMatchSpecA(name.Ansi(), TrimPatternBlanks(pattern).Ansi())) return true;
  }
  return false;
}

bool MMCatalog::MatchRecordFile(const ModuleRecordRef& record, const FileQuery& query,
                                IDispatch** module, long* found) {
  for (const auto& entry : record->Files()) {
    const FileRecord& file = entry.second;
    if (!EqualsIgnoringCase(query.Name, file.LongName)) continue;
    if (query.MatchVersion && !EqualsIgnoringCase(query.Version, file.Version)) continue;
    if (query.MatchFolder && !query.Folder.IsEmpty()) {
      // An unresolvable folder stays empty and never matches; a package that cannot be opened
      // any more fails the lookup.
      WideString resolved;
      record->ResolveModuleFolder(file.Directory, resolved);
      if (!EqualsIgnoringCase(query.Folder, resolved)) continue;
    }
    if (query.Language != file.Language) continue;

    const ComRef<IMergeModule2> match = NewModuleObject(record);
    if (*module) {
      (*module)->Release();
      *module = nullptr;
    }
    ThrowIfFailed(match->QueryInterface(__uuidof(IMergeModule2), reinterpret_cast<void**>(module)));
    *found = -1;
    return true;
  }
  return false;
}

HRESULT MMCatalog::FindModuleForFileCore(const WideString& file, BSTR version, BSTR language,
                                         IDispatch** module, long* found, bool matchVersion,
                                         bool matchFolder, const WideString& folder) {
  FileQuery query;
  const size_t backslash = file.FindLast(L'\\');
  query.Name = backslash == WideString::npos ? file : file.Substring(backslash + 1);
  query.Version = FromBstr(version);
  const WideString requestedLanguage = FromBstr(language);
  const WideString lang = requestedLanguage.IsEmpty() ? WideString(L"0") : requestedLanguage;
  query.Language = lang;
  query.MatchVersion = matchVersion;
  query.MatchFolder = matchFolder;
  query.Folder = folder;

  *found = 0;
  if (IsExcludedFile(query.Name)) return S_OK;

  RefreshFolderStore(folderSources_);
  for (const auto& storeFolder : ModuleFolderStore())
    for (const auto& record : storeFolder.second->Modules)
      if (MatchRecordFile(record.second, query, module, found)) return S_OK;

  // Gallery files are compared with the language as the caller gave it.
  query.Language = requestedLanguage;
  for (const auto& record : galleryRecords_)
    if (MatchRecordFile(record.second, query, module, found)) return S_OK;

  const FileModuleTable& table = FileModules();
  const auto listed = table.find(LowerThroughAnsi(query.Name));
  if (listed == table.end()) return S_OK;
  FileModuleEntry entry;
  if (!ParseFileModuleEntry(listed->second, entry)) return S_OK;
  if (!entry.ForEveryVersion() && entry.Qualifier != query.Version) return S_OK;

  // The list names the module; the catalog may not have it, which still counts as found.
  // GetModule reports its own failures; they do not fail the lookup.
  ComRef<IDispatch> listedModule;
  GetModule(entry.ModuleKey.Bstr(), lang.Bstr(), listedModule.Put());
  if (listedModule)
    listedModule->QueryInterface(__uuidof(IMergeModule2), reinterpret_cast<void**>(module));
  *found = -1;
  return S_OK;
}

STDMETHODIMP MMCatalog::FindModuleForFile(BSTR destination, BSTR version, BSTR language,
                                          IDispatch** module, long* found) {
  if (!module || !found) return E_POINTER;
  return ComBoundary(*this, [&] {
    bool matchVersion = false, matchFolder = false;
    if (appServices_) {
      long switchValue = 0;
      ThrowIfFailed(appServices_->GetMatchVersion(&switchValue));
      matchVersion = switchValue != 0;
      ThrowIfFailed(appServices_->GetMatchFolder(&switchValue));
      matchFolder = switchValue != 0;
    }
    const WideString path = FromBstr(destination);
    WideString folder, file;
    if (!SplitDestinationPath(path, folder, file)) file = path;  // no folder token: a bare name
    return FindModuleForFileCore(file, version, language, module, found, matchVersion,
                                 matchFolder, folder);
  });
}

STDMETHODIMP MMCatalog::FindModuleForFileInFolder(BSTR destination, BSTR version, BSTR language,
                                                  IDispatch** module, long* found) {
  if (!module || !found) return E_POINTER;
  return ComBoundary(*this, [&] {
    // Without a folder token both parts stay empty: there is no file to look for in a folder.
    WideString folder, file;
    SplitDestinationPath(FromBstr(destination), folder, file);
    return FindModuleForFileCore(file, version, language, module, found,
                                 SysStringLen(version) != 0, true, folder);
  });
}
