// MergeModule2 over a record built from a gallery descriptor: the download files read from
// the descriptor on every call, and the lists a descriptor does not have.
#include "gallery/gallery_test_support.h"

#include "common/bstr.h"
#include "common/com_ref.h"
#include "common/variant.h"
#include "module/merge_module2.h"
#include "module/module_record.h"

#include <memory>
#include <string>

namespace {

constexpr char kDescriptor[] =
    "[MergeModule]\r\n"
    "ModuleID=Qv.Offered\r\n"
    "Language=1033\r\n"
    "Version=1.5\r\n"
    "Subject=Offered Module\r\n"
    "[DownloadFiles]\r\n"
    "Key1=Setup.Part1\r\n"
    "Key2=Setup.Part2\r\n"
    "[Setup.Part1]\r\n"
    "Location=Modules\\offered.msm\r\n"
    "MediaLocation=D:\\Modules\\offered.msm\r\n"
    "InternetLocation=https://downloads.example.test/offered.msm\r\n"
    "FileSize=123456\r\n"
    "CheckSum=ABCDEF01\r\n"
    "[Setup.Part2]\r\n"
    "Location=Modules\\offered.cab\r\n"
    "FileSize=  42kB\r\n";

class ModuleFromDescriptor : public GalleryTest {
 protected:
  void SetUp() override {
    GalleryTest::SetUp();
    SetText(L"ProductFolder", MakeFolder(L"product"));
    WriteFile(L"product\\ObjectGallery\\Offered.ini", kDescriptor);
    auto record = std::make_shared<ModuleRecord>();
    record->InitFromDescriptor(L"Offered.ini");
    module_ = MakeComponentObject<MergeModule2, IMergeModule2>();
    ImplementationOf<MergeModule2>(module_.Get())->SetRecord(record);
  }
  void TearDown() override {
    module_.Reset();
    GalleryTest::TearDown();
  }

  // Property `name` of item `position` (from 1) of a collection, as text.
  static std::wstring Property(IDispatch* collection, long position, const wchar_t* name) {
    IntegerVariant index(position);
    DISPPARAMS params{&index.Get(), nullptr, 1, 0};
    UniqueVariant item;
    if (FAILED(collection->Invoke(0, IID_NULL, 0, DISPATCH_METHOD, &params, item.Put(), nullptr,
                                  nullptr)))
      return L"<no item>";
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<wchar_t*>(name)};
    V_DISPATCH(&item.Get())->GetIDsOfNames(IID_NULL, names, 1, 0, &id);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    UniqueVariant value;
    V_DISPATCH(&item.Get())->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, value.Put(),
                                    nullptr, nullptr);
    UniqueVariant text;
    VariantChangeType(text.Put(), &value.Get(), 0, VT_BSTR);
    return V_BSTR(&text.Get());
  }
  static long Count(IDispatch* collection) {
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    UniqueVariant count;
    collection->Invoke(1, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, count.Put(), nullptr,
                       nullptr);
    return V_I4(&count.Get());
  }

  ComRef<IMergeModule2> module_;
};

TEST_F(ModuleFromDescriptor, DownloadFilesComeFromTheDescriptorEntries) {
  ComRef<IDispatch> downloads;
  ASSERT_EQ(S_OK, module_->get_DownloadFiles(downloads.Put()));
  ASSERT_EQ(2, Count(downloads.Get()));
  EXPECT_EQ(L"Modules\\offered.msm", Property(downloads.Get(), 1, L"Location"));
  EXPECT_EQ(L"D:\\Modules\\offered.msm", Property(downloads.Get(), 1, L"MediaLocation"));
  EXPECT_EQ(L"https://downloads.example.test/offered.msm",
            Property(downloads.Get(), 1, L"InternetLocation"));
  EXPECT_EQ(L"123456", Property(downloads.Get(), 1, L"FileSize"));
  EXPECT_EQ(L"ABCDEF01", Property(downloads.Get(), 1, L"CheckSum"));
  EXPECT_EQ(L"Modules\\offered.cab", Property(downloads.Get(), 2, L"Location"));
  EXPECT_EQ(L"", Property(downloads.Get(), 2, L"CheckSum"));
  EXPECT_EQ(L"42", Property(downloads.Get(), 2, L"FileSize")) << "a number read up to its end";

  ComRef<IDispatch> again;
  ASSERT_EQ(S_OK, module_->get_DownloadFiles(again.Put()));
  EXPECT_NE(downloads.Get(), again.Get()) << "every call builds a new collection";
  EXPECT_EQ(2, Count(again.Get()));
}

TEST_F(ModuleFromDescriptor, DialogsAndCustomActionsOfADescriptorModuleAreEmpty) {
  ComRef<IDispatch> dialogs, actions;
  ASSERT_EQ(S_OK, module_->get_Dialogs(dialogs.Put()));
  ASSERT_EQ(S_OK, module_->get_CustomActions(actions.Put()));
  EXPECT_EQ(0, Count(dialogs.Get()));
  EXPECT_EQ(0, Count(actions.Get()));
  UniqueBstr key;
  ASSERT_EQ(S_OK, module_->get_Key(key.Put()));
  EXPECT_STREQ(L"Qv.Offered:1033", key.Get());
}

}  // namespace
