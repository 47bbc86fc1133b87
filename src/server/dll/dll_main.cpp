// Library entry points of QvModCat2.dll.
#include <windows.h>
#include <objbase.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
  return TRUE;
}

// The class objects arrive with the server shell; until then no class is served.
STDAPI DllGetClassObject(REFCLSID, REFIID, LPVOID* object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow() { return S_OK; }
STDAPI DllRegisterServer() { return S_OK; }
STDAPI DllUnregisterServer() { return S_OK; }
