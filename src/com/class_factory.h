// The class factory of a class-table entry.
//
// Its count is guarded by a critical section of its own.  The class table's cached reference
// is the first one and does not keep the library loaded: when the count rises to 2 the module
// is locked, when it falls back to 1 it is unlocked, at 0 the factory is destroyed.
#pragma once

#include "com/class_table.h"

#include <unknwn.h>

class ClassFactory final : public IClassFactory {
 public:
  explicit ClassFactory(ClassEntry& entry) noexcept;
  ~ClassFactory();
  ClassFactory(const ClassFactory&) = delete;
  ClassFactory& operator=(const ClassFactory&) = delete;

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
  STDMETHODIMP LockServer(BOOL lock) override;

 private:
  ClassEntry& entry_;
  ULONG count_ = 0;
  CRITICAL_SECTION countLock_;
};

// DllGetClassObject over the component's class table.
HRESULT GetClassObject(ClassTable& classes, const CLSID& clsid, const IID& iid, void** object);
// DllCanUnloadNow.
HRESULT CanUnloadNow() noexcept;
