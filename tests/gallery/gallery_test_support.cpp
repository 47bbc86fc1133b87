#include "gallery/gallery_test_support.h"

#include "common/unique_handle.h"

#include <cstdlib>
#include <vector>

namespace {

// One key per test process: ctest may run the gallery programs side by side.
std::wstring StateKey() {
  return L"Software\\Quorvane\\Showloom\\StandInTests\\gallery-" +
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

void CreateFolders(const std::wstring& folder) {
  for (size_t slash = folder.find(L'\\', 3); slash != std::wstring::npos;
       slash = folder.find(L'\\', slash + 1)) {
    CreateDirectoryW(folder.substr(0, slash).c_str(), nullptr);
  }
  CreateDirectoryW(folder.c_str(), nullptr);
}

}  // namespace

void GalleryTest::SetUp() {
  ASSERT_TRUE(SetEnvironmentVariableW(L"QV_STANDIN_KEY", StateKey().c_str()));
  RegDeleteTreeW(HKEY_CURRENT_USER, StateKey().c_str());
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring root =
      std::wstring(temp) + L"qv-gallery-" + std::to_wstring(GetCurrentProcessId());
  RemoveTree(root);
  CreateFolders(root);
  root_ = WideString(root.c_str());
}

void GalleryTest::TearDown() {
  RemoveTree(root_.c_str());
  RegDeleteTreeW(HKEY_CURRENT_USER, StateKey().c_str());
}

WideString GalleryTest::MakeFolder(const wchar_t* relative) const {
  const std::wstring folder = std::wstring(root_.c_str()) + L"\\" + relative;
  CreateFolders(folder);
  return WideString(folder.c_str());
}

WideString GalleryTest::WriteFile(const std::wstring& relative, const std::string& bytes) const {
  const std::wstring path = std::wstring(root_.c_str()) + L"\\" + relative;
  CreateFolders(path.substr(0, path.rfind(L'\\')));
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(INVALID_HANDLE_VALUE, file) << "cannot write a test file";
  DWORD written = 0;
  ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return WideString(path.c_str());
}

void GalleryTest::SetText(const wchar_t* name, const WideString& value) {
  const RegKey key = CreateStateKey();
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key.Get(), name, 0, REG_SZ,
                                          reinterpret_cast<const BYTE*>(value.c_str()),
                                          static_cast<DWORD>((value.Length() + 1) * 2)));
}

void GalleryTest::SetNumber(const wchar_t* name, DWORD value) {
  const RegKey key = CreateStateKey();
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key.Get(), name, 0, REG_DWORD,
                                          reinterpret_cast<const BYTE*>(&value), sizeof value));
}

void GalleryTest::RemoveValue(const wchar_t* name) {
  const RegKey key = CreateStateKey();
  RegDeleteValueW(key.Get(), name);
}

DWORD GalleryTest::ProfileOpenCount() {
  DWORD value = 0;
  DWORD size = sizeof value;
  if (RegGetValueW(HKEY_CURRENT_USER, StateKey().c_str(), L"ProfileOpenCount", RRF_RT_REG_DWORD,
                   nullptr, &value, &size) != ERROR_SUCCESS) {
    return 0;
  }
  return value;
}

WideString GalleryPackage(const char* name) {
  const char* folder = getenv("QV_FIXTURES_DIR");
  EXPECT_NE(folder, nullptr) << "QV_FIXTURES_DIR is not set";
  std::string path = folder ? folder : "";
  // ctest hands over a Unix path; Wine maps / to Z:.
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  path += "\\gallery_packages\\";
  path += name;
  path += ".msm";
  return WideString::FromAnsi(path.c_str());
}
