// QvScriptProbe.dll: registered test classes with the catalog's and the folder item's
// interfaces, built from the component's object machinery, so that script tests can call
// members with every kind of out and by-reference parameter through our Invoke.
//
//   "QvTest.ScriptProbe"      IMMCatalog; every object has a serial number (Reserved3).
//   "QvTest.FolderItemProbe"  IModuleFolderItem; put values taken by reference.
#include "common/wide_string.h"
#include "server/class_factory.h"
#include "server/class_table.h"
#include "server/com_object.h"
#include "server/dispatch.h"
#include "server/error_reporting.h"
#include "server/registration.h"
#include "server/server_module.h"

#include "qv_guid.h"
#include "qvmodcat.h"

#include <objbase.h>

namespace {

constexpr CLSID kClsidScriptProbe = ParseGuid("6E23FEB8-FB28-4A62-89EF-6DC22243B43C");
constexpr CLSID kClsidFolderItemProbe = ParseGuid("53046011-3149-458E-8F8B-1D311AD9FF14");

long nextSerial = 1;

class ScriptProbe : public DispatchImpl<IMMCatalog>, public ISupportErrorInfo, public ObjectLock {
 public:
  static const QueryTable<ScriptProbe>& Interfaces() {
    static constexpr InterfaceEntry<ScriptProbe> entries[] = {
        {&__uuidof(IMMCatalog), &InterfaceOf<ScriptProbe, IMMCatalog>},
        {&IID_IDispatch, &InterfaceOf<ScriptProbe, IMMCatalog>},
        {&IID_ISupportErrorInfo, &InterfaceOf<ScriptProbe, ISupportErrorInfo>}};
    static constexpr QueryTable<ScriptProbe> table{entries};
    return table;
  }
  static const ErrorReporter& Reporter() { return MMCatalogErrors; }

  // Reserved1 adds, Reserved2 doubles, Reserved3 gives the serial number, Reserved7 the
  // AutoRefresh value, Reserved8 the last Reserved9 value plus its argument.
  STDMETHODIMP Reserved1(long a, long b, long* result) override { return Out(result, a + b); }
  STDMETHODIMP Reserved2(long a, long* result) override { return Out(result, 2 * a); }
  STDMETHODIMP Reserved3(long* result) override { return Out(result, serial_); }
  STDMETHODIMP Reserved7(long* result) override { return Out(result, autoRefresh_); }
  STDMETHODIMP Reserved8(long a, long* result) override { return Out(result, stored_ + a); }
  STDMETHODIMP Reserved9(long a) override {
    stored_ = a;
    return S_OK;
  }

  // In: an object or none.  Out: a new probe whose serial is the input's serial times 100,
  // or a new probe with a fresh serial when none came in.
  STDMETHODIMP GetModuleFolders(IUnknown** folders) override { return Replace(folders); }
  STDMETHODIMP GetModules(IUnknown** modules) override { return Replace(modules); }

  // destination "none": found 0 and the module untouched; anything else: a new probe and -1.
  STDMETHODIMP FindModuleForFile(BSTR destination, BSTR, BSTR, IDispatch** module,
                                 long* found) override {
    if (!module || !found) return E_POINTER;
    *found = 0;
    if (WideString(destination) == WideString(L"none")) return S_OK;
    if (*module) (*module)->Release();
    *module = NewProbe();
    *found = -1;
    return S_OK;
  }
  STDMETHODIMP FindModuleForFileInFolder(BSTR destination, BSTR version, BSTR language,
                                         IDispatch** module, long* found) override {
    return FindModuleForFile(destination, version, language, module, found);
  }
  // A key without a colon fails like the catalog's (E_FAIL); otherwise a new probe.
  STDMETHODIMP GetModule(BSTR key, BSTR, IDispatch** module) override {
    if (!module) return E_POINTER;
    if (WideString(key).Find(L':') == WideString::npos) return E_FAIL;
    *module = NewProbe();
    return S_OK;
  }
  STDMETHODIMP GetModuleKeyForFile(BSTR file, BSTR* key) override {
    return (WideString(file) + L":key").CopyTo(key);
  }
  STDMETHODIMP GetModuleDisplayName(BSTR key, BSTR* name) override {
    return (WideString(L"Name of ") + WideString(key)).CopyTo(name);
  }
  STDMETHODIMP SupportsProject(IUnknown* project, VARIANT_BOOL* result) override {
    if (!result) return E_INVALIDARG;
    *result = project ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }
  STDMETHODIMP put_AutoRefresh(VARIANT_BOOL value) override {
    autoRefresh_ = value;
    return S_OK;
  }
  STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override {
    return iid == __uuidof(IMMCatalog) ? S_OK : S_FALSE;
  }

  explicit ScriptProbe(long serial = 0) : serial_(serial ? serial : nextSerial++) {}

