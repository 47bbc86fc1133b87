// The companion loader, driven through a copy of the probe library in a folder tree of each
// test's own:  <root>\own\LoaderProbe.dll, <root>\own\System, <root>\common\Quorvane\Showloom,
// <root>\elsewhere, with HKLM CommonFilesDir pointing at <root>\common meanwhile.
#include "loader_test_ids.h"

#include "common/com_ref.h"
#include "common/path.h"
#include "common/unique_handle.h"
#include "environment/companion_loader.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <objidl.h>

#include <string>

namespace {

constexpr char kCurrentVersion[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

// Sets or (with null) removes HKLM CommonFilesDir for a while and puts the old value back.
class CommonFilesDir {
 public:
  CommonFilesDir() {
    DWORD size = sizeof saved_;
    had_ = RegGetValueA(HKEY_LOCAL_MACHINE, kCurrentVersion, "CommonFilesDir", RRF_RT_REG_SZ,
                        nullptr, saved_, &size) == ERROR_SUCCESS;
  }
  ~CommonFilesDir() { Set(had_ ? saved_ : nullptr); }
  void Set(const char* folder) const {
    if (!folder) RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kCurrentVersion, "CommonFilesDir");
    else RegSetKeyValueA(HKEY_LOCAL_MACHINE, kCurrentVersion, "CommonFilesDir", REG_SZ, folder,
                         static_cast<DWORD>(strlen(folder) + 1));
  }

 private:
  char saved_[MAX_PATH] = {};
  bool had_ = false;
};

TEST(CommonFilesFolder, EndsWithOneBackslashAndIsALoneOneWhenMissing) {
  CommonFilesDir restore;
  restore.Set("C:\\Shared Files");
  EXPECT_STREQ(L"C:\\Shared Files\\", GetCommonFilesFolder().c_str());
  restore.Set("C:\\Gemeinsame Dateien \xE9\\");  // ANSI text in the system code page
  EXPECT_STREQ(L"C:\\Gemeinsame Dateien \u00E9\\", GetCommonFilesFolder().c_str());
  restore.Set(nullptr);
  EXPECT_STREQ(L"\\", GetCommonFilesFolder().c_str());
}

enum Place { Own, OwnSystem, Company, Showloom, Elsewhere };
const wchar_t* const kPlaces[] = {L"own", L"own\\System", L"common\\Quorvane",
                                  L"common\\Quorvane\\Showloom", L"elsewhere"};

std::wstring ModulePath(HMODULE module) {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(module, path, MAX_PATH);
  return path;
}

class CompanionLoader : public ::testing::Test {
 protected:
  void SetUp() override {
    GetCurrentDirectoryW(MAX_PATH, savedDirectory_);
    for (const wchar_t* place : kPlaces) scratch_.MakeFolder(place);
    commonFiles_.Set(JoinPath(scratch_.Path(), L"common").Ansi());
    probe_.Reset(LoadLibraryW(Put(Own, L"LoaderProbe.dll", L"LoaderProbe.dll").c_str()));
    create_ = reinterpret_cast<ProbeCreateFunction>(GetProcAddress(probe_.Get(), "ProbeCreate"));
    cached_ = reinterpret_cast<ProbeCachedFunction>(GetProcAddress(probe_.Get(), "ProbeCached"));
    cacheSize_ =
        reinterpret_cast<ProbeCacheSizeFunction>(GetProcAddress(probe_.Get(), "ProbeCacheSize"));
    ASSERT_TRUE(create_ && cached_ && cacheSize_) << "probe copy not loadable";
  }
  void TearDown() override { SetCurrentDirectoryW(savedDirectory_); }

