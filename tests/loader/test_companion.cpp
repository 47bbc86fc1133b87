// A companion library for the loader tests, copied under several names into the places the
// loader searches.  Its classes let the tests see that HRESULTs pass through unchanged.
#include "loader_test_ids.h"

#include <objidl.h>

namespace {

// Static objects: the counts do not matter to the tests.
class PersistObject final : public IPersist {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    const bool known = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPersist);
    *object = known ? this : nullptr;
    return known ? S_OK : E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP GetClassID(CLSID* clsid) override {
    *clsid = kClsidCompanionObject;
    return S_OK;
  }
} persistObject;

class Factory final : public IClassFactory {
 public:
  explicit Factory(HRESULT createResult) : createResult_(createResult) {}
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    const bool known = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory);
    *object = known ? this : nullptr;
    return known ? S_OK : E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return FAILED(createResult_) ? createResult_ : persistObject.QueryInterface(iid, object);
  }
  STDMETHODIMP LockServer(BOOL) override { return S_OK; }

 private:
  HRESULT createResult_;
};

Factory servingFactory(S_OK);
Factory failingFactory(kCreateFailure);

}  // namespace

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
  *object = nullptr;
  if (IsEqualCLSID(clsid, kClsidFactoryFails)) return kFactoryFailure;
  if (IsEqualCLSID(clsid, kClsidCompanionObject)) return servingFactory.QueryInterface(iid, object);
  if (IsEqualCLSID(clsid, kClsidCreateFails)) return failingFactory.QueryInterface(iid, object);
  return CLASS_E_CLASSNOTAVAILABLE;
}
