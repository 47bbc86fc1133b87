// A failure while the lookup files are read is not retried: the flag is set before reading,
// so a later catalog's initialisation reads neither file.  A program of its own, as the flag
// is never cleared.
#include "gallery/gallery_test_support.h"

#include "catalog/lookup_tables.h"
#include "common/com_ref.h"
#include "server/companion_loader.h"

namespace {

class LookupOnceFailureTest : public GalleryTest {};

void InitialiseLikeACatalog() {
  ComRef<IAppFolders> folders;
  ThrowIfFailed(CreateAppFolders(folders));
  LoadLookupFilesOnce(folders.Get());
}

TEST_F(LookupOnceFailureTest, AFailedLoadIsNotRepeated) {
  WriteFile(L"names\\modules.ini", "[modules]\r\nModA:1033=Mod A\r\n");
  WriteFile(L"files\\FilesToModules.ini", "[FilesToModules]\r\nVIEWER.DLL=0:ModA\r\n");
  SetText(L"ModulesIniFolder", Root() + L"\\names");
  SetText(L"FilesIniFolder", Root() + L"\\files");
  SetText(L"ProfileFailOperation", L"Sections");
  SetNumber(L"ProfileFailHResult", 0x80041237);

  EXPECT_EQ(static_cast<HRESULT>(0x80041237), RaisedCode(InitialiseLikeACatalog));
  EXPECT_TRUE(LookupFilesLoaded()) << "set before reading";
  EXPECT_EQ(1u, ProfileOpenCount()) << "FilesToModules.ini is not read after modules.ini failed";

  RemoveValue(L"ProfileFailOperation");
  EXPECT_NO_THROW(InitialiseLikeACatalog());
  EXPECT_EQ(1u, ProfileOpenCount());
  EXPECT_TRUE(ModuleNames().empty());
  EXPECT_TRUE(FileModules().empty());
}

}  // namespace
