// The lookup files are read once per process: two catalogs' initialisations, one after the
// other, read each file exactly once.  A program of its own, as the flag is never cleared.
#include "gallery/gallery_test_support.h"

#include "catalog/lookup_tables.h"
#include "common/com_ref.h"
#include "server/companion_loader.h"

namespace {

class LookupOnceTest : public GalleryTest {};

// What a catalog's initialisation does with its own application-services object.
void InitialiseLikeACatalog() {
  ComRef<IAppFolders> folders;
  ThrowIfFailed(CreateAppFolders(folders));
  LoadLookupFilesOnce(folders.Get());
}

TEST_F(LookupOnceTest, TwoInitialisationsReadEachLookupFileOnce) {
  WriteFile(L"names\\modules.ini", "[modules]\r\nModA:1033=Mod A\r\n");
  WriteFile(L"files\\FilesToModules.ini", "[FilesToModules]\r\nVIEWER.DLL=0:ModA\r\n");
  SetText(L"ModulesIniFolder", Root() + L"\\names");
  SetText(L"FilesIniFolder", Root() + L"\\files");
  ASSERT_FALSE(LookupFilesLoaded());

  InitialiseLikeACatalog();
  EXPECT_TRUE(LookupFilesLoaded());
  EXPECT_EQ(2u, ProfileOpenCount());
  ASSERT_EQ(1u, FileModules().size());
  EXPECT_EQ(WideString(L"viewer.dll"), FileModules().begin()->first);

  // The second catalog sees the tables as the first left them: a changed file is not read,
  // and the folders are not even asked for.
  WriteFile(L"names\\modules.ini", "[modules]\r\nModA:1033=Renamed\r\nModB:0=Mod B\r\n");
  SetText(L"FailOperation", L"GetModulesIniFolder,GetFilesIniFolder");
  EXPECT_NO_THROW(InitialiseLikeACatalog());
  EXPECT_EQ(2u, ProfileOpenCount());
  WideString name;
  EXPECT_TRUE(LookupDisplayName(L"ModA:1033", name));
  EXPECT_EQ(WideString(L"Mod A"), name);
  EXPECT_FALSE(LookupDisplayName(L"ModB:0", name));
}

}  // namespace
