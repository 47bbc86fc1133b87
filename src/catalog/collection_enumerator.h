// CollectionEnumerator: IEnumVARIANT over the entries of a catalog collection, read in place.
// It holds a reference to the collection, so the entries stay valid while it reads them even
// when the catalog has replaced its collection or the client released it.
#pragma once

#include "catalog/keyed_object_list.h"
#include "com/com_object.h"
#include "com/server_module.h"
#include "module/component_identity.h"

#include <oaidl.h>

class CollectionEnumerator : public IEnumVARIANT, public ObjectLock {
 public:
  // `owner` is the collection that holds `list`.
  CollectionEnumerator(IUnknown* owner, const KeyedObjectList* list, size_t current)
      : owner_(owner), list_(list), current_(current) {}

  static const QueryTable<CollectionEnumerator>& Interfaces();
  static const ErrorReporter& Reporter() { return MMCatalogErrors; }

  // A new enumerator over `list` from its first entry, queried for IEnumVARIANT.
  static HRESULT Create(IUnknown* owner, const KeyedObjectList* list, IUnknown** enumerator);

  STDMETHODIMP Next(ULONG count, VARIANT* items, ULONG* fetched) override;
  STDMETHODIMP Skip(ULONG count) override;
  STDMETHODIMP Reset() override;
  STDMETHODIMP Clone(IEnumVARIANT** copy) override;

 private:
  ComRef<IUnknown> owner_;
  const KeyedObjectList* list_;
  size_t current_;  // 0-based; the entry Next gives
};
