// The environment stand-ins driven through their interfaces (the companions created by the
// component's loader), with a state key of this program's own.
#include "standin_project_ids.h"

#include "common/bstr.h"
#include "common/com_ref.h"
#include "common/path.h"
#include "common/unique_handle.h"
#include "common/variant.h"
#include "environment/companion_loader.h"
#include "support/test_support.h"

#include "qv_environment.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace {

// Calls vtable slot `slot` (counted from 0) directly, so that a test checks the published slot
// numbers rather than the declaration order of a header.
template <class... Arguments>
HRESULT CallSlot(void* object, int slot, Arguments... arguments) {
  using Method = HRESULT(STDMETHODCALLTYPE*)(void*, Arguments...);
  return reinterpret_cast<Method>((*static_cast<void***>(object))[slot])(object, arguments...);
}

template <class Collection>
long Count(const ComRef<Collection>& items) {
  long count = -1;
  EXPECT_EQ(S_OK, items->Count(&count));
  return count;
}

std::wstring TextAt(void* object, int slot, long index = -1) {
  UniqueBstr text;
  EXPECT_EQ(S_OK, index < 0 ? CallSlot(object, slot, text.Put())
                            : CallSlot(object, slot, index, text.Put())) << "slot " << slot;
  return text.ToWide().c_str();
}

// "name=value" of the key at `index` (a position or a name); "<none>" when there is none.
std::wstring KeyAt(const ComRef<IProfileKeys>& keys, const VARIANT& index) {
  ComRef<IProfileKey> key;
  EXPECT_EQ(S_OK, keys->Item(index, key.Put()));
  if (!key) return L"<none>";
  UniqueBstr name, value;
  key->Name(name.Put());
  key->Value(value.Put());
  return std::wstring(name.ToWide().c_str()) + L"=" + value.ToWide().c_str();
}

class StandIns : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(S_OK, CreateAppServices(services_));
    ASSERT_EQ(S_OK, CreateAppFolders(folders_));
    ASSERT_EQ(S_OK, CreateProfileReader(reader_));
    host_.Reset(LoadLibraryA(kHostLibrary));
    activeProjectType_ = reinterpret_cast<GetActiveProjectTypeFunction>(
        GetProcAddress(host_.Get(), kActiveProjectTypeExport));
    ASSERT_NE(nullptr, activeProjectType_);
    ASSERT_EQ(S_OK, CoCreateInstance(kClsidStandInProject, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IDispatch, project_.PutVoid()));
  }
  HRESULT Open(const WideString& path) const { return reader_->Open(path.Bstr()); }
  ComRef<IProfileKeys> KeysOf(const wchar_t* sectionName) const {
    ComRef<IProfileSections> sections;
    ComRef<IProfileSection> section;
    ComRef<IProfileKeys> keys;
    EXPECT_EQ(S_OK, reader_->Sections(sections.Put()));
    EXPECT_EQ(S_OK, sections->Item(StringVariant(sectionName).Get(), section.Put()));
    EXPECT_TRUE(section) << "no object for section " << sectionName;
    if (section) {
      EXPECT_EQ(S_OK, section->Keys(keys.Put()));
    }
    EXPECT_TRUE(keys);
    return keys;
  }
  // The type as SupportsProject reads it: IProjectObject slot 14, then slot 42 of the result.
  HRESULT TypeThroughSlots(long& type) const {
    ComRef<IUnknown> projectObject, settings;
    HRESULT result = project_.QueryTo(kIidProjectObject, projectObject);
    if (SUCCEEDED(result)) result = CallSlot(projectObject.Get(), 14, settings.Put());
    if (SUCCEEDED(result)) result = CallSlot(settings.Get(), 42, &type);
    return result;
  }

  StandInState state_{L"standins"};
  ScratchFolder folder_{L"qv-standins"};
  ComRef<IAppServices> services_;
  ComRef<IAppFolders> folders_;
  ComRef<IProfileReader> reader_;
  LoadedLibrary host_;
  GetActiveProjectTypeFunction activeProjectType_ = nullptr;
  ComRef<IDispatch> project_;
};

