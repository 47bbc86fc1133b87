// The bad-input corpus written by testkit/corpus, driven through the registered component as the
// environment drives it: each case gets a catalog of its own, every query and every property of
// every module is asked, every failure must carry a description, the healthy package beside the
// case must answer as it does alone, and afterwards the component must hold no object.
#include "support/automation_client.h"
#include "support/test_support.h"

#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

namespace {

const StandInState state(L"hostile-input");
const wchar_t kHealthyKey[] = L"Qv.Healthy.7E1A0000_0000_4000_8000_0000000000AA:1033";
const wchar_t* const kProbes[] = {L"[SystemFolder]Probe Files\\probe.dll", L"gallery.dll", L"",
                                   L"[SystemFolder]", L"[ProgramFilesFolder]x\\[SystemFolder]probe.dll"};

struct Case {
  std::string cls, name;
  std::vector<std::pair<std::wstring, std::wstring>> settings;  // "$CASE" already replaced
};

void PrintTo(const Case& input, std::ostream* out) { *out << input.cls << "/" << input.name; }

std::vector<Case> LoadCases() {
  std::vector<Case> cases;
  const std::wstring path = CorpusRoot() + L"\\manifest.txt";  // the build folder's name is ASCII
  std::ifstream manifest(std::string(path.begin(), path.end()), std::ios::binary);
  std::string line;
  while (std::getline(manifest, line)) {
    std::istringstream fields(line);
    Case item;
    std::getline(fields, item.cls, '\t');
    std::getline(fields, item.name, '\t');
    const std::wstring folder = CorpusRoot() + L"\\cases\\" + WideFromUtf8(item.cls) + L"\\" + WideFromUtf8(item.name);
    for (std::string field; std::getline(fields, field, '\t');) {
      std::wstring value = WideFromUtf8(field.substr(field.find('=') + 1));
      for (size_t at; (at = value.find(L"$CASE")) != std::wstring::npos;)
        value.replace(at, 5, folder);
      item.settings.emplace_back(WideFromUtf8(field.substr(0, field.find('='))), value);
    }
    cases.push_back(item);
  }
  return cases;
}

std::string TestName(const ::testing::TestParamInfo<Case>& info) {
  std::string name = info.param.cls + "_" + info.param.name;
  for (char& c : name)
    if (!isalnum(static_cast<unsigned char>(c))) c = '_';
  return name + "_" + std::to_string(info.index);
}

// What the healthy package answers in a catalog: its properties and lists, its file lookups.
std::wstring HealthyAnswers(IMMCatalog* catalog, const std::wstring& folder) {
  ComRef<IUnknown> list;
  const HRESULT listed = catalog->GetModules(list.Put());
  if (FAILED(listed)) return L"<GetModules failed: " + std::to_wstring(listed) + L">";
  const ComRef<IDispatch> modules = ModulesOf(catalog);
  ComRef<IMergeModuleCollection> collection;
  ComRef<IDispatch> module;
  if (!modules || FAILED(modules.QueryTo(__uuidof(IMergeModuleCollection), collection)) ||
      FAILED(CHECKED(collection->Item(StringVariant(kHealthyKey).Get(), module.Put()))) || !module)
    return L"<healthy module missing>";
  std::wstring answers = Walk(module.Get());
  const std::wstring path = folder + L"\\healthy.msm";
  for (size_t at; (at = answers.find(path)) != std::wstring::npos;) answers.replace(at, path.size(), L"<path>");
  for (const wchar_t* destination : {L"[SystemFolder]healthy.dll", L"healthy.dll"}) {
    ComRef<IDispatch> found;
    long flag = 0;
    CHECKED(catalog->FindModuleForFile(Arg(destination), Arg(L""), Arg(L"1033"), found.Put(), &flag));
    answers += L"|find " + std::to_wstring(flag) + L" " + KeyOf(found.Get());
  }
  ComRef<IDispatch> found;
  long flag = 0;
  CHECKED(catalog->FindModuleForFileInFolder(Arg(L"[SystemFolder]healthy.dll"), Arg(L"1.0.0.0"),
                                             Arg(L"1033"), found.Put(), &flag));
  answers += L"|in folder " + std::to_wstring(flag) + L" " + KeyOf(found.Get());
  CHECKED(catalog->GetModule(Arg(kHealthyKey), Arg(L""), module.Put()));
  return answers + L"|get " + KeyOf(module.Get());
}

// Every query of the catalog and every property of every module it gives out (the reserved
// members read nothing: the catalog query tests pin their answers).
void AskEverything(IMMCatalog* catalog, const std::vector<std::wstring>& probes,
                   const std::vector<std::wstring>& keys) {
  ComRef<IUnknown> folders;
  if (SUCCEEDED(CHECKED(catalog->GetModuleFolders(folders.Put()))) && folders) {
    ComRef<IDispatch> folderList;
    folders.QueryTo(IID_IDispatch, folderList);
    Walk(folderList.Get());
  }
  const ComRef<IDispatch> modules = ModulesOf(catalog);
  ASSERT_TRUE(modules);
  Walk(modules.Get());
  std::vector<std::wstring> askedKeys = keys;
  ComRef<IMergeModuleCollection> collection;
  long count = 0;
  modules.QueryTo(__uuidof(IMergeModuleCollection), collection);
  CHECKED(collection->get_Count(&count));
  for (long position = 1; position <= count; ++position) {
    ComRef<IDispatch> module;
    CHECKED(collection->Item(IntegerVariant(position).Get(), module.Put()));
    const std::wstring key = KeyOf(module.Get());
    askedKeys.push_back(key);
    askedKeys.push_back(key.substr(0, key.rfind(L':') + 1) + L"0");
  }
  for (const std::wstring& key : askedKeys) {
    ComRef<IDispatch> module;
    UniqueBstr name;
    for (const wchar_t* language : {L"", L"1033", L"abc"}) CHECKED(catalog->GetModule(Arg(key), Arg(language), module.Put()));
    CHECKED(catalog->GetModuleDisplayName(Arg(key), name.Put()));
  }
  for (const std::wstring& probe : probes) {
    ComRef<IDispatch> module;
    long found = 0;
    if (SUCCEEDED(CHECKED(catalog->FindModuleForFile(Arg(probe), Arg(L""), Arg(L"1033"), module.Put(), &found))) && module)
      Walk(module.Get(), 1);
    if (SUCCEEDED(CHECKED(catalog->FindModuleForFileInFolder(Arg(probe), Arg(L"1.0.0.0"), Arg(L""), module.Put(), &found))) && module)
      Walk(module.Get(), 1);
    UniqueBstr key;
    CHECKED(catalog->GetModuleKeyForFile(Arg(probe), key.Put()));
  }
  VARIANT_BOOL supported = 0;
  CHECKED(catalog->SupportsProject(nullptr, &supported));
  CHECKED(catalog->put_AutoRefresh(VARIANT_FALSE));
  ModulesOf(catalog);
  CHECKED(catalog->put_AutoRefresh(VARIANT_TRUE));
}

class HostileInput : public ::testing::TestWithParam<Case> {
 protected:
  static void SetUpTestSuite() {
    state.SetText(L"SearchPathList", CorpusRoot().c_str());
    state.SetNumber(L"MatchFolder", 1);
    const ComRef<IMMCatalog> catalog = NewCatalog();
    ASSERT_TRUE(catalog);
    baseline_ = HealthyAnswers(catalog.Get(), CorpusRoot());
    ASSERT_NE(std::wstring::npos, baseline_.find(L"|find -1 ")) << "the healthy package is not found: "
                                                                 << std::string(baseline_.begin(), baseline_.end());
  }
  static std::wstring baseline_;
};
std::wstring HostileInput::baseline_;

TEST_P(HostileInput, LeavesTheHealthyPackageAndTheProcessIntact) {
  const Case& input = GetParam();
  std::vector<std::wstring> probes(std::begin(kProbes), std::end(kProbes)), keys, loads, refused, values, variables;
  std::wstring healthy;
  bool fresh = false;
  for (const auto& setting : input.settings) {
    const std::wstring& name = setting.first;
    if (name == L"probe") probes.push_back(setting.second);
    else if (name == L"key") keys.push_back(setting.second);
    else if (name == L"load") loads.push_back(setting.second);
    else if (name == L"refused") refused.push_back(setting.second);
    else if (name == L"healthy") healthy = setting.second;
    else if (name == L"fresh") fresh = true;
    else if (name.rfind(L"env:", 0) == 0) {
      variables.push_back(name.substr(4));
      SetEnvironmentVariableW(variables.back().c_str(), setting.second.c_str());
    } else {
      values.push_back(name);
      state.SetText(name.c_str(), WideString(setting.second.c_str()));
    }
  }
  // The lookup files are read once per load of the component: unload it for a fresh read.
  if (fresh) {
    CoFreeUnusedLibrariesEx(0, 0);
    EXPECT_EQ(nullptr, GetModuleHandleW(L"QvModCat2.dll")) << "the component stayed loaded";
  }
  {
    const ComRef<IMMCatalog> catalog = NewCatalog();
    ASSERT_TRUE(catalog);
    AskEverything(catalog.Get(), probes, keys);
    if (!healthy.empty()) {
      EXPECT_EQ(baseline_, HealthyAnswers(catalog.Get(), healthy));
    }
    const auto load = [](const std::wstring& path) {
      ComRef<IMergeModule2> module;
      EXPECT_EQ(S_OK, CHECKED(CoCreateInstance(kClsidMergeModule2, nullptr, CLSCTX_INPROC_SERVER,
                                               __uuidof(IMergeModule2), module.PutVoid())));
      if (!module) return E_NOINTERFACE;
      const HRESULT loaded = CHECKED(module->Load(Arg(path)));
      Walk(module.Get());
      return loaded;
    };
    for (const std::wstring& path : loads) load(path);
    // Packages the installer would crash on: the component's own check turns them away.
    for (const std::wstring& path : refused)
      EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_INSTALL_PACKAGE_INVALID), load(path)) << Utf8FromWide(path);
  }
  EXPECT_EQ(S_OK, ComponentCanUnload()) << "objects are still alive";
  for (const std::wstring& name : values) state.Remove(name.c_str());
  for (const std::wstring& name : variables) SetEnvironmentVariableW(name.c_str(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Corpus, HostileInput, ::testing::ValuesIn(LoadCases()), TestName);

}  // namespace
