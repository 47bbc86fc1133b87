// The Directory table walk on generated packages, and destination paths split in the notation
// of the project type that the host library stand-in (QVObjMgr.DLL) reports.
#include "folders/directory_table.h"
#include "folders/folder_tokens.h"
#include "installer/msi_check.h"
#include "installer/msi_library.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

const std::string kId = "6C3D2E1F_0A1B_4C5D_8E9F_102132435465";  // 36 characters
const std::string kModId = "9F605142_3D4E_4F50_B1C2_435465768798";

void Open(const char* name, MsiHandle& database) {
  OpenDatabaseReadOnly(FixturePackage("folder_packages", name), database);
}

struct WalkRow {
  const char* package;
  std::string key;
  std::string path;  // when code is 0
  UINT code;
};

TEST(DirectoryWalk, KeysResolveToTheirFoldersOrFailWithACode) {
  const std::string key230(230, 'L');
  const WalkRow rows[] = {
      {"walks", "bin", "[ProgramFilesFolder]App\\bin", 0},
      {"walks", "Drivers." + kId, "[SystemFolder]drivers", 0},
      {"walks", "ProgramFilesFolder", "[ProgramFilesFolder]", 0},
      {"walks", "commonfilesfolder", "[commonfilesfolder]", 0},
      {"walks", "SystemFolder." + kId, "[SystemFolder]", 0},
      {"walks", "X64Child", "PFiles64\\Child", 0},  // 64-bit folders are ordinary levels
      {"walks", "Docs", "[ProgramFilesFolder]App\\Documentation", 0},  // short|long:source
      {"walks", "ShortLong", "[ProgramFilesFolder]App\\Short and Long", 0},
      {"walks", "SourceForm", "[ProgramFilesFolder]App\\Plain", 0},
      {"walks", "Donnees", "[ProgramFilesFolder]App\\Donn\xE9" "es", 0},
      {"walks", "TARGETDIR", "", 0},
      {"walks", "SrcChild", "Child", 0},
      {"walks", "LowerSrcChild", "Inner", 0},
      {"walks", "PropSrcChild", "F:\\Src\\kid", 0},
      {"walks", "DotPropChild", "above\\leaf", 0},  // ended by the "." property's root
      {"walks", std::string(213, 'N'), "H:\\fits", 0},
      {"walks", std::string(214, 'N'), std::string(214, 'N'), 0},  // the name does not fit
      {"walks", "ModDir." + kId, "ModDir", 0},
      {"walks", "ModSubSub", "ModDir", 0},  // what deeper levels built is replaced
      {"walks", "CaseTarget", "CaseTarget", 0},
      {"walks", "PropMod", "C:\\Prop Mod", 0},
      {"walks", "PropMod36." + kId, "E:\\Suffix", 0},
      {"walks", "LongPropMod", "LongPropMod", 0},  // a 300-character value is not read
      {"walks", key230, key230, 0},  // a name too long for the property query
      {"walks", "Mod35." + kId.substr(0, 35), "Mod35." + kId.substr(0, 35), 0},
      {"walks", "Mod37." + kId + "7", "Mod37." + kId + "7", 0},
      {"walks", "Bin36." + kId, "[ProgramFilesFolder]App\\bin36", 0},
      {"walks", "DotChild", "[ProgramFilesFolder]App\\child", 0},
      {"walks", "DotDot", "[ProgramFilesFolder]App", 0},
      {"walks", "HiddenName", "[ProgramFilesFolder]App", 0},
      {"walks", "Orphan", "", kDirectoryRowMissing},  // its parent has no row
      {"walks", "NotInTable", "", kDirectoryRowMissing},
      {"walks", "app", "", kDirectoryRowMissing},  // keys match exactly
      {"walks", "OtherChild", "", kDirectoryRowMissing},  // a root other than the source
      {"walks", "LoopA", "", kDirectoryChainCycle},
      {"walks", "SelfRoot", "", kDirectoryChainCycle},
      {"walks", "LongDefault", "", ERROR_MORE_DATA},  // a 300-character DefaultDir
      {"walks", "UnderLong", "", ERROR_MORE_DATA},
      {"walks", "LongParent", "", ERROR_MORE_DATA},
      {"target_property", "TARGETDIR", "D:\\Target", 0},
      {"target_property", "Nested", "D:\\Target\\Data\\nested", 0},
      {"target_property", "ModDir", "ModDir", 0},
      {"target_property", "Prog", "[ProgramFilesFolder]Prog", 0},
      {"no_property_table", "Data", "Data", 0},
      {"no_property_table", "ModChild", "ModDir", 0},
      // A suffixed system folder without a plain row is an ordinary level.
      {"modularized", "Bin." + kModId, "System\\bin", 0},
      {"modularized", "Manifests." + kModId, "[WindowsFolder]WinSxS\\Manifests", 0},
  };
  std::map<std::string, MsiHandle> packages;
  for (const WalkRow& row : rows) {
    SCOPED_TRACE(std::string(row.package) + " " + row.key);
    MsiHandle& database = packages[row.package];
    if (!database) Open(row.package, database);
    std::string path = "left over";
    EXPECT_EQ(row.code, BuildDirectoryPath(database.Get(), row.key, path));
    EXPECT_EQ(row.path, path);
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
    const std::string ending = "MsiOpenDatabaseView()", text = error.Description();
    EXPECT_EQ(ending, text.substr(text.size() - std::min(text.size(), ending.size())));
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
