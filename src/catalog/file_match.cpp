#include "catalog/file_match.h"

#include "catalog/lookup_tables.h"
#include "common/text.h"

namespace {

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

bool RecordHasFile(const ModuleRecordRef& record, const FileQuery& query) {
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
    return true;
  }
  return false;
}

}  // namespace

FileMatch MatchFile(const FileQuery& query, const GalleryRecords& gallery) {
  FileMatch match;
  // Package records take an empty language as "0"; gallery records compare it as given.
  FileQuery packageQuery = query;
  if (packageQuery.Language.IsEmpty()) packageQuery.Language = L"0";
  for (const auto& folder : ModuleFolderStore())
    for (const auto& record : folder.second->Modules)
      if (RecordHasFile(record.second, packageQuery)) {
        match.Record = record.second;
        return match;
      }
  for (const auto& record : gallery)
    if (RecordHasFile(record.second, query)) {
      match.Record = record.second;
      return match;
    }

  const FileModuleTable& table = FileModules();
  const auto listed = table.find(LowerThroughAnsi(query.Name));
  if (listed == table.end()) return match;
  FileModuleEntry entry;
  if (!ParseFileModuleEntry(listed->second, entry)) return match;
  if (!entry.ForEveryVersion() && entry.Qualifier != query.Version) return match;
  match.Listed = true;
  match.ListedKey = entry.ModuleKey;
  return match;
}
