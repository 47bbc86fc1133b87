#include "standin_object.h"

namespace standin {
namespace {

LONG moduleLocks = 0;

}  // namespace

void LockModule() noexcept { InterlockedIncrement(&moduleLocks); }
void UnlockModule() noexcept { InterlockedDecrement(&moduleLocks); }
HRESULT CanUnloadNow() noexcept { return moduleLocks == 0 ? S_OK : S_FALSE; }

STDMETHODIMP ClassFactory::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
    *object = static_cast<IClassFactory*>(this);
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  return create_(iid, object);
}

STDMETHODIMP ClassFactory::LockServer(BOOL lock) {
  if (lock) {
    LockModule();
  } else {
    UnlockModule();
  }
  return S_OK;
}

HRESULT GetClassObject(ClassFactory& factory, REFCLSID served, REFCLSID requested, REFIID iid,
                       void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (!IsEqualCLSID(served, requested)) return CLASS_E_CLASSNOTAVAILABLE;
  return factory.QueryInterface(iid, object);
}

}  // namespace standin
