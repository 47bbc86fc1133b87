// The catalog manager and the edition catalog: which catalog each project type gets, what the
// edition catalog answers, and the class table that serves all four classes.
#include "catalog/catalog_test_support.h"

#include "catalog/catalog_manager.h"
#include "catalog/catalog_pro.h"
#include "catalog/folder_store.h"
#include "common/bstr.h"
#include "module/merge_module2.h"
#include "server/class_ids.h"
#include "server/class_table.h"

#include <oleauto.h>

namespace {

std::wstring ErrorSource() {
  ComRef<IErrorInfo> info;
  if (GetErrorInfo(0, info.Put()) != S_OK) return L"<no error information>";
  UniqueBstr source;
  info->GetSource(source.Put());
  return source.Get() ? source.Get() : L"";
}

ComRef<IMMCatalogManager> NewManager() {
  ComRef<IMMCatalogManager> manager;
  EXPECT_EQ(S_OK, CreateComponentInstance<MMCatalogManager>(nullptr, __uuidof(IMMCatalogManager),
                                                            manager.PutVoid()));
  return manager;
}

ComRef<IUnknown> CatalogFor(IMMCatalogManager* manager, long projectType) {
  ComRef<IUnknown> catalog;
  EXPECT_EQ(S_OK, manager->GetCatalog(projectType, catalog.Put())) << projectType;
  return catalog;
}

// The C++ class behind a catalog the manager handed out.
MMCatalog* CatalogObject(const ComRef<IUnknown>& catalog) {
  ComRef<IMMCatalog> typed;
  if (FAILED(catalog.QueryTo(__uuidof(IMMCatalog), typed))) return nullptr;
  return ImplementationOf<MMCatalog>(typed.Get());
}

class CatalogManagerTest : public CatalogTest {
 protected:
  void SetUp() override {
    CatalogTest::SetUp();
    MakeFolder(L"mods");
    BuildModule(L"mods\\alpha.msm", "Qv.Alpha", 1033, "Alpha");
    SetText(L"SearchPathList", PathOf(L"mods"));
  }
};

TEST_F(CatalogManagerTest, TheFirstRequestMakesTheCatalogWhateverTheType) {
  const ComRef<IMMCatalogManager> manager = NewManager();
  EXPECT_TRUE(MMCatalog::LiveCatalogs().empty()) << "nothing before the first request";
  const ComRef<IUnknown> edition = CatalogFor(manager.Get(), 9);
  ASSERT_EQ(2u, MMCatalog::LiveCatalogs().size()) << "the catalog and the edition catalog";
  EXPECT_NE(nullptr, dynamic_cast<MMCatalogPro*>(CatalogObject(edition)));
  EXPECT_EQ(1u, ModuleFolderStore().size()) << "the catalog scanned the folders";

  const ComRef<IUnknown> one = CatalogFor(manager.Get(), 1);
  const ComRef<IUnknown> three = CatalogFor(manager.Get(), 3);
  const ComRef<IUnknown> other = CatalogFor(manager.Get(), 0);
  EXPECT_EQ(one.Get(), three.Get());
  EXPECT_EQ(one.Get(), other.Get());
  EXPECT_EQ(nullptr, dynamic_cast<MMCatalogPro*>(CatalogObject(one)));
  EXPECT_EQ(edition.Get(), CatalogFor(manager.Get(), 10).Get());
  EXPECT_EQ(2u, MMCatalog::LiveCatalogs().size());
}

TEST_F(CatalogManagerTest, ReleasingTheManagerReleasesItsCatalogs) {
  ComRef<IMMCatalogManager> manager = NewManager();
  CatalogFor(manager.Get(), 10);
  ASSERT_EQ(2u, MMCatalog::LiveCatalogs().size());
  manager.Reset();
  EXPECT_TRUE(MMCatalog::LiveCatalogs().empty());
  EXPECT_TRUE(ModuleFolderStore().empty());
}

TEST_F(CatalogManagerTest, ANullTargetIsRefusedBeforeAnythingIsMade) {
  const ComRef<IMMCatalogManager> manager = NewManager();
  EXPECT_EQ(E_INVALIDARG, manager->GetCatalog(1, nullptr));
  EXPECT_TRUE(MMCatalog::LiveCatalogs().empty());
}

TEST_F(CatalogManagerTest, ACatalogThatCannotBeMadeFailsTheRequestWithItsResult) {
  const ComRef<IMMCatalogManager> manager = NewManager();
  SetText(L"FailOperation", L"GetExcludedFilePatterns");
  SetNumber(L"FailHResult", 0x80046666);
  ComRef<IUnknown> catalog;
  EXPECT_EQ(static_cast<HRESULT>(0x80046666), manager->GetCatalog(1, catalog.Put()));
  EXPECT_FALSE(catalog);
  EXPECT_EQ(L"QvLiteModCat.MMCatalog.1", ErrorSource()) << "the catalog's own report";
  EXPECT_TRUE(MMCatalog::LiveCatalogs().empty());

  // Nothing was kept: the next request tries again.
  SetText(L"FailOperation", L"");
  EXPECT_TRUE(CatalogFor(manager.Get(), 1));
}

TEST_F(CatalogManagerTest, TheManagerAnswersItsInterfaceButNotIDispatch) {
  const ComRef<IMMCatalogManager> manager = NewManager();
  ComRef<IUnknown> answer;
  EXPECT_EQ(E_NOINTERFACE, manager->QueryInterface(IID_IDispatch, answer.PutVoid()));
  EXPECT_FALSE(answer);
  ComRef<ISupportErrorInfo> errors;
  ASSERT_EQ(S_OK, manager.QueryTo(IID_ISupportErrorInfo, errors));
  EXPECT_EQ(S_OK, errors->InterfaceSupportsErrorInfo(__uuidof(IMMCatalogManager)));
  EXPECT_EQ(S_FALSE, errors->InterfaceSupportsErrorInfo(IID_IDispatch));

  // Its dual interface still dispatches: GetCatalog by name.
  LPOLESTR name = const_cast<LPOLESTR>(L"GetCatalog");
  DISPID id = 0;
  ASSERT_EQ(S_OK, manager->GetIDsOfNames(IID_NULL, &name, 1, 0, &id));
  VARIANT type;
  VariantInit(&type);
  V_VT(&type) = VT_I4;
  V_I4(&type) = 3;
  DISPPARAMS params{&type, nullptr, 1, 0};
  VARIANT result;
  VariantInit(&result);
  ASSERT_EQ(S_OK, manager->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, &result, nullptr,
                                  nullptr));
  EXPECT_TRUE(V_VT(&result) == VT_DISPATCH || V_VT(&result) == VT_UNKNOWN);
  VariantClear(&result);
}

