// Which module delivers a file: FindModuleForFile and FindModuleForFileInFolder.  The file
// lists of the package records are searched first (in store order), then those of the gallery
// records, then the environment's "FilesToModules.ini".
#include "catalog/lookup_tables.h"
#include "catalog/mm_catalog.h"
#include "com/boundary.h"
#include "common/bstr.h"
#include "common/text.h"
#include "folders/folder_tokens.h"

#include <shlwapi.h>

namespace {

bool IsPatternBlank(wchar_t ch) { return ch == L'\n' || ch == L'\t' || ch == L' '; }

WideString TrimPatternBlanks(const WideString& pattern) {
  size_t first = 0, end = pattern.Length();
  while (first < end && IsPatternBlank(pattern[first])) ++first;
  while (end > first && IsPatternBlank(pattern[end - 1])) --end;
  return pattern.Substring(first, end - first);
}

bool IsPlainAscii(const wchar_t* text, size_t length) {
  for (size_t i = 0; i < length; ++i)
    if (text[i] < 0x20 || text[i] > 0x7E) return false;
  return true;
}

// File names compared without regard to case.  A lookup compares the name with every file of
// every package, and the locale's comparison costs far more than the rest of that walk; for
// names made of printable ASCII alone (every such character carries its own weight there) it
// answers exactly as folding A-Z does, so only other names are handed to it.
bool SameFileName(const WideString& left, const WideString& right) {
  const wchar_t* a = left.c_str();
  const wchar_t* b = right.c_str();
  const size_t length = left.Length(), otherLength = right.Length();
  if (!IsPlainAscii(a, length) || !IsPlainAscii(b, otherLength))
    return EqualsIgnoringCase(left, right);
  if (length != otherLength) return false;
  for (size_t i = 0; i < length; ++i)
    if (FoldAsciiLetter(a[i]) != FoldAsciiLetter(b[i])) return false;
  return true;
}

// The key of a file name in a record's name index: a hash of the folded name when it is plain
// ASCII, else kLocaleCompared, which only the locale's comparison can decide.
constexpr unsigned long kLocaleCompared = 0;

unsigned long FileNameKey(const WideString& name) {
  const wchar_t* text = name.c_str();
  const size_t length = name.Length();
  if (!IsPlainAscii(text, length)) return kLocaleCompared;
  unsigned long hash = 2166136261u;
  for (size_t i = 0; i < length; ++i) hash = (hash ^ FoldAsciiLetter(text[i])) * 16777619u;
  return hash == kLocaleCompared ? 1 : hash;
}

const std::vector<FileNameEntry>& IndexedFiles(ModuleRecord& record) {
  const FileMap& files = record.Files();
  std::vector<FileNameEntry>& index = record.FileNameIndex();
  if (index.size() != files.size()) {
    index.clear();
    index.reserve(files.size());
    for (const auto& entry : files)
      index.push_back({FileNameKey(entry.second.LongName), &entry.second});
  }
  return index;
}

// Whether a file may carry the name whose key is `nameKey`; SameFileName decides.
bool MayBeNamed(const FileNameEntry& entry, unsigned long nameKey) {
  return entry.NameKey == nameKey || entry.NameKey == kLocaleCompared ||
         nameKey == kLocaleCompared;
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
  const unsigned long nameKey = FileNameKey(query.Name);
  for (const FileNameEntry& entry : IndexedFiles(*record)) {
    if (!MayBeNamed(entry, nameKey)) continue;
    const FileRecord& file = *entry.File;
    if (!SameFileName(query.Name, file.LongName)) continue;
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
  query.Version = WideString::FromBstr(version);
  const WideString requestedLanguage = WideString::FromBstr(language);
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
    const WideString path = WideString::FromBstr(destination);
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
    SplitDestinationPath(WideString::FromBstr(destination), folder, file);
    return FindModuleForFileCore(file, version, language, module, found,
                                 SysStringLen(version) != 0, true, folder);
  });
}
