// The IUnknown half of every automation object: interface tables, reference counting,
// aggregation and instance creation.
//
// A class lists the interfaces it answers in a QueryTable and leaves IUnknown to
// ComObject<T>, which is what gets allocated:
//
//   class Thing : public DispatchImpl<IThing>, public ISupportErrorInfo, public ObjectLock {
//    public:
//     static const QueryTable<Thing>& Interfaces();
//     static const ErrorReporter& Reporter() { return MMCatalogErrors; }
//     ...
//   };
//   const QueryTable<Thing>& Thing::Interfaces() { return DualInterfaces<Thing, IThing>(); }
//
// (a class with a table of another shape lists its InterfaceEntry array itself).  The first
// entry's interface is the object's identity (its IUnknown).  Reference counts are
// plain counters (apartment-threaded objects); only ModuleLockCount is interlocked.
#pragma once

#include "common/com_exception.h"
#include "common/com_ref.h"

#include <oaidl.h>
#include <unknwn.h>

#include <cstddef>
#include <new>
#include <type_traits>
#include <utility>

template <class T>
struct InterfaceEntry {
  const IID* Iid;
  IUnknown* (*Cast)(T* object);
};

template <class T, class Interface>
IUnknown* InterfaceOf(T* object) {
  return static_cast<Interface*>(object);
}

template <class T>
struct QueryTable {
  template <size_t N>
  constexpr QueryTable(const InterfaceEntry<T> (&list)[N]) : Entries(list), Count(N) {}
  const InterfaceEntry<T>* Entries;
  size_t Count;

  // The interface answered for `iid`, or null.  IUnknown gives the identity.
  IUnknown* Find(T* object, const IID& iid) const noexcept {
    if (iid == IID_IUnknown) return Entries[0].Cast(object);
    for (size_t i = 0; i < Count; ++i)
      if (*Entries[i].Iid == iid) return Entries[i].Cast(object);
    return nullptr;
  }
};

// The table of a dual automation class: its interface (the identity), further identifiers
// answered with the same interface, IDispatch through it, and ISupportErrorInfo.
template <class T, class Interface, const IID&... Also>
const QueryTable<T>& DualInterfaces() {
  static constexpr InterfaceEntry<T> entries[] = {
      {&__uuidof(Interface), &InterfaceOf<T, Interface>},
      {&Also, &InterfaceOf<T, Interface>}...,
      {&IID_IDispatch, &InterfaceOf<T, Interface>},
      {&IID_ISupportErrorInfo, &InterfaceOf<T, ISupportErrorInfo>}};
  static constexpr QueryTable<T> table{entries};
  return table;
}

// The allocated form of an object class T.  Without an outer object it is a plain object with
// its own count; with one, its interfaces' IUnknown calls go to the outer object and the
// outer object holds the inner (non-delegating) IUnknown.
template <class T>
class ComObject final : public T {
 public:
  template <class... Args>
  explicit ComObject(IUnknown* outer, Args&&... args)
      : T(std::forward<Args>(args)...), outer_(outer), inner_(this) {}

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    return outer_ ? outer_->QueryInterface(iid, object) : InnerQueryInterface(iid, object);
  }
  STDMETHODIMP_(ULONG) AddRef() override { return outer_ ? outer_->AddRef() : ++count_; }
  STDMETHODIMP_(ULONG) Release() override {
    return outer_ ? outer_->Release() : InnerRelease();
  }

  ULONG InnerAddRef() noexcept { return ++count_; }
  ULONG InnerRelease() noexcept {
    const ULONG left = --count_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT InnerQueryInterface(REFIID iid, void** object) noexcept {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer_ && iid == IID_IUnknown) {
      *object = static_cast<IUnknown*>(&inner_);
      InnerAddRef();
      return S_OK;
    }
    IUnknown* found = T::Interfaces().Find(this, iid);
    if (!found) return E_NOINTERFACE;
    found->AddRef();
    *object = found;
    return S_OK;
  }
  // For the creator: count changes that never destroy.
  void HoldForConstruction() noexcept { ++count_; }
  void EndConstructionHold() noexcept { --count_; }

 private:
  class Inner final : public IUnknown {
   public:
    explicit Inner(ComObject* owner) noexcept : owner_(owner) {}
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
      return owner_->InnerQueryInterface(iid, object);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return owner_->InnerAddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return owner_->InnerRelease(); }

   private:
    ComObject* owner_;
  };

  ULONG count_ = 0;
  IUnknown* outer_;
  Inner inner_;
};

namespace com_object_detail {
template <class T, class = void>
struct HasInitialize : std::false_type {};
template <class T>
struct HasInitialize<T, std::void_t<decltype(std::declval<T&>().Initialize())>>
    : std::true_type {};
}  // namespace com_object_detail

// Creates an instance of T (aggregated when `outer` is given, in which case `iid` must be
// IUnknown; the class factory checks that) and queries it for `iid`.  A class with an
// `HRESULT Initialize()` has it called before the query, with its count raised by one.
// On any failure the object is destroyed and the failure returned.
template <class T, class... Args>
HRESULT CreateComponentInstance(IUnknown* outer, REFIID iid, void** object, Args&&... args) {
  if (!object) return E_POINTER;
  *object = nullptr;
  ComObject<T>* created = nullptr;
  try {
    created = new ComObject<T>(outer, std::forward<Args>(args)...);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (const com_exception& error) {
    return T::Reporter().ReportComException(error);
  } catch (...) {
    return T::Reporter().ReportComException(
        com_exception(E_UNEXPECTED, "The object could not be constructed."));
  }
  HRESULT result = S_OK;
  if constexpr (com_object_detail::HasInitialize<T>::value) {
    created->HoldForConstruction();
    result = created->Initialize();
    created->EndConstructionHold();
  }
  if (SUCCEEDED(result)) result = created->InnerQueryInterface(iid, object);
  if (FAILED(result)) {
    delete created;
    return result;
  }
  return S_OK;
}

// Creates a non-aggregated instance of T for internal use and hands back its interface I.
// Raises com_exception on failure.
template <class T, class I, class... Args>
ComRef<I> MakeComponentObject(Args&&... args) {
  ComRef<I> result;
  const HRESULT code = CreateComponentInstance<T>(nullptr, __uuidof(I), result.PutVoid(),
                                                  std::forward<Args>(args)...);
  ThrowIfFailed(code);
  return result;
}

// Access to the implementation behind an interface that a ComObject<T> hands out.  Only for
// objects this component created itself.
template <class T, class I>
T* ImplementationOf(I* object) noexcept {
  return static_cast<T*>(object);
}
