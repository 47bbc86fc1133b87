#include "module/module_detail_collection.h"

#include "common/text.h"
#include "common/variant.h"

bool AsciiCaseInsensitiveLess::operator()(const WideString& left,
                                          const WideString& right) const noexcept {
  const size_t leftLength = left.Length(), rightLength = right.Length();
  const wchar_t* a = left.c_str();
  const wchar_t* b = right.c_str();
  for (size_t i = 0; i < leftLength && i < rightLength; ++i) {
    const wchar_t x = FoldAsciiLetter(a[i]), y = FoldAsciiLetter(b[i]);
    if (x != y) return x < y;
  }
  return leftLength < rightLength;
}

void DetailElements::Add(const WideString& key, IDispatch* item) {
  auto existing = index_.find(key);
  if (existing != index_.end()) {
    elements_[existing->second].Item.Assign(item);
    return;
  }
  elements_.push_back({key, ComRef<IDispatch>(item)});
  index_.emplace(key, elements_.size() - 1);
}

void DetailElements::AddNext(IDispatch* item) {
  Add(WideString::Format(L"%d", static_cast<int>(elements_.size() + 1)), item);
}

HRESULT DetailElements::Remove(long position) {
  if (position < 1 || static_cast<size_t>(position) > elements_.size()) return E_INVALIDARG;
  const size_t removed = static_cast<size_t>(position - 1);
  index_.erase(elements_[removed].Key);
  elements_.erase(elements_.begin() + static_cast<std::ptrdiff_t>(removed));
  for (auto& entry : index_)
    if (entry.second > removed) --entry.second;
  return S_OK;
}

const DetailElement* DetailElements::Find(const VARIANT& index) const {
  // By-reference indexes (also a VARIANT by reference) count as their value.
  UniqueVariant value;
  if (FAILED(VariantCopyInd(value.Put(), const_cast<VARIANT*>(&index)))) return nullptr;
  if (IsPositionIndexType(value.Type())) {
    UniqueVariant number;
    if (FAILED(VariantChangeType(number.Put(), &value.Get(), 0, VT_I4))) return nullptr;
    const long position = V_I4(&number.Get());
    if (position < 1 || static_cast<size_t>(position) > elements_.size()) return nullptr;
    return &elements_[static_cast<size_t>(position - 1)];
  }
  UniqueVariant text;
  if (FAILED(VariantChangeType(text.Put(), &value.Get(), 0, VT_BSTR))) return nullptr;
  BSTR key = V_BSTR(&text.Get());
  auto found = index_.find(WideString(key, key ? SysStringLen(key) : 0));
  return found == index_.end() ? nullptr : &elements_[found->second];
}
