#include "loader_sandbox.h"

#include "server/companion_loader.h"

#include <gtest/gtest.h>

namespace {

TEST(CommonFilesFolder, AlwaysEndsWithOneBackslash) {
  CommonFilesDirOverride restore;
  restore.Set("C:\\Shared Files");
  EXPECT_STREQ(L"C:\\Shared Files\\", GetCommonFilesFolder().c_str());
  restore.Set("C:\\Shared Files\\");
  EXPECT_STREQ(L"C:\\Shared Files\\", GetCommonFilesFolder().c_str());
  restore.Set("C:\\Gemeinsame Dateien \xE9");  // ANSI text in the system code page
  EXPECT_STREQ(L"C:\\Gemeinsame Dateien \u00E9\\", GetCommonFilesFolder().c_str());
}

TEST(CommonFilesFolder, MissingValueGivesALoneBackslash) {
  CommonFilesDirOverride restore;
  restore.Remove();
  EXPECT_STREQ(L"\\", GetCommonFilesFolder().c_str());
}

}  // namespace
