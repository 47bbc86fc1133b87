#include "catalog/catalog_test_support.h"

#include "common/bstr.h"
#include "common/unique_handle.h"
#include "common/variant.h"
#include "package_builder.h"

#include <objbase.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// One key per test process: ctest may run the catalog programs side by side.
std::wstring StateKey() {
  return L"Software\\Quorvane\\Showloom\\StandInTests\\catalog-" +
         std::to_wstring(GetCurrentProcessId());
}

RegKey CreateStateKey() {
  RegKey key;
  EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, StateKey().c_str(), 0, nullptr, 0,
                                           KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, key.Put(),
                                           nullptr));
  return key;
}

void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW found = {};
  const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(folder.c_str());
}

}  // namespace

void CatalogTest::SetUp() {
  ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  ASSERT_TRUE(SetEnvironmentVariableW(L"QV_STANDIN_KEY", StateKey().c_str()));
  RegDeleteTreeW(HKEY_CURRENT_USER, StateKey().c_str());
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring root =
      std::wstring(temp) + L"qv-catalog-" + std::to_wstring(GetCurrentProcessId());
  RemoveTree(root);
  ASSERT_TRUE(msmbuild::CreateFolderPath(root));
  root_ = WideString(root.c_str());
}

void CatalogTest::TearDown() {
  RemoveTree(root_.c_str());
  RegDeleteTreeW(HKEY_CURRENT_USER, StateKey().c_str());
  CoUninitialize();
}

WideString CatalogTest::PathOf(const std::wstring& relative) const {
  return WideString((std::wstring(root_.c_str()) + L"\\" + relative).c_str());
}

WideString CatalogTest::MakeFolder(const std::wstring& relative) const {
  const WideString folder = PathOf(relative);
  EXPECT_TRUE(msmbuild::CreateFolderPath(folder.c_str()));
  return folder;
}

WideString CatalogTest::WriteFile(const std::wstring& relative, const std::string& bytes) const {
  const WideString path = PathOf(relative);
  const std::wstring text = path.c_str();
  msmbuild::CreateFolderPath(text.substr(0, text.rfind(L'\\')));
  const HANDLE file = CreateFileW(text.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(INVALID_HANDLE_VALUE, file) << "cannot write a test file";
  DWORD written = 0;
  ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return path;
}

WideString CatalogTest::BuildPackage(const std::wstring& relative,
                                     const std::string& description) const {
  const WideString path = PathOf(relative);
  const msmbuild::BuildResult built = msmbuild::BuildPackageFromText(description, path.c_str());
  EXPECT_TRUE(built.ok) << built.error;
  return path;
}

WideString CatalogTest::BuildFixture(const std::wstring& relative, const char* name) const {
  const char* source = getenv("QV_SOURCE_DIR");
  EXPECT_NE(nullptr, source) << "QV_SOURCE_DIR is not set";
  std::string description = std::string("Z:") + (source ? source : "") +
                            "/tests/fixtures/catalog/" + name + ".msm.txt";
  for (char& c : description)
    if (c == '/') c = '\\';
  const WideString path = PathOf(relative);
  const msmbuild::BuildResult built = msmbuild::BuildPackageFromFile(
      WideString::FromAnsi(description.c_str()).c_str(), path.c_str());
  EXPECT_TRUE(built.ok) << name << ": " << built.error;
  return path;
}

WideString CatalogTest::BuildModule(const std::wstring& relative, const std::string& moduleId,
                                    long language, const std::string& subject) const {
  return BuildPackage(relative, "summary Subject = " + subject +
                                    "\ntable ModuleSignature\n  ModuleID | Language | Version\n  " +
                                    moduleId + " | " + std::to_string(language) + " | 1.0\n");
}

void CatalogTest::SetWriteTime(const WideString& path, const FILETIME& base, long long seconds) {
  ULARGE_INTEGER time;
  time.LowPart = base.dwLowDateTime;
  time.HighPart = base.dwHighDateTime;
  time.QuadPart += static_cast<ULONGLONG>(seconds * 10000000LL);
  const FILETIME changed{time.LowPart, time.HighPart};
  const HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &changed));
  CloseHandle(file);
}