class EditionCatalogTest : public CatalogManagerTest {};

TEST_F(EditionCatalogTest, AnswersNothingAndLeavesEveryArgumentAsItWas) {
  const unsigned long reads = PackageReadCount();
  ComRef<IMMCatalog> edition;
  ASSERT_EQ(S_OK, CreateComponentInstance<MMCatalogPro>(nullptr, __uuidof(IMMCatalog),
                                                        edition.PutVoid()));
  EXPECT_TRUE(ModuleFolderStore().empty()) << "it scans nothing";
  EXPECT_EQ(reads, PackageReadCount());
  EXPECT_EQ(1, FolderSourceCount()) << "but holds its pair like a catalog";
  EXPECT_EQ(1u, MMCatalog::LiveCatalogs().size());

  ComRef<IMergeModule2> sentinelModule = MakeComponentObject<MergeModule2, IMergeModule2>();
  IUnknown* unknown = sentinelModule.Get();
  EXPECT_EQ(S_OK, edition->GetModules(&unknown));
  EXPECT_EQ(S_OK, edition->GetModuleFolders(&unknown));
  EXPECT_EQ(static_cast<IUnknown*>(sentinelModule.Get()), unknown);
  IDispatch* module = sentinelModule.Get();
  long found = 7;
  UniqueBstr file(SysAllocString(L"alpha.dll")), key(SysAllocString(L"Qv.Alpha:1033"));
  EXPECT_EQ(S_OK, edition->FindModuleForFile(file.Get(), nullptr, nullptr, &module, &found));
  EXPECT_EQ(S_OK, edition->FindModuleForFileInFolder(file.Get(), nullptr, nullptr, &module, &found));
  EXPECT_EQ(S_OK, edition->GetModule(key.Get(), nullptr, &module));
  EXPECT_EQ(static_cast<IDispatch*>(sentinelModule.Get()), module);
  EXPECT_EQ(7, found);
  BSTR text = nullptr;
  EXPECT_EQ(S_OK, edition->GetModuleKeyForFile(file.Get(), &text));
  EXPECT_EQ(S_OK, edition->GetModuleDisplayName(key.Get(), &text));
  EXPECT_EQ(nullptr, text);
  long value = 5;
  EXPECT_EQ(S_OK, edition->Reserved7(&value));
  EXPECT_EQ(S_OK, edition->Reserved8(1, &value));
  EXPECT_EQ(5, value);
  EXPECT_EQ(S_OK, edition->Reserved3(&value));
  EXPECT_EQ(0, value);
  EXPECT_EQ(S_OK, edition->put_AutoRefresh(VARIANT_FALSE));
}

