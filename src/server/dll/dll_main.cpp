// Library entry points of QvModCat2.dll.
#include "server/class_factory.h"
#include "server/registration.h"
#include "server/server_module.h"

#include <windows.h>
#include <objbase.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) Server().ProcessAttach(instance);
  if (reason == DLL_PROCESS_DETACH) Server().ProcessDetach();
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object) {
  return GetClassObject(Server().Classes(), clsid, iid, object);
}

STDAPI DllCanUnloadNow() { return CanUnloadNow(); }
STDAPI DllRegisterServer() { return RegisterServer(Server().Classes()); }
STDAPI DllUnregisterServer() { return UnregisterServer(Server().Classes()); }
