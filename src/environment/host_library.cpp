#include "environment/host_library.h"

#include "common/component_instance.h"
#include "common/path.h"
#include "qv_environment.h"

namespace {

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

long GetActiveProjectType() {
  HMODULE host = FindHostLibrary();
  if (!host) return 0;
  auto activeProjectType = reinterpret_cast<GetActiveProjectTypeFunction>(
      GetProcAddress(host, kActiveProjectTypeExport));
  return activeProjectType ? activeProjectType() : 0;
}
