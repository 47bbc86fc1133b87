#include "com/class_table.h"

ClassEntry* ClassTable::FindServable(const CLSID& clsid) noexcept {
  for (ClassEntry& entry : *this)
    if (entry.Creators.CreateFactory && *entry.Clsid == clsid) return &entry;
  return nullptr;
}