  std::wstring Folder(Place place) const {
    return JoinPath(scratch_.Path(), kPlaces[place]).c_str();
  }
  // Copies a file of the build's bin folder into `place` as `name`.
  std::wstring Put(Place place, const std::wstring& name,
                   const wchar_t* binFile = L"LoaderCompanion.dll") const {
    const std::wstring self = ModulePath(nullptr), target = Folder(place) + L"\\" + name;
    EXPECT_TRUE(CopyFileW((self.substr(0, self.rfind(L'\\') + 1) + binFile).c_str(),
                          target.c_str(), FALSE));
    return target;
  }
  // The probe copy's CreateCompanionObject.
  HRESULT Create(const std::wstring& library, const CLSID& clsid = kClsidServed,
                 const IID& iid = IID_IClassFactory) const {
    ComRef<IUnknown> object;
    const HRESULT result = create_(library.c_str(), &clsid, &iid, object.PutVoid());
    EXPECT_EQ(SUCCEEDED(result), static_cast<bool>(object));
    return result;
  }
  // Whether the probe's cache holds `library` with the handle of <place>\<file>.
  bool LoadedFrom(Place place, const std::wstring& library, std::wstring file = L"") const {
    const HMODULE cached = cached_(library.c_str());
    if (file.empty()) file = library;
    return cached && _wcsicmp((Folder(place) + L"\\" + file).c_str(),
                              ModulePath(cached).c_str()) == 0;
  }

