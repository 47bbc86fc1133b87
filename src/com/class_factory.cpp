#include "com/class_factory.h"

#include "com/server_module.h"

#include <new>

ClassFactory::ClassFactory(ClassEntry& entry) noexcept : entry_(entry) {
  InitializeCriticalSection(&countLock_);
}

ClassFactory::~ClassFactory() { DeleteCriticalSection(&countLock_); }

STDMETHODIMP ClassFactory::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (iid != IID_IUnknown && iid != IID_IClassFactory) return E_NOINTERFACE;
  *object = static_cast<IClassFactory*>(this);
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) ClassFactory::AddRef() {
  CriticalSectionGuard guard(countLock_);
  if (++count_ == 2) Server().Lock();
  return count_;
}

STDMETHODIMP_(ULONG) ClassFactory::Release() {
  ULONG left;
  {
    CriticalSectionGuard guard(countLock_);
    left = --count_;
    if (left == 1) Server().Unlock();
  }
  if (left == 0) delete this;
  return left;
}

STDMETHODIMP ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (outer && iid != IID_IUnknown) return CLASS_E_NOAGGREGATION;
  return entry_.Creators.CreateInstance(outer, iid, object);
}

STDMETHODIMP ClassFactory::LockServer(BOOL lock) {
  if (lock)
    Server().Lock();
  else
    Server().Unlock();
  return S_OK;
}

HRESULT CreateClassFactory(ClassEntry& entry, IUnknown** factory) {
  if (!factory) return E_POINTER;
  *factory = nullptr;
  auto* created = new (std::nothrow) ClassFactory(entry);
  if (!created) return E_OUTOFMEMORY;
  return created->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(factory));
}

HRESULT GetClassObject(ClassTable& classes, const CLSID& clsid, const IID& iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  ClassEntry* entry = classes.FindServable(clsid);
  if (!entry) return CLASS_E_CLASSNOTAVAILABLE;
  if (!entry->CachedFactory) {
    CriticalSectionGuard guard(Server().ClassTableLock());
    if (!entry->CachedFactory) {
      IUnknown* factory = nullptr;
      const HRESULT created = entry->Creators.CreateFactory(*entry, &factory);
      if (FAILED(created)) return created;
      entry->CachedFactory = factory;
    }
  }
  const HRESULT result = entry->CachedFactory->QueryInterface(iid, object);
  if (SUCCEEDED(result) && !*object) return CLASS_E_CLASSNOTAVAILABLE;
  return result;
}

HRESULT CanUnloadNow() noexcept { return Server().LockCount() == 0 ? S_OK : S_FALSE; }