TEST_F(StandIns, EachSlotReadsItsStateValueAndAbsentValuesAreEmpty) {
  const std::tuple<bool, int, const wchar_t*> texts[] = {
      {false, 21, L"SearchPathList"}, {false, 82, L"PreferredLanguage"},
      {true, 7, L"ProductFolder"}, {true, 19, L"FilesIniFolder"}, {true, 20, L"ModulesIniFolder"},
      {true, 46, L"ExtraSearchPathList"}, {true, 56, L"ExcludedFilePatterns"}};
  for (const auto& [inFolders, slot, value] : texts) {
    void* object = inFolders ? static_cast<void*>(folders_.Get()) : services_.Get();
    EXPECT_EQ(L"", TextAt(object, slot));
    state_.SetText(value, value);
    EXPECT_EQ(value, TextAt(object, slot));
  }
  for (const auto& [slot, value] : {std::pair{40, L"MatchVersion"}, {42, L"MatchFolder"}}) {
    long number = -1;
    state_.SetNumber(value, 7);
    EXPECT_EQ(S_OK, CallSlot(services_.Get(), slot, &number));
    EXPECT_EQ(7, number) << value;
  }
}

TEST_F(StandIns, SetSearchPathListIsStoredForEveryObject) {
  ASSERT_EQ(S_OK, CallSlot(services_.Get(), 22, UniqueBstr(SysAllocString(L"C:\\A,D:\\B")).Get()));
  ComRef<IAppServices> another;
  ASSERT_EQ(S_OK, CreateAppServices(another));
  EXPECT_EQ(L"C:\\A,D:\\B", TextAt(another.Get(), 21));
  ASSERT_EQ(S_OK, services_->SetSearchPathList(nullptr));  // a null BSTR is empty text
  EXPECT_EQ(L"", TextAt(another.Get(), 21));
}

TEST_F(StandIns, ModuleFoldersEndAtTheFirstAbsentIndex) {
  for (const wchar_t* index : {L"0", L"1", L"3"})
    state_.SetText((L"ModuleFolder" + std::wstring(index)).c_str(), index);
  EXPECT_EQ(L"0", TextAt(services_.Get(), 24, 0));
  EXPECT_EQ(L"1", TextAt(services_.Get(), 24, 1));
  EXPECT_EQ(L"", TextAt(services_.Get(), 24, 2));
  UniqueBstr negative;
  ASSERT_EQ(S_OK, services_->GetModuleFolderAt(-1, negative.Put()));
  EXPECT_EQ(0u, negative.Length());
}

TEST_F(StandIns, InjectedFailuresReturnTheChosenCode) {
  state_.SetText(L"FailOperation", L"GetSearchPathList , getmatchfolder");
  state_.SetNumber(L"FailHResult", 0x80070005);
  UniqueBstr text;
  long number = 0;
  EXPECT_EQ(static_cast<HRESULT>(0x80070005), services_->GetSearchPathList(text.Put()));
  EXPECT_EQ(static_cast<HRESULT>(0x80070005), services_->GetMatchFolder(&number));
  EXPECT_EQ(S_OK, services_->GetMatchVersion(&number));
  state_.SetText(L"FailHResult", L"");  // not a failure code: the default
  EXPECT_EQ(E_FAIL, services_->GetSearchPathList(text.Put()));
}

constexpr char kProfile[] =
    "; a comment\r\norphan=before any section\r\n"
    "[Modules]\r\n  Alpha =  first value  \r\nbeta=second=with equals\nALPHA=repeated name\r\n"
    "\tnovalue\r\n=no name\r\n"
    "[ Other ]\r\ntext=caf\xE9\r\n"
    "[modules]\r\ngamma=continued section";