FILETIME CatalogTest::WriteTimeOf(const WideString& path) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  EXPECT_TRUE(GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data));
  return data.ftLastWriteTime;
}

void CatalogTest::SetText(const wchar_t* name, const WideString& value) {
  const RegKey key = CreateStateKey();
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key.Get(), name, 0, REG_SZ,
                                          reinterpret_cast<const BYTE*>(value.c_str()),
                                          static_cast<DWORD>((value.Length() + 1) * 2)));
}

void CatalogTest::SetNumber(const wchar_t* name, DWORD value) {
  const RegKey key = CreateStateKey();
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key.Get(), name, 0, REG_DWORD,
                                          reinterpret_cast<const BYTE*>(&value), sizeof value));
}

void CatalogTest::RemoveValue(const wchar_t* name) {
  const RegKey key = CreateStateKey();
  RegDeleteValueW(key.Get(), name);
}

WideString CatalogTest::StoredText(const wchar_t* name) {
  wchar_t buffer[4096] = {};
  DWORD size = sizeof buffer;
  if (RegGetValueW(HKEY_CURRENT_USER, StateKey().c_str(), name, RRF_RT_REG_SZ, nullptr, buffer,
                   &size) != ERROR_SUCCESS) {
    return WideString();
  }
  return WideString(buffer);
}

DWORD CatalogTest::ProfileOpenCount() {
  DWORD value = 0;
  DWORD size = sizeof value;
  if (RegGetValueW(HKEY_CURRENT_USER, StateKey().c_str(), L"ProfileOpenCount", RRF_RT_REG_DWORD,
                   nullptr, &value, &size) != ERROR_SUCCESS) {
    return 0;
  }
  return value;
}

ComRef<IMMCatalog> CatalogTest::NewCatalog() {
  ComRef<IMMCatalog> catalog;
  const HRESULT created =
      CreateComponentInstance<MMCatalog>(nullptr, __uuidof(IMMCatalog), catalog.PutVoid());
  EXPECT_EQ(S_OK, created);
  return catalog;
}

std::vector<std::wstring> CatalogTest::ModuleKeys(IMMCatalog* catalog) {
  std::vector<std::wstring> keys;
  ComRef<IUnknown> modules;
  EXPECT_EQ(S_OK, catalog->GetModules(modules.Put()));
  ComRef<IMergeModuleCollection> collection;
  if (FAILED(modules.QueryTo(__uuidof(IMergeModuleCollection), collection))) return keys;
  long count = 0;
  collection->get_Count(&count);
  for (long position = 1; position <= count; ++position) {
    IntegerVariant index(position);
    ComRef<IDispatch> item;
    EXPECT_EQ(S_OK, collection->Item(index.Get(), item.Put()));
    ComRef<IMergeModule2> module;
    if (FAILED(item.QueryTo(__uuidof(IMergeModule2), module))) continue;
    keys.push_back(TextOf(module.Get(), &IMergeModule2::get_Key));
  }
  return keys;
}

ComRef<IMergeModule2> CatalogTest::ModuleByKey(IMMCatalog* catalog, const wchar_t* key) {
  ComRef<IUnknown> modules;
  EXPECT_EQ(S_OK, catalog->GetModules(modules.Put()));
  ComRef<IMergeModuleCollection> collection;
  ComRef<IMergeModule2> module;
  if (FAILED(modules.QueryTo(__uuidof(IMergeModuleCollection), collection))) return module;
  StringVariant index(key);
  ComRef<IDispatch> item;
  EXPECT_EQ(S_OK, collection->Item(index.Get(), item.Put()));
  if (item) item.QueryTo(__uuidof(IMergeModule2), module);
  return module;
}

std::wstring CatalogTest::TextOf(IMergeModule2* module,
                                 HRESULT (STDMETHODCALLTYPE IMergeModule2::*getter)(BSTR*)) {
  UniqueBstr text;
  const HRESULT result = (module->*getter)(text.Put());
  if (FAILED(result)) return L"error " + std::to_wstring(result);
  return text.Get() ? text.Get() : L"";
}
