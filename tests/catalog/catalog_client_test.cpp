// A native client of the registered component, as the authoring environment uses it: the
// manager from the class object, catalogs for the project types, modules and folders, file
// lookups, a module by key, names and keys from the lookup files, project support, and at the
// end a component that can be unloaded.  This program does not link the component: everything
// goes through QvModCat2.dll as registered in the test prefix.
#include "common/com_ref.h"
#include "server/class_ids.h"

#include "qvmodcat.h"

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

const wchar_t kViewer[] = L"Qv.Viewer.1A2B3C4D_0000_4000_8000_000000000006:1033";
const wchar_t kViewerApp[] = L"Qv.ViewerApp.1A2B3C4D_0000_4000_8000_000000000007:0";
const wchar_t kMulti[] = L"Qv.Multi.1A2B3C4D_0000_4000_8000_000000000008";

std::wstring StateKey() {
  return L"Software\\Quorvane\\Showloom\\StandInTests\\catalog-client-" +
         std::to_wstring(GetCurrentProcessId());
}

void SetState(const wchar_t* name, const std::wstring& value) {
  ASSERT_EQ(ERROR_SUCCESS,
            RegSetKeyValueW(HKEY_CURRENT_USER, StateKey().c_str(), name, REG_SZ, value.c_str(),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))));
}

void SetState(const wchar_t* name, DWORD value) {
  ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_CURRENT_USER, StateKey().c_str(), name,
                                           REG_DWORD, &value, sizeof value));
}

std::wstring FixturePackages() {
  const char* folder = getenv("QV_FIXTURES_DIR");
  std::string path = std::string("Z:") + (folder ? folder : "") + "/catalog_packages";
  for (char& c : path)
    if (c == '/') c = '\\';
  return std::wstring(path.begin(), path.end());
}

std::wstring Take(BSTR text) {
  std::wstring result = text ? text : L"";
  SysFreeString(text);
  return result;
}

std::wstring KeyOf(IDispatch* object) {
  if (!object) return L"<none>";
  ComRef<IMergeModule2> module;
  if (FAILED(object->QueryInterface(__uuidof(IMergeModule2), module.PutVoid()))) return L"?";
  BSTR key = nullptr;
  module->get_Key(&key);
  return Take(key);
}

class ClientSession : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    ASSERT_TRUE(SetEnvironmentVariableW(L"QV_STANDIN_KEY", StateKey().c_str()));
    RegDeleteTreeW(HKEY_CURRENT_USER, StateKey().c_str());
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    root_ = std::wstring(temp) + L"qv-catalog-client-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(root_.c_str(), nullptr);
    CreateDirectoryW((root_ + L"\\mods").c_str(), nullptr);
    for (const wchar_t* name : {L"viewer_sys", L"viewer_app", L"lang_de", L"lang_en", L"lang_9"}) {
      const std::wstring file = std::wstring(name) + L".msm";
      ASSERT_TRUE(CopyFileW((FixturePackages() + L"\\" + file).c_str(),
                            (root_ + L"\\mods\\" + file).c_str(), FALSE))
          << "fixture package " << std::string(file.begin(), file.end());
    }
    WriteText(L"modules.ini",
              "[modules]\r\nQv.Viewer.1A2B3C4D_0000_4000_8000_000000000006:1033=Acme Viewer\r\n");
    WriteText(L"FilesToModules.ini",
              "[FilesToModules]\r\nother.dll=0:Qv.ViewerApp.1A2B3C4D_0000_4000_8000_000000000007\r\n");
    SetState(L"SearchPathList", root_ + L"\\mods");
    SetState(L"ModulesIniFolder", root_);
    SetState(L"FilesIniFolder", root_);
    SetState(L"MatchFolder", 1);
  }
  void TearDown() override {
    for (const wchar_t* name : {L"viewer_sys", L"viewer_app", L"lang_de", L"lang_en", L"lang_9"})
      DeleteFileW((root_ + L"\\mods\\" + name + L".msm").c_str());
    DeleteFileW((root_ + L"\\modules.ini").c_str());
    DeleteFileW((root_ + L"\\FilesToModules.ini").c_str());
    RemoveDirectoryW((root_ + L"\\mods").c_str());
    RemoveDirectoryW(root_.c_str());
    RegDeleteTreeW(HKEY_CURRENT_USER, StateKey().c_str());
    CoUninitialize();
  }
  void WriteText(const wchar_t* name, const std::string& text) {
    const HANDLE file = CreateFileW((root_ + L"\\" + name).c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    DWORD written = 0;
    ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
  }

  std::wstring root_;
};

