// The catalog's refresh on generated packages: folder lists, order and duplicate keys, last-write
// times, packages the installer refuses, gallery descriptors, dirty marking between catalogs and
// the lifetime of the shared store.
#include "catalog/catalog_test_support.h"

#include "catalog/folder_store.h"
#include "installer/installer_automation.h"

namespace {

using Keys = std::vector<std::wstring>;

const char kAlpha[] = "Qv.Alpha.0001";
const char kBeta[] = "Qv.Beta.0002";
const char kShared[] = "Qv.Shared.0003";

class CatalogRefreshTest : public CatalogTest {
 protected:
  ModuleFolder& StoreFolder(const WideString& path) {
    const auto found = ModuleFolderStore().find(path);
    EXPECT_NE(found, ModuleFolderStore().end()) << "the store lacks " << path.Ansi();
    static ModuleFolder none;
    return found == ModuleFolderStore().end() ? none : *found->second;
  }
};

TEST_F(CatalogRefreshTest, ModulesOfTwoFoldersFollowFolderThenPackagePathOrder) {
  const WideString first = MakeFolder(L"a");
  const WideString second = MakeFolder(L"b");
  BuildModule(L"b\\1.msm", kBeta, 0, "Beta");
  BuildModule(L"a\\2.msm", kAlpha, 1033, "Alpha");
  BuildModule(L"a\\1.msm", "Qv.Zeta", 7, "Zeta");
  // The list order does not matter: the store is ordered by path.
  SetText(L"SearchPathList", second + L"," + first);

  const ComRef<IMMCatalog> catalog = NewCatalog();
  EXPECT_EQ((Keys{L"Qv.Zeta:7", L"Qv.Alpha.0001:1033", L"Qv.Beta.0002:0"}),
            ModuleKeys(catalog.Get()));
  EXPECT_FALSE(Implementation(catalog).IsDirty());
}

TEST_F(CatalogRefreshTest, ASharedKeyGoesToThePackageMetLastAtThePositionOfTheFirst) {
  MakeFolder(L"a");
  MakeFolder(L"b");
  BuildModule(L"a\\shared.msm", kShared, 0, "first folder");
  BuildModule(L"a\\zeta.msm", "Qv.Zeta", 0, "Zeta");
  BuildModule(L"b\\alpha.msm", kAlpha, 1033, "Alpha");
  const WideString winner = BuildModule(L"b\\shared.msm", kShared, 0, "second folder");
  SetText(L"SearchPathList", PathOf(L"a") + L"," + PathOf(L"b"));

  const ComRef<IMMCatalog> catalog = NewCatalog();
  EXPECT_EQ((Keys{L"Qv.Shared.0003:0", L"Qv.Zeta:0", L"Qv.Alpha.0001:1033"}),
            ModuleKeys(catalog.Get()));
  const ComRef<IMergeModule2> shared = ModuleByKey(catalog.Get(), L"Qv.Shared.0003:0");
  ASSERT_TRUE(shared);
  EXPECT_EQ(std::wstring(winner.c_str()), TextOf(shared.Get(), &IMergeModule2::get_Path));
  EXPECT_EQ(L"second folder", TextOf(shared.Get(), &IMergeModule2::get_Subject));
}

TEST_F(CatalogRefreshTest, ListEntriesAreExpandedTestedAndKeptWithTheirBackslash) {
  MakeFolder(L"Mods");
  MakeFolder(L"extra");
  BuildModule(L"Mods\\alpha.msm", kAlpha, 1033, "Alpha");
  ASSERT_TRUE(SetEnvironmentVariableW(L"QV_CATALOG_ROOT", Root().c_str()));
  SetText(L"SearchPathList", L",%QV_CATALOG_ROOT%\\Mods\\,,C:\\no such folder");
  SetText(L"ExtraSearchPathList", PathOf(L"extra"));

  const ComRef<IMMCatalog> catalog = NewCatalog();
  ASSERT_EQ(2u, ModuleFolderStore().size());
  const WideString expanded = PathOf(L"Mods\\");
  EXPECT_EQ(FolderKind::SearchPath, StoreFolder(expanded).Kind);
  EXPECT_EQ(expanded, StoreFolder(expanded).Name);
  EXPECT_EQ(1u, StoreFolder(expanded).Modules.count(expanded + L"alpha.msm"))
      << "no second backslash between folder and package";
  EXPECT_EQ(1u, ModuleFolderStore().count(PathOf(L"extra")));

  // The next refresh compares the expanded text: the folder is neither retired nor re-added.
  FolderSources sources;
  EXPECT_FALSE(RefreshFolderStore(sources));
  EXPECT_TRUE(RetiredFolderStore().empty());
}

TEST_F(CatalogRefreshTest, SplitFolderListDropsEmptyPiecesAndEntriesNamingNoFolder) {
  MakeFolder(L"one");
  const WideString list = L"," + PathOf(L"one") + L",," + PathOf(L"missing") + L", " +
                          PathOf(L"one") + L"," + PathOf(L"one") + L"\\";
  const std::vector<WideString> entries = SplitFolderList(list);
  // Pieces are not trimmed: " <root>\one" names no folder.
  EXPECT_EQ((std::vector<WideString>{PathOf(L"one"), PathOf(L"one\\")}), entries);

  WideString entry = L"%QV_CATALOG_NO_SUCH_VARIABLE%";
  EXPECT_FALSE(ExpandFolderEntry(entry));
  EXPECT_EQ(WideString(L"%QV_CATALOG_NO_SUCH_VARIABLE%"), entry) << "left as it was";
}

TEST_F(CatalogRefreshTest, FoldersLeavingTheListAreRetiredAndKeptForTheirModules) {
  MakeFolder(L"a");
  MakeFolder(L"b");
  BuildModule(L"a\\alpha.msm", kAlpha, 1033, "Alpha");
  BuildModule(L"b\\beta.msm", kBeta, 0, "Beta");
  SetText(L"SearchPathList", PathOf(L"a") + L"," + PathOf(L"b"));
  const ComRef<IMMCatalog> catalog = NewCatalog();
  const ComRef<IMergeModule2> alpha = ModuleByKey(catalog.Get(), L"Qv.Alpha.0001:1033");
  ASSERT_TRUE(alpha);

  SetText(L"SearchPathList", PathOf(L"b"));
  EXPECT_EQ((Keys{L"Qv.Beta.0002:0"}), ModuleKeys(catalog.Get()));
  ASSERT_EQ(1u, RetiredFolderStore().count(PathOf(L"a")));
  EXPECT_EQ(1u, RetiredFolderStore().at(PathOf(L"a"))->Modules.size());
  EXPECT_EQ(L"Alpha", TextOf(alpha.Get(), &IMergeModule2::get_Subject));

  // Listed again: a new folder, scanned afresh; the retired one stays until replaced.
  SetText(L"SearchPathList", PathOf(L"a") + L"," + PathOf(L"b"));
  EXPECT_EQ((Keys{L"Qv.Alpha.0001:1033", L"Qv.Beta.0002:0"}), ModuleKeys(catalog.Get()));
  EXPECT_EQ(1u, RetiredFolderStore().size());
}

TEST_F(CatalogRefreshTest, ARewrittenPackageIsReadAgainAndItsOldRecordRetired) {
  MakeFolder(L"mods");
  const WideString package = BuildModule(L"mods\\m.msm", kAlpha, 1033, "first content");
  const FILETIME built = WriteTimeOf(package);
  SetText(L"SearchPathList", PathOf(L"mods"));
  const ComRef<IMMCatalog> catalog = NewCatalog();
  const ComRef<IMergeModule2> before = ModuleByKey(catalog.Get(), L"Qv.Alpha.0001:1033");
  ASSERT_TRUE(before);

  BuildModule(L"mods\\m.msm", kAlpha, 1033, "second content");
  SetWriteTime(package, built, 10);
  const unsigned long reads = PackageReadCount();
  const ComRef<IMergeModule2> after = ModuleByKey(catalog.Get(), L"Qv.Alpha.0001:1033");
  ASSERT_TRUE(after);
  EXPECT_EQ(reads + 1, PackageReadCount());
  EXPECT_EQ(L"second content", TextOf(after.Get(), &IMergeModule2::get_Subject));
  EXPECT_EQ(L"first content", TextOf(before.Get(), &IMergeModule2::get_Subject))
      << "the object handed out earlier keeps its record";

  ModuleFolder& folder = StoreFolder(PathOf(L"mods"));
  ASSERT_EQ(1u, folder.RetiredModules.count(package));
  EXPECT_EQ(WideString(L"first content"), folder.RetiredModules.at(package)->Subject());
  EXPECT_EQ(WideString(L"second content"), folder.Modules.at(package)->Subject());
  const FILETIME recorded = folder.Modules.at(package)->PackageTime();
  const FILETIME expected = WriteTimeOf(package);
  EXPECT_EQ(0, CompareFileTime(&expected, &recorded)) << "the record carries the file's time";
}

TEST_F(CatalogRefreshTest, APackageWhoseTimeMovesBackIsNotReadAgain) {
  MakeFolder(L"mods");
  const WideString package = BuildModule(L"mods\\m.msm", kAlpha, 1033, "first content");
  const FILETIME built = WriteTimeOf(package);
  SetText(L"SearchPathList", PathOf(L"mods"));
  const ComRef<IMMCatalog> catalog = NewCatalog();

  BuildModule(L"mods\\m.msm", kAlpha, 1033, "second content");
  SetWriteTime(package, built, -3600);
  const unsigned long reads = PackageReadCount();
  const ComRef<IMergeModule2> module = ModuleByKey(catalog.Get(), L"Qv.Alpha.0001:1033");
  ASSERT_TRUE(module);
  EXPECT_EQ(L"first content", TextOf(module.Get(), &IMergeModule2::get_Subject));
  EXPECT_EQ(reads, PackageReadCount());
  EXPECT_TRUE(StoreFolder(PathOf(L"mods")).RetiredModules.empty());
}

TEST_F(CatalogRefreshTest, AFileTheInstallerCannotOpenAddsNothingAndIsTriedAgain) {
  MakeFolder(L"mods");
  BuildModule(L"mods\\alpha.msm", kAlpha, 1033, "Alpha");
  WriteFile(L"mods\\x.msm", "This text file carries a package's name.\r\n");
  MakeFolder(L"mods\\folder.msm");  // a folder matching the pattern is no package either
  SetText(L"SearchPathList", PathOf(L"mods"));

  const unsigned long reads = PackageReadCount();
  const ComRef<IMMCatalog> catalog = NewCatalog();
  // A folder is scanned as it joins the store and again with every folder of the refresh.
  EXPECT_EQ(reads + 3, PackageReadCount()) << "alpha.msm once, x.msm at both scans";
  EXPECT_EQ((Keys{L"Qv.Alpha.0001:1033"}), ModuleKeys(catalog.Get()));
  EXPECT_EQ(reads + 4, PackageReadCount()) << "x.msm is tried at every refresh";
  EXPECT_EQ(1u, StoreFolder(PathOf(L"mods")).Modules.size());
  EXPECT_FALSE(Implementation(catalog).IsDirty()) << "a refused file changes nothing";
}

TEST_F(CatalogRefreshTest, AutoRefreshOffFreezesTheCollection) {
  MakeFolder(L"mods");
  BuildModule(L"mods\\alpha.msm", kAlpha, 1033, "Alpha");
  SetText(L"SearchPathList", PathOf(L"mods"));
  const ComRef<IMMCatalog> catalog = NewCatalog();

  ASSERT_EQ(S_OK, catalog->put_AutoRefresh(VARIANT_FALSE));
  BuildModule(L"mods\\beta.msm", kBeta, 0, "Beta");
  const unsigned long reads = PackageReadCount();
  EXPECT_EQ((Keys{L"Qv.Alpha.0001:1033"}), ModuleKeys(catalog.Get()));
  EXPECT_EQ(reads, PackageReadCount()) << "nothing is scanned";

  ASSERT_EQ(S_OK, catalog->put_AutoRefresh(-1));
  EXPECT_EQ((Keys{L"Qv.Alpha.0001:1033", L"Qv.Beta.0002:0"}), ModuleKeys(catalog.Get()));
}

TEST_F(CatalogRefreshTest, ARefreshThatFindsAChangeMarksEveryLiveCatalogDirty) {
  MakeFolder(L"mods");
  BuildModule(L"mods\\alpha.msm", kAlpha, 1033, "Alpha");
  SetText(L"SearchPathList", PathOf(L"mods"));
  const ComRef<IMMCatalog> first = NewCatalog();
  const ComRef<IMMCatalog> second = NewCatalog();
  ASSERT_EQ(2u, MMCatalog::LiveCatalogs().size());
  EXPECT_FALSE(Implementation(second).IsDirty());

  BuildModule(L"mods\\beta.msm", kBeta, 0, "Beta");
  EXPECT_EQ((Keys{L"Qv.Alpha.0001:1033", L"Qv.Beta.0002:0"}), ModuleKeys(first.Get()));
  EXPECT_TRUE(Implementation(second).IsDirty());
  // The second catalog's own refresh finds nothing new, and rebuilds because it is dirty.
  const unsigned long reads = PackageReadCount();
  EXPECT_EQ((Keys{L"Qv.Alpha.0001:1033", L"Qv.Beta.0002:0"}), ModuleKeys(second.Get()));
  EXPECT_EQ(reads, PackageReadCount());
  EXPECT_FALSE(Implementation(second).IsDirty());
}

TEST_F(CatalogRefreshTest, AFolderAddedByGetModuleFoldersWaitsForTheNextRebuild) {
  MakeFolder(L"a");
  MakeFolder(L"b");
  BuildModule(L"a\\alpha.msm", kAlpha, 1033, "Alpha");
  BuildModule(L"b\\beta.msm", kBeta, 0, "Beta");
  SetText(L"SearchPathList", PathOf(L"a"));
  const ComRef<IMMCatalog> catalog = NewCatalog();

  SetText(L"SearchPathList", PathOf(L"a") + L"," + PathOf(L"b"));
  ComRef<IUnknown> folders;
  ASSERT_EQ(S_OK, catalog->GetModuleFolders(folders.Put()));
  EXPECT_EQ(1u, StoreFolder(PathOf(L"b")).Modules.size()) << "scanned as it joined";
  EXPECT_FALSE(Implementation(catalog).IsDirty());
  EXPECT_EQ((Keys{L"Qv.Alpha.0001:1033"}), ModuleKeys(catalog.Get()));

  // Any later change rebuilds the collection with every folder.
  BuildModule(L"a\\gamma.msm", "Qv.Gamma", 0, "Gamma");
  EXPECT_EQ((Keys{L"Qv.Alpha.0001:1033", L"Qv.Gamma:0", L"Qv.Beta.0002:0"}),
            ModuleKeys(catalog.Get()));
}

TEST_F(CatalogRefreshTest, IndexedFoldersAreSinglePackageEntries) {
  const WideString indexed = MakeFolder(L"indexed");
  const WideString both = MakeFolder(L"both");
  BuildModule(L"indexed\\alpha.msm", kAlpha, 1033, "Alpha");
  SetText(L"SearchPathList", both);
  SetText(L"ModuleFolder0", indexed);
  SetText(L"ModuleFolder1", PathOf(L"missing"));  // no folder: dropped
  SetText(L"ModuleFolder2", both);
  SetText(L"ModuleFolder4", indexed + L"\\alpha.msm");  // after the gap: never asked for

  const unsigned long reads = PackageReadCount();
  const ComRef<IMMCatalog> catalog = NewCatalog();
  ASSERT_EQ(2u, ModuleFolderStore().size());
  EXPECT_EQ(FolderKind::IndexedEntry, StoreFolder(indexed).Kind);
  EXPECT_EQ(FolderKind::SearchPath, StoreFolder(both).Kind) << "a path in both lists";
  // The indexed folder itself is the entry; the installer cannot open a folder as a package.
  EXPECT_TRUE(StoreFolder(indexed).Modules.empty());
  EXPECT_EQ(reads + 2, PackageReadCount()) << "tried as it joined and by the refresh";
  EXPECT_TRUE(ModuleKeys(catalog.Get()).empty());

  RemoveValue(L"ModuleFolder0");
  ModuleKeys(catalog.Get());
  EXPECT_EQ(1u, RetiredFolderStore().count(indexed));
  EXPECT_EQ(1u, ModuleFolderStore().size());
}

TEST_F(CatalogRefreshTest, GalleryModulesJoinAfterPackagesAndPackagesTakePrecedence) {
  MakeFolder(L"mods");
  const WideString alphaPackage = BuildModule(L"mods\\alpha.msm", kAlpha, 1033, "Alpha");
  SetText(L"SearchPathList", PathOf(L"mods"));
  SetText(L"ProductFolder", PathOf(L"product"));
  WriteFile(L"product\\ObjectGallery\\Only.ini",
            "[MergeModule]\r\nModuleID=Qv.GalleryOnly\r\nLanguage=1031\r\nSubject=From the gallery\r\n");
  WriteFile(L"product\\ObjectGallery\\Twin.ini",
            "[MergeModule]\r\nModuleID=Qv.Alpha.0001\r\nLanguage=1033\r\nSubject=Twin\r\n");
  WriteFile(L"product\\ObjectGallery\\Anonymous.ini", "[MergeModule]\r\nLanguage=1033\r\n");
  MakeFolder(L"product\\ObjectGallery\\Folder.ini");

  const ComRef<IMMCatalog> catalog = NewCatalog();
  EXPECT_EQ((Keys{L"Qv.Alpha.0001:1033", L"Qv.GalleryOnly:1031"}), ModuleKeys(catalog.Get()));
  const ComRef<IMergeModule2> alpha = ModuleByKey(catalog.Get(), L"Qv.Alpha.0001:1033");
  EXPECT_EQ(std::wstring(alphaPackage.c_str()), TextOf(alpha.Get(), &IMergeModule2::get_Path));
  const ComRef<IMergeModule2> only = ModuleByKey(catalog.Get(), L"Qv.GalleryOnly:1031");
  ASSERT_TRUE(only);
  EXPECT_EQ(L"From the gallery", TextOf(only.Get(), &IMergeModule2::get_Subject));
  EXPECT_EQ(L"Only", TextOf(only.Get(), &IMergeModule2::get_Name));
}

TEST_F(CatalogRefreshTest, DestroyingTheLastCatalogEmptiesTheStoreAndTheNextRescans) {
  MakeFolder(L"mods");
  BuildModule(L"mods\\alpha.msm", kAlpha, 1033, "Alpha");
  BuildModule(L"mods\\beta.msm", kBeta, 0, "Beta");
  SetText(L"SearchPathList", PathOf(L"mods"));
  ComRef<IMMCatalog> first = NewCatalog();
  ComRef<IMMCatalog> second = NewCatalog();
  EXPECT_EQ(2, FolderSourceCount());
  ComRef<IMergeModule2> kept = ModuleByKey(first.Get(), L"Qv.Beta.0002:0");
  ASSERT_TRUE(kept);

  first.Reset();
  EXPECT_EQ(1u, ModuleFolderStore().size()) << "the second catalog still holds the store";
  second.Reset();
  EXPECT_EQ(0, FolderSourceCount());
  EXPECT_TRUE(ModuleFolderStore().empty());
  EXPECT_TRUE(RetiredFolderStore().empty());
  EXPECT_TRUE(MMCatalog::LiveCatalogs().empty());

  // The module object handed out keeps its record and answers as before.
  EXPECT_EQ(L"Qv.Beta.0002:0", TextOf(kept.Get(), &IMergeModule2::get_Key));
  EXPECT_EQ(L"Beta", TextOf(kept.Get(), &IMergeModule2::get_Subject));
  ComRef<IDispatch> files;
  EXPECT_EQ(S_OK, kept->get_Files(files.Put()));

  const unsigned long reads = PackageReadCount();
  const ComRef<IMMCatalog> third = NewCatalog();
  EXPECT_EQ(reads + 2, PackageReadCount()) << "every package is read again";
  EXPECT_EQ(2u, ModuleKeys(third.Get()).size());
}

TEST_F(CatalogRefreshTest, AWarmRefreshOfAnUnchangedFolderOpensNoPackage) {
  MakeFolder(L"many");
  const WideString model = BuildModule(L"model.msm", "Qv.Model", 0, "Model");
  for (int i = 0; i < 500; ++i) {
    wchar_t name[32];
    swprintf(name, 32, L"many\\m%03d.msm", i);
    ASSERT_TRUE(CopyFileW(model.c_str(), PathOf(name).c_str(), FALSE));
  }
  BuildModule(L"many\\distinct.msm", kAlpha, 1033, "Alpha");
  SetText(L"SearchPathList", PathOf(L"many"));

  const unsigned long readsBefore = PackageReadCount();
  const ComRef<IMMCatalog> catalog = NewCatalog();
  ASSERT_EQ(readsBefore + 501, PackageReadCount());
  ASSERT_EQ(501u, StoreFolder(PathOf(L"many")).Modules.size());

  const unsigned long reads = PackageReadCount();
  const unsigned long opens = InstallerDatabaseOpenCount();
  Implementation(catalog).MarkDirty();  // the rebuild does not read packages either
  EXPECT_EQ((Keys{L"Qv.Alpha.0001:1033", L"Qv.Model:0"}), ModuleKeys(catalog.Get()));
  EXPECT_EQ((Keys{L"Qv.Alpha.0001:1033", L"Qv.Model:0"}), ModuleKeys(catalog.Get()));
  EXPECT_EQ(reads, PackageReadCount());
  EXPECT_EQ(opens, InstallerDatabaseOpenCount());
}

}  // namespace
