// MergeModule2 over real packages: errors before and during Load, the record it shares, and
// what its list properties build.
#include "server_test_support.h"

#include "common/bstr.h"
#include "common/com_ref.h"
#include "common/variant.h"
#include "module/merge_module2.h"
#include "server/server_module.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <string>
#include <vector>

namespace {

class MergeModule2Test : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitialize(nullptr);
    module_ = MakeComponentObject<MergeModule2, IMergeModule2>();
  }
  void TearDown() override {
    module_.Reset();
    CoUninitialize();
  }

  HRESULT Load(const char* package) {
    UniqueBstr path(SysAllocString(ServerPackage(package).c_str()));
    return module_->Load(path.Get());
  }
  template <class Getter>
  std::wstring Text(Getter getter) {
    UniqueBstr text;
    const HRESULT result = (module_.Get()->*getter)(text.Put());
    if (FAILED(result)) return L"error " + std::to_wstring(result);
    EXPECT_NE(nullptr, text.Get()) << "texts are never null";
    return text.Get() ? text.Get() : L"";
  }
  // Property `name` of every item of a collection, in position order, through IDispatch.
  static std::vector<std::wstring> Column(IDispatch* collection, const wchar_t* name) {
    std::vector<std::wstring> values;
    UniqueVariant count;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_EQ(S_OK, collection->Invoke(1, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, count.Put(),
                                       nullptr, nullptr));
    for (long i = 1; i <= V_I4(&count.Get()); ++i) {
      IntegerVariant index(i);
      DISPPARAMS params{&index.Get(), nullptr, 1, 0};
      UniqueVariant item;
      EXPECT_EQ(S_OK, collection->Invoke(0, IID_NULL, 0, DISPATCH_METHOD, &params, item.Put(),
                                         nullptr, nullptr));
      IDispatch* object = V_DISPATCH(&item.Get());
      DISPID id = 0;
      LPOLESTR names[] = {const_cast<wchar_t*>(name)};
      EXPECT_EQ(S_OK, object->GetIDsOfNames(IID_NULL, names, 1, 0, &id));
      UniqueVariant value;
      EXPECT_EQ(S_OK, object->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, value.Put(),
                                     nullptr, nullptr));
      UniqueVariant text;
      VariantChangeType(text.Put(), &value.Get(), 0, VT_BSTR);
      values.push_back(std::wstring(V_BSTR(&text.Get())) + (value.Type() == VT_BSTR ? L"" : L"#"));
    }
    return values;
  }

  ComRef<IMergeModule2> module_;
};

using Texts = std::vector<std::wstring>;

TEST_F(MergeModule2Test, MembersFailClearlyBeforeTheObjectHasAModule) {
  SetErrorInfo(0, nullptr);
  EXPECT_EQ(L"error " + std::to_wstring(E_UNEXPECTED), Text(&IMergeModule2::get_Name));
  const ErrorInfoView info = TakeErrorInfo();
  EXPECT_TRUE(info.Present);
  EXPECT_EQ(L"QvModCat.MergeModule2.1", info.Source);
  EXPECT_EQ(L"The module object has no module; call Load first.", info.Description);

  long language = 0;
  EXPECT_EQ(E_UNEXPECTED, module_->get_Language(&language));
  VARIANT_BOOL flag = 0;
  EXPECT_EQ(E_UNEXPECTED, module_->get_IsInstalled(&flag));
  ComRef<IDispatch> files;
  EXPECT_EQ(E_UNEXPECTED, module_->get_Files(files.Put()));
  EXPECT_FALSE(files);
  EXPECT_EQ(E_POINTER, module_->get_Name(nullptr));
  EXPECT_EQ(E_POINTER, module_->get_Files(nullptr));
}

TEST_F(MergeModule2Test, LoadFailuresCarryTheInstallersTextAndLeaveNoModule) {
  ASSERT_EQ(S_OK, Load("full_module.msm"));
  for (const char* package : {"missing.msm", "not_a_package.msm"}) {
    SetErrorInfo(0, nullptr);
    const HRESULT result = Load(package);
    EXPECT_LT(result, 0) << package;
    const ErrorInfoView info = TakeErrorInfo();
    EXPECT_TRUE(info.Present) << package;
    EXPECT_EQ(L"QvModCat.MergeModule2.1", info.Source) << package;
    EXPECT_FALSE(info.Description.empty()) << package;
    EXPECT_EQ(L"error " + std::to_wstring(E_UNEXPECTED), Text(&IMergeModule2::get_Key))
        << "a failed Load leaves the object without a module";
  }
}

TEST_F(MergeModule2Test, PropertiesComeFromThePackage) {
  ASSERT_EQ(S_OK, Load("full_module.msm"));
  EXPECT_EQ(L"{5A1B2C3D-4E5F-4061-8273-9A8B7C6D5E4F}", Text(&IMergeModule2::get_Name));
  EXPECT_EQ(L"Qv.Scriptable.5A1B2C3D_4E5F_4061_8273_9A8B7C6D5E4F",
            Text(&IMergeModule2::get_ModuleID));
  EXPECT_EQ(L"Qv.Scriptable.5A1B2C3D_4E5F_4061_8273_9A8B7C6D5E4F:1033",
            Text(&IMergeModule2::get_Key));
  EXPECT_EQ(ServerPackage("full_module.msm"), Text(&IMergeModule2::get_Path));
  EXPECT_EQ(L"Module used by the automation tests", Text(&IMergeModule2::get_Comments));
  EXPECT_EQ(L"Scriptable Module", Text(&IMergeModule2::get_Subject));
  EXPECT_EQ(L"Quorvane Test Authors", Text(&IMergeModule2::get_Author));
  EXPECT_EQ(L"4.3.2.1", Text(&IMergeModule2::get_Version));
  long language = 0;
  EXPECT_EQ(S_OK, module_->get_Language(&language));
  EXPECT_EQ(1033, language);
}

