#include "folders/folder_fixtures.h"

#include "installer/msi_check.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <cstdlib>

WideString FolderFixture(const char* name) {
  const char* folder = getenv("QV_FIXTURES_DIR");
  EXPECT_NE(folder, nullptr) << "QV_FIXTURES_DIR is not set";
  std::string path = folder ? folder : "";
  // ctest hands over a host path; the host file system is drive Z: under Wine.
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  path += "\\folder_packages\\";
  path += name;
  path += ".msm";
  return WideString::FromAnsi(path.c_str());
}

OpenedPackage::OpenedPackage(const char* fixtureName) {
  OpenDatabaseReadOnly(FolderFixture(fixtureName), database_);
}

WideString FreshTempFolder(const char* name) {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string folder = std::string(temp) + name;
  CreateDirectoryA(folder.c_str(), nullptr);
  WIN32_FIND_DATAA found = {};
  const HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileA((folder + "\\" + found.cFileName).c_str());
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  return WideString::FromAnsi(folder.c_str());
}

namespace {

// Module records share the installer automation object, which lives in the test's apartment.
class ComApartment : public ::testing::Environment {
 public:
  void SetUp() override {
    ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  }
  void TearDown() override { CoUninitialize(); }
};

::testing::Environment* const apartment = ::testing::AddGlobalTestEnvironment(new ComApartment);

}  // namespace
