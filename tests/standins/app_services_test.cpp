#include "standin_state_fixture.h"

#include "common/bstr.h"
#include "common/com_ref.h"
#include "server/companion_loader.h"

namespace {

class AppServicesStandIn : public StandInTest {
 protected:
  void SetUp() override {
    StandInTest::SetUp();
    ASSERT_EQ(S_OK, CreateAppServices(services_));
    ASSERT_EQ(S_OK, CreateAppFolders(folders_));
  }
  // A text getter called by slot number.
  static std::wstring TextAt(void* object, int slot) {
    UniqueBstr text;
    EXPECT_EQ(S_OK, CallSlot(object, slot, text.Put())) << "slot " << slot;
    return text.ToWide().c_str();
  }
  static long NumberAt(void* object, int slot) {
    long number = -1;
    EXPECT_EQ(S_OK, CallSlot(object, slot, &number)) << "slot " << slot;
    return number;
  }

  ComRef<IAppServices> services_;
  ComRef<IAppFolders> folders_;
};

TEST_F(AppServicesStandIn, EachSlotReadsItsValueAndAbsentValuesAreEmpty) {
  EXPECT_EQ(L"", TextAt(services_.Get(), 21));
  EXPECT_EQ(0, NumberAt(services_.Get(), 40));
  SetText(L"SearchPathList", L"C:\\Modules,%ProgramFiles%\\More");
  SetNumber(L"MatchVersion", 1);
  SetNumber(L"MatchFolder", 7);
  SetText(L"PreferredLanguage", L"1031");
  SetText(L"ProductFolder", L"C:\\Product");
  SetText(L"FilesIniFolder", L"C:\\FilesIni");
  SetText(L"ModulesIniFolder", L"C:\\ModulesIni");
  SetText(L"ExtraSearchPathList", L"C:\\Extra1,C:\\Extra2");
  SetText(L"ExcludedFilePatterns", L"*.pdb,readme.*");

  EXPECT_EQ(L"C:\\Modules,%ProgramFiles%\\More", TextAt(services_.Get(), 21));
  EXPECT_EQ(1, NumberAt(services_.Get(), 40));
  EXPECT_EQ(7, NumberAt(services_.Get(), 42));
  EXPECT_EQ(L"1031", TextAt(services_.Get(), 82));
  EXPECT_EQ(L"C:\\Product", TextAt(folders_.Get(), 7));
  EXPECT_EQ(L"C:\\FilesIni", TextAt(folders_.Get(), 19));
  EXPECT_EQ(L"C:\\ModulesIni", TextAt(folders_.Get(), 20));
  EXPECT_EQ(L"C:\\Extra1,C:\\Extra2", TextAt(folders_.Get(), 46));
  EXPECT_EQ(L"*.pdb,readme.*", TextAt(folders_.Get(), 56));
  // A slot the environment leaves unnamed.
  EXPECT_EQ(E_NOTIMPL, CallSlot(services_.Get(), 23));
  EXPECT_EQ(E_NOTIMPL, CallSlot(folders_.Get(), 8));
}

TEST_F(AppServicesStandIn, SetSearchPathListIsReadBackAndStored) {
  ASSERT_EQ(S_OK, CallSlot(services_.Get(), 22, UniqueBstr(SysAllocString(L"C:\\A,D:\\B")).Get()));
  EXPECT_EQ(L"C:\\A,D:\\B", TextAt(services_.Get(), 21));
  EXPECT_EQ(L"C:\\A,D:\\B", StoredText(L"SearchPathList"));
  ASSERT_EQ(S_OK, services_->SetSearchPathList(nullptr));  // a null BSTR is empty text
  EXPECT_EQ(L"", TextAt(services_.Get(), 21));
}

TEST_F(AppServicesStandIn, ModuleFoldersEndAtTheFirstAbsentIndex) {
  SetText(L"ModuleFolder0", L"C:\\First");
  SetText(L"ModuleFolder1", L"C:\\Second");
  SetText(L"ModuleFolder3", L"C:\\AfterTheGap");
  const wchar_t* expected[] = {L"C:\\First", L"C:\\Second", L""};
  for (long index = 0; index < 3; ++index) {
    UniqueBstr folder;
    ASSERT_EQ(S_OK, CallSlot(services_.Get(), 24, index, folder.Put()));
    EXPECT_EQ(expected[index], std::wstring(folder.ToWide().c_str()));
  }
  UniqueBstr negative;
  ASSERT_EQ(S_OK, services_->GetModuleFolderAt(-1, negative.Put()));
  EXPECT_EQ(0u, negative.Length());
}

TEST_F(AppServicesStandIn, OneObjectAnswersBothInterfaces) {
  ComRef<IAppFolders> folders;
  ASSERT_EQ(S_OK, services_.QueryTo(kIidAppFolders, folders));
  ComRef<IUnknown> fromServices, fromFolders;
  ASSERT_EQ(S_OK, services_.QueryTo(IID_IUnknown, fromServices));
  ASSERT_EQ(S_OK, folders.QueryTo(IID_IUnknown, fromFolders));
  EXPECT_EQ(fromServices.Get(), fromFolders.Get());
  ComRef<IDispatch> none;
  EXPECT_EQ(E_NOINTERFACE, services_.QueryTo(IID_IDispatch, none));
}

TEST_F(AppServicesStandIn, InjectedFailuresReturnTheChosenCode) {
  SetText(L"FailOperation", L"GetSearchPathList , getmatchfolder");
  SetNumber(L"FailHResult", 0x80070005);
  UniqueBstr text;
  long number = 0;
  EXPECT_EQ(static_cast<HRESULT>(0x80070005), services_->GetSearchPathList(text.Put()));
  EXPECT_EQ(static_cast<HRESULT>(0x80070005), services_->GetMatchFolder(&number));
  EXPECT_EQ(S_OK, services_->GetMatchVersion(&number));
  EXPECT_EQ(S_OK, folders_->GetProductFolder(text.Put()));

  SetText(L"FailOperation", L"CreateInstance");
  SetText(L"FailHResult", L"");  // not a failure code: the default
  ComRef<IAppServices> another;
  EXPECT_EQ(E_FAIL, CreateAppServices(another));
  EXPECT_FALSE(another);
  EXPECT_EQ(S_OK, services_->GetSearchPathList(text.Put()));
}

}  // namespace
