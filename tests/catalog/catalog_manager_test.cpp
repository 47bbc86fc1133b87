// The catalog manager, the edition catalog, and catalogs that cannot be made.
#include "catalog_fixture.h"

#include "catalog/catalog_manager.h"
#include "catalog/catalog_pro.h"
#include "catalog/folder_store.h"
#include "module/merge_module2.h"

namespace {

class CatalogManagerTest : public CatalogTest {
 protected:
  void SetUp() override {
    Copy("alpha", L"mods\\alpha.msm");
    state_.SetText(L"SearchPathList", Path(L"mods"));
    ASSERT_EQ(S_OK, CreateComponentInstance<MMCatalogManager>(
                        nullptr, __uuidof(IMMCatalogManager), manager_.PutVoid()));
  }
  IUnknown* CatalogFor(long projectType) {
    ComRef<IUnknown> catalog;
    EXPECT_EQ(S_OK, manager_->GetCatalog(projectType, catalog.Put())) << projectType;
    return catalog.Get();  // the manager keeps it alive
  }
  static bool IsEdition(IUnknown* catalog) {
    ComRef<IMMCatalog> typed;
    catalog->QueryInterface(__uuidof(IMMCatalog), typed.PutVoid());
    return dynamic_cast<MMCatalogPro*>(ImplementationOf<MMCatalog>(typed.Get())) != nullptr;
  }

  ComRef<IMMCatalogManager> manager_;
};

TEST_F(CatalogManagerTest, TheFirstRequestMakesTheCatalogWhateverTheType) {
  EXPECT_EQ(E_INVALIDARG, manager_->GetCatalog(1, nullptr));
  EXPECT_TRUE(MMCatalog::LiveCatalogs().empty()) << "a null target creates nothing";

  IUnknown* edition = CatalogFor(9);
  ASSERT_EQ(2u, MMCatalog::LiveCatalogs().size()) << "the catalog and the edition catalog";
  EXPECT_TRUE(IsEdition(edition));
  EXPECT_EQ(1u, ModuleFolderStore().size()) << "the catalog scanned the folders";
  IUnknown* catalog = CatalogFor(1);
  EXPECT_FALSE(IsEdition(catalog));
  EXPECT_EQ(catalog, CatalogFor(3));
  EXPECT_EQ(catalog, CatalogFor(0));
  EXPECT_EQ(edition, CatalogFor(10));
  EXPECT_EQ(2u, MMCatalog::LiveCatalogs().size());

  manager_.Reset();
  EXPECT_TRUE(MMCatalog::LiveCatalogs().empty());
  EXPECT_TRUE(ModuleFolderStore().empty());
}

TEST_F(CatalogManagerTest, ACatalogThatCannotBeMadeFailsWithItsResultAndLeavesNothing) {
  const std::pair<const wchar_t*, HRESULT> failures[] = {
      {L"GetPreferredLanguage", static_cast<HRESULT>(0x80041234)},
      {L"GetExcludedFilePatterns", static_cast<HRESULT>(0x80046666)},
      {L"CreateInstance", REGDB_E_CLASSNOTREG}};  // the companion cannot be made
  for (const auto& [operation, code] : failures) {
    SCOPED_TRACE(WideString(operation).Ansi());
    state_.SetText(L"FailOperation", operation);
    state_.SetNumber(L"FailHResult", code);
    SetErrorInfo(0, nullptr);
    ComRef<IUnknown> catalog;
    EXPECT_EQ(code, manager_->GetCatalog(1, catalog.Put()));
    EXPECT_FALSE(catalog);
    EXPECT_EQ(L"QvLiteModCat.MMCatalog.1", ErrorSource());
    EXPECT_TRUE(MMCatalog::LiveCatalogs().empty());
  }
  // Nothing was kept: the next request tries again.
  state_.Remove(L"FailOperation");
  EXPECT_NE(nullptr, CatalogFor(1));
}

TEST_F(CatalogManagerTest, TheEditionCatalogAnswersNothingButProjectType9) {
  ComRef<IMMCatalog> edition;
  ASSERT_EQ(S_OK, CreateComponentInstance<MMCatalogPro>(nullptr, __uuidof(IMMCatalog),
                                                        edition.PutVoid()));
  EXPECT_TRUE(ModuleFolderStore().empty()) << "it scans nothing";

  ComRef<IMergeModule2> sentinel = MakeComponentObject<MergeModule2, IMergeModule2>();
  IUnknown* unknown = sentinel.Get();
  IDispatch* module = sentinel.Get();
  long found = 7, value = 5;
  BSTR text = nullptr;
  const Arg file(L"alpha.dll"), key(L"Qv.Alpha:1033");
  EXPECT_EQ(S_OK, edition->GetModules(&unknown));
  EXPECT_EQ(S_OK, edition->GetModuleFolders(&unknown));
  EXPECT_EQ(S_OK, edition->FindModuleForFile(file, nullptr, nullptr, &module, &found));
  EXPECT_EQ(S_OK, edition->FindModuleForFileInFolder(file, nullptr, nullptr, &module, &found));
  EXPECT_EQ(S_OK, edition->GetModule(key, nullptr, &module));
  EXPECT_EQ(S_OK, edition->GetModuleKeyForFile(file, &text));
  EXPECT_EQ(S_OK, edition->GetModuleDisplayName(key, &text));
  EXPECT_EQ(S_OK, edition->Reserved8(1, &value));
  EXPECT_EQ(static_cast<IUnknown*>(sentinel.Get()), unknown);
  EXPECT_EQ(static_cast<IDispatch*>(sentinel.Get()), module);
  EXPECT_EQ(7, found);
  EXPECT_EQ(nullptr, text);
  EXPECT_EQ(5, value);

  for (long type : {9L, 10L, 1L, 3L}) {
    VARIANT_BOOL supported = 7;
    ASSERT_EQ(S_OK, edition->SupportsProject(StandInProject(type).Get(), &supported));
    EXPECT_EQ(type == 9 ? VARIANT_TRUE : VARIANT_FALSE, supported) << type;
  }
}

}  // namespace
