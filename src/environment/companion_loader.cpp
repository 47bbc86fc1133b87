#include "environment/companion_loader.h"

#include "common/component_instance.h"
#include "common/path.h"
#include "common/unique_handle.h"

#include <map>

namespace {

using DllGetClassObjectFunction = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

// Library name as the caller spelled it -> module handle.  Created on first use and never torn
// down: the libraries stay loaded until the process ends, and nothing is freed at unload.
using LibraryCache = std::map<WideString, HMODULE>;

LibraryCache& LoadedLibraryCache() {
  static LibraryCache* cache = new LibraryCache;
  return *cache;
}

// The first of the four places that holds the library; the bare name (so that the operating
// system's own search applies) when none does or the component's own path is unknown.
WideString FindLibrary(const WideString& library) {
  char ownPath[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(ComponentInstance(), ownPath, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return library;

  const WideString ownFolder = ParentFolder(WideString::FromAnsi(ownPath));
  const WideString companyFolder = JoinPath(GetCommonFilesFolder(), L"Quorvane");
  const WideString candidates[] = {
      JoinPath(ownFolder, library),
      JoinPath(JoinPath(ownFolder, L"System"), library),
      JoinPath(companyFolder, library),
      JoinPath(JoinPath(companyFolder, L"Showloom"), library),
  };
  for (const WideString& candidate : candidates) {
    if (PathExists(candidate)) return candidate;
  }
  return library;
}

// Loads from `path` with the library's folder as current directory, so that libraries it
// depends on are found beside it; the caller's current directory is restored either way.
HMODULE LoadFromPath(const WideString& path) {
  char savedDirectory[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, savedDirectory);
  // A bare name has no folder: the call fails and the current directory stays.
  SetCurrentDirectoryA(ParentFolder(path).Ansi());
  HMODULE library = LoadLibraryA(path.Ansi());
  SetCurrentDirectoryA(savedDirectory);
  return library;
}

}  // namespace

HRESULT GetCompanionClassFactory(const WideString& library, const CLSID& clsid,
                                 IClassFactory** factory) {
  if (!factory) return E_POINTER;
  *factory = nullptr;

  LibraryCache& cache = LoadedLibraryCache();
  HMODULE module;
  const auto cached = cache.find(library);
  if (cached != cache.end()) {
    module = cached->second;
  } else {
    const WideString path = library.Find(L'\\') != WideString::npos ? library
                                                                    : FindLibrary(library);
    module = LoadFromPath(path);
    if (!module) return REGDB_E_CLASSNOTREG;
    cache.emplace(library, module);
  }

  const auto getClassObject =
      reinterpret_cast<DllGetClassObjectFunction>(GetProcAddress(module, "DllGetClassObject"));
  if (!getClassObject) return REGDB_E_CLASSNOTREG;
  return getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(factory));
}

HRESULT CreateCompanionObject(const WideString& library, const CLSID& clsid, const IID& iid,
                              void** object) {
  if (object) *object = nullptr;
  ComRef<IClassFactory> factory;
  const HRESULT found = GetCompanionClassFactory(library, clsid, factory.Put());
  if (FAILED(found)) return found;
  return factory->CreateInstance(nullptr, iid, object);
}

WideString GetCommonFilesFolder() {
  char value[MAX_PATH] = {};
  RegKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", 0,
                    KEY_QUERY_VALUE, key.Put()) == ERROR_SUCCESS) {
    DWORD size = sizeof value;
    if (RegQueryValueExA(key.Get(), "CommonFilesDir", nullptr, nullptr,
                         reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS) {
      value[0] = '\0';
    }
    value[sizeof value - 1] = '\0';  // a value that fills the buffer has no terminator
  }
  return JoinPath(WideString::FromAnsi(value), L"\\");
}

HRESULT CreateAppServices(ComRef<IAppServices>& services) {
  return CreateCompanionObject(kAppServicesClass.library, kAppServicesClass.clsid,
                               kIidAppServices, services.PutVoid());
}

HRESULT CreateAppFolders(ComRef<IAppFolders>& folders) {
  return CreateCompanionObject(kAppServicesClass.library, kAppServicesClass.clsid,
                               kIidAppFolders, folders.PutVoid());
}

HRESULT CreateProfileReader(ComRef<IProfileReader>& reader) {
  return CreateCompanionObject(kProfileReaderClass.library, kProfileReaderClass.clsid,
                               kIidProfileReader, reader.PutVoid());
}

std::vector<std::pair<WideString, HMODULE>> LoadedCompanionLibraries() {
  const LibraryCache& cache = LoadedLibraryCache();
  return {cache.begin(), cache.end()};
}