  ScratchFolder scratch_{(L"qv-loader-" + std::to_wstring(++sandboxes_)).c_str()};
  CommonFilesDir commonFiles_;
  wchar_t savedDirectory_[MAX_PATH] = {};
  LoadedLibrary probe_;
  ProbeCreateFunction create_ = nullptr;
  ProbeCachedFunction cached_ = nullptr;
  ProbeCacheSizeFunction cacheSize_ = nullptr;
  static inline int sandboxes_ = 0;
};

TEST_F(CompanionLoader, SearchesOwnFolderThenSystemThenCommonFiles) {
  // Library N lies in place N and in every later place: the first place that holds it wins.
  for (int first = Own; first <= Showloom; ++first) {
    const std::wstring name = L"Search" + std::to_wstring(first) + L".dll";
    for (int place = first; place <= Showloom; ++place) Put(Place(place), name);
    ASSERT_EQ(S_OK, Create(name));
    EXPECT_TRUE(LoadedFrom(Place(first), name)) << name;
  }
}

TEST_F(CompanionLoader, NameFoundNowhereGoesToTheSystemLoaderFromTheCurrentDirectory) {
  Put(Elsewhere, L"OnlyInCurrentDirectory.dll");
  ASSERT_TRUE(SetCurrentDirectoryW(Folder(Elsewhere).c_str()));
  ASSERT_EQ(S_OK, Create(L"OnlyInCurrentDirectory.dll"));
  EXPECT_TRUE(LoadedFrom(Elsewhere, L"OnlyInCurrentDirectory.dll"));
}

TEST_F(CompanionLoader, NameWithBackslashIsLoadedAsPassedWithoutSearch) {
  const std::wstring absolute = Put(Elsewhere, L"ByPath.dll");
  Put(Own, L"ByPath.dll");
  Put(Own, L"Relative.dll");
  ASSERT_TRUE(SetCurrentDirectoryW(Folder(Elsewhere).c_str()));
  ASSERT_EQ(S_OK, Create(absolute));
  EXPECT_TRUE(LoadedFrom(Elsewhere, absolute, L"ByPath.dll"));
  // Relative to the current directory, which lacks it; the copy beside the probe is not tried.
  EXPECT_EQ(REGDB_E_CLASSNOTREG, Create(L".\\Relative.dll"));
}

TEST_F(CompanionLoader, CacheKeysAreCaseSensitiveAndShareTheHandle) {
  Put(Own, L"Spelled.dll");
  for (const wchar_t* name : {L"Spelled.dll", L"SPELLED.DLL", L"Spelled.dll"})
    ASSERT_EQ(S_OK, Create(name));
  EXPECT_EQ(2, cacheSize_());
  EXPECT_EQ(cached_(L"Spelled.dll"), cached_(L"SPELLED.DLL"));
}

TEST_F(CompanionLoader, CachedNameIsNotSearchedAgain) {
  const std::wstring first = Put(Own, L"Moved.dll");
  Put(OwnSystem, L"Moved.dll");
  ASSERT_EQ(S_OK, Create(L"Moved.dll"));
  // A new search would now find the copy in System and load that one.
  ASSERT_TRUE(MoveFileW(first.c_str(), (first + L".moved").c_str()));
  ASSERT_EQ(S_OK, Create(L"Moved.dll"));
  EXPECT_EQ(1, cacheSize_());
  EXPECT_EQ(nullptr, GetModuleHandleW((Folder(OwnSystem) + L"\\Moved.dll").c_str()));
}

// Where the current directory was while the library loaded; empty when it did not load.
std::wstring LoadedIn() {
  wchar_t folder[MAX_PATH] = {};
  GetEnvironmentVariableW(L"QV_COMPANION_LOADED_IN", folder, MAX_PATH);
  SetEnvironmentVariableW(L"QV_COMPANION_LOADED_IN", nullptr);
  return folder;
}

TEST_F(CompanionLoader, TheLoadRunsInTheLibrarysFolderAndTheCurrentDirectoryIsRestored) {
  Put(Own, L"Loads.dll");
  Put(OwnSystem, L"LoadsInSystem.dll");
  scratch_.WriteFile(L"own\\System\\NotALibrary.dll", "MZ but not a library");
  ASSERT_TRUE(SetCurrentDirectoryW(Folder(Elsewhere).c_str()));
  LoadedIn();
  // Found (the loader changes into System) but not loadable: nothing is cached.
  const struct {
    const wchar_t* name;
    HRESULT result;
    std::wstring loadedIn;
  } rows[] = {{L"Loads.dll", S_OK, Folder(Own)},
              {L"LoadsInSystem.dll", S_OK, Folder(OwnSystem)},
              {L"NotALibrary.dll", REGDB_E_CLASSNOTREG, L""},
              {L"NowhereAtAll.dll", REGDB_E_CLASSNOTREG, L""}};
  for (const auto& row : rows) {
    SCOPED_TRACE(WideString(row.name).Ansi());
    EXPECT_EQ(row.result, Create(row.name));
    EXPECT_EQ(0, _wcsicmp(row.loadedIn.c_str(), LoadedIn().c_str()));
    wchar_t current[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, current);
    EXPECT_EQ(0, _wcsicmp(Folder(Elsewhere).c_str(), current)) << "the directory was restored";
  }
  EXPECT_EQ(2, cacheSize_());
}

TEST_F(CompanionLoader, LibraryWithoutClassObjectExportIsNotRegisteredAndStaysLoaded) {
  Put(Own, L"NoExport.dll", L"LoaderProbe.dll");
  EXPECT_EQ(REGDB_E_CLASSNOTREG, Create(L"NoExport.dll"));
  EXPECT_EQ(REGDB_E_CLASSNOTREG, Create(L"NoExport.dll"));
  EXPECT_EQ(1, cacheSize_());
  EXPECT_TRUE(LoadedFrom(Own, L"NoExport.dll"));
}

TEST_F(CompanionLoader, LibraryAndFactoryResultsPassThroughUnchanged) {
  Put(Own, L"PassThrough.dll");
  EXPECT_EQ(kFactoryFailure, Create(L"PassThrough.dll", kClsidFactoryFails));
  EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, Create(L"PassThrough.dll", IID_IPersist));
  // The wanted interface reaches CreateInstance, and what that returns comes back.
  EXPECT_EQ(kCreateFailure, Create(L"PassThrough.dll", kClsidServed, IID_IStream));
  EXPECT_EQ(E_NOINTERFACE, Create(L"PassThrough.dll", kClsidServed, IID_IPersist));
  EXPECT_EQ(S_OK, Create(L"PassThrough.dll"));
  EXPECT_EQ(REGDB_E_CLASSNOTREG, Create(L"Missing.dll"));
}

}  // namespace
