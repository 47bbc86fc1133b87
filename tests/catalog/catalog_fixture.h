// What the in-process catalog tests share: a stand-in state and a scratch folder per test,
// copies of the catalog fixture packages, and short ways to see what a catalog holds.
#pragma once

#include "catalog/mm_catalog.h"
#include "common/bstr.h"
#include "common/variant.h"
#include "standin_project.h"
#include "support/com_getters.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Keys = std::vector<std::wstring>;
using TextGetter = HRESULT (STDMETHODCALLTYPE IMergeModule2::*)(BSTR*);

inline std::wstring TextOf(IMergeModule2* module, TextGetter getter) {
  UniqueBstr text;
  if (!module) return L"<no module>";
  if (FAILED((module->*getter)(text.Put()))) return L"<error>";
  return text.Get() ? text.Get() : L"";
}

// The key (or another text) of the module `object`; "<none>" without an object.
inline std::wstring KeyOf(IDispatch* object, TextGetter getter = &IMergeModule2::get_Key) {
  ComRef<IMergeModule2> module;
  if (object) object->QueryInterface(__uuidof(IMergeModule2), module.PutVoid());
  return object ? TextOf(module.Get(), getter) : L"<none>";
}

// The thread's error information's source (taking the information clears it).
inline std::wstring ErrorSource() {
  const ErrorView view = TakeErrorInfo();
  return view.hasInfo ? view.source : L"<no error information>";
}

class CatalogTest : public ::testing::Test {
 protected:
  // <scratch>\<relative>.
  WideString Path(const std::wstring& relative) const {
    return scratch_.Path() + L"\\" + relative.c_str();
  }
  // Copies the fixture package <name> (write time and all) to <scratch>\<relative>.
  WideString Copy(const char* name, const std::wstring& relative) const {
    scratch_.MakeFolder(relative.substr(0, relative.rfind(L'\\')));
    const WideString target = Path(relative);
    EXPECT_TRUE(CopyFileW(FixturePackage("catalog_packages", name).c_str(), target.c_str(), FALSE))
        << name;
    return target;
  }
  // A catalog made the way the class factory makes one (construction and Initialize).
  static ComRef<IMMCatalog> NewCatalog() {
    ComRef<IMMCatalog> catalog;
    EXPECT_EQ(S_OK, CreateComponentInstance<MMCatalog>(nullptr, __uuidof(IMMCatalog),
                                                       catalog.PutVoid()));
    return catalog;
  }
  static MMCatalog& Implementation(const ComRef<IMMCatalog>& catalog) {
    return *ImplementationOf<MMCatalog>(catalog.Get());
  }
  static ComRef<IMergeModuleCollection> ModulesOf(IMMCatalog* catalog) {
    return GetAs<IMergeModuleCollection>(catalog, &IMMCatalog::GetModules);
  }
  // The keys of GetModules' collection in position order.
  static Keys ModuleKeys(IMMCatalog* catalog) {
    Keys keys;
    const ComRef<IMergeModuleCollection> modules = ModulesOf(catalog);
    const long count = CountOf(modules.Get());
    for (long position = 1; position <= count; ++position)
      keys.push_back(KeyOf(Item(modules.Get(), IntegerVariant(position)).Get()));
    return keys;
  }
  static ComRef<IMergeModule2> ModuleByKey(IMMCatalog* catalog, const wchar_t* key) {
    return Item(ModulesOf(catalog).Get(), StringVariant(key));
  }
  static ComRef<IMergeModule2> Item(IMergeModuleCollection* modules, const UniqueVariant& index) {
    ComRef<IDispatch> item;
    ComRef<IMergeModule2> module;
    if (modules && modules->Item(index.Get(), item.Put()) == S_OK && item)
      item.QueryTo(__uuidof(IMergeModule2), module);
    return module;
  }

  const StandInState state_{L"catalog"};
  const ScratchFolder scratch_{L"qv-catalog"};
};
