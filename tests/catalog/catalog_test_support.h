// Shared plumbing of the catalog tests: a stand-in state key of this process's own, a fresh
// folder tree per test, packages built there with msmbuild, and short ways to ask a catalog
// what it holds.
#pragma once

#include "catalog/mm_catalog.h"
#include "common/com_ref.h"
#include "common/wide_string.h"

#include <windows.h>

#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

class CatalogTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The folder made empty for this test (no trailing backslash).
  const WideString& Root() const { return root_; }
  // <Root>\<relative>, created with its parents.
  WideString MakeFolder(const std::wstring& relative) const;
  // <Root>\<relative>.
  WideString PathOf(const std::wstring& relative) const;
  // Writes ANSI bytes to <Root>\<relative>; returns the full path.
  WideString WriteFile(const std::wstring& relative, const std::string& bytes) const;
  // Builds the package a description gives at <Root>\<relative>; returns the full path.
  WideString BuildPackage(const std::wstring& relative, const std::string& description) const;
  // Builds tests/fixtures/catalog/<name>.msm.txt at <Root>\<relative>; returns the full path.
  WideString BuildFixture(const std::wstring& relative, const char* name) const;
  // A module package with a signature and a subject.
  WideString BuildModule(const std::wstring& relative, const std::string& moduleId,
                         long language, const std::string& subject) const;
  // Sets a file's last-write time to `base` plus `seconds`.
  static void SetWriteTime(const WideString& path, const FILETIME& base, long long seconds);
  static FILETIME WriteTimeOf(const WideString& path);

  // Values of the stand-ins' state key.
  static void SetText(const wchar_t* name, const WideString& value);
  static void SetNumber(const wchar_t* name, DWORD value);
  static void RemoveValue(const wchar_t* name);
  static WideString StoredText(const wchar_t* name);
  static DWORD ProfileOpenCount();

  // A catalog made the way the class factory makes one (construction and Initialize).
  static ComRef<IMMCatalog> NewCatalog();
  static MMCatalog& Implementation(const ComRef<IMMCatalog>& catalog) {
    return *ImplementationOf<MMCatalog>(catalog.Get());
  }
  // The keys of GetModules' collection in position order.
  static std::vector<std::wstring> ModuleKeys(IMMCatalog* catalog);
  // A module of GetModules' collection by key (null when it lacks the key).
  static ComRef<IMergeModule2> ModuleByKey(IMMCatalog* catalog, const wchar_t* key);
  static std::wstring TextOf(IMergeModule2* module, HRESULT (STDMETHODCALLTYPE IMergeModule2::*getter)(BSTR*));

  // Runs `action`, which must raise com_exception; returns its code (S_OK when none came).
  template <class Action>
  static HRESULT RaisedCode(Action action) {
    try {
      action();
    } catch (const com_exception& failure) {
      return failure.Code();
    }
    return S_OK;
  }

 private:
  WideString root_;
};

inline void PrintTo(const WideString& text, std::ostream* out) {
  *out << '"';
  for (size_t i = 0; i < text.Length(); ++i) {
    const wchar_t c = text[i];
    if (c >= 0x20 && c < 0x7F) {
      *out << static_cast<char>(c);
    } else {
      *out << "\\u" << std::hex << static_cast<unsigned>(c) << std::dec;
    }
  }
  *out << '"';
}
