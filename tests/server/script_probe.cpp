// QvScriptProbe.dll: two registered test classes built from the component's object machinery,
// so that script tests can call members with out and by-reference parameters through our
// Invoke without a catalog behind them.
//
//   "QvTest.ScriptProbe"      IMMCatalog; every object has a serial number (Reserved3).
//   "QvTest.FolderItemProbe"  IModuleFolderItem; Name and Folder put by reference.
#include "com/class_factory.h"
#include "com/class_table.h"
#include "com/com_object.h"
#include "com/dispatch.h"
#include "com/server_module.h"
#include "common/com_ref.h"
#include "common/wide_string.h"
#include "module/component_identity.h"
#include "server/registration.h"

#include "qv_guid.h"
#include "qvmodcat.h"

#include <iterator>
#include <utility>

namespace {

constexpr CLSID kClsidScriptProbe = ParseGuid("6E23FEB8-FB28-4A62-89EF-6DC22243B43C");
constexpr CLSID kClsidFolderItemProbe = ParseGuid("53046011-3149-458E-8F8B-1D311AD9FF14");
long nextSerial = 1;

template <class Self, class Interface>
class Probe : public DispatchImpl<Interface>, public ISupportErrorInfo, public ObjectLock {
 public:
  static const QueryTable<Self>& Interfaces() {
    return DualInterfaces<Self, Interface>();
  }
  static const ErrorReporter& Reporter() { return MMCatalogErrors; }
  STDMETHODIMP InterfaceSupportsErrorInfo(REFIID) override { return S_FALSE; }
};

class ScriptProbe : public Probe<ScriptProbe, IMMCatalog> {
 public:
  explicit ScriptProbe(long serial = 0) : serial_(serial ? serial : nextSerial++) {}

  STDMETHODIMP Reserved1(long a, long b, long* sum) override { return Out(sum, a + b); }
  STDMETHODIMP Reserved3(long* serial) override { return Out(serial, serial_); }
  // In: a probe or none.  Out: a new probe whose serial is the input's times 100, or a fresh
  // one when none came in.
  STDMETHODIMP GetModules(IUnknown** modules) override {
    if (!modules) return E_POINTER;
    long serial = 0;
    ComRef<IMMCatalog> probe;
    if (*modules && SUCCEEDED((*modules)->QueryInterface(__uuidof(IMMCatalog), probe.PutVoid())))
      probe->Reserved3(&serial);
    if (*modules) (*modules)->Release();
    *modules = NewProbe(serial * 100);
    return S_OK;
  }
  // Destination "none": found 0 and the module untouched; anything else: a new probe and -1.
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
  STDMETHODIMP GetModule(BSTR, BSTR, IDispatch**) override { return E_FAIL; }

  STDMETHODIMP Reserved2(long, long*) override { return E_NOTIMPL; }
  STDMETHODIMP GetModuleFolders(IUnknown**) override { return E_NOTIMPL; }
  STDMETHODIMP Reserved7(long*) override { return E_NOTIMPL; }
  STDMETHODIMP Reserved8(long, long*) override { return E_NOTIMPL; }
  STDMETHODIMP Reserved9(long) override { return E_NOTIMPL; }
  STDMETHODIMP GetModuleKeyForFile(BSTR, BSTR*) override { return E_NOTIMPL; }
  STDMETHODIMP GetModuleDisplayName(BSTR, BSTR*) override { return E_NOTIMPL; }
  STDMETHODIMP SupportsProject(IUnknown*, VARIANT_BOOL*) override { return E_NOTIMPL; }
  STDMETHODIMP put_AutoRefresh(VARIANT_BOOL) override { return E_NOTIMPL; }

 private:
  static HRESULT Out(long* result, long value) {
    if (!result) return E_POINTER;
    *result = value;
    return S_OK;
  }
  static IDispatch* NewProbe(long serial = 0) {
    return MakeComponentObject<ScriptProbe, IMMCatalog>(serial).Detach();
  }
  long serial_;
};

class FolderItemProbe : public Probe<FolderItemProbe, IModuleFolderItem> {
 public:
  STDMETHODIMP get_Name(BSTR* name) override { return name_.CopyTo(name); }
  STDMETHODIMP put_Name(BSTR* name) override { return Put(name_, name); }
  STDMETHODIMP get_Folder(BSTR* folder) override { return folder_.CopyTo(folder); }
  STDMETHODIMP put_Folder(BSTR* folder) override { return Put(folder_, folder); }
  STDMETHODIMP get_Modules(IUnknown**) override { return E_NOTIMPL; }
  STDMETHODIMP get_Path(BSTR*) override { return E_NOTIMPL; }
  STDMETHODIMP get_Kind(short*) override { return E_NOTIMPL; }
  STDMETHODIMP put_Kind(short*) override { return E_NOTIMPL; }

 private:
  static HRESULT Put(WideString& field, BSTR* value) {
    if (!value) return E_POINTER;
    field = WideString(*value, *value ? SysStringLen(*value) : 0);
    return S_OK;
  }
  WideString name_, folder_;
};

ClassEntry probes[] = {
    {&kClsidScriptProbe, "QvTest.ScriptProbe.1", "QvTest.ScriptProbe", &RegisterClassEntry,
     &UnregisterClassEntry, ClassCreatorsOf<ScriptProbe>(), nullptr, nullptr, nullptr, nullptr},
    {&kClsidFolderItemProbe, "QvTest.FolderItemProbe.1", "QvTest.FolderItemProbe",
     &RegisterClassEntry, &UnregisterClassEntry, ClassCreatorsOf<FolderItemProbe>(), nullptr,
     nullptr, nullptr, nullptr}};
ClassTable probeTable{probes, std::size(probes)};

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
  if (reason == DLL_PROCESS_DETACH)
    for (ClassEntry& entry : probes)
      if (IUnknown* factory = std::exchange(entry.CachedFactory, nullptr)) factory->Release();
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object) {
  return GetClassObject(probeTable, clsid, iid, object);
}

STDAPI DllCanUnloadNow() { return CanUnloadNow(); }

STDAPI DllRegisterServer() {
  for (ClassEntry& entry : probes)
    if (const HRESULT result = entry.Register(entry); FAILED(result)) return result;
  return S_OK;
}

STDAPI DllUnregisterServer() {
  for (ClassEntry& entry : probes) entry.Unregister(entry);
  return S_OK;
}
