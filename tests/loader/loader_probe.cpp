// A library that contains the companion loader, so that tests can place "the component's own
// file" wherever they need it.  Having no DllGetClassObject, it also plays a library that
// serves no classes.
#include "environment/companion_loader.h"

#include "loader_test_ids.h"

extern "C" __declspec(dllexport) HRESULT ProbeCreate(const wchar_t* library, const CLSID* clsid,
                                                     const IID* iid, void** object) {
  return CreateCompanionObject(library, *clsid, *iid, object);
}

extern "C" __declspec(dllexport) HMODULE ProbeCached(const wchar_t* library) {
  for (const auto& [name, handle] : LoadedCompanionLibraries())
    if (name == WideString(library)) return handle;
  return nullptr;
}

extern "C" __declspec(dllexport) int ProbeCacheSize() {
  return static_cast<int>(LoadedCompanionLibraries().size());
}
