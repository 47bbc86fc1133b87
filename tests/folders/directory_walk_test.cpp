// The Directory table walk on generated packages where the comparison with msitools cannot
// look, and destination paths split in the notation of the project type that the host library
// stand-in (QVObjMgr.DLL) reports.
#include "folders/directory_table.h"
#include "folders/folder_tokens.h"
#include "installer/msi_check.h"
#include "installer/msi_library.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

void Open(const char* name, MsiHandle& database) {
  OpenDatabaseReadOnly(FixturePackage("folder_packages", name), database);
}

// The folder every Directory key of the generated packages resolves to is compared with an
// independent walk of msitools' export (check_module_folders.py), which sees a failure only as
// "unresolved": the codes are pinned here, with keys that no table holds.
TEST(DirectoryWalk, UnresolvableKeysFailWithTheirCode) {
  const std::pair<const char*, UINT> rows[] = {
      {"Orphan", kDirectoryRowMissing},  // its parent has no row
      {"NotInTable", kDirectoryRowMissing},
      {"app", kDirectoryRowMissing},  // keys match exactly
      {"OtherChild", kDirectoryRowMissing},  // a root other than the source
      {"LoopA", kDirectoryChainCycle},
      {"SelfRoot", kDirectoryChainCycle},
      {"LongDefault", ERROR_MORE_DATA},  // a 300-character DefaultDir
      {"UnderLong", ERROR_MORE_DATA},
      {"LongParent", ERROR_MORE_DATA},
  };
  MsiHandle database;
  Open("walks", database);
  for (const auto& [key, code] : rows) {
    std::string path = "left over";
    EXPECT_EQ(code, BuildDirectoryPath(database.Get(), key, path)) << key;
    EXPECT_EQ("", path) << key;
  }
}

TEST(DirectoryWalk, ApostropheInAKeyRaisesTheInstallersRefusal) {
  MsiHandle database, view;
  Open("apostrophe", database);
  const UINT refused = Msi().DatabaseOpenViewA(
      database.Get(), "SELECT `Directory_Parent` FROM `Directory` WHERE `Directory` = 'It's'",
      view.Put());
  ASSERT_NE(0u, refused) << "the installer accepts an undoubled apostrophe";
  for (const char* key : {"It's", "Below"}) {
    SCOPED_TRACE(key);
    std::string path;
    const com_exception error = Raised([&] { BuildDirectoryPath(database.Get(), key, path); });
    EXPECT_EQ(HresultFromWin32Code(refused), error.Code());
    EXPECT_TRUE(EndsWith(error.Description(), "MsiOpenDatabaseView()")) << error.Description();
  }
  std::string path;
  EXPECT_EQ(0u, BuildDirectoryPath(database.Get(), "Plain", path)) << "the database stays usable";
  EXPECT_EQ("Plain", path);
}

MSIHANDLE WINAPI NoRecord(UINT) { return 0; }
UINT WINAPI FailingExecute(MSIHANDLE, MSIHANDLE) { return ERROR_FUNCTION_FAILED; }

TEST(DirectoryWalk, RecordFailuresAreCodesButExecutionFailuresRaise) {
  MsiHandle database;
  Open("walks", database);
  MsiLibraryOverride library;
  library->CreateRecord = NoRecord;
  std::string path = "left over";
  EXPECT_EQ(static_cast<UINT>(ERROR_NOT_ENOUGH_MEMORY),
            BuildDirectoryPath(database.Get(), "bin", path));
  EXPECT_EQ("", path);
  library->CreateRecord = library.Previous().CreateRecord;
  library->ViewExecute = FailingExecute;
  EXPECT_EQ(HresultFromWin32Code(ERROR_FUNCTION_FAILED),
            RaisedCode([&] { BuildDirectoryPath(database.Get(), "bin", path); }));
}

struct SplitRow {
  DWORD projectType;
  const wchar_t* path;
  const wchar_t* folder;  // nullptr: not split, outputs untouched
  const wchar_t* file;
};

TEST(DestinationPath, SplitsInTheNotationOfTheActiveProjectType) {
  const StandInState host(L"folders");
  const SplitRow rows[] = {
      {0, L"[SystemFolder]foo.dll", L"[SystemFolder]", L"foo.dll"},
      {0, L"[ProgramFilesFolder]Acme\\bin\\viewer.exe", L"[ProgramFilesFolder]Acme\\bin",
       L"viewer.exe"},
      {0, L"dir\\[X]f", L"dir", L"[X]f"},
      {0, L"[ProgramFilesFolder]", L"[ProgramFilesFolder]", L""},
      {0, L"[A]b\\c]d", L"[A]b", L"c]d"},
      {0, L"foo]bar[", nullptr, nullptr},
      {0, L"<WINSYSDIR>\\foo.dll", nullptr, nullptr},
      {0, L"foo.dll", nullptr, nullptr},
      {1, L"<WINSYSDIR>\\sub\\foo.dll", L"<WINSYSDIR>\\sub", L"foo.dll"},
      {1, L"<WINSYSDIR>foo.dll", L"<WINSYSDIR>", L"foo.dll"},
      {1, L"dir\\<X>f", L"dir", L"<X>f"},
      {1, L"[SystemFolder]foo.dll", nullptr, nullptr},
      {1, L"foo>bar<", nullptr, nullptr},
      // Types outside 0 and 1 use the installer-property notation.
      {2, L"[SystemFolder]foo.dll", L"[SystemFolder]", L"foo.dll"},
      {0xFFFFFFFF, L"<WINSYSDIR>\\foo.dll", nullptr, nullptr},
      {10, L"[SystemFolder]foo.dll", L"[SystemFolder]", L"foo.dll"},
  };
  for (const SplitRow& row : rows) {
    SCOPED_TRACE(std::string(WideString(row.path).Ansi()) + " in type " +
                 std::to_string(row.projectType));
    host.SetNumber(L"ActiveProjectType", row.projectType);
    WideString folder = L"(folder)", file = L"(file)";
    EXPECT_EQ(row.folder != nullptr, SplitDestinationPath(row.path, folder, file));
    EXPECT_EQ(WideString(row.folder ? row.folder : L"(folder)"), folder);
    EXPECT_EQ(WideString(row.file ? row.file : L"(file)"), file);
  }
}

}  // namespace
