// A smoke check of the environment stand-ins (test tooling): the published slots of the
// application services and of the project object.  Everything else of theirs (the profile
// reader above all) is exercised by the component's own tests.
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

std::wstring TextAt(void* object, int slot) {
  UniqueBstr text;
  EXPECT_EQ(S_OK, CallSlot(object, slot, text.Put())) << "slot " << slot;
  return text.ToWide().c_str();
}

class StandIns : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(S_OK, CreateAppServices(services_));
    ASSERT_EQ(S_OK, CreateAppFolders(folders_));
    ASSERT_EQ(S_OK, CoCreateInstance(kClsidStandInProject, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IDispatch, project_.PutVoid()));
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
  ComRef<IAppServices> services_;
  ComRef<IAppFolders> folders_;
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
