// Two catalogs of one process read the lookup files once: the second one's initialisation does
// not even ask for their folders.  A program of its own, as the flag is never cleared.
#include "catalog/catalog_test_support.h"

#include "catalog/lookup_tables.h"

namespace {

class CatalogLookupOnceTest : public CatalogTest {};

TEST_F(CatalogLookupOnceTest, TheFirstCatalogReadsTheLookupFilesAndTheSecondDoesNot) {
  WriteFile(L"names\\modules.ini", "[modules]\r\nQv.Alpha:1033=Alpha from the list\r\n");
  WriteFile(L"files\\FilesToModules.ini", "[FilesToModules]\r\nALPHA.DLL=0:Qv.Alpha:1033\r\n");
  SetText(L"ModulesIniFolder", PathOf(L"names"));
  SetText(L"FilesIniFolder", PathOf(L"files\\"));
  MakeFolder(L"mods");
  BuildModule(L"mods\\alpha.msm", "Qv.Alpha", 1033, "Alpha");
  SetText(L"SearchPathList", PathOf(L"mods"));
  ASSERT_FALSE(LookupFilesLoaded());

  const ComRef<IMMCatalog> first = NewCatalog();
  ASSERT_TRUE(first);
  EXPECT_TRUE(LookupFilesLoaded());
  EXPECT_EQ(2u, ProfileOpenCount());
  EXPECT_EQ(1u, FileModules().count(L"alpha.dll"));
  const ComRef<IMergeModule2> alpha = ModuleByKey(first.Get(), L"Qv.Alpha:1033");
  ASSERT_TRUE(alpha);
  EXPECT_EQ(L"Alpha from the list", TextOf(alpha.Get(), &IMergeModule2::get_DisplayName))
      << "the names are read before the first refresh";

  SetText(L"FailOperation", L"GetModulesIniFolder,GetFilesIniFolder");
  const ComRef<IMMCatalog> second = NewCatalog();
  EXPECT_TRUE(second);
  EXPECT_EQ(2u, ProfileOpenCount());
}

}  // namespace
