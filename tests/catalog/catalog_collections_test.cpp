// The catalog's collections: what Item takes as an index, enumerators, folder items, and the
// search-path edits of AddFolder and RemoveFolder.
#include "catalog_fixture.h"

#include "catalog/catalog_pro.h"
#include "catalog/folder_store.h"
#include "class_ids.h"

#include <vector>

namespace {

const wchar_t kAlpha[] = L"Qv.Alpha.1A2B3C4D_0000_4000_8000_000000000001:1033";
const wchar_t kGamma[] = L"Qv.Gamma.1A2B3C4D_0000_4000_8000_000000000005:0";

std::wstring Lowered(std::wstring text) {
  CharLowerBuffW(&text[0], static_cast<DWORD>(text.size()));
  return text;
}

std::wstring Error(HRESULT code) { return L"error " + std::to_wstring(code); }

class CatalogCollectionsTest : public CatalogTest {
 protected:
  void SetUp() override {
    Copy("alpha", L"a\\alpha.msm");
    Copy("beta", L"a\\beta.msm");
    Copy("gamma", L"b\\gamma.msm");
    state_.SetText(L"SearchPathList", Path(L"a") + L"," + Path(L"b"));
    catalog_ = NewCatalog();
    TakeFolders();
  }
  void TakeFolders() {
    folders_ = GetAs<IModuleFolderCollection>(catalog_.Get(), &IMMCatalog::GetModuleFolders);
    ASSERT_TRUE(folders_);
  }

  ComRef<IModuleFolderItem> Folder(const VARIANT& index, HRESULT* result = nullptr) {
    ComRef<IDispatch> object;
    ComRef<IModuleFolderItem> item;
    const HRESULT code = folders_->Item(index, object.Put());
    if (result) *result = code;
    if (object) object.QueryTo(__uuidof(IModuleFolderItem), item);
    return item;
  }
  // The path of the folder item at `index`, or the failure's code.
  std::wstring FolderPath(const VARIANT& index) {
    HRESULT result = E_UNEXPECTED;
    const ComRef<IModuleFolderItem> item = Folder(index, &result);
    UniqueBstr path;
    if (FAILED(result)) return Error(result);
    if (!item || FAILED(item->get_Path(path.Put()))) return L"<no item>";
    return path.Get();
  }
  static std::wstring SearchPathList() {
    UniqueBstr list;
    FolderSources().Services()->GetSearchPathList(list.Put());
    return list.Get() ? list.Get() : L"";
  }
  HRESULT Add(const std::wstring& folder) {
    return folders_->AddFolder(Arg(folder));
  }

