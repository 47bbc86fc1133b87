// The catalog's collections: index resolution, missing entries, enumerators, folder items and
// the search-path edits of AddFolder and RemoveFolder.
#include "catalog/catalog_test_support.h"

#include "catalog/folder_collection.h"
#include "catalog/folder_store.h"
#include "common/bstr.h"
#include "common/variant.h"

namespace {

ComRef<IModuleFolderCollection> FoldersOf(IMMCatalog* catalog) {
  ComRef<IUnknown> folders;
  EXPECT_EQ(S_OK, catalog->GetModuleFolders(folders.Put()));
  ComRef<IModuleFolderCollection> collection;
  folders.QueryTo(__uuidof(IModuleFolderCollection), collection);
  return collection;
}

ComRef<IMergeModuleCollection> ModulesOf(IMMCatalog* catalog) {
  ComRef<IUnknown> modules;
  EXPECT_EQ(S_OK, catalog->GetModules(modules.Put()));
  ComRef<IMergeModuleCollection> collection;
  modules.QueryTo(__uuidof(IMergeModuleCollection), collection);
  return collection;
}

std::wstring ItemText(IDispatch* object, HRESULT (STDMETHODCALLTYPE IModuleFolderItem::*getter)(BSTR*)) {
  ComRef<IModuleFolderItem> item;
  if (!object || FAILED(object->QueryInterface(__uuidof(IModuleFolderItem), item.PutVoid())))
    return L"<no item>";
  UniqueBstr text;
  if (FAILED((item.Get()->*getter)(text.Put()))) return L"<error>";
  return text.Get() ? text.Get() : L"";
}

// Lower case by the system's wide rules (the paths here are plain ASCII).
WideString Lowered(const WideString& text) {
  std::wstring copy = text.c_str();
  if (!copy.empty()) CharLowerBuffW(&copy[0], static_cast<DWORD>(copy.size()));
  return WideString(copy.c_str());
}

class CatalogCollectionsTest : public CatalogTest {
 protected:
  void SetUp() override {
    CatalogTest::SetUp();
    MakeFolder(L"a");
    MakeFolder(L"b");
    BuildModule(L"a\\alpha.msm", "Qv.Alpha", 1033, "Alpha");
    BuildModule(L"a\\beta.msm", "Qv.Beta", 0, "Beta");
    BuildModule(L"b\\gamma.msm", "Qv.Gamma", 0, "Gamma");
    SetText(L"SearchPathList", PathOf(L"a") + L"," + PathOf(L"b"));
    catalog_ = NewCatalog();
  }
  void TearDown() override {
    catalog_.Reset();
    CatalogTest::TearDown();
  }
  ComRef<IMMCatalog> catalog_;
};

TEST_F(CatalogCollectionsTest, AMissingModuleIsNoErrorButAMissingFolderIs) {
  const ComRef<IMergeModuleCollection> modules = ModulesOf(catalog_.Get());
  ComRef<IDispatch> item;
  StringVariant unknownKey(L"Qv.Nothing:0");
  EXPECT_EQ(S_OK, modules->Item(unknownKey.Get(), item.Put()));
  EXPECT_FALSE(item);
  IntegerVariant beyond(4);
  EXPECT_EQ(S_OK, modules->Item(beyond.Get(), item.Put()));
  EXPECT_FALSE(item);
  StringVariant otherCase(L"qv.alpha:1033");
  EXPECT_EQ(S_OK, modules->Item(otherCase.Get(), item.Put()));
  EXPECT_FALSE(item) << "keys are compared exactly";
  EXPECT_EQ(E_POINTER, modules->Item(unknownKey.Get(), nullptr));

  const ComRef<IModuleFolderCollection> folders = FoldersOf(catalog_.Get());
  EXPECT_EQ(E_INVALIDARG, folders->Item(unknownKey.Get(), item.Put()));
  EXPECT_FALSE(item);
  IntegerVariant zero(0);
  EXPECT_EQ(E_INVALIDARG, folders->Item(zero.Get(), item.Put()));
}

TEST_F(CatalogCollectionsTest, PositionsAndKeysFindTheSameEntries) {
  const ComRef<IModuleFolderCollection> folders = FoldersOf(catalog_.Get());
  long count = 0;
  ASSERT_EQ(S_OK, folders->get_Count(&count));
  ASSERT_EQ(2, count);
  ComRef<IDispatch> byNumber, byText, byShort;
  IntegerVariant two(2);
  StringVariant twoText(L"2");
  UniqueVariant twoShort;
  V_VT(&twoShort.Get()) = VT_I2;
  V_I2(&twoShort.Get()) = 2;
  ASSERT_EQ(S_OK, folders->Item(two.Get(), byNumber.Put()));
  ASSERT_EQ(S_OK, folders->Item(twoText.Get(), byText.Put()));
  ASSERT_EQ(S_OK, folders->Item(twoShort.Get(), byShort.Put()));
  EXPECT_EQ(byNumber.Get(), byText.Get());
  EXPECT_EQ(byNumber.Get(), byShort.Get());
  EXPECT_EQ(std::wstring(PathOf(L"b").c_str()), ItemText(byNumber.Get(), &IModuleFolderItem::get_Path));

  // A VARIANT by reference counts as its value; a double is a key text ("2").
  VARIANT reference;
  VariantInit(&reference);
  V_VT(&reference) = VT_BYREF | VT_VARIANT;
  V_VARIANTREF(&reference) = &two.Get();
  ComRef<IDispatch> byReference;
  ASSERT_EQ(S_OK, folders->Item(reference, byReference.Put()));
  EXPECT_EQ(byNumber.Get(), byReference.Get());
  UniqueVariant real;
  V_VT(&real.Get()) = VT_R8;
  V_R8(&real.Get()) = 2.0;
  ComRef<IDispatch> byReal;
  ASSERT_EQ(S_OK, folders->Item(real.Get(), byReal.Put()));
  EXPECT_EQ(byNumber.Get(), byReal.Get());

  const ComRef<IMergeModuleCollection> modules = ModulesOf(catalog_.Get());
  StringVariant gamma(L"Qv.Gamma:0");
  IntegerVariant three(3);
  ComRef<IDispatch> byKey, byPosition;
  ASSERT_EQ(S_OK, modules->Item(gamma.Get(), byKey.Put()));
  ASSERT_EQ(S_OK, modules->Item(three.Get(), byPosition.Put()));
  EXPECT_TRUE(byKey);
  EXPECT_EQ(byKey.Get(), byPosition.Get());
}

TEST_F(CatalogCollectionsTest, EnumeratorsWalkSkipResetAndCloneAndKeepTheirCollection) {
  ComRef<IMergeModuleCollection> modules = ModulesOf(catalog_.Get());
  ComRef<IUnknown> unknown;
  ASSERT_EQ(S_OK, modules->get_NewEnum(unknown.Put()));
  ComRef<IEnumVARIANT> walk;
  ASSERT_EQ(S_OK, unknown.QueryTo(IID_IEnumVARIANT, walk));
  ComRef<IUnknown> second;
  ASSERT_EQ(S_OK, modules->Enumerator(second.Put()));
  ComRef<IDispatch> firstModule;
  IntegerVariant one(1);
  modules->Item(one.Get(), firstModule.Put());

  // The collection goes (and the catalog rebuilds its own); the enumerator still reads it.
  modules.Reset();
  BuildModule(L"b\\delta.msm", "Qv.Delta", 0, "Delta");
  EXPECT_EQ(4u, ModuleKeys(catalog_.Get()).size());

  VARIANT items[3];
  ULONG fetched = 0;
  EXPECT_EQ(E_POINTER, walk->Next(2, items, nullptr));
  ASSERT_EQ(S_OK, walk->Next(1, items, nullptr));
  EXPECT_EQ(VT_DISPATCH, V_VT(&items[0]));
  EXPECT_EQ(firstModule.Get(), V_DISPATCH(&items[0]));
  VariantClear(&items[0]);
  EXPECT_EQ(S_FALSE, walk->Next(3, items, &fetched));
  EXPECT_EQ(2u, fetched) << "the old collection had three modules";
  VariantClear(&items[0]);
  VariantClear(&items[1]);
  EXPECT_EQ(S_FALSE, walk->Skip(1));
  ASSERT_EQ(S_OK, walk->Reset());
  ASSERT_EQ(S_OK, walk->Skip(2));
  ComRef<IEnumVARIANT> clone;
  ASSERT_EQ(S_OK, walk->Clone(clone.Put()));
  ASSERT_EQ(S_OK, clone->Next(1, items, &fetched));
  ComRef<IMergeModule2> third;
  V_DISPATCH(&items[0])->QueryInterface(__uuidof(IMergeModule2), third.PutVoid());
  VariantClear(&items[0]);
  EXPECT_EQ(L"Qv.Gamma:0", TextOf(third.Get(), &IMergeModule2::get_Key));
  EXPECT_EQ(S_FALSE, clone->Skip(1));
  EXPECT_EQ(E_POINTER, clone->Clone(nullptr));
}

TEST_F(CatalogCollectionsTest, FolderItemsCopyTheirFolderAndListItsModules) {
  const ComRef<IModuleFolderCollection> folders = FoldersOf(catalog_.Get());
  IntegerVariant one(1);
  ComRef<IDispatch> object;
  ASSERT_EQ(S_OK, folders->Item(one.Get(), object.Put()));
  ComRef<IModuleFolderItem> item;
  ASSERT_EQ(S_OK, object.QueryTo(__uuidof(IModuleFolderItem), item));
  const std::wstring a = PathOf(L"a").c_str();
  EXPECT_EQ(a, ItemText(object.Get(), &IModuleFolderItem::get_Name));
  EXPECT_EQ(a, ItemText(object.Get(), &IModuleFolderItem::get_Folder));
  short kind = -1;
  ASSERT_EQ(S_OK, item->get_Kind(&kind));
  EXPECT_EQ(0, kind);
  EXPECT_EQ(E_POINTER, item->get_Name(nullptr));

  UniqueBstr renamed(SysAllocString(L"Renamed"));
  BSTR value = renamed.Get();
  ASSERT_EQ(S_OK, item->put_Name(&value));
  BSTR none = nullptr;
  ASSERT_EQ(S_OK, item->put_Folder(&none));
  short indexed = 1;
  ASSERT_EQ(S_OK, item->put_Kind(&indexed));
  EXPECT_EQ(L"Renamed", ItemText(object.Get(), &IModuleFolderItem::get_Name));
  EXPECT_EQ(L"", ItemText(object.Get(), &IModuleFolderItem::get_Folder));
  EXPECT_EQ(a, ItemText(object.Get(), &IModuleFolderItem::get_Path));
  EXPECT_EQ(WideString(a.c_str()), ModuleFolderStore().at(PathOf(L"a"))->Name)
      << "the folder itself is not changed";

  ComRef<IUnknown> unknown;
  ASSERT_EQ(S_OK, item->get_Modules(unknown.Put()));
  ComRef<IMergeModuleCollection> modules;
  ASSERT_EQ(S_OK, unknown.QueryTo(__uuidof(IMergeModuleCollection), modules));
  long count = 0;
  modules->get_Count(&count);
  EXPECT_EQ(2, count);

  // The item keeps its folder: it answers after the store was emptied.
  catalog_.Reset();
  ASSERT_TRUE(ModuleFolderStore().empty());
  ASSERT_EQ(S_OK, item->get_Modules(unknown.Put()));
  ASSERT_EQ(S_OK, unknown.QueryTo(__uuidof(IMergeModuleCollection), modules));
  modules->get_Count(&count);
  EXPECT_EQ(2, count);
}

TEST_F(CatalogCollectionsTest, AddFolderAppendsTheLowerCasedFolderOnce) {
  const WideString before = StoredText(L"SearchPathList");
  const ComRef<IModuleFolderCollection> folders = FoldersOf(catalog_.Get());
  MakeFolder(L"New Folder");

  UniqueBstr added(SysAllocString((std::wstring(Root().c_str()) + L"\\New Folder").c_str()));
  ASSERT_EQ(S_OK, folders->AddFolder(added.Get()));
  const WideString expected = before + L"," + Lowered(PathOf(L"New Folder\\"));
  EXPECT_EQ(expected, StoredText(L"SearchPathList"));

  // The same folder in other spellings is not added again.
  ASSERT_TRUE(SetEnvironmentVariableW(L"QV_CATALOG_ROOT", Root().c_str()));
  for (const wchar_t* spelling : {L"\\NEW FOLDER", L"\\new folder\\", L"\\a\\..\\New Folder"}) {
    UniqueBstr again(SysAllocString((std::wstring(Root().c_str()) + spelling).c_str()));
    ASSERT_EQ(S_OK, folders->AddFolder(again.Get()));
  }
  UniqueBstr referenced(SysAllocString(L"%QV_CATALOG_ROOT%\\new folder"));
  ASSERT_EQ(S_OK, folders->AddFolder(referenced.Get()));
  UniqueBstr existing(SysAllocString((std::wstring(Root().c_str()) + L"\\A\\").c_str()));
  ASSERT_EQ(S_OK, folders->AddFolder(existing.Get()));
  EXPECT_EQ(expected, StoredText(L"SearchPathList"));

  // Into an empty list the folder goes alone, as given (references are not expanded).
  SetText(L"SearchPathList", L"");
  UniqueBstr fresh(SysAllocString(L"%QV_CATALOG_ROOT%\\Fresh"));
  ASSERT_EQ(S_OK, folders->AddFolder(fresh.Get()));
  EXPECT_EQ(WideString(L"%qv_catalog_root%\\fresh\\"), StoredText(L"SearchPathList"));
}

TEST_F(CatalogCollectionsTest, RemoveFolderRewritesTheListFromItsExpandedEntries) {
  ASSERT_TRUE(SetEnvironmentVariableW(L"QV_CATALOG_ROOT", Root().c_str()));
  MakeFolder(L"C");
  SetText(L"SearchPathList",
          L"%QV_CATALOG_ROOT%\\A,C:\\no such folder," + PathOf(L"B") + L",%QV_CATALOG_ROOT%\\C\\");
  const ComRef<IModuleFolderCollection> folders = FoldersOf(catalog_.Get());
  long count = 0;
  folders->get_Count(&count);
  ASSERT_EQ(3, count);  // <root>\A, <root>\B, <root>\C\ (the store's order)

  long result = -1;
  IntegerVariant zero(0);
  EXPECT_EQ(S_OK, folders->RemoveFolder(zero.Get(), &result));
  EXPECT_EQ(0, result);
  UniqueVariant empty;
  EXPECT_EQ(S_OK, folders->RemoveFolder(empty.Get(), &result));
  folders->get_Count(&count);
  EXPECT_EQ(3, count) << "zero and empty indexes remove nothing";

  StringVariant second(L"2");
  ASSERT_EQ(S_OK, folders->RemoveFolder(second.Get(), &result));
  EXPECT_EQ(0, result);
  const WideString expected =
      Lowered(PathOf(L"A") + L"," + PathOf(L"C\\"));
  EXPECT_EQ(expected, StoredText(L"SearchPathList"));
  folders->get_Count(&count);
  EXPECT_EQ(2, count);
  // Later entries moved down; their keys stay.
  ComRef<IDispatch> item;
  IntegerVariant two(2);
  ASSERT_EQ(S_OK, folders->Item(two.Get(), item.Put()));
  EXPECT_EQ(std::wstring(PathOf(L"C\\").c_str()), ItemText(item.Get(), &IModuleFolderItem::get_Path));
  StringVariant three(L"3");
  ASSERT_EQ(S_OK, folders->Item(three.Get(), item.Put()));
  StringVariant gone(L"2");
  EXPECT_EQ(E_INVALIDARG, folders->Item(gone.Get(), item.Put()));
  EXPECT_EQ(E_INVALIDARG, folders->RemoveFolder(gone.Get(), &result));
}

TEST_F(CatalogCollectionsTest, RemovingAnIndexedFolderLeavesTheListsAlone) {
  const WideString indexed = MakeFolder(L"indexed");
  SetText(L"ModuleFolder0", indexed);
  const WideString list = StoredText(L"SearchPathList");
  const ComRef<IModuleFolderCollection> folders = FoldersOf(catalog_.Get());
  long count = 0;
  folders->get_Count(&count);
  ASSERT_EQ(3, count);
  IntegerVariant third(3);
  ComRef<IDispatch> item;
  ASSERT_EQ(S_OK, folders->Item(third.Get(), item.Put()));
  ASSERT_EQ(std::wstring(indexed.c_str()), ItemText(item.Get(), &IModuleFolderItem::get_Path));
  long result = -1;
  ASSERT_EQ(S_OK, folders->RemoveFolder(third.Get(), &result));
  folders->get_Count(&count);
  EXPECT_EQ(2, count);
  EXPECT_EQ(list, StoredText(L"SearchPathList"));
  EXPECT_EQ(indexed, StoredText(L"ModuleFolder0"));
}

TEST_F(CatalogCollectionsTest, FolderEditsEmptyTheStoreWhenNoCatalogIsAlive) {
  const ComRef<IModuleFolderCollection> folders = FoldersOf(catalog_.Get());
  catalog_.Reset();
  EXPECT_TRUE(ModuleFolderStore().empty());
  UniqueBstr added(SysAllocString(PathOf(L"b").c_str()));
  ASSERT_EQ(S_OK, folders->AddFolder(added.Get()));
  EXPECT_TRUE(ModuleFolderStore().empty());
  EXPECT_EQ(0, FolderSourceCount());
}

TEST_F(CatalogCollectionsTest, AFailingApplicationServiceFailsTheEdit) {
  const ComRef<IModuleFolderCollection> folders = FoldersOf(catalog_.Get());
  SetText(L"FailOperation", L"SetSearchPathList");
  SetNumber(L"FailHResult", 0x80041111);
  UniqueBstr added(SysAllocString(L"C:\\elsewhere"));
  EXPECT_EQ(static_cast<HRESULT>(0x80041111), folders->AddFolder(added.Get()));
  long result = -1;
  IntegerVariant one(1);
  EXPECT_EQ(static_cast<HRESULT>(0x80041111), folders->RemoveFolder(one.Get(), &result));
  long count = 0;
  folders->get_Count(&count);
  EXPECT_EQ(2, count) << "the item stays when the list cannot be written";
  EXPECT_EQ(E_NOTIMPL, folders->Reserved3(1, 2, 3));
}

}  // namespace
