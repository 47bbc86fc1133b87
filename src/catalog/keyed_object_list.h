// KeyedObjectList: what the catalog's collections hold, objects under key texts in insertion
// order plus an index from key (exact, code unit by code unit) to position.  Positions seen
// by clients are 1-based and follow insertion order.
#pragma once

#include "common/com_ref.h"
#include "common/wide_string.h"

#include <oaidl.h>

#include <map>
#include <vector>

class KeyedObjectList {
 public:
  struct Entry {
    WideString Key;
    ComRef<IDispatch> Object;
  };

  // An existing key keeps its position and gets the new object (the old one is released);
  // a new key is appended.
  void Add(const WideString& key, IDispatch* object);
  // Appends under the key "<count + 1>" (decimal).
  void AddNext(IDispatch* object);
  // Removes the entry at a 1-based position; later entries move one position down.
  void RemoveAt(size_t position);

  // The 1-based position an index designates: a 2- or 4-byte integer (also by reference) is a
  // position from 1 to Count, anything else is converted to text and looked up as a key.
  // 0 when nothing is found.
  size_t Resolve(const VARIANT& index) const;
  // The object under a key, or null.
  IDispatch* Find(const WideString& key) const;

  size_t Count() const noexcept { return entries_.size(); }
  const Entry& At(size_t position) const { return entries_[position - 1]; }

 private:
  std::vector<Entry> entries_;
  std::map<WideString, size_t> index_;  // key to 1-based position
};