TEST_F(StandIns, KeysByNameAndByPositionAndAnAbsentSectionIsAnEmptyObject) {
  ASSERT_EQ(S_OK, Open(folder_.WriteFile(L"keys.ini", kProfile)));
  EXPECT_EQ(0, Count(KeysOf(L"FilesToModules")));
  const ComRef<IProfileKeys> keys = KeysOf(L"MODULES");
  ASSERT_EQ(5, Count(keys));
  const wchar_t* inOrder[] = {L"Alpha=first value", L"beta=second=with equals",
                              L"ALPHA=repeated name", L"novalue=", L"gamma=continued section"};
  for (LONG position = 1; position <= 5; ++position)
    EXPECT_EQ(inOrder[position - 1], KeyAt(keys, IntegerVariant(position).Get()));
  EXPECT_EQ(L"Alpha=first value", KeyAt(keys, StringVariant(L"alpha").Get())) << "the first";
  EXPECT_EQ(L"<none>", KeyAt(keys, StringVariant(L"orphan").Get()));
  ComRef<IProfileKey> key;
  EXPECT_EQ(DISP_E_BADINDEX, keys->Item(IntegerVariant(6).Get(), key.Put()));
  // Section names are trimmed; text is read in the ANSI code page (1252).
  EXPECT_EQ(L"text=caf\u00E9", KeyAt(KeysOf(L"other"), IntegerVariant(1).Get()));
}

TEST_F(StandIns, MissingFileFailsOpenEveryOpenIsCountedAndFailuresAreInjected) {
  const WideString path = folder_.WriteFile(L"present.ini", kProfile);
  ASSERT_EQ(S_OK, Open(path));
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), Open(path + L".absent"));
  ComRef<IProfileSections> sections;
  EXPECT_TRUE(FAILED(reader_->Sections(sections.Put()))) << "the failed Open left no file";
  ASSERT_EQ(S_OK, Open(path));
  EXPECT_EQ(3u, state_.Number(L"ProfileOpenCount"));

  const ComRef<IProfileKeys> keys = KeysOf(L"Modules");
  state_.SetText(L"ProfileFailOperation", L"Keys.Count,Open");
  state_.SetNumber(L"ProfileFailHResult", 0x8007001F);
  long count = 0;
  EXPECT_EQ(static_cast<HRESULT>(0x8007001F), keys->Count(&count));
  EXPECT_EQ(static_cast<HRESULT>(0x8007001F), Open(path));
  EXPECT_EQ(L"Alpha=first value", KeyAt(keys, IntegerVariant(1).Get()));
}

TEST_F(StandIns, ActiveProjectTypeFollowsTheStateValue) {
  EXPECT_EQ(0, activeProjectType_());
  state_.SetNumber(L"ActiveProjectType", 10);
  EXPECT_EQ(10, activeProjectType_());
}

TEST_F(StandIns, ProjectTypeSetThroughDispatchIsReadThroughTheSlots) {
  long type = -1;
  ASSERT_EQ(S_OK, TypeThroughSlots(type));
  EXPECT_EQ(0, type);
  IntegerVariant three(3);
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS put = {&three.Get(), &named, 1, 1};
  ASSERT_EQ(S_OK, project_->Invoke(kDispidProjectType, IID_NULL, LOCALE_USER_DEFAULT,
                                   DISPATCH_PROPERTYPUT, &put, nullptr, nullptr, nullptr));
  ASSERT_EQ(S_OK, TypeThroughSlots(type));
  EXPECT_EQ(3, type);

  state_.SetText(L"ProjectFailOperation", L"GetProjectSettings");
  state_.SetNumber(L"ProjectFailHResult", 0x8000FFFF);
  EXPECT_EQ(E_UNEXPECTED, TypeThroughSlots(type));
  state_.SetText(L"ProjectFailOperation", L"GetProjectType");
  EXPECT_EQ(E_UNEXPECTED, TypeThroughSlots(type));
}

}  // namespace
