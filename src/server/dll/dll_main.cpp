// Library entry points of QvModCat2.dll.
#include "cache/cache_settings.h"
#include "com/class_factory.h"
#include "com/server_module.h"
#include "server/class_table.h"
#include "server/registration.h"

#include <windows.h>
#include <objbase.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) Server().ProcessAttach(instance, ComponentClasses());
  if (reason == DLL_PROCESS_DETACH) Server().ProcessDetach();
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object) {
  return GetClassObject(ComponentClasses(), clsid, iid, object);
}

STDAPI DllCanUnloadNow() { return CanUnloadNow(); }
STDAPI DllRegisterServer() { return RegisterServer(ComponentClasses()); }
STDAPI DllUnregisterServer() { return UnregisterServer(ComponentClasses()); }

// How many package records the catalogs of this process took from the package cache instead of
// opening the package.  For the inspector's reports; not an automation interface.
STDAPI QvGetPackageCacheHits(DWORD* hits) {
  if (!hits) return E_POINTER;
  *hits = ProcessPackageCache().Hits();
  return S_OK;
}