 private:
  static HRESULT Out(long* result, long value) {
    if (!result) return E_POINTER;
    *result = value;
    return S_OK;
  }
  static IDispatch* NewProbe(long serial = 0) {
    return MakeComponentObject<ScriptProbe, IMMCatalog>(serial).Detach();
  }
  HRESULT Replace(IUnknown** slot) {
    if (!slot) return E_POINTER;
    long serial = 0;
    if (*slot) {
      ComRef<IMMCatalog> probe;
      if (SUCCEEDED((*slot)->QueryInterface(__uuidof(IMMCatalog), probe.PutVoid())))
        probe->Reserved3(&serial);
      (*slot)->Release();
      serial *= 100;
    }
    *slot = NewProbe(serial);
    return S_OK;
  }

  long serial_;
  long autoRefresh_ = 1;
  long stored_ = 0;
};

class FolderItemProbe : public DispatchImpl<IModuleFolderItem>,
                        public ISupportErrorInfo,
                        public ObjectLock {
 public:
  static const QueryTable<FolderItemProbe>& Interfaces() {
    static constexpr InterfaceEntry<FolderItemProbe> entries[] = {
        {&__uuidof(IModuleFolderItem), &InterfaceOf<FolderItemProbe, IModuleFolderItem>},
        {&IID_IDispatch, &InterfaceOf<FolderItemProbe, IModuleFolderItem>},
        {&IID_ISupportErrorInfo, &InterfaceOf<FolderItemProbe, ISupportErrorInfo>}};
    static constexpr QueryTable<FolderItemProbe> table{entries};
    return table;
  }
  static const ErrorReporter& Reporter() { return MMCatalogErrors; }

  STDMETHODIMP get_Modules(IUnknown** modules) override {
    if (!modules) return E_POINTER;
    *modules = MakeComponentObject<ScriptProbe, IMMCatalog>().Detach();
    return S_OK;
  }
  STDMETHODIMP get_Path(BSTR* path) override { return WideString(L"C:\\Probe\\").CopyTo(path); }
  STDMETHODIMP get_Name(BSTR* name) override { return name_.CopyTo(name); }
  STDMETHODIMP put_Name(BSTR* name) override { return Put(name_, name); }
  STDMETHODIMP get_Folder(BSTR* folder) override { return folder_.CopyTo(folder); }
  STDMETHODIMP put_Folder(BSTR* folder) override { return Put(folder_, folder); }
  STDMETHODIMP get_Kind(short* kind) override {
    if (!kind) return E_POINTER;
    *kind = kind_;
    return S_OK;
  }
  STDMETHODIMP put_Kind(short* kind) override {
    if (!kind) return E_POINTER;
    kind_ = *kind;
    return S_OK;
  }
  STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override {
    return iid == __uuidof(IModuleFolderItem) ? S_OK : S_FALSE;
  }

 private:
  static HRESULT Put(WideString& field, BSTR* value) {
    if (!value) return E_POINTER;
    field = WideString(*value, *value ? SysStringLen(*value) : 0);
    return S_OK;
  }
  WideString name_{L"initial name"}, folder_{L"initial folder"};
  short kind_ = 0;
};

ClassEntry probes[] = {
    {&kClsidScriptProbe, "QvTest.ScriptProbe.1", "QvTest.ScriptProbe", &RegisterClassEntry,
     &UnregisterClassEntry, ClassCreatorsOf<ScriptProbe>(), nullptr, nullptr, nullptr, nullptr},
    {&kClsidFolderItemProbe, "QvTest.FolderItemProbe.1", "QvTest.FolderItemProbe",
     &RegisterClassEntry, &UnregisterClassEntry, ClassCreatorsOf<FolderItemProbe>(), nullptr,
     nullptr, nullptr, nullptr}};

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
  if (reason == DLL_PROCESS_DETACH)
    for (ClassEntry& entry : probes)
      if (IUnknown* factory = entry.CachedFactory) {
        entry.CachedFactory = nullptr;
        factory->Release();
      }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  for (ClassEntry& entry : probes) {
    if (*entry.Clsid != clsid) continue;
    if (!entry.CachedFactory) {
      const HRESULT created = entry.Creators.CreateFactory(entry, &entry.CachedFactory);
      if (FAILED(created)) return created;
    }
    return entry.CachedFactory->QueryInterface(iid, object);
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow() { return CanUnloadNow(); }

STDAPI DllRegisterServer() {
  for (ClassEntry& entry : probes) {
    const HRESULT result = entry.Register(entry);
    if (FAILED(result)) return result;
  }
  return S_OK;
}

STDAPI DllUnregisterServer() {
  for (ClassEntry& entry : probes) entry.Unregister(entry);
  return S_OK;
}
