// The lookup files are read once per process, and the flag is set before reading and never
// cleared: a failed load is not repeated.  (That a second catalog reads nothing again is the
// catalog client test's.)
#include "catalog/lookup_tables.h"
#include "common/com_ref.h"
#include "environment/companion_loader.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace {

TEST(LookupOnce, AFailedLoadIsNotRepeated) {
  const StandInState state(L"gallery-once");
  const ScratchFolder files(L"qv-gallery-once");
  files.WriteFile(L"modules.ini", "[modules]\r\nModA:1033=Mod A\r\n");
  files.WriteFile(L"FilesToModules.ini", "[FilesToModules]\r\nVIEWER.DLL=0:ModA\r\n");
  state.SetText(L"ModulesIniFolder", files.Path());
  state.SetText(L"FilesIniFolder", files.Path());
  // What a catalog's initialisation does with its own application-services object.
  const auto initialiseLikeACatalog = [] {
    ComRef<IAppFolders> folders;
    ThrowIfFailed(CreateAppFolders(folders));
    LoadLookupFilesOnce(folders.Get());
  };
  state.SetText(L"ProfileFailOperation", L"Sections");
  state.SetNumber(L"ProfileFailHResult", 0x80041237);
  EXPECT_EQ(static_cast<HRESULT>(0x80041237), RaisedCode(initialiseLikeACatalog));
  EXPECT_EQ(1u, state.Number(L"ProfileOpenCount")) << "FilesToModules.ini was not read";

  state.Remove(L"ProfileFailOperation");
  EXPECT_NO_THROW(initialiseLikeACatalog());
  EXPECT_EQ(1u, state.Number(L"ProfileOpenCount")) << "nothing was read again";
}

}  // namespace
