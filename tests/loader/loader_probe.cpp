// A library that contains the companion loader, so that tests can place "the component's own
// file" wherever they need it.
#include "server/companion_loader.h"

#include "loader_test_ids.h"

#include <cwchar>

extern "C" HRESULT ProbeCreate(const wchar_t* library, const CLSID* clsid, const IID* iid,
                               void** object) {
  return CreateCompanionObject(library, *clsid, *iid, object);
}

extern "C" int ProbeCacheEntry(int index, wchar_t* name, int capacity, HMODULE* handle) {
  const auto entries = LoadedCompanionLibraries();
  if (index >= 0 && static_cast<size_t>(index) < entries.size()) {
    swprintf(name, static_cast<size_t>(capacity), L"%ls", entries[index].first.c_str());
    *handle = entries[index].second;
  }
  return static_cast<int>(entries.size());
}
