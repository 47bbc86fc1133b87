// COM plumbing of the stand-ins: reference-counted objects, the library's lock count for
// DllCanUnloadNow, and a class factory for one creatable class.
#pragma once

#include <windows.h>
#include <oaidl.h>
#include <unknwn.h>

namespace standin {

// Live objects plus server locks of this library.
void LockModule() noexcept;
void UnlockModule() noexcept;
HRESULT CanUnloadNow() noexcept;

// Base of every stand-in object: one reference count for all of its interfaces.  The derived
// class names the interface pointer for each IID it answers in Find.  A new object starts with
// one reference, which its creator hands on or releases.
template <class... Interfaces>
class ComObject : public Interfaces... {
 public:
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = Find(iid);
    if (!*object) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  ComObject() noexcept { LockModule(); }
  virtual ~ComObject() { UnlockModule(); }
  virtual void* Find(const IID& iid) noexcept = 0;

 private:
  ULONG references_ = 1;
};

// The dual interfaces' IDispatch part for objects that are used through their vtables only:
// no type information, no late binding.
template <class Interface>
class VtableOnlyDispatch : public Interface {
 public:
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                      UINT*) override {
    return E_NOTIMPL;
  }
};

// Makes one object and asks it for `iid`.
using CreateFunction = HRESULT (*)(REFIID iid, void** object);

// The class object of one class; a static instance that does not count as a live object.
class ClassFactory final : public IClassFactory {
 public:
  explicit ClassFactory(CreateFunction create) : create_(create) {}

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
  STDMETHODIMP LockServer(BOOL lock) override;

 private:
  CreateFunction create_;
};

// Hands out `factory` for `requested` when it is `served`, else CLASS_E_CLASSNOTAVAILABLE.
HRESULT GetClassObject(ClassFactory& factory, REFCLSID served, REFCLSID requested, REFIID iid,
                       void** object);

}  // namespace standin
