// A record built from a gallery descriptor has no package of its own to read, even when its
// descriptor names a package that exists: the folder lookup opens nothing.
#include "folders/folder_fixtures.h"
#include "installer/msi_library.h"
#include "module/module_record.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

// This program's own stand-in state key (read by the application-services stand-in).
constexpr wchar_t kStateKey[] = L"Software\\Quorvane\\Showloom\\StandInTests\\folders_gallery";

MsiLibrary forwarded;
int databaseOpens = 0;

UINT WINAPI CountedOpenDatabase(LPCSTR path, LPCSTR persist, MSIHANDLE* database) {
  ++databaseOpens;
  return forwarded.OpenDatabaseA(path, persist, database);
}

void WriteText(const WideString& path, const std::string& text) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

class GalleryModuleFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SetEnvironmentVariableW(L"QV_STANDIN_KEY", kStateKey));
    RegDeleteTreeW(HKEY_CURRENT_USER, kStateKey);
    product_ = FreshTempFolder("qv_folders_product");
    CreateDirectoryW((product_ + L"\\ObjectGallery").c_str(), nullptr);
    CreateDirectoryW((product_ + L"\\Modules").c_str(), nullptr);
    ASSERT_TRUE(CopyFileW(FolderFixture("walks").c_str(),
                          (product_ + L"\\Modules\\walks.msm").c_str(), FALSE));
    const std::wstring folder = product_.c_str();
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetKeyValueW(HKEY_CURRENT_USER, kStateKey, L"ProductFolder", REG_SZ,
                              folder.c_str(), static_cast<DWORD>((folder.size() + 1) * 2)));
    WriteText(product_ + L"\\ObjectGallery\\Walks Gallery.ini",
              "[MergeModule]\r\n"
              "FileName=Package\r\n"
              "ModuleID=Folder.Walks\r\n"
              "Language=1033\r\n"
              "Version=1.0.0.0\r\n"
              "[Package]\r\n"
              "Location=Modules\\walks.msm\r\n");
  }
  void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kStateKey); }

  WideString product_;
};

TEST_F(GalleryModuleFolder, DescriptorRecordOpensNothing) {
  ModuleRecord record;
  record.InitFromDescriptor(product_ + L"\\ObjectGallery\\Walks Gallery.ini");
  ASSERT_TRUE(record.FromGallery());
  ASSERT_EQ(product_ + L"\\Modules\\walks.msm", record.PackagePath())
      << "the descriptor names a package that exists";

  MsiLibraryOverride library;
  forwarded = library.Previous();
  databaseOpens = 0;
  library->OpenDatabaseA = CountedOpenDatabase;
  WideString folder = L"unchanged";
  EXPECT_FALSE(record.ResolveModuleFolder(L"bin", folder));
  EXPECT_EQ(WideString(L"unchanged"), folder);
  EXPECT_EQ(0, databaseOpens);
}

}  // namespace
