// A smoke check of the environment stand-ins (test tooling): the published slots of the
// application services, the profile reader's keys, the project object's slots.  Everything
// else of theirs is exercised by the component's own tests.
#include "standin_project_ids.h"

#include "common/bstr.h"
#include "common/com_ref.h"
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
}

}  // namespace