TEST_F(ClientSession, TheEnvironmentsSessionEndsWithAnUnloadableComponent) {
  {
    ComRef<IMMCatalogManager> manager;
    ASSERT_EQ(S_OK, CoCreateInstance(kClsidMMCatalogManager, nullptr, CLSCTX_INPROC_SERVER,
                                     __uuidof(IMMCatalogManager), manager.PutVoid()));
    ComRef<IUnknown> forType1, forType3, forType9;
    ASSERT_EQ(S_OK, manager->GetCatalog(1, forType1.Put()));
    ASSERT_EQ(S_OK, manager->GetCatalog(3, forType3.Put()));
    ASSERT_EQ(S_OK, manager->GetCatalog(9, forType9.Put()));
    EXPECT_EQ(forType1.Get(), forType3.Get());
    EXPECT_NE(forType1.Get(), forType9.Get());
    ComRef<IMMCatalog> catalog, edition;
    ASSERT_EQ(S_OK, forType1.QueryTo(__uuidof(IMMCatalog), catalog));
    ASSERT_EQ(S_OK, forType9.QueryTo(__uuidof(IMMCatalog), edition));

    // Modules and folders.
    ComRef<IUnknown> modules;
    ASSERT_EQ(S_OK, catalog->GetModules(modules.Put()));
    ComRef<IMergeModuleCollection> moduleList;
    ASSERT_EQ(S_OK, modules.QueryTo(__uuidof(IMergeModuleCollection), moduleList));
    long count = 0;
    ASSERT_EQ(S_OK, moduleList->get_Count(&count));
    EXPECT_EQ(5, count);
    ComRef<IUnknown> folders;
    ASSERT_EQ(S_OK, catalog->GetModuleFolders(folders.Put()));
    ComRef<IModuleFolderCollection> folderList;
    ASSERT_EQ(S_OK, folders.QueryTo(__uuidof(IModuleFolderCollection), folderList));
    ASSERT_EQ(S_OK, folderList->get_Count(&count));
    EXPECT_EQ(1, count);
    ComRef<IUnknown> untouched;
    EXPECT_EQ(S_OK, edition->GetModules(untouched.Put()));
    EXPECT_FALSE(untouched) << "the edition catalog has no modules";

    // File lookups.
    BSTR destination = SysAllocString(L"[SystemFolder]viewer.dll");
    BSTR noVersion = SysAllocString(L"");
    BSTR english = SysAllocString(L"1033");
    ComRef<IDispatch> module;
    long found = 0;
    ASSERT_EQ(S_OK, catalog->FindModuleForFile(destination, noVersion, english, module.Put(), &found));
    EXPECT_EQ(-1, found);
    EXPECT_EQ(kViewer, KeyOf(module.Get()));
    ASSERT_EQ(S_OK, catalog->FindModuleForFileInFolder(destination, noVersion, english,
                                                       module.Put(), &found));
    EXPECT_EQ(kViewer, KeyOf(module.Get()));
    BSTR other = SysAllocString(L"other.dll");
    ASSERT_EQ(S_OK, catalog->FindModuleForFile(other, noVersion, noVersion, module.Put(), &found));
    EXPECT_EQ(-1, found);
    EXPECT_EQ(kViewerApp, KeyOf(module.Get()));

    // A module by key, names and keys.
    BSTR neutral = SysAllocString((std::wstring(kMulti) + L":0").c_str());
    BSTR chinese = SysAllocString(L"2052");
    ASSERT_EQ(S_OK, catalog->GetModule(neutral, chinese, module.Put()));
    EXPECT_EQ(std::wstring(kMulti) + L":1031", KeyOf(module.Get()));
    BSTR viewerKey = SysAllocString(kViewer);
    BSTR name = nullptr;
    ASSERT_EQ(S_OK, catalog->GetModuleDisplayName(viewerKey, &name));
    EXPECT_EQ(L"Acme Viewer", Take(name));
    BSTR key = nullptr;
    ASSERT_EQ(S_OK, catalog->GetModuleKeyForFile(other, &key));
    EXPECT_EQ(kViewerApp, Take(key));

    // Projects of the environment.
    CLSID projectClass;
    ASSERT_EQ(S_OK, CLSIDFromProgID(L"QvStandIn.Project", &projectClass));
    ComRef<IDispatch> project;
    ASSERT_EQ(S_OK, CoCreateInstance(projectClass, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                     project.PutVoid()));
    VARIANT value;
    VariantInit(&value);
    V_VT(&value) = VT_I4;
    V_I4(&value) = 9;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&value, &named, 1, 1};
    ASSERT_EQ(S_OK, project->Invoke(1, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr,
                                    nullptr, nullptr));
    VARIANT_BOOL supported = 0;
    ASSERT_EQ(S_OK, catalog->SupportsProject(project.Get(), &supported));
    EXPECT_EQ(VARIANT_FALSE, supported);
    ASSERT_EQ(S_OK, edition->SupportsProject(project.Get(), &supported));
    EXPECT_EQ(VARIANT_TRUE, supported);

    for (BSTR text : {destination, noVersion, english, other, neutral, chinese, viewerKey})
      SysFreeString(text);
  }

  // Everything released: only the cached class factories remain, which do not count.
  HMODULE component = GetModuleHandleW(L"QvModCat2.dll");
  ASSERT_NE(nullptr, component);
  using CanUnload = HRESULT(STDAPICALLTYPE*)();
  const auto canUnloadNow =
      reinterpret_cast<CanUnload>(GetProcAddress(component, "DllCanUnloadNow"));
  ASSERT_NE(nullptr, canUnloadNow);
  EXPECT_EQ(S_OK, canUnloadNow());
}

}  // namespace
