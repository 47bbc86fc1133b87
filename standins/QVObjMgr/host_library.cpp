// The host-library stand-in QVObjMgr.DLL: the host's export for the active project type (the
// value "ActiveProjectType" of the stand-in state, 0 when absent) and the project object's
// class, registered by regsvr32 under the ProgID "QvStandIn.Project".  Its registration also
// registers the environment's type library of the catalog interfaces, "qvmodcat.tlb" beside
// it: those interfaces belong to the environment, and the component only refers to them.
#include "project_object.h"
#include "standin_object.h"
#include "standin_project_ids.h"
#include "standin_state.h"

#include "common/com_ref.h"
#include "common/unique_handle.h"

#include <olectl.h>

#include <string>

namespace {

HMODULE thisLibrary = nullptr;
standin::ClassFactory projectFactory(&CreateStandInProject);

constexpr wchar_t kDescription[] = L"Quorvane stand-in project";

// Creates HKCR\<path> with its default value and, when given, one more named value.
HRESULT WriteClassKey(const std::wstring& path, const std::wstring& value,
                      const wchar_t* name = nullptr, const std::wstring& namedValue = {}) {
  RegKey key;
  LONG status = RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                nullptr, key.Put(), nullptr);
  if (status == ERROR_SUCCESS) {
    status = RegSetValueExW(key.Get(), nullptr, 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  }
  if (status == ERROR_SUCCESS && name) {
    status = RegSetValueExW(key.Get(), name, 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(namedValue.c_str()),
                            static_cast<DWORD>((namedValue.size() + 1) * sizeof(wchar_t)));
  }
  return HRESULT_FROM_WIN32(status);
}

HRESULT DeleteClassTree(const std::wstring& path) {
  const LONG status = RegDeleteTreeW(HKEY_CLASSES_ROOT, path.c_str());
  return status == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(status);
}

// <folder of this library>\qvmodcat.tlb, loaded (and registered when asked).
HRESULT LoadInterfaceLibrary(REGKIND kind, ComRef<ITypeLib>& library) {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(thisLibrary, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return SELFREG_E_TYPELIB;
  std::wstring file(path, length);
  file.replace(file.rfind(L'\\') + 1, std::wstring::npos, L"qvmodcat.tlb");
  return LoadTypeLibEx(file.c_str(), kind, library.Put());
}

// Like the class keys, a library that is not registered needs no unregistering.
void UnregisterInterfaceLibrary() {
  ComRef<ITypeLib> library;
  TLIBATTR* attributes = nullptr;
  if (FAILED(LoadInterfaceLibrary(REGKIND_NONE, library)) ||
      FAILED(library->GetLibAttr(&attributes)))
    return;
  UnRegisterTypeLib(attributes->guid, attributes->wMajorVerNum, attributes->wMinorVerNum,
                    attributes->lcid, attributes->syskind);
  library->ReleaseTLibAttr(attributes);
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    thisLibrary = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

// Exported as "_GetActiveProjectType@0" (QVObjMgr.def).
extern "C" long WINAPI GetActiveProjectType() {
  return static_cast<long>(standin::ReadNumber(L"ActiveProjectType"));
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
  return standin::GetClassObject(projectFactory, kClsidStandInProject, clsid, iid, object);
}

STDAPI DllCanUnloadNow() { return standin::CanUnloadNow(); }

STDAPI DllRegisterServer() {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(thisLibrary, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return SELFREG_E_CLASS;
  const std::wstring classKey = std::wstring(L"CLSID\\") + kStandInProjectClsidText;
  const HRESULT steps[] = {
      WriteClassKey(kStandInProjectProgId, kDescription),
      WriteClassKey(std::wstring(kStandInProjectProgId) + L"\\CLSID", kStandInProjectClsidText),
      WriteClassKey(classKey, kDescription),
      WriteClassKey(classKey + L"\\ProgID", kStandInProjectProgId),
      WriteClassKey(classKey + L"\\InprocServer32", path, L"ThreadingModel", L"Apartment"),
  };
  for (const HRESULT step : steps) {
    if (FAILED(step)) return SELFREG_E_CLASS;
  }
  ComRef<ITypeLib> interfaces;
  return FAILED(LoadInterfaceLibrary(REGKIND_REGISTER, interfaces)) ? SELFREG_E_TYPELIB : S_OK;
}

STDAPI DllUnregisterServer() {
  const HRESULT progId = DeleteClassTree(kStandInProjectProgId);
  const HRESULT clsid = DeleteClassTree(std::wstring(L"CLSID\\") + kStandInProjectClsidText);
  UnregisterInterfaceLibrary();
  return FAILED(progId) || FAILED(clsid) ? SELFREG_E_CLASS : S_OK;
}
