// A native client of the registered component, as the authoring environment drives it: the
// manager's catalogs for the project types, the lookup files read once per process, and at the
// end a component that can be unloaded.  The catalog classes are reached only through
// QvModCat2.dll as registered in the test prefix; what each answer holds is pinned by the
// in-process catalog tests, and a script session through the same registration
// (catalog_session.vbs) lists the modules and looks files up.
#include "support/automation_client.h"
#include "support/test_support.h"

namespace {

TEST(CatalogClient, TheEnvironmentsSessionEndsWithAnUnloadableComponent) {
  const StandInState state(L"catalog-client");
  const ScratchFolder root(L"qv-catalog-client");
  root.WriteFile(L"modules.ini", "[modules]\r\nQv.Viewer.1A2B3C4D_0000_4000_8000_000000000006:1033"
                                 "=Acme Viewer\r\n");
  root.WriteFile(L"FilesToModules.ini", "[FilesToModules]\r\nother.dll=0:Qv.ViewerApp."
                                        "1A2B3C4D_0000_4000_8000_000000000007\r\n");
  state.SetText(L"ModulesIniFolder", root.Path());
  state.SetText(L"FilesIniFolder", root.Path());
  {
    ComRef<IMMCatalogManager> manager;
    ASSERT_EQ(S_OK, CoCreateInstance(kClsidMMCatalogManager, nullptr, CLSCTX_INPROC_SERVER,
                                     __uuidof(IMMCatalogManager), manager.PutVoid()));
    ComRef<IUnknown> forType1, forType9;
    ASSERT_EQ(S_OK, manager->GetCatalog(1, forType1.Put()));
    ASSERT_EQ(S_OK, manager->GetCatalog(9, forType9.Put()));
    ComRef<IMMCatalog> catalog, edition;
    ASSERT_EQ(S_OK, forType1.QueryTo(__uuidof(IMMCatalog), catalog));
    ASSERT_EQ(S_OK, forType9.QueryTo(__uuidof(IMMCatalog), edition));
    for (const IID* older : {&kIidMMCatalogAlt2, &kIidMMCatalogAlt3}) {
      ComRef<IUnknown> same;
      EXPECT_EQ(S_OK, catalog->QueryInterface(*older, same.PutVoid()));
      EXPECT_EQ(static_cast<IUnknown*>(catalog.Get()), same.Get());
    }
    // The lookup files were read once; a second catalog does not even ask for their folders.
    EXPECT_EQ(2u, state.Number(L"ProfileOpenCount"));
    state.SetText(L"FailOperation", L"GetModulesIniFolder,GetFilesIniFolder");
    EXPECT_TRUE(NewCatalog());
    EXPECT_EQ(2u, state.Number(L"ProfileOpenCount"));
  }

  // Everything released: only the cached class factories remain, which do not count.
  ASSERT_NE(nullptr, GetModuleHandleW(L"QvModCat2.dll"));
  EXPECT_EQ(S_OK, ComponentCanUnload());
}

}  // namespace
