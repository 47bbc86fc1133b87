// The Directory table walk on generated packages: where each key's chain ends, how levels are
// named and joined, and how keys that cannot be resolved are answered.
#include "common/com_exception.h"
#include "folders/directory_table.h"
#include "folders/folder_fixtures.h"
#include "installer/msi_check.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kSuffix36 = "6C3D2E1F_0A1B_4C5D_8E9F_102132435465";

::testing::AssertionResult Resolves(const OpenedPackage& package, const std::string& key,
                                    const std::string& expected) {
  std::string path = "left over";
  const UINT code = BuildDirectoryPath(package.Handle(), key, path);
  if (code != ERROR_SUCCESS) {
    return ::testing::AssertionFailure() << key << ": code " << code << ", expected " << expected;
  }
  if (path != expected) {
    return ::testing::AssertionFailure() << key << ": \"" << path << "\", expected \"" << expected
                                         << "\"";
  }
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult FailsWith(const OpenedPackage& package, const std::string& key,
                                     UINT expectedCode) {
  std::string path = "left over";
  const UINT code = BuildDirectoryPath(package.Handle(), key, path);
  if (code != expectedCode) {
    return ::testing::AssertionFailure() << key << ": code " << code << " (\"" << path
                                         << "\"), expected " << expectedCode;
  }
  if (!path.empty()) return ::testing::AssertionFailure() << key << ": path not emptied";
  return ::testing::AssertionSuccess();
}

class DirectoryWalk : public ::testing::Test {
 protected:
  OpenedPackage walks_{"walks"};
};

TEST_F(DirectoryWalk, ChainEndsAtTheFirstSystemFolderJoinedWithoutSeparator) {
  EXPECT_TRUE(Resolves(walks_, "App", "[ProgramFilesFolder]App"));
  EXPECT_TRUE(Resolves(walks_, "bin", "[ProgramFilesFolder]App\\bin"));
  EXPECT_TRUE(Resolves(walks_, "Drivers." + kSuffix36, "[SystemFolder]drivers"));
}

TEST_F(DirectoryWalk, SystemFolderKeyIsJustItsBracketedName) {
  EXPECT_TRUE(Resolves(walks_, "ProgramFilesFolder", "[ProgramFilesFolder]"));
  EXPECT_TRUE(Resolves(walks_, "SystemFolder", "[SystemFolder]"));
  EXPECT_TRUE(Resolves(walks_, "commonfilesfolder", "[commonfilesfolder]")) << "any case";
  EXPECT_TRUE(Resolves(walks_, "SystemFolder." + kSuffix36, "[SystemFolder]"))
      << "tested and written without its module suffix";
}

TEST_F(DirectoryWalk, SixtyFourBitFoldersAreOrdinaryLevels) {
  EXPECT_TRUE(Resolves(walks_, "ProgramFiles64Folder", "PFiles64"));
  EXPECT_TRUE(Resolves(walks_, "X64Child", "PFiles64\\Child"));
}

TEST_F(DirectoryWalk, DefaultDirGivesTheLongNameOfItsTargetPart) {
  EXPECT_TRUE(Resolves(walks_, "Docs", "[ProgramFilesFolder]App\\Documentation"));
  EXPECT_TRUE(Resolves(walks_, "ShortLong", "[ProgramFilesFolder]App\\Short and Long"));
  EXPECT_TRUE(Resolves(walks_, "SourceForm", "[ProgramFilesFolder]App\\Plain"));
  EXPECT_TRUE(Resolves(walks_, "Donnees", "[ProgramFilesFolder]App\\Donn\xE9" "es"))
      << "ANSI text of the code page";
}

TEST_F(DirectoryWalk, SourceRootWithoutPropertyAddsNoName) {
  EXPECT_TRUE(Resolves(walks_, "TARGETDIR", ""));
  EXPECT_TRUE(Resolves(walks_, "SrcRoot", "")) << "SOURCEDIR in capitals";
  EXPECT_TRUE(Resolves(walks_, "SrcChild", "Child"));
  EXPECT_TRUE(Resolves(walks_, "LowerSrc", "")) << "short|long form, lower case";
  EXPECT_TRUE(Resolves(walks_, "LowerSrcChild", "Inner"));
}

TEST_F(DirectoryWalk, SourceRootWithPropertyPutsItsValueInFront) {
  EXPECT_TRUE(Resolves(walks_, "PropSrc", "F:\\Src"));
  EXPECT_TRUE(Resolves(walks_, "PropSrcChild", "F:\\Src\\kid"));
}

TEST_F(DirectoryWalk, DotDirectoryUnderTargetdirReplacesThePathWithItsKey) {
  EXPECT_TRUE(Resolves(walks_, "ModDir." + kSuffix36, "ModDir"));
  EXPECT_TRUE(Resolves(walks_, "ModSub", "ModDir")) << "what deeper levels built is dropped";
  EXPECT_TRUE(Resolves(walks_, "ModSubSub", "ModDir"));
  EXPECT_TRUE(Resolves(walks_, "CaseTarget", "CaseTarget")) << "parent TargetDir, any case";
}

TEST_F(DirectoryWalk, DotDirectoryUnderTargetdirTakesThePropertyOfItsKey) {
  EXPECT_TRUE(Resolves(walks_, "PropMod", "C:\\Prop Mod"));
  EXPECT_TRUE(Resolves(walks_, "PropMod36." + kSuffix36, "E:\\Suffix"))
      << "the property is named by the key without suffix";
  EXPECT_TRUE(Resolves(walks_, "LongPropMod", "LongPropMod"))
      << "a 300-character value cannot be read: the key itself";
  const std::string key230(230, 'L');
  EXPECT_TRUE(Resolves(walks_, key230, key230))
      << "a property name too long for the query is not found, though the row exists";
}

TEST_F(DirectoryWalk, ModuleSuffixIsExactlyThirtySixCharacters) {
  const std::string key35 = "Mod35." + kSuffix36.substr(0, 35);
  const std::string key37 = "Mod37." + kSuffix36 + "7";
  EXPECT_TRUE(Resolves(walks_, key35, key35));
  EXPECT_TRUE(Resolves(walks_, key37, key37));
  EXPECT_TRUE(Resolves(walks_, "Bin36." + kSuffix36, "[ProgramFilesFolder]App\\bin36"));
}

TEST_F(DirectoryWalk, DotDirectoryElsewhereAddsNothing) {
  EXPECT_TRUE(Resolves(walks_, "Dot", "[ProgramFilesFolder]App"));
  EXPECT_TRUE(Resolves(walks_, "DotChild", "[ProgramFilesFolder]App\\child"));
  EXPECT_TRUE(Resolves(walks_, "DotDot", "[ProgramFilesFolder]App"));
  EXPECT_TRUE(Resolves(walks_, "HiddenName", "[ProgramFilesFolder]App"))
      << "any name beginning with a dot";
}

TEST_F(DirectoryWalk, MissingRowsEndTheWalkWithAFailureCode) {
  EXPECT_TRUE(FailsWith(walks_, "NotInTable", kDirectoryRowMissing));
  EXPECT_TRUE(FailsWith(walks_, "Orphan", kDirectoryRowMissing)) << "parent NoSuchDir";
  EXPECT_TRUE(FailsWith(walks_, "OtherRoot", kDirectoryRowMissing)) << "root, not the source";
  EXPECT_TRUE(FailsWith(walks_, "OtherChild", kDirectoryRowMissing));
  EXPECT_TRUE(FailsWith(walks_, "app", kDirectoryRowMissing)) << "keys match exactly";
}

TEST_F(DirectoryWalk, CyclesOfParentsEndTheWalk) {
  EXPECT_TRUE(FailsWith(walks_, "LoopA", kDirectoryChainCycle));
  EXPECT_TRUE(FailsWith(walks_, "LoopB", kDirectoryChainCycle));
  EXPECT_TRUE(FailsWith(walks_, "SelfRoot", kDirectoryChainCycle));
}

TEST_F(DirectoryWalk, FieldsLongerThan259CharactersGiveMoreData) {
  EXPECT_TRUE(FailsWith(walks_, "LongDefault", ERROR_MORE_DATA));
  EXPECT_TRUE(FailsWith(walks_, "UnderLong", ERROR_MORE_DATA)) << "the long level is a parent";
  EXPECT_TRUE(FailsWith(walks_, "LongParent", ERROR_MORE_DATA)) << "a 300-character parent key";
}

TEST(DirectoryWalkProperties, TargetdirPropertyIsPutInFrontOfEveryRootedPath) {
  const OpenedPackage package("target_property");
  EXPECT_TRUE(Resolves(package, "TARGETDIR", "D:\\Target"));
  EXPECT_TRUE(Resolves(package, "Data", "D:\\Target\\Data"));
  EXPECT_TRUE(Resolves(package, "Nested", "D:\\Target\\Data\\nested"));
  EXPECT_TRUE(Resolves(package, "ModDir", "ModDir"));
  EXPECT_TRUE(Resolves(package, "Prog", "[ProgramFilesFolder]Prog"));
}

TEST(DirectoryWalkProperties, PackageWithoutPropertyTableResolvesWithoutProperties) {
  const OpenedPackage package("no_property_table");
  EXPECT_TRUE(Resolves(package, "TARGETDIR", ""));
  EXPECT_TRUE(Resolves(package, "Data", "Data"));
  EXPECT_TRUE(Resolves(package, "ModChild", "ModDir"));
}

TEST(DirectoryWalkProperties, SuffixedSystemFolderWithoutPlainRowIsAnOrdinaryLevel) {
  const OpenedPackage package("modularized");
  EXPECT_TRUE(Resolves(package, "SystemFolder.9F605142_3D4E_4F50_B1C2_435465768798", "System"));
  EXPECT_TRUE(Resolves(package, "Bin.9F605142_3D4E_4F50_B1C2_435465768798", "System\\bin"));
  EXPECT_TRUE(Resolves(package, "Manifests.9F605142_3D4E_4F50_B1C2_435465768798",
                       "[WindowsFolder]WinSxS\\Manifests"));
}

// The code the installer gives for the system folder query of a key, made the same way.
UINT ParentQueryCode(MSIHANDLE database, const std::string& key) {
  const std::string query =
      "SELECT `Directory_Parent` FROM `Directory` WHERE `Directory` = '" + key + "'";
  MsiHandle view;
  return Msi().DatabaseOpenViewA(database, query.c_str(), view.Put());
}

TEST(DirectoryWalkQueries, ApostropheInAKeyIsRefusedByTheInstaller) {
  const OpenedPackage package("apostrophe");
  const UINT refused = ParentQueryCode(package.Handle(), "It's");
  ASSERT_NE(0u, refused) << "the installer accepts an undoubled apostrophe";
  for (const char* key : {"It's", "Below"}) {
    std::string path;
    try {
      BuildDirectoryPath(package.Handle(), key, path);
      ADD_FAILURE() << key << ": no exception, path \"" << path << "\"";
    } catch (const com_exception& error) {
      EXPECT_EQ(HresultFromWin32Code(refused), error.Code()) << key;
      const std::string text = error.Description();
      const std::string callName = "MsiOpenDatabaseView()";
      ASSERT_GE(text.size(), callName.size());
      EXPECT_EQ(callName, text.substr(text.size() - callName.size())) << text;
    }
  }
  EXPECT_TRUE(Resolves(package, "Plain", "Plain")) << "the database stays usable";
}

TEST(DirectoryWalkQueries, IsSystemFolderDirectoryNeedsARowAndAName) {
  const OpenedPackage walks("walks");
  EXPECT_TRUE(IsSystemFolderDirectory(walks.Handle(), "ProgramFilesFolder"));
  EXPECT_TRUE(IsSystemFolderDirectory(walks.Handle(), "commonfilesfolder"));
  EXPECT_FALSE(IsSystemFolderDirectory(walks.Handle(), "ProgramFiles64Folder"));
  EXPECT_FALSE(IsSystemFolderDirectory(walks.Handle(), "App"));
  EXPECT_FALSE(IsSystemFolderDirectory(walks.Handle(), "FontsFolder")) << "no row";
  EXPECT_FALSE(IsSystemFolderDirectory(walks.Handle(), "CommonFilesFolder")) << "no such row";
  const OpenedPackage modularized("modularized");
  EXPECT_FALSE(IsSystemFolderDirectory(modularized.Handle(), "SystemFolder"));
}

TEST(DirectoryWalkQueries, PropertyValuesAreReadWhenTheyFit) {
  const OpenedPackage walks("walks");
  std::string value = "untouched";
  EXPECT_TRUE(GetPropertyValue(walks.Handle(), "PropMod", value));
  EXPECT_EQ("C:\\Prop Mod", value);
  value = "untouched";
  EXPECT_FALSE(GetPropertyValue(walks.Handle(), "propmod", value)) << "names match exactly";
  EXPECT_FALSE(GetPropertyValue(walks.Handle(), "LongPropMod", value)) << "300 characters";
  EXPECT_EQ("untouched", value);
}

TEST(DirectoryWalkQueries, PropertyNamesFitTheQueryUpTo213Characters) {
  const OpenedPackage walks("walks");
  std::string value;
  EXPECT_TRUE(GetPropertyValue(walks.Handle(), std::string(213, 'N'), value));
  EXPECT_EQ("H:\\fits", value);
  value = "untouched";
  EXPECT_FALSE(GetPropertyValue(walks.Handle(), std::string(214, 'N'), value));
  EXPECT_FALSE(GetPropertyValue(walks.Handle(), std::string(5000, 'N'), value));
  EXPECT_EQ("untouched", value);
}

TEST(DirectoryWalkQueries, TemporaryPropertyTableCounts) {
  const OpenedPackage package("no_property_table");
  std::string value;
  EXPECT_FALSE(GetPropertyValue(package.Handle(), "TARGETDIR", value));
  MsiHandle view;
  OpenViewAndExecute(view, package.Handle(),
                     "CREATE TABLE `Property` (`Property` CHAR(72) NOT NULL TEMPORARY, `Value` "
                     "LONGCHAR NOT NULL TEMPORARY PRIMARY KEY `Property`) HOLD");
  ASSERT_EQ(MSICONDITION_FALSE, Msi().DatabaseIsTablePersistentA(package.Handle(), "Property"));
  OpenViewAndExecute(view, package.Handle(),
                     "INSERT INTO `Property` (`Property`, `Value`) VALUES ('TARGETDIR', "
                     "'T:\\Temp') TEMPORARY");
  view.Reset();
  EXPECT_TRUE(GetPropertyValue(package.Handle(), "TARGETDIR", value));
  EXPECT_EQ("T:\\Temp", value);
  EXPECT_TRUE(Resolves(package, "Data", "T:\\Temp\\Data"));
}

}  // namespace