TEST_F(MergeModule2Test, ListPropertiesBuildKeyedCollections) {
  ASSERT_EQ(S_OK, Load("full_module.msm"));
  ComRef<IDispatch> dependencies, exclusions, actions, dialogs, files;
  ASSERT_EQ(S_OK, module_->get_Dependencies(dependencies.Put()));
  EXPECT_EQ(Texts({L"Qv.Alpha.00000000_0000_0000_0000_000000000001",
                   L"Qv.Mike.00000000_0000_0000_0000_000000000002",
                   L"Qv.Zulu.00000000_0000_0000_0000_000000000003"}),
            Column(dependencies.Get(), L"ModuleID"))
      << "ascending key order, not package order";
  EXPECT_EQ(Texts({L"0#", L"1033#", L"1031#"}), Column(dependencies.Get(), L"Language"))
      << "dependency languages are numbers";
  ASSERT_EQ(S_OK, module_->get_Exclusions(exclusions.Put()));
  EXPECT_EQ(Texts({L"-1", L"1033"}), Column(exclusions.Get(), L"Language"))
      << "exclusion languages are texts";
  EXPECT_EQ(Texts({L"0.9", L""}), Column(exclusions.Get(), L"MinVersion"));
  ASSERT_EQ(S_OK, module_->get_CustomActions(actions.Put()));
  EXPECT_EQ(Texts({L"RegisterThing", L"Set?Folder"}), Column(actions.Get(), L"Name"))
      << "names pass through the ANSI code page";
  ASSERT_EQ(S_OK, module_->get_Dialogs(dialogs.Put()));
  EXPECT_EQ(3u, Column(dialogs.Get(), L"Name").size());
  ASSERT_EQ(S_OK, module_->get_Files(files.Put()));
  EXPECT_EQ(Texts({L"alpha.txt", L"thing.dll", L"thing.ini"}), Column(files.Get(), L"File"));
  EXPECT_EQ(Texts({L"10#", L"65536#", L"300#"}), Column(files.Get(), L"FileSize"));
  EXPECT_EQ(Texts({L"1#", L"2#", L"3#"}), Column(files.Get(), L"Sequence"));

  ComRef<IDispatch> again;
  ASSERT_EQ(S_OK, module_->get_Dependencies(again.Put()));
  EXPECT_NE(dependencies.Get(), again.Get()) << "every call builds a new collection";
}

TEST_F(MergeModule2Test, DownloadFilesOfAPackageWithoutDescriptorFailWithErrorInformation) {
  // The descriptor named by the package code does not exist.  What reading it gives is the
  // descriptor reader's and the profile reader's business; the module object either hands
  // out a collection or reports the failure with its source and a text.
  ASSERT_EQ(S_OK, Load("full_module.msm"));
  for (int call = 1; call <= 2; ++call) {
    SetErrorInfo(0, nullptr);
    ComRef<IDispatch> downloads;
    const HRESULT result = module_->get_DownloadFiles(downloads.Put());
    if (SUCCEEDED(result)) {
      EXPECT_TRUE(downloads) << call;
      continue;
    }
    EXPECT_FALSE(downloads) << call;
    const ErrorInfoView info = TakeErrorInfo();
    EXPECT_EQ(L"QvModCat.MergeModule2.1", info.Source) << call;
    EXPECT_FALSE(info.Description.empty()) << call;
  }
}

TEST_F(MergeModule2Test, BareModuleHasEmptyListsAndShowsItsPathAsDisplayName) {
  ASSERT_EQ(S_OK, Load("bare_module.msm"));
  EXPECT_EQ(L"", Text(&IMergeModule2::get_Subject));
  EXPECT_EQ(Text(&IMergeModule2::get_Path), Text(&IMergeModule2::get_DisplayName));
  ComRef<IDispatch> dialogs;
  ASSERT_EQ(S_OK, module_->get_Dialogs(dialogs.Put()));
  EXPECT_TRUE(Column(dialogs.Get(), L"Name").empty());
}

TEST_F(MergeModule2Test, SetRecordSharesTheRecord) {
  ASSERT_EQ(S_OK, Load("full_module.msm"));
  ModuleRecordRef record = ImplementationOf<MergeModule2>(module_.Get())->Record();
  ASSERT_TRUE(record);
  ComRef<IMergeModule2> other = MakeComponentObject<MergeModule2, IMergeModule2>();
  ImplementationOf<MergeModule2>(other.Get())->SetRecord(record);
  module_.Reset();  // the record lives on with its other owners
  UniqueBstr key;
  ASSERT_EQ(S_OK, other->get_Key(key.Put()));
  EXPECT_STREQ(L"Qv.Scriptable.5A1B2C3D_4E5F_4061_8273_9A8B7C6D5E4F:1033", key.Get());
}

}  // namespace
