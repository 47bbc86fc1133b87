#include "loader_sandbox.h"

#include "common/com_ref.h"

#include <objidl.h>

#include <gtest/gtest.h>

namespace {

// Creates the test companion's object from `library`; S_OK means the library was found,
// loaded and served the class.
HRESULT CreateFrom(const LoaderSandbox& sandbox, const std::wstring& library) {
  ComRef<IPersist> object;
  const HRESULT result =
      sandbox.Create(library, kClsidCompanionObject, IID_IPersist, object.PutVoid());
  if (SUCCEEDED(result)) {
    CLSID served = {};
    EXPECT_EQ(S_OK, object->GetClassID(&served));
    EXPECT_TRUE(IsEqualCLSID(kClsidCompanionObject, served));
  }
  return result;
}

TEST(CompanionLoader, SearchesOwnFolderThenSystemThenCommonFiles) {
  LoaderSandbox sandbox;
  for (Place place : {Place::Own, Place::OwnSystem, Place::Company, Place::Showloom}) {
    sandbox.Put(place, L"InAllFour.dll");
  }
  for (Place place : {Place::OwnSystem, Place::Company, Place::Showloom}) {
    sandbox.Put(place, L"BelowOwn.dll");
  }
  sandbox.Put(Place::Company, L"InCommonFiles.dll");
  sandbox.Put(Place::Showloom, L"InCommonFiles.dll");
  sandbox.Put(Place::Showloom, L"OnlyShowloom.dll");

  ASSERT_EQ(S_OK, CreateFrom(sandbox, L"InAllFour.dll"));
  ASSERT_EQ(S_OK, CreateFrom(sandbox, L"BelowOwn.dll"));
  ASSERT_EQ(S_OK, CreateFrom(sandbox, L"InCommonFiles.dll"));
  ASSERT_EQ(S_OK, CreateFrom(sandbox, L"OnlyShowloom.dll"));
  EXPECT_TRUE(SamePath(sandbox.Folder(Place::Own) + L"\\InAllFour.dll",
                       sandbox.CachedPath(L"InAllFour.dll")));
  EXPECT_TRUE(SamePath(sandbox.Folder(Place::OwnSystem) + L"\\BelowOwn.dll",
                       sandbox.CachedPath(L"BelowOwn.dll")));
  EXPECT_TRUE(SamePath(sandbox.Folder(Place::Company) + L"\\InCommonFiles.dll",
                       sandbox.CachedPath(L"InCommonFiles.dll")));
  EXPECT_TRUE(SamePath(sandbox.Folder(Place::Showloom) + L"\\OnlyShowloom.dll",
                       sandbox.CachedPath(L"OnlyShowloom.dll")));
}

TEST(CompanionLoader, NameFoundNowhereGoesToTheSystemLoaderFromTheCurrentDirectory) {
  LoaderSandbox sandbox;
  CurrentDirectoryGuard restore;
  sandbox.Put(Place::Elsewhere, L"OnlyInCurrentDirectory.dll");
  ASSERT_TRUE(SetCurrentDirectoryW(sandbox.Folder(Place::Elsewhere).c_str()));

  ASSERT_EQ(S_OK, CreateFrom(sandbox, L"OnlyInCurrentDirectory.dll"));
  EXPECT_TRUE(SamePath(sandbox.Folder(Place::Elsewhere) + L"\\OnlyInCurrentDirectory.dll",
                       sandbox.CachedPath(L"OnlyInCurrentDirectory.dll")));
  EXPECT_TRUE(SamePath(sandbox.Folder(Place::Elsewhere), CurrentDirectory()));
}

TEST(CompanionLoader, NameWithBackslashIsLoadedAsPassedWithoutSearch) {
  LoaderSandbox sandbox;
  CurrentDirectoryGuard restore;
  const std::wstring absolute = sandbox.Put(Place::Elsewhere, L"ByPath.dll");
  sandbox.Put(Place::Own, L"ByPath.dll");
  sandbox.Put(Place::Own, L"Relative.dll");
  ASSERT_TRUE(SetCurrentDirectoryW(sandbox.Folder(Place::Elsewhere).c_str()));

  ASSERT_EQ(S_OK, CreateFrom(sandbox, absolute));
  EXPECT_TRUE(SamePath(absolute, sandbox.CachedPath(absolute)));
  // Relative to the current directory, which lacks it; the copy beside the probe is not tried.
  EXPECT_EQ(REGDB_E_CLASSNOTREG, CreateFrom(sandbox, L".\\Relative.dll"));
  EXPECT_EQ(1u, sandbox.Cache().size());
}

TEST(CompanionLoader, CacheKeysAreCaseSensitiveAndShareTheHandle) {
  LoaderSandbox sandbox;
  sandbox.Put(Place::Own, L"Spelled.dll");
  ASSERT_EQ(S_OK, CreateFrom(sandbox, L"Spelled.dll"));
  ASSERT_EQ(S_OK, CreateFrom(sandbox, L"SPELLED.DLL"));
  ASSERT_EQ(S_OK, CreateFrom(sandbox, L"Spelled.dll"));

  const auto cache = sandbox.Cache();
  ASSERT_EQ(2u, cache.size());
  EXPECT_EQ(L"SPELLED.DLL", cache[0].first);  // code-unit order: 'P' sorts before 'p'
  EXPECT_EQ(L"Spelled.dll", cache[1].first);
  EXPECT_EQ(cache[0].second, cache[1].second);
}

TEST(CompanionLoader, CachedNameIsNotSearchedAgain) {
  LoaderSandbox sandbox;
  const std::wstring first = sandbox.Put(Place::Own, L"Moved.dll");
  sandbox.Put(Place::OwnSystem, L"Moved.dll");
  ASSERT_EQ(S_OK, CreateFrom(sandbox, L"Moved.dll"));
  const HMODULE loaded = sandbox.Cache().at(0).second;

  // A new search would now find the copy in System and load that one.
  ASSERT_TRUE(MoveFileW(first.c_str(), (first + L".moved").c_str()));
  ASSERT_EQ(S_OK, CreateFrom(sandbox, L"Moved.dll"));
  ASSERT_EQ(1u, sandbox.Cache().size());
  EXPECT_EQ(loaded, sandbox.Cache().at(0).second);
  EXPECT_EQ(nullptr, GetModuleHandleW((sandbox.Folder(Place::OwnSystem) + L"\\Moved.dll").c_str()));
}

TEST(CompanionLoader, CurrentDirectoryIsRestoredOnEveryPath) {
  LoaderSandbox sandbox;
  CurrentDirectoryGuard restore;
  sandbox.Put(Place::Own, L"Loads.dll");
  sandbox.PutBytes(Place::OwnSystem, L"NotALibrary.dll", "MZ but not a library");
  ASSERT_TRUE(SetCurrentDirectoryW(sandbox.Folder(Place::Elsewhere).c_str()));

  ASSERT_EQ(S_OK, CreateFrom(sandbox, L"Loads.dll"));
  EXPECT_TRUE(SamePath(sandbox.Folder(Place::Elsewhere), CurrentDirectory()));
  // Found (the loader changes into System) but not loadable: nothing is cached.
  EXPECT_EQ(REGDB_E_CLASSNOTREG, CreateFrom(sandbox, L"NotALibrary.dll"));
  EXPECT_TRUE(SamePath(sandbox.Folder(Place::Elsewhere), CurrentDirectory()));
  EXPECT_EQ(REGDB_E_CLASSNOTREG, CreateFrom(sandbox, L"NowhereAtAll.dll"));
  EXPECT_TRUE(SamePath(sandbox.Folder(Place::Elsewhere), CurrentDirectory()));
  EXPECT_EQ(1u, sandbox.Cache().size());
}

TEST(CompanionLoader, LibraryWithoutClassObjectExportIsNotRegisteredAndStaysLoaded) {
  LoaderSandbox sandbox;
  const std::wstring path = sandbox.Put(Place::Own, L"NoExport.dll", L"LoaderNoExport.dll");
  ComRef<IUnknown> object;
  EXPECT_EQ(REGDB_E_CLASSNOTREG,
            sandbox.Create(L"NoExport.dll", kClsidCompanionObject, IID_IUnknown, object.PutVoid()));
  EXPECT_EQ(REGDB_E_CLASSNOTREG,
            sandbox.Create(L"NoExport.dll", kClsidCompanionObject, IID_IUnknown, object.PutVoid()));
  EXPECT_FALSE(object);

  const auto cache = sandbox.Cache();
  ASSERT_EQ(1u, cache.size());
  EXPECT_EQ(GetModuleHandleW(path.c_str()), cache[0].second);
  EXPECT_NE(nullptr, cache[0].second);
}

TEST(CompanionLoader, LibraryAndFactoryResultsPassThroughUnchanged) {
  LoaderSandbox sandbox;
  sandbox.Put(Place::Own, L"PassThrough.dll");
  ComRef<IUnknown> object;
  EXPECT_EQ(kFactoryFailure,
            sandbox.Create(L"PassThrough.dll", kClsidFactoryFails, IID_IUnknown, object.PutVoid()));
  EXPECT_EQ(kCreateFailure,
            sandbox.Create(L"PassThrough.dll", kClsidCreateFails, IID_IUnknown, object.PutVoid()));
  EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE,
            sandbox.Create(L"PassThrough.dll", IID_IPersist, IID_IUnknown, object.PutVoid()));
  // The wanted interface reaches CreateInstance: one the object lacks fails there.
  EXPECT_EQ(E_NOINTERFACE, sandbox.Create(L"PassThrough.dll", kClsidCompanionObject,
                                          IID_IStream, object.PutVoid()));
  EXPECT_FALSE(object);
  EXPECT_EQ(S_OK, CreateFrom(sandbox, L"PassThrough.dll"));
  EXPECT_EQ(REGDB_E_CLASSNOTREG,
            sandbox.Create(L"Missing.dll", kClsidCompanionObject, IID_IUnknown, object.PutVoid()));
  EXPECT_FALSE(object);
}

}  // namespace
