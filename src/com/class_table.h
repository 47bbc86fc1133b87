// ClassTable: the shape of the table of creatable classes, in their fixed order (the order of
// registration, unregistration and lookup), each with its ProgIDs, its creators and its cached
// class factory.  The component's own table, which names the concrete classes, is the
// composition root's (server/class_table.h).
//
// A class is served once its entry has creators (ClassCreatorsOf<T>()); an entry without them
// is skipped by DllGetClassObject but still registered, so that the registry always describes
// every class.  The description, category-map and start/stop entries are part of every
// class's entry although each class answers "none" for them.
#pragma once

#include "com/com_object.h"

#include <windows.h>

#include <unknwn.h>

struct ClassEntry;

using InstanceCreator = HRESULT (*)(IUnknown* outer, REFIID iid, void** object);
using FactoryCreator = HRESULT (*)(ClassEntry& entry, IUnknown** factory);

struct ClassCreators {
  FactoryCreator CreateFactory = nullptr;
  InstanceCreator CreateInstance = nullptr;
};

// The class factory creator shared by every class (class_factory.cpp).
HRESULT CreateClassFactory(ClassEntry& entry, IUnknown** factory);

template <class T>
HRESULT CreateClassInstance(IUnknown* outer, REFIID iid, void** object) {
  return CreateComponentInstance<T>(outer, iid, object);
}

template <class T>
constexpr ClassCreators ClassCreatorsOf() {
  return ClassCreators{&CreateClassFactory, &CreateClassInstance<T>};
}

struct CategoryEntry {
  const GUID* Category;
  bool Implemented;
};

struct ClassEntry {
  const CLSID* Clsid;
  const char* ProgId;
  const char* VersionIndependentProgId;
  HRESULT (*Register)(const ClassEntry& entry);
  HRESULT (*Unregister)(const ClassEntry& entry);
  ClassCreators Creators;
  IUnknown* CachedFactory;  // first reference of the factory, kept until unload
  const wchar_t* (*ObjectDescription)();
  const CategoryEntry* (*CategoryMap)();  // terminated by a null category
  void (*StartStop)(bool starting);
};

// The entries are the composition root's: this layer knows neither the classes nor how many.
struct ClassTable {
  ClassEntry* Entries;
  size_t Count;

  ClassEntry* begin() noexcept { return Entries; }
  ClassEntry* end() noexcept { return Entries + Count; }
  // The first servable entry (one with a factory creator) for the CLSID, or null.
  ClassEntry* FindServable(const CLSID& clsid) noexcept;
};

