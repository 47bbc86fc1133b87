// Creates objects of the environment's companion libraries (application services, profile
// reader) straight from their library files, without the registry.
//
// A library is found by a fixed search beside the component's own file and under the Common
// Files folder, loaded once, and kept loaded until the process ends.  Its module handle is
// cached under the name exactly as the caller spelled it.  The cache has no lock: the
// component's classes live in single-threaded apartments and call this on their own thread.
#pragma once

#include "common/com_ref.h"
#include "common/wide_string.h"

#include "qv_environment.h"

#include <windows.h>
#include <unknwn.h>

#include <utility>
#include <vector>

// A companion class and the library that serves it.
struct CompanionClassDescriptor {
  const CLSID& clsid;
  const wchar_t* library;
};

inline constexpr CompanionClassDescriptor kAppServicesClass{kClsidAppServices,
                                                            kAppServicesLibrary};
inline constexpr CompanionClassDescriptor kProfileReaderClass{kClsidProfileReader,
                                                              kProfileReaderLibrary};

// Creates an object of `clsid` from `library` and asks it for `iid`.  Returns the HRESULT of
// the library's DllGetClassObject or of the factory's CreateInstance unchanged, or
// REGDB_E_CLASSNOTREG when the library cannot be loaded or exports no DllGetClassObject.
HRESULT CreateCompanionObject(const WideString& library, const CLSID& clsid, const IID& iid,
                              void** object);

// The class factory of `clsid` from `library` (found, loaded and cached as above).  The caller
// releases the factory.
HRESULT GetCompanionClassFactory(const WideString& library, const CLSID& clsid,
                                 IClassFactory** factory);

// The Common Files folder (HKLM "CommonFilesDir"), always ending with a backslash; a lone
// backslash when the value cannot be read.
WideString GetCommonFilesFolder();

// The companion objects the component uses.  Callers pass the result to ThrowIfFailed.
HRESULT CreateAppServices(ComRef<IAppServices>& services);
HRESULT CreateAppFolders(ComRef<IAppFolders>& folders);
HRESULT CreateProfileReader(ComRef<IProfileReader>& reader);

// What the loaded-library cache holds, in key order (for diagnostics and tests).
std::vector<std::pair<WideString, HMODULE>> LoadedCompanionLibraries();
