#include "folders/directory_names.h"

#include <gtest/gtest.h>

namespace {

TEST(SystemFolderNames, MembershipIgnoresCase) {
  EXPECT_TRUE(IsSystemFolderName("ProgramFilesFolder"));
  EXPECT_TRUE(IsSystemFolderName("systemfolder"));
  EXPECT_TRUE(IsSystemFolderName("WINDOWSVOLUME"));
  EXPECT_TRUE(IsSystemFolderName("System16Folder"));
}

TEST(SystemFolderNames, SixtyFourBitAndOtherFoldersAreNotMembers) {
  EXPECT_FALSE(IsSystemFolderName("ProgramFiles64Folder"));
  EXPECT_FALSE(IsSystemFolderName("System64Folder"));
  EXPECT_FALSE(IsSystemFolderName("CommonFiles64Folder"));
  EXPECT_FALSE(IsSystemFolderName("TARGETDIR"));
  EXPECT_FALSE(IsSystemFolderName("SystemFolder.6C3D2E1F_0A1B_4C5D_8E9F_102132435465"));
  EXPECT_FALSE(IsSystemFolderName(""));
}

TEST(ModuleSuffix, ExactlyThirtySixCharactersAfterTheLastDotAreRemoved) {
  const std::string id36 = "6C3D2E1F_0A1B_4C5D_8E9F_102132435465";
  ASSERT_EQ(36u, id36.size());
  EXPECT_EQ("AcmeDir", RemoveModuleSuffix("AcmeDir." + id36));
  EXPECT_EQ("a.b", RemoveModuleSuffix("a.b." + id36));
  EXPECT_EQ("AcmeDir." + id36.substr(1), RemoveModuleSuffix("AcmeDir." + id36.substr(1)));
  EXPECT_EQ("AcmeDir." + id36 + "X", RemoveModuleSuffix("AcmeDir." + id36 + "X"));
  EXPECT_EQ("NoDot", RemoveModuleSuffix("NoDot"));
  EXPECT_EQ("", RemoveModuleSuffix("." + id36));
}

TEST(SplitDefaultDir, TakesTheLongNameOfTheTargetPart) {
  EXPECT_EQ("Program Files", SplitDefaultDir("PROGRA~1|Program Files:SRC"));
  EXPECT_EQ("Program Files", SplitDefaultDir("PROGRA~1|Program Files"));
  EXPECT_EQ("bin", SplitDefaultDir("bin:src|source"));
  EXPECT_EQ("plain", SplitDefaultDir("plain"));
  EXPECT_EQ(".", SplitDefaultDir("."));
  EXPECT_EQ("", SplitDefaultDir(""));
  EXPECT_EQ("ole db", SplitDefaultDir("ole_db|ole db:ole_db|ole db"));
}

}  // namespace
