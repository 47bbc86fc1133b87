#include "catalog/lookup_tables.h"

#include "common/bstr.h"
#include "common/com_exception.h"
#include "common/path.h"
#include "common/text.h"
#include "module/profile_reader.h"

namespace {

// The lookup files have been read in this process (set once, never cleared).
bool lookupFilesLoaded = false;

enum class KeyCase { AsWritten, LowerThroughAnsi };

// Reads every key of one section of <folder>\<fileName> into `table`, in file order.
void LoadLookupFile(const WideString& folder, const wchar_t* fileName,
                    const wchar_t* sectionName, KeyCase keyCase,
                    std::map<WideString, WideString>& table) {
  const WideString path = JoinPath(folder, fileName);
  const ComRef<IProfileReader> reader = NewProfileReader();
  if (FAILED(reader->Open(path.Bstr()))) return;  // no such file: nothing to look up

  // The environment's reader hands out an empty section for a name the file lacks; another
  // reader might hand out none, which reads the same.
  const ComRef<IProfileSection> section = ProfileSectionNamed(reader.Get(), sectionName);
  if (!section) return;
  const ComRef<IProfileKeys> keys = ProfileSectionKeys(section.Get());
  const long count = ProfileKeyCount(keys.Get());
  for (long position = 1; position <= count; ++position) {
    const ComRef<IProfileKey> key = ProfileKeyAt(keys.Get(), position);
    if (!key) continue;
    WideString name = ProfileKeyName(key.Get());
    if (keyCase == KeyCase::LowerThroughAnsi) name = LowerThroughAnsi(name);
    table.insert_or_assign(std::move(name), ProfileKeyValue(key.Get()));
  }
}

using FolderGetter = HRESULT (STDMETHODCALLTYPE IAppFolders::*)(BSTR*);

WideString CheckedFolder(IAppFolders* folders, FolderGetter getter) {
  WideString folder;
  ThrowIfFailed((folders->*getter)(OutBstr(folder)));
  return folder;
}

}  // namespace

FileModuleTable& FileModules() noexcept {
  static FileModuleTable table;
  return table;
}

void LoadModuleNameTable(const WideString& folder) {
  LoadLookupFile(folder, L"modules.ini", L"modules", KeyCase::AsWritten, ModuleNames());
}

void LoadFileModuleTable(const WideString& folder) {
  LoadLookupFile(folder, L"FilesToModules.ini", L"FilesToModules", KeyCase::LowerThroughAnsi,
                 FileModules());
}

void LoadLookupFilesOnce(IAppFolders* folders) {
  if (lookupFilesLoaded) return;
  lookupFilesLoaded = true;  // before reading: a failed load is not tried again
  LoadLookupFiles(folders);
}

void LoadLookupFiles(IAppFolders* folders) {
  LoadModuleNameTable(CheckedFolder(folders, &IAppFolders::GetModulesIniFolder));
  LoadFileModuleTable(CheckedFolder(folders, &IAppFolders::GetFilesIniFolder));
}

bool ParseFileModuleEntry(const WideString& entry, FileModuleEntry& parsed) {
  const size_t colon = entry.Find(L':');
  if (colon == WideString::npos) return false;
  parsed.Qualifier = entry.Substring(0, colon);
  parsed.ModuleKey = entry.Substring(colon + 1);
  if (parsed.ModuleKey.Find(L':') == WideString::npos) parsed.ModuleKey.Append(L":0");
  return true;
}