  ComRef<IMMCatalog> catalog_;
  ComRef<IModuleFolderCollection> folders_;
};

TEST_F(CatalogCollectionsTest, ItemTakesPositionsTheirTextsAndValuesByReference) {
  const std::wstring b = Path(L"b").c_str();
  for (VARTYPE type : {VT_I4, VT_I2, VT_R8, VT_BSTR}) {  // a double is the key text "2"
    IntegerVariant index(2);
    ASSERT_EQ(S_OK, VariantChangeType(&index.Get(), &index.Get(), 0, type));
    EXPECT_EQ(b, FolderPath(index.Get())) << type;
  }
  IntegerVariant two(2);
  VARIANT reference;
  V_VT(&reference) = VT_BYREF | VT_VARIANT;
  V_VARIANTREF(&reference) = &two.Get();
  EXPECT_EQ(b, FolderPath(reference));
  EXPECT_EQ(Error(E_INVALIDARG), FolderPath(StringVariant(L"Qv.Nothing:0").Get()));
  EXPECT_EQ(Error(E_INVALIDARG), FolderPath(IntegerVariant(0).Get()));

  // A module the collection lacks is no error; keys are compared exactly.
  const ComRef<IMergeModuleCollection> modules = ModulesOf(catalog_.Get());
  const StringVariant unknown(L"Qv.Nothing:0"), otherCase(Lowered(kAlpha).c_str());
  const IntegerVariant beyond(4);
  const UniqueVariant* const misses[] = {&unknown, &otherCase, &beyond};
  for (const UniqueVariant* index : misses) {
    ComRef<IDispatch> item;
    EXPECT_EQ(S_OK, modules->Item(index->Get(), item.Put()));
    EXPECT_FALSE(item);
  }
  EXPECT_EQ(E_POINTER, modules->Item(unknown.Get(), nullptr));
  EXPECT_EQ(Item(modules.Get(), StringVariant(kGamma)).Get(),
            Item(modules.Get(), IntegerVariant(3)).Get());
}

TEST_F(CatalogCollectionsTest, EnumeratorsWalkSkipResetAndCloneAndKeepTheirCollection) {
  ComRef<IMergeModuleCollection> modules = ModulesOf(catalog_.Get());
  const ComRef<IEnumVARIANT> walk =
      GetAs<IEnumVARIANT>(modules.Get(), &IMergeModuleCollection::get_NewEnum);
  ASSERT_TRUE(walk);
  const ComRef<IMergeModule2> first = Item(modules.Get(), IntegerVariant(1));

  // The collection goes (the catalog rebuilds its own); the enumerator still reads it.
  modules.Reset();
  Copy("rewrite_v1", L"b\\rewrite.msm");
  EXPECT_EQ(4u, ModuleKeys(catalog_.Get()).size());

  UniqueVariant items[3];
  ULONG fetched = 0;
  EXPECT_EQ(E_POINTER, walk->Next(2, &items[0].Get(), nullptr));
  ASSERT_EQ(S_OK, walk->Next(1, &items[0].Get(), nullptr));
  EXPECT_EQ(static_cast<IDispatch*>(first.Get()), V_DISPATCH(&items[0].Get()));
  EXPECT_EQ(S_FALSE, walk->Next(3, items[0].Put(), &fetched));
  EXPECT_EQ(2u, fetched) << "the old collection had three modules";
  EXPECT_EQ(S_FALSE, walk->Skip(1));
  ASSERT_EQ(S_OK, walk->Reset());
  ASSERT_EQ(S_OK, walk->Skip(2));
  ComRef<IEnumVARIANT> clone;
  ASSERT_EQ(S_OK, walk->Clone(clone.Put()));
  ASSERT_EQ(S_OK, clone->Next(1, items[0].Put(), &fetched));
  EXPECT_EQ(kGamma, KeyOf(V_DISPATCH(&items[0].Get())));
  EXPECT_EQ(S_OK, walk->Skip(1)) << "exactly the one left";
  EXPECT_EQ(S_FALSE, walk->Next(1, items[0].Put(), &fetched));
  EXPECT_EQ(0u, fetched) << "the walk is at its end";
}

TEST_F(CatalogCollectionsTest, FolderItemsCopyTheirFolderAndOutliveTheStore) {
  const ComRef<IModuleFolderItem> item = Folder(IntegerVariant(1).Get());
  ASSERT_TRUE(item);
  UniqueBstr renamed(SysAllocString(L"Renamed")), text;
  BSTR value = renamed.Get();
  ASSERT_EQ(S_OK, item->put_Name(&value));
  ASSERT_EQ(S_OK, item->get_Name(text.Put()));
  EXPECT_STREQ(L"Renamed", text.Get());
  EXPECT_EQ(Path(L"a"), ModuleFolderStore().at(Path(L"a"))->Name) << "the folder is not changed";

  // The item keeps its folder after the last catalog emptied the store; an edit then leaves
  // the store empty.
  catalog_.Reset();
  const auto modules = GetAs<IMergeModuleCollection>(item.Get(), &IModuleFolderItem::get_Modules);
  EXPECT_EQ(2, CountOf(modules.Get()));
  ASSERT_EQ(S_OK, Add(Path(L"b").c_str()));
  EXPECT_TRUE(ModuleFolderStore().empty());
}

TEST_F(CatalogCollectionsTest, AddFolderAppendsTheLowerCasedFolderOnce) {
  scratch_.MakeFolder(L"New Folder");
  const std::wstring root = scratch_.Path().c_str();
  ASSERT_TRUE(SetEnvironmentVariableW(L"QV_CATALOG_ROOT", root.c_str()));
  const std::wstring expected = SearchPathList() + L"," + Lowered(root + L"\\new folder\\");
  ASSERT_EQ(S_OK, Add(root + L"\\New Folder"));
  EXPECT_EQ(expected, SearchPathList());

  // The same folder in other spellings, and folders already listed, are not added again.
  for (const std::wstring& spelling :
       {root + L"\\NEW FOLDER", root + L"\\new folder\\", root + L"\\a\\..\\New Folder",
        std::wstring(L"%QV_CATALOG_ROOT%\\new folder"), root + L"\\A\\"}) {
    ASSERT_EQ(S_OK, Add(spelling));
    EXPECT_EQ(expected, SearchPathList()) << spelling;
  }
  // Into an empty list the folder goes alone, as given (references are not expanded).
  state_.SetText(L"SearchPathList", L"");
  ASSERT_EQ(S_OK, Add(L"%QV_CATALOG_ROOT%\\Fresh"));
  EXPECT_EQ(L"%qv_catalog_root%\\fresh\\", SearchPathList());
}

TEST_F(CatalogCollectionsTest, RemoveFolderRewritesTheListFromItsExpandedEntries) {
  ASSERT_TRUE(SetEnvironmentVariableW(L"QV_CATALOG_ROOT", scratch_.Path().c_str()));
  scratch_.MakeFolder(L"C");
  state_.SetText(L"SearchPathList", L"%QV_CATALOG_ROOT%\\A,C:\\no such folder," + Path(L"B") +
                                        L",%QV_CATALOG_ROOT%\\C\\");
  TakeFolders();
  ASSERT_EQ(3, CountOf(folders_.Get()));  // <root>\A, <root>\B, <root>\C\ (the store's order)
  long result = -1;
  // Only a null text and the number 0 remove nothing at once; other empty or zero indexes go
  // through Item, which finds nothing.
  LONG zero = 0;
  const std::pair<VARTYPE, HRESULT> indexes[] = {
      {VT_I4, S_OK},          {VT_I2, S_OK},         {VT_UI4, S_OK},
      {VT_BSTR, S_OK},        {VT_EMPTY, E_INVALIDARG}, {VT_BOOL, E_INVALIDARG},
      {VT_R8, E_INVALIDARG},  {VT_NULL, E_INVALIDARG},  {VT_I4 | VT_BYREF, E_INVALIDARG}};
  for (const auto& [type, expected] : indexes) {
    VARIANT index;
    V_VT(&index) = type;
    V_I8(&index) = 0;  // 0, 0.0, False, a null text
    if (type & VT_BYREF) V_BYREF(&index) = &zero;
    EXPECT_EQ(expected, folders_->RemoveFolder(index, &result)) << type;
  }
  EXPECT_EQ(E_INVALIDARG, folders_->RemoveFolder(StringVariant(L"").Get(), &result));
  EXPECT_EQ(3, CountOf(folders_.Get())) << "nothing was removed";

  ASSERT_EQ(S_OK, folders_->RemoveFolder(StringVariant(L"2").Get(), &result));
  EXPECT_EQ(0, result);
  EXPECT_EQ(Lowered((Path(L"A") + L"," + Path(L"C\\")).c_str()), SearchPathList());
  EXPECT_EQ(2, CountOf(folders_.Get()));
  // Later entries moved down; their keys stay.
  EXPECT_EQ(Path(L"C\\").c_str(), FolderPath(IntegerVariant(2).Get()));
  EXPECT_EQ(Path(L"C\\").c_str(), FolderPath(StringVariant(L"3").Get()));
  EXPECT_EQ(Error(E_INVALIDARG), FolderPath(StringVariant(L"2").Get()));
  EXPECT_EQ(E_INVALIDARG, folders_->RemoveFolder(StringVariant(L"2").Get(), &result));
}

TEST_F(CatalogCollectionsTest, ErrorInformationIsPromisedForEachObjectsOwnInterfacesOnly) {
  ComRef<IMMCatalog> pro;
  ASSERT_EQ(S_OK, CreateComponentInstance<MMCatalogPro>(nullptr, __uuidof(IMMCatalog),
                                                        pro.PutVoid()));
  const ComRef<IMergeModuleCollection> modules = ModulesOf(catalog_.Get());
  const ComRef<IMergeModule2> module = Item(modules.Get(), IntegerVariant(1));
  const ComRef<IModuleFolderItem> folder = Folder(IntegerVariant(1).Get());
  const auto dialogs = GetAs<IDialogCollection>(module.Get(), &IMergeModule2::get_Dialogs);
  const IID catalogIds[] = {__uuidof(IMMCatalog), kIidMMCatalogAlt2, kIidMMCatalogAlt3};
  const struct {
    IUnknown* object;
    std::vector<IID> promised;
  } rows[] = {{catalog_.Get(), {std::begin(catalogIds), std::end(catalogIds)}},
              {pro.Get(), {std::begin(catalogIds), std::end(catalogIds)}},
              {module.Get(), {kIidMergeModule2Alt1}},  // of its three identifiers the first
              {modules.Get(), {__uuidof(IMergeModuleCollection)}},
              {folders_.Get(), {__uuidof(IModuleFolderCollection)}},
              {folder.Get(), {__uuidof(IModuleFolderItem)}},
              {dialogs.Get(), {__uuidof(IDialogCollection)}}};
  const IID asked[] = {__uuidof(IMMCatalog), kIidMMCatalogAlt2, kIidMMCatalogAlt3,
                       __uuidof(IMergeModule2), kIidMergeModule2Alt1, kIidMergeModule2Alt2,
                       __uuidof(IMergeModuleCollection), __uuidof(IModuleFolderCollection),
                       __uuidof(IModuleFolderItem), __uuidof(IDialogCollection),
                       IID_IDispatch, IID_IUnknown};
  int row = 0;
  for (const auto& [object, promised] : rows) {
    SCOPED_TRACE(row++);
    ComRef<ISupportErrorInfo> errors;
    ASSERT_EQ(S_OK, object->QueryInterface(IID_ISupportErrorInfo, errors.PutVoid()));
    for (const IID& iid : asked) {
      const bool listed = std::find(promised.begin(), promised.end(), iid) != promised.end();
      EXPECT_EQ(listed ? S_OK : S_FALSE, errors->InterfaceSupportsErrorInfo(iid))
          << &iid - asked;
    }
  }
}

TEST_F(CatalogCollectionsTest, AFailingApplicationServiceFailsTheEdit) {
  state_.SetText(L"FailOperation", L"SetSearchPathList");
  state_.SetNumber(L"FailHResult", 0x80041111);
  EXPECT_EQ(static_cast<HRESULT>(0x80041111), Add(L"C:\\elsewhere"));
  long result = -1;
  EXPECT_EQ(static_cast<HRESULT>(0x80041111),
            folders_->RemoveFolder(IntegerVariant(1).Get(), &result));
  EXPECT_EQ(2, CountOf(folders_.Get())) << "the item stays when the list cannot be written";
  EXPECT_EQ(E_NOTIMPL, folders_->Reserved3(1, 2, 3));
}

}  // namespace
