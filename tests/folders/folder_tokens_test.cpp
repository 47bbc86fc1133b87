// Destination paths split in the notation of the active project type, which the host library
// stand-in (QVObjMgr.DLL beside this program) reads from its registry state on every call.
#include "folders/folder_tokens.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

// This program's own stand-in state key, so that other test programs can run beside it.
constexpr wchar_t kStateKey[] = L"Software\\Quorvane\\Showloom\\StandInTests\\folders";

class ActiveProjectTypeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SetEnvironmentVariableW(L"QV_STANDIN_KEY", kStateKey));
    RegDeleteTreeW(HKEY_CURRENT_USER, kStateKey);
  }
  void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kStateKey); }

  static void SetActiveProjectType(DWORD type) {
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_CURRENT_USER, kStateKey, L"ActiveProjectType",
                                             REG_DWORD, &type, sizeof type));
  }
};

struct Split {
  bool ok;
  std::wstring folder;
  std::wstring file;
};

Split SplitPath(const wchar_t* path) {
  WideString folder = L"(folder)";
  WideString file = L"(file)";
  const bool ok = SplitDestinationPath(path, folder, file);
  return {ok, folder.c_str(), file.c_str()};
}

void ExpectSplit(const wchar_t* path, const wchar_t* folder, const wchar_t* file) {
  const Split split = SplitPath(path);
  EXPECT_TRUE(split.ok) << "path " << WideString(path).Ansi();
  EXPECT_EQ(folder, split.folder) << "path " << WideString(path).Ansi();
  EXPECT_EQ(file, split.file) << "path " << WideString(path).Ansi();
}

void ExpectNotSplit(const wchar_t* path) {
  const Split split = SplitPath(path);
  EXPECT_FALSE(split.ok) << "path " << WideString(path).Ansi();
  EXPECT_EQ(L"(folder)", split.folder) << "outputs untouched";
  EXPECT_EQ(L"(file)", split.file) << "outputs untouched";
}

TEST_F(ActiveProjectTypeTest, HostExportIsReadOnEveryCall) {
  EXPECT_EQ(0, GetActiveProjectType()) << "no value";
  SetActiveProjectType(1);
  EXPECT_EQ(1, GetActiveProjectType());
  EXPECT_EQ(L'<', GetActiveFolderTokenDialect().Opening());
  SetActiveProjectType(0);
  EXPECT_EQ(0, GetActiveProjectType());
  EXPECT_EQ(L'[', GetActiveFolderTokenDialect().Opening());
}

TEST_F(ActiveProjectTypeTest, InstallerPropertyNotation) {
  SetActiveProjectType(0);
  ExpectSplit(L"[SystemFolder]foo.dll", L"[SystemFolder]", L"foo.dll");
  ExpectSplit(L"[ProgramFilesFolder]Acme\\bin\\viewer.exe", L"[ProgramFilesFolder]Acme\\bin",
              L"viewer.exe");
  ExpectSplit(L"dir\\[X]f", L"dir", L"[X]f");
  ExpectSplit(L"[ProgramFilesFolder]", L"[ProgramFilesFolder]", L"");
  ExpectSplit(L"[A]b\\c]d", L"[A]b", L"c]d");
  ExpectNotSplit(L"foo]bar[");
  ExpectNotSplit(L"<WINSYSDIR>\\foo.dll");
  ExpectNotSplit(L"foo.dll");
  ExpectNotSplit(L"foo]");
  ExpectNotSplit(L"");
}

TEST_F(ActiveProjectTypeTest, ScriptNotation) {
  SetActiveProjectType(1);
  ExpectSplit(L"<WINSYSDIR>\\sub\\foo.dll", L"<WINSYSDIR>\\sub", L"foo.dll");
  ExpectSplit(L"<WINSYSDIR>foo.dll", L"<WINSYSDIR>", L"foo.dll");
  ExpectSplit(L"dir\\<X>f", L"dir", L"<X>f");
  ExpectSplit(L"<WINDIR>", L"<WINDIR>", L"");
  ExpectNotSplit(L"[SystemFolder]foo.dll");
  ExpectNotSplit(L"foo>bar<");
  ExpectNotSplit(L"foo]bar[");
}

TEST_F(ActiveProjectTypeTest, TypesOutsideZeroAndOneUseTheInstallerPropertyNotation) {
  for (const DWORD type : {2u, 9u, 10u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
    SetActiveProjectType(type);
    EXPECT_EQ(static_cast<long>(type), GetActiveProjectType());
    EXPECT_EQ(L'[', GetActiveFolderTokenDialect().Opening()) << "type " << type;
    EXPECT_EQ(L']', GetActiveFolderTokenDialect().Closing()) << "type " << type;
    ExpectSplit(L"[SystemFolder]foo.dll", L"[SystemFolder]", L"foo.dll");
    ExpectNotSplit(L"<WINSYSDIR>\\foo.dll");
    ExpectNotSplit(L"foo]bar[");
  }
}

TEST_F(ActiveProjectTypeTest, NotationFollowsTheHostBetweenCalls) {
  SetActiveProjectType(1);
  ExpectNotSplit(L"[SystemFolder]foo.dll");
  SetActiveProjectType(0);
  ExpectSplit(L"[SystemFolder]foo.dll", L"[SystemFolder]", L"foo.dll");
}

TEST(FolderTokenDialectList, InstallerPropertyNotationFirst) {
  const auto& dialects = FolderTokenDialects();
  ASSERT_EQ(2u, dialects.size());
  EXPECT_EQ(L'[', dialects[0].Opening());
  EXPECT_EQ(L']', dialects[0].Closing());
  EXPECT_EQ(L'<', dialects[1].Opening());
  EXPECT_EQ(L'>', dialects[1].Closing());
}

}  // namespace
