#include "catalog/keyed_object_list.h"

#include "common/variant.h"

#include <iterator>

void KeyedObjectList::Add(const WideString& key, IDispatch* object) {
  const auto existing = index_.find(key);
  if (existing != index_.end()) {
    entries_[existing->second - 1].Object.Assign(object);
    return;
  }
  entries_.push_back({key, ComRef<IDispatch>(object)});
  index_.emplace(key, entries_.size());
}

void KeyedObjectList::AddNext(IDispatch* object) {
  Add(WideString::Format(L"%d", static_cast<int>(entries_.size() + 1)), object);
}

void KeyedObjectList::RemoveAt(size_t position) {
  if (position < 1 || position > entries_.size()) return;
  index_.erase(entries_[position - 1].Key);
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(position - 1));
  for (auto& entry : index_)
    if (entry.second > position) --entry.second;
}

size_t KeyedObjectList::Resolve(const VARIANT& index) const {
  UniqueVariant value;  // a by-reference index counts as its value
  if (FAILED(VariantCopyInd(value.Put(), const_cast<VARIANT*>(&index)))) return 0;
  if (IsPositionIndexType(value.Type())) {
    UniqueVariant number;
    if (FAILED(VariantChangeType(number.Put(), &value.Get(), 0, VT_I4))) return 0;
    const long position = V_I4(&number.Get());
    return position >= 1 && static_cast<size_t>(position) <= entries_.size()
               ? static_cast<size_t>(position)
               : 0;
  }
  UniqueVariant text;
  if (FAILED(VariantChangeType(text.Put(), &value.Get(), 0, VT_BSTR))) return 0;
  const BSTR key = V_BSTR(&text.Get());
  const auto found = index_.find(WideString(key, key ? SysStringLen(key) : 0));
  return found == index_.end() ? 0 : found->second;
}

IDispatch* KeyedObjectList::Find(const WideString& key) const {
  const auto found = index_.find(key);
  return found == index_.end() ? nullptr : entries_[found->second - 1].Object.Get();
}
