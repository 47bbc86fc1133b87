#include "folders/folder_tokens.h"

#include "common/path.h"
#include "qv_environment.h"
#include "server/component_instance.h"

#include <utility>

namespace {

// Built at library load, before any object exists.
const std::vector<FolderTokenDialect> dialects = {FolderTokenDialect(L'[', L']'),
                                                   FolderTokenDialect(L'<', L'>')};

HMODULE FindHostLibrary() {
  if (HMODULE loaded = GetModuleHandleA(kHostLibrary)) return loaded;
  // Outside the environment's own process (a script host, a test) the host library is looked
  // for beside the component first.  Once loaded it stays loaded for the life of the process,
  // like the companion libraries.
  static HMODULE kept = nullptr;
  if (!kept) {
    char own[MAX_PATH] = {};
    if (GetModuleFileNameA(ComponentInstance(), own, MAX_PATH)) {
      const WideString beside = JoinPath(ParentFolder(WideString::FromAnsi(own)),
                                         WideString::FromAnsi(kHostLibrary));
      kept = LoadLibraryA(beside.Ansi());
    }
    if (!kept) kept = LoadLibraryA(kHostLibrary);
  }
  return kept;
}

}  // namespace

const std::vector<FolderTokenDialect>& FolderTokenDialects() { return dialects; }

long GetActiveProjectType() {
  HMODULE host = FindHostLibrary();
  if (!host) return 0;
  auto activeProjectType = reinterpret_cast<GetActiveProjectTypeFunction>(
      GetProcAddress(host, kActiveProjectTypeExport));
  return activeProjectType ? activeProjectType() : 0;
}

const FolderTokenDialect& GetActiveFolderTokenDialect() {
  const long type = GetActiveProjectType();
  const auto& list = FolderTokenDialects();
  return type >= 0 && static_cast<size_t>(type) < list.size() ? list[type] : list[0];
}

bool SplitDestinationPath(const WideString& path, WideString& folder, WideString& file) {
  const size_t closing = path.FindLast(GetActiveFolderTokenDialect().Closing());
  if (closing == WideString::npos) return false;
  const size_t opening = path.Find(GetActiveFolderTokenDialect().Opening());
  if (opening == WideString::npos || opening >= closing) return false;
  const size_t backslash = path.FindLast(L'\\');
  if (backslash == WideString::npos) {
    folder = path.Substring(0, closing + 1);
    file = path.Substring(closing + 1);
  } else {
    folder = path.Substring(0, backslash);
    file = path.Substring(backslash + 1);
  }
  return true;
}
