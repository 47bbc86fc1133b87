// A companion library for the loader tests, copied under several names into the places the
// loader searches.  Its classes show that HRESULTs pass through unchanged; each copy, as it is
// loaded, leaves the current directory of its load in the variable QV_COMPANION_LOADED_IN.
#include "loader_test_ids.h"

#include <objidl.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    wchar_t current[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, current);
    SetEnvironmentVariableW(L"QV_COMPANION_LOADED_IN", current);
  }
  return TRUE;
}

namespace {

// Static objects: the counts do not matter to the tests.
class Factory final : public IClassFactory {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    const bool known = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory);
    *object = known ? this : nullptr;
    return known ? S_OK : E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  // The object served is the factory itself; asked for IStream it fails with kCreateFailure.
  STDMETHODIMP CreateInstance(IUnknown*, REFIID iid, void** object) override {
    *object = nullptr;
    return IsEqualIID(iid, IID_IStream) ? kCreateFailure : QueryInterface(iid, object);
  }
  STDMETHODIMP LockServer(BOOL) override { return S_OK; }
} factory;

}  // namespace

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
  *object = nullptr;
  if (IsEqualCLSID(clsid, kClsidFactoryFails)) return kFactoryFailure;
  if (IsEqualCLSID(clsid, kClsidServed)) return factory.QueryInterface(iid, object);
  return CLASS_E_CLASSNOTAVAILABLE;
}
