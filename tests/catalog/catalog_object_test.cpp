// The catalog object itself: identity, the excluded-pattern split, a failing initialisation,
// and the live-catalog list.
#include "catalog/catalog_test_support.h"

#include "catalog/folder_store.h"
#include "server/class_ids.h"
#include "server/class_table.h"

#include <oleauto.h>

namespace {

using Patterns = std::vector<WideString>;

TEST(ExcludedPatternSplit, EveryPieceBeforeACommaCountsButNothingAfterTheLast) {
  EXPECT_EQ((Patterns{L"a", L"", L"b"}), SplitExcludedPatterns(L"a,,b,"));
  EXPECT_EQ((Patterns{L"", L"x"}), SplitExcludedPatterns(L",x"));
  EXPECT_EQ((Patterns{L" *.txt ", L"\t"}), SplitExcludedPatterns(L" *.txt ,\t"));
  EXPECT_EQ((Patterns{L""}), SplitExcludedPatterns(L","));
  EXPECT_TRUE(SplitExcludedPatterns(L"").empty());
}

class CatalogObjectTest : public CatalogTest {};

TEST_F(CatalogObjectTest, InitialisationReadsTheExcludedPatterns) {
  SetText(L"ExcludedFilePatterns", L"*.txt,,readme.*,");
  const ComRef<IMMCatalog> catalog = NewCatalog();
  EXPECT_EQ((Patterns{L"*.txt", L"", L"readme.*"}), Implementation(catalog).ExcludedFilePatterns());
}

TEST_F(CatalogObjectTest, AnswersItsThreeIdentifiersWithOneInterface) {
  const ComRef<IMMCatalog> catalog = NewCatalog();
  for (const IID* iid : {&__uuidof(IMMCatalog), &kIidMMCatalogAlt2, &kIidMMCatalogAlt3,
                         &IID_IDispatch}) {
    ComRef<IUnknown> answered;
    ASSERT_EQ(S_OK, catalog->QueryInterface(*iid, answered.PutVoid()));
    EXPECT_EQ(static_cast<IUnknown*>(catalog.Get()), answered.Get());
  }
  ComRef<ISupportErrorInfo> errors;
  ASSERT_EQ(S_OK, catalog.QueryTo(IID_ISupportErrorInfo, errors));
  EXPECT_EQ(S_OK, errors->InterfaceSupportsErrorInfo(kIidMMCatalogAlt3));
  EXPECT_EQ(S_FALSE, errors->InterfaceSupportsErrorInfo(IID_IDispatch));
  ComRef<IUnknown> none;
  EXPECT_EQ(E_NOINTERFACE, catalog->QueryInterface(__uuidof(IMergeModule2), none.PutVoid()));
}

TEST_F(CatalogObjectTest, AFailingApplicationServiceFailsTheCreationWithItsError) {
  SetText(L"FailOperation", L"GetPreferredLanguage");
  SetNumber(L"FailHResult", 0x80041234);
  SetErrorInfo(0, nullptr);
  ComRef<IMMCatalog> catalog;
  EXPECT_EQ(static_cast<HRESULT>(0x80041234),
            CreateComponentInstance<MMCatalog>(nullptr, __uuidof(IMMCatalog), catalog.PutVoid()));
  EXPECT_FALSE(catalog);
  ComRef<IErrorInfo> info;
  ASSERT_EQ(S_OK, GetErrorInfo(0, info.Put()));
  BSTR source = nullptr;
  info->GetSource(&source);
  EXPECT_STREQ(L"QvLiteModCat.MMCatalog.1", source);
  SysFreeString(source);
  // The object is gone with everything it held.
  EXPECT_TRUE(MMCatalog::LiveCatalogs().empty());
  EXPECT_EQ(0, FolderSourceCount());
}

TEST_F(CatalogObjectTest, ACompanionThatCannotBeCreatedFailsTheConstruction) {
  SetText(L"FailOperation", L"CreateInstance");
  SetNumber(L"FailHResult", 0x80040154);
  ComRef<IMMCatalog> catalog;
  EXPECT_EQ(REGDB_E_CLASSNOTREG,
            CreateComponentInstance<MMCatalog>(nullptr, __uuidof(IMMCatalog), catalog.PutVoid()));
  EXPECT_TRUE(MMCatalog::LiveCatalogs().empty());
  EXPECT_EQ(0, FolderSourceCount());
}

TEST_F(CatalogObjectTest, LiveCatalogsFollowCreationAndRelease) {
  ComRef<IMMCatalog> first = NewCatalog();
  ComRef<IMMCatalog> second = NewCatalog();
  ASSERT_EQ(2u, MMCatalog::LiveCatalogs().size());
  EXPECT_EQ(&Implementation(first), MMCatalog::LiveCatalogs()[0]);
  EXPECT_EQ(&Implementation(second), MMCatalog::LiveCatalogs()[1]);
  first.Reset();
  ASSERT_EQ(1u, MMCatalog::LiveCatalogs().size());
  EXPECT_EQ(&Implementation(second), MMCatalog::LiveCatalogs()[0]);
}

TEST_F(CatalogObjectTest, TheClassTableServesTheCatalog) {
  const ClassEntry* entry = ComponentClasses().FindServable(kClsidMMCatalog);
  ASSERT_NE(nullptr, entry);
  EXPECT_STREQ("QvLiteModCat.MMCatalog.1", entry->ProgId);
  ComRef<IMMCatalog> catalog;
  ASSERT_EQ(S_OK, entry->Creators.CreateInstance(nullptr, __uuidof(IMMCatalog), catalog.PutVoid()));
  ComRef<IUnknown> modules;
  EXPECT_EQ(S_OK, catalog->GetModules(modules.Put()));
  EXPECT_TRUE(modules);
}

}  // namespace
