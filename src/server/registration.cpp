#include "server/registration.h"

#include "com/class_table.h"
#include "com/server_module.h"
#include "common/com_ref.h"
#include "common/text.h"
#include "common/unique_handle.h"
#include "server/resource_ids.h"

#include <oleauto.h>

#include <cstring>
#include <string>

namespace {

HRESULT FromWin32(LONG code) { return static_cast<HRESULT>(HresultFromWin32Code(code)); }

std::string ClassDescription() {
  char text[256] = {};
  LoadStringA(Server().Instance(), IDS_CLASS_DESCRIPTION, text, sizeof text);
  return text;
}

std::string LibraryPath() {
  char path[MAX_PATH + 1] = {};
  GetModuleFileNameA(Server().Instance(), path, MAX_PATH);
  return path;
}

std::string ClsidText(const CLSID& clsid) {
  wchar_t text[40] = {};
  StringFromGUID2(clsid, text, 40);
  return AnsiFromWide(text, wcslen(text));
}

// Failures of single value writes are not reported.
void SetStringValue(HKEY key, const char* name, const std::string& value) {
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>(value.size() + 1));
}

LONG CreateKey(HKEY parent, const char* name, RegKey& key) {
  return RegCreateKeyExA(parent, name, 0, nullptr, REG_OPTION_NON_VOLATILE,
                         KEY_READ | KEY_WRITE, nullptr, key.Put(), nullptr);
}

// A subkey of `parent` whose default value is `value`.
void WriteSubkey(HKEY parent, const char* name, const std::string& value) {
  RegKey key;
  if (CreateKey(parent, name, key) == ERROR_SUCCESS) SetStringValue(key.Get(), nullptr, value);
}

HRESULT RegisterProgId(const char* progId, const std::string& description,
                       const std::string& clsid) {
  RegKey key;
  const LONG created = CreateKey(HKEY_CLASSES_ROOT, progId, key);
  if (created != ERROR_SUCCESS) return FromWin32(created);
  SetStringValue(key.Get(), nullptr, description);
  WriteSubkey(key.Get(), "CLSID", clsid);
  return S_OK;
}

// The library file's type library, or the ".tlb" file named like the library.
HRESULT LoadComponentTypeLibrary(ComRef<ITypeLib>& library, std::string& path) {
  path = LibraryPath();
  HRESULT result = LoadTypeLibEx(WideString::FromAnsi(path.c_str()).c_str(), REGKIND_NONE,
                                 library.Put());
  if (SUCCEEDED(result)) return result;
  const size_t dot = path.rfind('.');
  path = (dot == std::string::npos ? path : path.substr(0, dot)) + ".tlb";
  return LoadTypeLibEx(WideString::FromAnsi(path.c_str()).c_str(), REGKIND_NONE,
                       library.Put());
}

HRESULT RegisterTypeLibrary() {
  ComRef<ITypeLib> library;
  std::string path;
  const HRESULT loaded = LoadComponentTypeLibrary(library, path);
  if (FAILED(loaded)) return loaded;
  const size_t separator = path.find_last_of("\\/:");
  const std::string helpFolder =
      separator == std::string::npos ? "" : path.substr(0, separator + 1);
  WideString widePath = WideString::FromAnsi(path.c_str());
  WideString wideHelp = WideString::FromAnsi(helpFolder.c_str());
  return RegisterTypeLib(library.Get(), const_cast<wchar_t*>(widePath.c_str()),
                         const_cast<wchar_t*>(wideHelp.c_str()));
}

void UnregisterTypeLibrary() {
  ComRef<ITypeLib> library;
  std::string path;
  if (FAILED(LoadComponentTypeLibrary(library, path))) return;
  TLIBATTR* attributes = nullptr;
  if (FAILED(library->GetLibAttr(&attributes))) return;
  using UnRegisterFunction = HRESULT(WINAPI*)(REFGUID, WORD, WORD, LCID, SYSKIND);
  LoadedLibrary oleaut(LoadLibraryA("oleaut32.dll"));
  if (oleaut) {
    auto unregister = reinterpret_cast<UnRegisterFunction>(
        reinterpret_cast<void*>(GetProcAddress(oleaut.Get(), "UnRegisterTypeLib")));
    if (unregister)
      unregister(attributes->guid, attributes->wMajorVerNum, attributes->wMinorVerNum,
                 attributes->lcid, attributes->syskind);
  }
  library->ReleaseTLibAttr(attributes);
}

}  // namespace

HRESULT RegisterClassEntry(const ClassEntry& entry) {
  const std::string description = ClassDescription();
  const std::string path = LibraryPath();
  const std::string clsid = ClsidText(*entry.Clsid);

  HRESULT result = RegisterProgId(entry.ProgId, description, clsid);
  if (SUCCEEDED(result))
    result = RegisterProgId(entry.VersionIndependentProgId, description, clsid);
  if (FAILED(result)) return result;

  RegKey classes;
  LONG opened = RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID", 0, KEY_READ | KEY_WRITE, classes.Put());
  if (opened != ERROR_SUCCESS) return FromWin32(opened);
  RegKey key;
  opened = CreateKey(classes.Get(), clsid.c_str(), key);
  if (opened != ERROR_SUCCESS) return FromWin32(opened);
  SetStringValue(key.Get(), nullptr, description);
  WriteSubkey(key.Get(), "ProgID", entry.ProgId);
  WriteSubkey(key.Get(), "VersionIndependentProgID", entry.VersionIndependentProgId);
  RegKey server;
  if (CreateKey(key.Get(), "InprocServer32", server) == ERROR_SUCCESS) {
    SetStringValue(server.Get(), nullptr, path);
    SetStringValue(server.Get(), "ThreadingModel", "Apartment");
  }
  return S_OK;
}

HRESULT UnregisterClassEntry(const ClassEntry& entry) {
  for (const char* name : {entry.ProgId, entry.VersionIndependentProgId})
    if (name && *name) DeleteKeyTree(HKEY_CLASSES_ROOT, name);
  RegKey classes;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID", 0, KEY_READ | KEY_WRITE, classes.Put()) ==
      ERROR_SUCCESS)
    DeleteKeyTree(classes.Get(), ClsidText(*entry.Clsid).c_str());
  return S_OK;
}

LONG DeleteKeyTree(HKEY parent, const char* name) {
  RegKey key;
  LONG result = RegOpenKeyExA(parent, name, 0, KEY_READ | KEY_WRITE, key.Put());
  if (result != ERROR_SUCCESS) return result;
  for (;;) {
    char subkey[257] = {};
    DWORD length = 256;
    result = RegEnumKeyExA(key.Get(), 0, subkey, &length, nullptr, nullptr, nullptr, nullptr);
    if (result != ERROR_SUCCESS) break;
    result = DeleteKeyTree(key.Get(), subkey);
    if (result != ERROR_SUCCESS) return result;
  }
  key.Reset();
  return RegDeleteKeyA(parent, name);
}

HRESULT RegisterServer(ClassTable& classes) {
  for (ClassEntry& entry : classes) {
    const HRESULT result = entry.Register(entry);
    if (FAILED(result)) return result;
  }
  // Every class's category map is empty: no component categories to write.
  return RegisterTypeLibrary();
}

HRESULT UnregisterServer(ClassTable& classes) {
  for (ClassEntry& entry : classes) entry.Unregister(entry);
  UnregisterTypeLibrary();
  return S_OK;
}
