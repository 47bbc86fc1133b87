// The refresh where script clients cannot look: the shared store with its retired folders and
// records, how often packages are read, and which catalogs are dirty.
#include "catalog_fixture.h"

#include "catalog/folder_store.h"
#include "installer/installer_automation.h"

namespace {

const wchar_t kAlpha[] = L"Qv.Alpha.1A2B3C4D_0000_4000_8000_000000000001:1033";
const wchar_t kBeta[] = L"Qv.Beta.1A2B3C4D_0000_4000_8000_000000000002:0";
const wchar_t kGamma[] = L"Qv.Gamma.1A2B3C4D_0000_4000_8000_000000000005:0";
const wchar_t kRewrite[] = L"Qv.Rewrite.1A2B3C4D_0000_4000_8000_000000000004:0";

ModuleFolder& Stored(const WideString& path) { return *ModuleFolderStore().at(path); }

using CatalogRefreshTest = CatalogTest;

TEST_F(CatalogRefreshTest, ListEntriesAreExpandedTestedAndKeptWithTheirBackslash) {
  Copy("alpha", L"Mods\\alpha.msm");
  const WideString extra = scratch_.MakeFolder(L"extra");
  ASSERT_TRUE(SetEnvironmentVariableW(L"QV_CATALOG_ROOT", scratch_.Path().c_str()));
  state_.SetText(L"SearchPathList", L",%QV_CATALOG_ROOT%\\Mods\\,,C:\\no such folder");
  state_.SetText(L"ExtraSearchPathList", extra);
  EXPECT_EQ((std::vector<WideString>{extra}), SplitFolderList(L"," + extra + L", " + extra))
      << "pieces are not trimmed";

  const ComRef<IMMCatalog> catalog = NewCatalog();
  ASSERT_EQ(2u, ModuleFolderStore().size());
  const WideString expanded = Path(L"Mods\\");
  EXPECT_EQ(expanded, Stored(expanded).Name);
  EXPECT_EQ(1u, Stored(expanded).Modules.count(expanded + L"alpha.msm")) << "one backslash";
  // The next refresh compares the expanded text: the folder is neither retired nor re-added.
  FolderSources sources;
  EXPECT_FALSE(RefreshFolderStore(sources));
  EXPECT_TRUE(RetiredFolderStore().empty());
}

TEST_F(CatalogRefreshTest, FoldersInPathOrderThenTheGalleryAndTheLastPackageOfAKeyAtTheFirstPlace) {
  Copy("alpha", L"Mods1\\alpha.msm");
  Copy("shared_first", L"Mods1\\shared.msm");
  Copy("beta", L"Mods2\\beta.msm");
  Copy("shared_second", L"Mods2\\shared.msm");
  scratch_.WriteFile(L"product\\ObjectGallery\\GalleryOnly.ini",
                     "[MergeModule]\r\nModuleID=Qv.GalleryOnly\r\nLanguage=1031\r\n");
  scratch_.WriteFile(L"product\\ObjectGallery\\Twin.ini",  // a package has the key
                     "[MergeModule]\r\nModuleID=Qv.Alpha.1A2B3C4D_0000_4000_8000_000000000001\r\n"
                     "Language=1033\r\nSubject=Twin\r\n");
  scratch_.WriteFile(L"product\\ObjectGallery\\NoId.ini", "[MergeModule]\r\nLanguage=1033\r\n");
  state_.SetText(L"SearchPathList", Path(L"Mods2") + L"," + Path(L"Mods1"));
  state_.SetText(L"ProductFolder", Path(L"product"));

  const ComRef<IMMCatalog> catalog = NewCatalog();
  const wchar_t kShared[] = L"Qv.Shared.1A2B3C4D_0000_4000_8000_000000000003:0";
  EXPECT_EQ((Keys{kAlpha, kShared, kBeta, L"Qv.GalleryOnly:1031"}), ModuleKeys(catalog.Get()));
  EXPECT_EQ(Path(L"Mods2\\shared.msm").c_str(),
            TextOf(ModuleByKey(catalog.Get(), kShared).Get(), &IMergeModule2::get_Path))
      << "the folder that sorts last wins, at the place of the first";
  EXPECT_NE(L"Twin", TextOf(ModuleByKey(catalog.Get(), kAlpha).Get(), &IMergeModule2::get_Subject))
      << "a package takes precedence over a descriptor";
}

TEST_F(CatalogRefreshTest, FoldersLeavingTheListAreRetiredAndKeptForTheirModules) {
  Copy("alpha", L"a\\alpha.msm");
  Copy("beta", L"b\\beta.msm");
  const WideString both = Path(L"a") + L"," + Path(L"b");
  state_.SetText(L"SearchPathList", both);
  const ComRef<IMMCatalog> catalog = NewCatalog();
  const ComRef<IMergeModule2> alpha = ModuleByKey(catalog.Get(), kAlpha);

  state_.SetText(L"SearchPathList", Path(L"b"));
  EXPECT_EQ((Keys{kBeta}), ModuleKeys(catalog.Get()));
  ASSERT_EQ(1u, RetiredFolderStore().count(Path(L"a")));
  EXPECT_EQ(1u, RetiredFolderStore().at(Path(L"a"))->Modules.size());
  EXPECT_EQ(L"Alpha Module", TextOf(alpha.Get(), &IMergeModule2::get_Subject));

  // Listed again: a new folder, scanned afresh; the retired one stays until replaced.
  state_.SetText(L"SearchPathList", both);
  EXPECT_EQ((Keys{kAlpha, kBeta}), ModuleKeys(catalog.Get()));
  EXPECT_EQ(1u, RetiredFolderStore().size());
}

TEST_F(CatalogRefreshTest, ANewerPackageIsReadAgainButOneWhoseTimeMovesBackIsNot) {
  const WideString package = Copy("rewrite_v1", L"mods\\rewrite.msm");
  WIN32_FILE_ATTRIBUTE_DATA first = {};
  ASSERT_TRUE(GetFileAttributesExW(package.c_str(), GetFileExInfoStandard, &first));
  state_.SetText(L"SearchPathList", Path(L"mods"));
  const ComRef<IMMCatalog> catalog = NewCatalog();
  const ComRef<IMergeModule2> before = ModuleByKey(catalog.Get(), kRewrite);

  Copy("rewrite_v2", L"mods\\rewrite.msm");
  SetWriteTime(package, first.ftLastWriteTime, 10);
  unsigned long reads = PackageReadCount();
  const ComRef<IMergeModule2> after = ModuleByKey(catalog.Get(), kRewrite);
  EXPECT_EQ(reads + 1, PackageReadCount());
  EXPECT_EQ(L"Rewrite v2", TextOf(after.Get(), &IMergeModule2::get_Subject));
  EXPECT_EQ(L"Rewrite v1", TextOf(before.Get(), &IMergeModule2::get_Subject))
      << "the object handed out earlier keeps its record";
  ModuleFolder& folder = Stored(Path(L"mods"));
  ASSERT_EQ(1u, folder.RetiredModules.count(package));
  EXPECT_EQ(WideString(L"Rewrite v1"), folder.RetiredModules.at(package)->Subject());

  Copy("rewrite_v1", L"mods\\rewrite.msm");
  SetWriteTime(package, first.ftLastWriteTime, -3600);
  reads = PackageReadCount();
  EXPECT_EQ(L"Rewrite v2", TextOf(ModuleByKey(catalog.Get(), kRewrite).Get(),
                                  &IMergeModule2::get_Subject));
  EXPECT_EQ(reads, PackageReadCount());
}

TEST_F(CatalogRefreshTest, AFileTheInstallerCannotOpenAddsNothingAndIsTriedAgain) {
  Copy("alpha", L"mods\\alpha.msm");
  Copy("not_a_package", L"mods\\x.msm");
  scratch_.MakeFolder(L"mods\\folder.msm");  // a folder matching the pattern is no package
  state_.SetText(L"SearchPathList", Path(L"mods"));

  const unsigned long reads = PackageReadCount();
  const ComRef<IMMCatalog> catalog = NewCatalog();
  // A folder is scanned as it joins the store and again with every folder of the refresh.
  EXPECT_EQ(reads + 3, PackageReadCount()) << "alpha.msm once, x.msm at both scans";
  EXPECT_EQ((Keys{kAlpha}), ModuleKeys(catalog.Get()));
  EXPECT_EQ(reads + 4, PackageReadCount()) << "x.msm is tried at every refresh";
  EXPECT_FALSE(Implementation(catalog).IsDirty()) << "a refused file changes nothing";
}

TEST_F(CatalogRefreshTest, ARefreshThatFindsAChangeMarksTheOtherCatalogDirty) {
  Copy("alpha", L"mods\\alpha.msm");
  state_.SetText(L"SearchPathList", Path(L"mods"));
  const ComRef<IMMCatalog> first = NewCatalog();
  const ComRef<IMMCatalog> frozen = NewCatalog();
  ASSERT_EQ(S_OK, frozen->put_AutoRefresh(VARIANT_FALSE));

  Copy("beta", L"mods\\beta.msm");
  EXPECT_EQ((Keys{kAlpha, kBeta}), ModuleKeys(first.Get()));
  EXPECT_EQ((Keys{kAlpha}), ModuleKeys(frozen.Get())) << "AutoRefresh off freezes it";

  // Its own refresh finds nothing new, and rebuilds because it is dirty, opening no package.
  ASSERT_EQ(S_OK, frozen->put_AutoRefresh(-1));
  const unsigned long reads = PackageReadCount(), opens = InstallerDatabaseOpenCount();
  EXPECT_EQ((Keys{kAlpha, kBeta}), ModuleKeys(frozen.Get()));
  EXPECT_EQ(reads, PackageReadCount());
  EXPECT_EQ(opens, InstallerDatabaseOpenCount());
  EXPECT_FALSE(Implementation(frozen).IsDirty());
}

TEST_F(CatalogRefreshTest, AFolderAddedByGetModuleFoldersWaitsForTheNextRebuild) {
  Copy("alpha", L"a\\alpha.msm");
  Copy("beta", L"b\\beta.msm");
  state_.SetText(L"SearchPathList", Path(L"a"));
  const ComRef<IMMCatalog> catalog = NewCatalog();

  state_.SetText(L"SearchPathList", Path(L"a") + L"," + Path(L"b"));
  ASSERT_TRUE(GetAs<IModuleFolderCollection>(catalog.Get(), &IMMCatalog::GetModuleFolders));
  EXPECT_EQ(1u, Stored(Path(L"b")).Modules.size()) << "scanned as it joined";
  EXPECT_EQ((Keys{kAlpha}), ModuleKeys(catalog.Get()));

  // Any later change rebuilds the collection with every folder.
  Copy("gamma", L"a\\gamma.msm");
  EXPECT_EQ((Keys{kAlpha, kGamma, kBeta}), ModuleKeys(catalog.Get()));
}

TEST_F(CatalogRefreshTest, IndexedFoldersAreSinglePackageEntries) {
  const WideString indexed = scratch_.MakeFolder(L"indexed");
  const WideString both = scratch_.MakeFolder(L"both");
  Copy("alpha", L"indexed\\alpha.msm");
  state_.SetText(L"SearchPathList", both);
  state_.SetText(L"ModuleFolder0", indexed);
  state_.SetText(L"ModuleFolder1", L"%SystemRoot%");  // taken as given, it names no folder
  state_.SetText(L"ModuleFolder2", both);
  state_.SetText(L"ModuleFolder4", indexed + L"\\alpha.msm");  // after the gap: never asked for

  const unsigned long reads = PackageReadCount();
  const ComRef<IMMCatalog> catalog = NewCatalog();
  ASSERT_EQ(2u, ModuleFolderStore().size());
  EXPECT_EQ(FolderKind::IndexedEntry, Stored(indexed).Kind);
  EXPECT_EQ(FolderKind::SearchPath, Stored(both).Kind) << "a path in both lists";
  // The indexed folder itself is the entry; the installer cannot open a folder as a package.
  EXPECT_EQ(reads + 2, PackageReadCount()) << "tried as it joined and by the refresh";
  EXPECT_TRUE(ModuleKeys(catalog.Get()).empty());

  state_.Remove(L"ModuleFolder0");
  ModuleKeys(catalog.Get());
  EXPECT_EQ(1u, RetiredFolderStore().count(indexed));
  EXPECT_EQ(1u, ModuleFolderStore().size());
}

TEST_F(CatalogRefreshTest, DestroyingTheLastCatalogEmptiesTheStoreAndTheNextRescans) {
  Copy("alpha", L"mods\\alpha.msm");
  Copy("beta", L"mods\\beta.msm");
  state_.SetText(L"SearchPathList", Path(L"mods"));
  ComRef<IMMCatalog> first = NewCatalog();
  ComRef<IMMCatalog> second = NewCatalog();
  const ComRef<IMergeModule2> kept = ModuleByKey(first.Get(), kBeta);

  first.Reset();
  EXPECT_EQ(1u, ModuleFolderStore().size()) << "the second catalog still holds the store";
  second.Reset();
  EXPECT_TRUE(RetiredFolderStore().empty());

  // The module object handed out keeps its record and answers as before.
  EXPECT_EQ(L"Beta Module", TextOf(kept.Get(), &IMergeModule2::get_Subject));
  ComRef<IDispatch> files;
  EXPECT_EQ(S_OK, kept->get_Files(files.Put()));

  const unsigned long reads = PackageReadCount();
  const ComRef<IMMCatalog> third = NewCatalog();
  EXPECT_EQ(reads + 2, PackageReadCount()) << "every package is read again";
}

}  // namespace
