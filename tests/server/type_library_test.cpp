// The two type libraries: "qvmodcat.tlb" with every interface in slot order, and the library
// embedded in QvModCat2.dll with the four classes.
#include "server_test_support.h"

#include "common/bstr.h"
#include "common/com_ref.h"
#include "server/class_ids.h"

#include "qvmodcat.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <string>
#include <vector>

namespace {

ComRef<ITypeLib> LoadLibraryFile(const std::string& path) {
  ComRef<ITypeLib> library;
  const std::wstring wide(path.begin(), path.end());
  EXPECT_EQ(S_OK, LoadTypeLibEx(wide.c_str(), REGKIND_NONE, library.Put())) << path;
  return library;
}

// The members of an interface in vtable order after IDispatch, as "name=dispid".
std::vector<std::wstring> SlotOrder(ITypeLib* library, const IID& iid) {
  std::vector<std::wstring> members;
  ComRef<ITypeInfo> info, vtable;
  if (FAILED(library->GetTypeInfoOfGuid(iid, info.Put()))) return members;
  HREFTYPE reference = 0;
  if (FAILED(info->GetRefTypeOfImplType(-1, &reference)) ||
      FAILED(info->GetRefTypeInfo(reference, vtable.Put())))
    vtable = info;  // not dual
  TYPEATTR* attributes = nullptr;
  vtable->GetTypeAttr(&attributes);
  for (UINT i = 0; i < attributes->cFuncs; ++i) {
    FUNCDESC* function = nullptr;
    vtable->GetFuncDesc(i, &function);
    UniqueBstr name;
    UINT count = 0;
    vtable->GetNames(function->memid, name.Put(), 1, &count);
    const wchar_t* kind = function->invkind == INVOKE_PROPERTYPUT ? L"put " : L"";
    members.push_back(kind + std::wstring(name.Get()) + L"=" + std::to_wstring(function->memid) +
                      L"@" + std::to_wstring(function->oVft / sizeof(void*)));
    vtable->ReleaseFuncDesc(function);
  }
  vtable->ReleaseTypeAttr(attributes);
  return members;
}

class TypeLibraries : public ::testing::Test {
 protected:
  void SetUp() override { CoInitialize(nullptr); }
  void TearDown() override { CoUninitialize(); }
};

TEST_F(TypeLibraries, InterfaceLibraryHasEveryInterfaceInSlotOrder) {
  ComRef<ITypeLib> library = LoadLibraryFile(BinFile("qvmodcat.tlb"));
  ASSERT_TRUE(library);
  TLIBATTR* attributes = nullptr;
  ASSERT_EQ(S_OK, library->GetLibAttr(&attributes));
  EXPECT_EQ(kLibidQvModCatInterfaces, attributes->guid);
  library->ReleaseTLibAttr(attributes);

  using Members = std::vector<std::wstring>;
  EXPECT_EQ(Members({L"Reserved1=1@7", L"Reserved2=2@8", L"Reserved3=3@9",
                     L"GetModuleFolders=4@10", L"GetModules=5@11", L"FindModuleForFile=6@12",
                     L"Reserved7=7@13", L"Reserved8=8@14", L"Reserved9=9@15",
                     L"GetModule=10@16", L"FindModuleForFileInFolder=11@17",
                     L"GetModuleKeyForFile=12@18", L"GetModuleDisplayName=13@19",
                     L"SupportsProject=14@20", L"put AutoRefresh=15@21"}),
            SlotOrder(library.Get(), __uuidof(IMMCatalog)));
  EXPECT_EQ(Members({L"GetCatalog=1@7"}), SlotOrder(library.Get(), __uuidof(IMMCatalogManager)));
  EXPECT_EQ(Members({L"Dialogs=1@7", L"CustomActions=2@8", L"Name=3@9", L"ModuleID=4@10",
                     L"Key=5@11", L"Path=6@12", L"Comments=7@13", L"Subject=8@14",
                     L"Author=9@15", L"Language=10@16", L"Version=11@17",
                     L"Dependencies=12@18", L"Exclusions=13@19", L"Files=14@20",
                     L"DisplayName=15@21", L"Load=16@22", L"IsInstalled=17@23",
                     L"NeedsDownload=18@24", L"DownloadFiles=19@25"}),
            SlotOrder(library.Get(), __uuidof(IMergeModule2)));
  EXPECT_EQ(Members({L"Item=0@7", L"Count=1@8", L"NewEnum=-4@9", L"Enumerator=2@10"}),
            SlotOrder(library.Get(), __uuidof(IMergeModuleCollection)));
  EXPECT_EQ(Members({L"Item=0@7", L"Count=1@8", L"Reserved3=3@9", L"AddFolder=4@10",
                     L"RemoveFolder=5@11", L"NewEnum=-4@12", L"Enumerator=2@13"}),
            SlotOrder(library.Get(), __uuidof(IModuleFolderCollection)));
  EXPECT_EQ(Members({L"Modules=1@7", L"Path=2@8", L"Name=3@9", L"put Name=3@10",
                     L"Folder=4@11", L"put Folder=4@12", L"Kind=5@13", L"put Kind=5@14"}),
            SlotOrder(library.Get(), __uuidof(IModuleFolderItem)));
  for (const IID* collection :
       {&__uuidof(IDialogCollection), &__uuidof(ICustomActionCollection),
        &__uuidof(IDownloadFileCollection), &__uuidof(IDependencyCollection),
        &__uuidof(IExclusionCollection), &__uuidof(IFileCollection)})
    EXPECT_EQ(Members({L"Item=0@7", L"Count=1@8", L"_NewEnum=-4@9"}),
              SlotOrder(library.Get(), *collection));
  EXPECT_EQ(Members({L"Location=1@7", L"MediaLocation=2@8", L"InternetLocation=3@9",
                     L"FileSize=4@10", L"CheckSum=5@11"}),
            SlotOrder(library.Get(), __uuidof(IDownloadFileItem)));
  EXPECT_EQ(Members({L"Directory=1@7", L"File=2@8", L"FileSize=3@9", L"FileName=4@10",
                     L"Version=5@11", L"Language=6@12", L"Sequence=7@13"}),
            SlotOrder(library.Get(), __uuidof(IFileItem)));
  EXPECT_EQ(18u, library->GetTypeInfoCount());
}

TEST_F(TypeLibraries, ComponentLibraryDeclaresTheFourClassesAndCarriesTheInterfaces) {
  ComRef<ITypeLib> library = LoadLibraryFile(BinFile("QvModCat2.dll"));
  ASSERT_TRUE(library);
  UniqueBstr name, help;
  ASSERT_EQ(S_OK, library->GetDocumentation(-1, name.Put(), help.Put(), nullptr, nullptr));
  EXPECT_STREQ(L"QVMODCAT2Lib", name.Get());
  EXPECT_STREQ(L"QvModCat2 1.0 Type Library", help.Get());
  TLIBATTR* attributes = nullptr;
  ASSERT_EQ(S_OK, library->GetLibAttr(&attributes));
  EXPECT_EQ(kLibidQvModCat2, attributes->guid);
  EXPECT_EQ(1, attributes->wMajorVerNum);
  EXPECT_EQ(0, attributes->wMinorVerNum);
  library->ReleaseTLibAttr(attributes);

  const std::pair<const CLSID*, const wchar_t*> classes[] = {
      {&kClsidMMCatalog, L"MMCatalog Class"},
      {&kClsidMMCatalogPro, L"MMCatalogPro Class"},
      {&kClsidMergeModule2, L"MMergeModule Class"},
      {&kClsidMMCatalogManager, L"MMCatalogManager Class"}};
  for (const auto& [clsid, text] : classes) {
    ComRef<ITypeInfo> info;
    ASSERT_EQ(S_OK, library->GetTypeInfoOfGuid(*clsid, info.Put())) << text;
    UniqueBstr classHelp;
    info->GetDocumentation(MEMBERID_NIL, nullptr, classHelp.Put(), nullptr, nullptr);
    EXPECT_STREQ(text, classHelp.Get());
  }
  EXPECT_EQ(19u, SlotOrder(library.Get(), __uuidof(IMergeModule2)).size())
      << "the interfaces' type information is in the component's own library";
}

}  // namespace
