#include "catalog/collection_enumerator.h"

const QueryTable<CollectionEnumerator>& CollectionEnumerator::Interfaces() {
  static constexpr InterfaceEntry<CollectionEnumerator> entries[] = {
      {&IID_IEnumVARIANT, &InterfaceOf<CollectionEnumerator, IEnumVARIANT>}};
  static constexpr QueryTable<CollectionEnumerator> table{entries};
  return table;
}

HRESULT CollectionEnumerator::Create(IUnknown* owner, const KeyedObjectList* list,
                                     IUnknown** enumerator) {
  if (!enumerator) return E_POINTER;
  *enumerator = nullptr;
  return CreateComponentInstance<CollectionEnumerator>(
      nullptr, IID_IEnumVARIANT, reinterpret_cast<void**>(enumerator), owner, list, size_t{0});
}

STDMETHODIMP CollectionEnumerator::Next(ULONG count, VARIANT* items, ULONG* fetched) {
  if (!items) return E_POINTER;
  if (count != 1 && !fetched) return E_POINTER;
  ULONG copied = 0;
  // The collection may have lost entries since the enumerator was made (RemoveFolder).
  while (copied < count && current_ < list_->Count()) {
    IDispatch* object = list_->At(current_ + 1).Object.Get();
    VariantInit(&items[copied]);
    V_VT(&items[copied]) = VT_DISPATCH;
    V_DISPATCH(&items[copied]) = object;
    if (object) object->AddRef();
    ++copied;
    ++current_;
  }
  if (fetched) *fetched = copied;
  return copied == count ? S_OK : S_FALSE;
}

STDMETHODIMP CollectionEnumerator::Skip(ULONG count) {
  const size_t end = list_->Count();
  const size_t left = current_ < end ? end - current_ : 0;
  if (count > left) {
    current_ = end;
    return S_FALSE;
  }
  current_ += count;
  return S_OK;
}

STDMETHODIMP CollectionEnumerator::Reset() {
  current_ = 0;
  return S_OK;
}

STDMETHODIMP CollectionEnumerator::Clone(IEnumVARIANT** copy) {
  if (!copy) return E_POINTER;
  *copy = nullptr;
  return CreateComponentInstance<CollectionEnumerator>(
      nullptr, IID_IEnumVARIANT, reinterpret_cast<void**>(copy), owner_.Get(), list_, current_);
}
