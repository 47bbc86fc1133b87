#include "standin_state_fixture.h"

#include "standin_project_ids.h"

#include "common/com_ref.h"
#include "common/unique_handle.h"
#include "common/variant.h"

#include "qv_environment.h"

namespace {

class HostLibraryStandIn : public StandInTest {
 protected:
  void SetUp() override {
    StandInTest::SetUp();
    host_.Reset(LoadLibraryA(kHostLibrary));
    ASSERT_TRUE(host_);
    active_ = reinterpret_cast<GetActiveProjectTypeFunction>(
        GetProcAddress(host_.Get(), kActiveProjectTypeExport));
    ASSERT_NE(nullptr, active_);
  }

  LoadedLibrary host_;
  GetActiveProjectTypeFunction active_ = nullptr;
};

TEST_F(HostLibraryStandIn, ActiveProjectTypeFollowsTheStateValue) {
  EXPECT_EQ(0, active_());
  SetNumber(L"ActiveProjectType", 1);
  EXPECT_EQ(1, active_());
  SetNumber(L"ActiveProjectType", 0);
  EXPECT_EQ(0, active_());
}

TEST_F(HostLibraryStandIn, WithoutOverrideTheSharedDefaultKeyIsRead) {
  ASSERT_TRUE(SetEnvironmentVariableW(L"QV_STANDIN_KEY", nullptr));
  const wchar_t* key = L"Software\\Quorvane\\Showloom\\StandIn";
  DWORD saved = 0, size = sizeof saved;
  const bool hadValue = RegGetValueW(HKEY_CURRENT_USER, key, L"ActiveProjectType",
                                     RRF_RT_REG_DWORD, nullptr, &saved, &size) == ERROR_SUCCESS;
  const DWORD probe = 1;
  ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_CURRENT_USER, key, L"ActiveProjectType",
                                           REG_DWORD, &probe, sizeof probe));
  EXPECT_EQ(1, active_());
  if (hadValue) {
    RegSetKeyValueW(HKEY_CURRENT_USER, key, L"ActiveProjectType", REG_DWORD, &saved,
                    sizeof saved);
  } else {
    RegDeleteKeyValueW(HKEY_CURRENT_USER, key, L"ActiveProjectType");
  }
}

class ProjectStandIn : public StandInTest {
 protected:
  void SetUp() override {
    StandInTest::SetUp();
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    CLSID clsid = {};
    ASSERT_EQ(S_OK, CLSIDFromProgID(kStandInProjectProgId, &clsid)) << "not registered";
    ASSERT_TRUE(IsEqualCLSID(kClsidStandInProject, clsid));
    ASSERT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                     project_.PutVoid()));
  }
  void TearDown() override {
    project_.Reset();
    CoUninitialize();
    StandInTest::TearDown();
  }

  DISPID ProjectTypeId() {
    OLECHAR name[] = L"projecttype";
    LPOLESTR names[] = {name};
    DISPID id = DISPID_UNKNOWN;
    EXPECT_EQ(S_OK, project_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
    return id;
  }
  // The type as SupportsProject reads it: IProjectObject slot 14, then slot 42 of the result.
  HRESULT TypeThroughSlots(long& type) {
    ComRef<IUnknown> projectObject, settings;
    HRESULT result = project_.QueryTo(kIidProjectObject, projectObject);
    if (SUCCEEDED(result)) result = CallSlot(projectObject.Get(), 14, settings.Put());
    if (SUCCEEDED(result)) result = CallSlot(settings.Get(), 42, &type);
    return result;
  }

  ComRef<IDispatch> project_;
};

TEST_F(ProjectStandIn, TypeSetThroughDispatchIsReadThroughTheSlots) {
  long type = -1;
  ASSERT_EQ(S_OK, TypeThroughSlots(type));
  EXPECT_EQ(0, type);

  VARIANT value;
  V_VT(&value) = VT_I2;  // scripts may pass any number type
  V_I2(&value) = 3;
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS put = {&value, &named, 1, 1};
  ASSERT_EQ(S_OK, project_->Invoke(ProjectTypeId(), IID_NULL, LOCALE_USER_DEFAULT,
                                   DISPATCH_PROPERTYPUT, &put, nullptr, nullptr, nullptr));
  ASSERT_EQ(S_OK, TypeThroughSlots(type));
  EXPECT_EQ(3, type);

  UniqueVariant result;
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  ASSERT_EQ(S_OK, project_->Invoke(ProjectTypeId(), IID_NULL, LOCALE_USER_DEFAULT,
                                   DISPATCH_PROPERTYGET | DISPATCH_METHOD, &none, result.Put(),
                                   nullptr, nullptr));
  EXPECT_EQ(VT_I4, result.Type());
  EXPECT_EQ(3, V_I4(&result.Get()));
}

TEST_F(ProjectStandIn, InjectedFailuresReachTheCaller) {
  SetText(L"ProjectFailOperation", L"GetProjectType");
  SetNumber(L"ProjectFailHResult", 0x80004005);
  long type = 0;
  EXPECT_EQ(E_FAIL, TypeThroughSlots(type));
  SetText(L"ProjectFailOperation", L"GetProjectSettings");
  SetNumber(L"ProjectFailHResult", 0x8000FFFF);
  EXPECT_EQ(E_UNEXPECTED, TypeThroughSlots(type));
}

}  // namespace
