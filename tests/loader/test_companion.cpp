// A companion library for the loader tests, copied under several names into the places the
// loader searches.  Its classes let the tests see that HRESULTs pass through unchanged.
#include "loader_test_ids.h"

#include <objidl.h>

namespace {

class PersistObject final : public IPersist {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPersist)) {
      *object = static_cast<IPersist*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }
  STDMETHODIMP GetClassID(CLSID* clsid) override {
    *clsid = kClsidCompanionObject;
    return S_OK;
  }

 private:
  ULONG references_ = 1;
};

class Factory final : public IClassFactory {
 public:
  explicit Factory(HRESULT createResult) : createResult_(createResult) {}
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
      *object = this;
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    if (FAILED(createResult_)) return createResult_;
    PersistObject* made = new PersistObject;
    const HRESULT result = made->QueryInterface(iid, object);
    made->Release();
    return result;
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
