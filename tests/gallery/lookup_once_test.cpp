// The lookup files are read once per process, and the flag is set before reading and never
// cleared: ctest runs each test of this program in a process of its own (GTEST_FILTER).
#include "catalog/lookup_tables.h"
#include "common/com_ref.h"
#include "environment/companion_loader.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace {

class LookupOnce : public ::testing::Test {
 protected:
  LookupOnce() {
    files_.WriteFile(L"modules.ini", "[modules]\r\nModA:1033=Mod A\r\n");
    files_.WriteFile(L"FilesToModules.ini", "[FilesToModules]\r\nVIEWER.DLL=0:ModA\r\n");
    state_.SetText(L"ModulesIniFolder", files_.Path());
    state_.SetText(L"FilesIniFolder", files_.Path());
  }
  // What a catalog's initialisation does with its own application-services object.
  static void InitialiseLikeACatalog() {
    ComRef<IAppFolders> folders;
    ThrowIfFailed(CreateAppFolders(folders));
    LoadLookupFilesOnce(folders.Get());
  }
  const StandInState state_{L"gallery-once"};
  const ScratchFolder files_{L"qv-gallery-once"};
};

TEST_F(LookupOnce, TwoInitialisationsReadEachFileOnce) {
  InitialiseLikeACatalog();
  EXPECT_EQ(2u, state_.Number(L"ProfileOpenCount"));
  EXPECT_EQ(1u, FileModules().count(L"viewer.dll"));

  // The second catalog neither reads the changed file nor asks for the folders.
  files_.WriteFile(L"modules.ini", "[modules]\r\nModA:1033=Renamed\r\n");
  state_.SetText(L"FailOperation", L"GetModulesIniFolder,GetFilesIniFolder");
  EXPECT_NO_THROW(InitialiseLikeACatalog());
  EXPECT_EQ(2u, state_.Number(L"ProfileOpenCount"));
  EXPECT_EQ(WideString(L"Mod A"), ModuleNames().at(L"ModA:1033"));
}

TEST_F(LookupOnce, AFailedLoadIsNotRepeated) {
  state_.SetText(L"ProfileFailOperation", L"Sections");
  state_.SetNumber(L"ProfileFailHResult", 0x80041237);
  EXPECT_EQ(static_cast<HRESULT>(0x80041237), RaisedCode(InitialiseLikeACatalog));
  EXPECT_EQ(1u, state_.Number(L"ProfileOpenCount")) << "FilesToModules.ini was not read";

  state_.Remove(L"ProfileFailOperation");
  EXPECT_NO_THROW(InitialiseLikeACatalog());
  EXPECT_EQ(1u, state_.Number(L"ProfileOpenCount"));
  EXPECT_TRUE(ModuleNames().empty() && FileModules().empty());
}

}  // namespace