TEST_F(EditionCatalogTest, ServesProjectType9AndReportsUnderItsOwnName) {
  ComRef<IMMCatalog> edition;
  ASSERT_EQ(S_OK, CreateComponentInstance<MMCatalogPro>(nullptr, __uuidof(IMMCatalog),
                                                        edition.PutVoid()));
  CLSID projectClass;
  ASSERT_EQ(S_OK, CLSIDFromProgID(L"QvStandIn.Project", &projectClass));
  for (const auto& [type, expected] : {std::pair<long, VARIANT_BOOL>{9, VARIANT_TRUE},
                                       {10, VARIANT_FALSE}, {1, VARIANT_FALSE}, {3, VARIANT_FALSE}}) {
    ComRef<IDispatch> project;
    ASSERT_EQ(S_OK, CoCreateInstance(projectClass, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                     project.PutVoid()));
    VARIANT value;
    VariantInit(&value);
    V_VT(&value) = VT_I4;
    V_I4(&value) = type;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&value, &named, 1, 1};
    ASSERT_EQ(S_OK, project->Invoke(1, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr,
                                    nullptr, nullptr));
    VARIANT_BOOL supported = 7;
    ASSERT_EQ(S_OK, edition->SupportsProject(project.Get(), &supported));
    EXPECT_EQ(expected, supported) << type;
  }
  VARIANT_BOOL supported = 7;
  EXPECT_EQ(E_NOINTERFACE, edition->SupportsProject(edition.Get(), &supported));
  EXPECT_EQ(L"QvLiteModCat.MMCatalogPro.1", ErrorSource());
  EXPECT_EQ(E_INVALIDARG, edition->SupportsProject(edition.Get(), nullptr));
}

TEST(CatalogClassTable, ServesAllFourClassesInTheFixedOrder) {
  const CLSID* const expected[] = {&kClsidMMCatalog, &kClsidMMCatalogPro, &kClsidMergeModule2,
                                   &kClsidMMCatalogManager};
  size_t index = 0;
  for (ClassEntry& entry : ComponentClasses()) {
    ASSERT_LT(index, 4u);
    EXPECT_EQ(*expected[index], *entry.Clsid) << entry.ProgId;
    EXPECT_NE(nullptr, entry.Creators.CreateInstance) << entry.ProgId;
    EXPECT_EQ(&entry, ComponentClasses().FindServable(*entry.Clsid)) << entry.ProgId;
    ++index;
  }
}

}  // namespace
