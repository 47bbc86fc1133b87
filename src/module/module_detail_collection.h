// ModuleDetailCollection / ModuleDetailEnumerator: the keyed, read-only collections that a
// module object's list properties return (dialogs, custom actions, download files,
// dependencies, exclusions, files).  One design, instantiated per collection interface.
//
// A collection holds copies: it is filled once by its builder (Add) and then belongs to the
// client.  Items are found by position (1 to Count, for 2- and 4-byte integer indexes) or by
// key text, where keys differing only in the case of A to Z are one key.  An enumerator holds
// a reference to its collection, so it stays valid when the client releases the collection.
#pragma once

#include "com/boundary.h"
#include "com/com_object.h"
#include "com/dispatch.h"
#include "com/server_module.h"
#include "common/com_ref.h"
#include "common/wide_string.h"
#include "module/component_identity.h"

#include <oaidl.h>

#include <map>
#include <vector>

// Orders keys code unit by code unit with the letters A to Z folded to one case.
struct AsciiCaseInsensitiveLess {
  bool operator()(const WideString& left, const WideString& right) const noexcept;
};

using DetailKeyIndex = std::map<WideString, size_t, AsciiCaseInsensitiveLess>;

struct DetailElement {
  WideString Key;
  ComRef<IDispatch> Item;
};

// The elements and key index shared by every instantiation.
class DetailElements {
 public:
  // Replaces the item of an existing key in place, else appends.
  void Add(const WideString& key, IDispatch* item);
  // Appends under the key "<count + 1>".
  void AddNext(IDispatch* item);
  // Position 1..Count; E_INVALIDARG otherwise.  Part of the collection's design although no
  // client reaches it: the collections are filled once and handed out read-only.
  HRESULT Remove(long position);
  // The element an Item index designates (position or key), or null.
  const DetailElement* Find(const VARIANT& index) const;

  size_t Count() const noexcept { return elements_.size(); }
  const DetailElement& At(size_t zeroBased) const { return elements_[zeroBased]; }

 private:
  std::vector<DetailElement> elements_;
  DetailKeyIndex index_;
};

template <class CollectionInterface>
class ModuleDetailCollection;

// IEnumVARIANT over one collection's elements.
template <class CollectionInterface>
class ModuleDetailEnumerator : public IEnumVARIANT, public ObjectLock {
  using Collection = ModuleDetailCollection<CollectionInterface>;

 public:
  ModuleDetailEnumerator(Collection* collection, size_t current)
      : owner_(static_cast<CollectionInterface*>(collection)), collection_(collection),
        current_(current) {}

  static const QueryTable<ModuleDetailEnumerator>& Interfaces() {
    static constexpr InterfaceEntry<ModuleDetailEnumerator> entries[] = {
        {&IID_IEnumVARIANT, &InterfaceOf<ModuleDetailEnumerator, IEnumVARIANT>}};
    static constexpr QueryTable<ModuleDetailEnumerator> table{entries};
    return table;
  }
  static const ErrorReporter& Reporter() { return MMCatalogErrors; }

  STDMETHODIMP Next(ULONG count, VARIANT* items, ULONG* fetched) override {
    if (!items) return E_POINTER;
    if (count != 1 && !fetched) return E_POINTER;
    if (fetched) *fetched = 0;
    const DetailElements& elements = collection_->Elements();
    ULONG stored = 0;
    while (stored < count && current_ < elements.Count()) {
      IDispatch* item = elements.At(current_).Item.Get();
      VariantInit(&items[stored]);
      V_VT(&items[stored]) = VT_DISPATCH;
      V_DISPATCH(&items[stored]) = item;
      if (item) item->AddRef();
      ++stored;
      ++current_;
    }
    if (fetched) *fetched = stored;
    return stored == count ? S_OK : S_FALSE;
  }
  STDMETHODIMP Skip(ULONG count) override {
    const size_t end = collection_->Elements().Count();
    const size_t left = end - current_;
    if (count > left) {
      current_ = end;
      return S_FALSE;
    }
    current_ += count;
    return S_OK;
  }
  STDMETHODIMP Reset() override {
    current_ = 0;
    return S_OK;
  }
  STDMETHODIMP Clone(IEnumVARIANT** copy) override {
    if (!copy) return E_POINTER;
    *copy = nullptr;
    return CreateComponentInstance<ModuleDetailEnumerator>(nullptr, IID_IEnumVARIANT,
                                                           reinterpret_cast<void**>(copy),
                                                           collection_, current_);
  }

 private:
  ComRef<CollectionInterface> owner_;  // keeps the elements alive
  Collection* collection_;
  size_t current_;
};

template <class CollectionInterface>
class ModuleDetailCollection : public DispatchImpl<CollectionInterface>,
                               public ISupportErrorInfo,
                               public ObjectLock {
  using Enumerator = ModuleDetailEnumerator<CollectionInterface>;

 public:
  static const QueryTable<ModuleDetailCollection>& Interfaces() {
    return DualInterfaces<ModuleDetailCollection, CollectionInterface>();
  }
  static const ErrorReporter& Reporter() { return MMCatalogErrors; }

  STDMETHODIMP Item(VARIANT index, IDispatch** item) override {
    if (!item) return E_POINTER;
    *item = nullptr;
    return ComBoundary(Reporter(), [&] {
      const DetailElement* found = elements_.Find(index);
      // Reported with a text, so that script clients see why the lookup failed.
      if (!found)
        ThrowComError(E_INVALIDARG, "The collection has no item with this index or key.");
      return found->Item.CopyTo(item);
    });
  }
  STDMETHODIMP get_Count(long* count) override {
    if (!count) return E_POINTER;
    *count = static_cast<long>(elements_.Count());
    return S_OK;
  }
  STDMETHODIMP get__NewEnum(IUnknown** enumerator) override {
    if (!enumerator) return E_POINTER;
    *enumerator = nullptr;
    return CreateEnumerator(reinterpret_cast<IEnumVARIANT**>(enumerator));
  }
  STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override {
    return iid == __uuidof(CollectionInterface) ? S_OK : S_FALSE;
  }

  // The enumerator that _NewEnum hands out, as IEnumVARIANT.
  HRESULT CreateEnumerator(IEnumVARIANT** enumerator) {
    if (!enumerator) return E_POINTER;
    *enumerator = nullptr;
    return CreateComponentInstance<Enumerator>(nullptr, IID_IEnumVARIANT,
                                               reinterpret_cast<void**>(enumerator), this,
                                               size_t{0});
  }
  // The collection's internal remove-at-position (not an automation member; unused today).
  HRESULT Remove(long position) { return elements_.Remove(position); }
  void Add(const WideString& key, IDispatch* item) { elements_.Add(key, item); }
  void AddNext(IDispatch* item) { elements_.AddNext(item); }
  const DetailElements& Elements() const noexcept { return elements_; }

 private:
  DetailElements elements_;
};
