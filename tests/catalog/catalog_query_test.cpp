// The catalog's fifteen members on generated packages: the file lookups in both folder-token
// notations with their switches, excluded names, gallery files and "FilesToModules.ini"; a
// module by key with its language fallback; display names and listed keys; project support;
// the reserved members; and a package that disappears before its folder is looked up.
#include "catalog/catalog_test_support.h"

#include "catalog/catalog_pro.h"
#include "catalog/lookup_tables.h"
#include "common/bstr.h"
#include "module/merge_module2.h"

#include <oleauto.h>

namespace {

const wchar_t kViewer[] = L"Qv.Viewer.1A2B3C4D_0000_4000_8000_000000000006:1033";
const wchar_t kViewerApp[] = L"Qv.ViewerApp.1A2B3C4D_0000_4000_8000_000000000007:0";
const wchar_t kMultiId[] = L"Qv.Multi.1A2B3C4D_0000_4000_8000_000000000008";
const wchar_t kNone[] = L"<none>";

struct Lookup {
  HRESULT Result = E_UNEXPECTED;
  long Found = 12345;
  std::wstring Key;  // of the module handed back, or kNone
};

BSTR Text(const std::wstring& text) { return SysAllocString(text.c_str()); }

std::wstring KeyOf(IDispatch* object) {
  if (!object) return kNone;
  ComRef<IMergeModule2> module;
  if (FAILED(object->QueryInterface(__uuidof(IMergeModule2), module.PutVoid())))
    return L"<not a module>";
  UniqueBstr key;
  module->get_Key(key.Put());
  return key.Get() ? key.Get() : L"";
}

struct ErrorReport {
  std::wstring Source = L"<no error information>";
  std::wstring Description;
};

// Takes the thread's error information (which clears it).
ErrorReport TakeError() {
  ErrorReport report;
  ComRef<IErrorInfo> info;
  if (GetErrorInfo(0, info.Put()) != S_OK) return report;
  UniqueBstr source, description;
  info->GetSource(source.Put());
  info->GetDescription(description.Put());
  report.Source = source.Get() ? source.Get() : L"";
  report.Description = description.Get() ? description.Get() : L"";
  return report;
}

std::wstring ErrorSource() { return TakeError().Source; }

// A project of the environment's stand-in with the given type.
ComRef<IUnknown> Project(long type) {
  CLSID clsid;
  EXPECT_EQ(S_OK, CLSIDFromProgID(L"QvStandIn.Project", &clsid));
  ComRef<IDispatch> project;
  EXPECT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                   project.PutVoid()));
  VARIANT value;
  VariantInit(&value);
  V_VT(&value) = VT_I4;
  V_I4(&value) = type;
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params{&value, &named, 1, 1};
  EXPECT_EQ(S_OK, project->Invoke(1, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr,
                                  nullptr, nullptr));
  ComRef<IUnknown> unknown;
  project.QueryTo(IID_IUnknown, unknown);
  return unknown;
}

class CatalogQueryTest : public CatalogTest {
 protected:
  void SetUp() override {
    CatalogTest::SetUp();
    MakeFolder(L"mods");
    for (const char* name : {"viewer_sys", "viewer_app", "lang_de", "lang_en", "lang_9"})
      BuildFixture(L"mods\\" + std::wstring(name, name + strlen(name)) + L".msm", name);
    SetText(L"SearchPathList", PathOf(L"mods"));
    WriteFile(L"ini\\modules.ini",
              "[modules]\r\nQv.Viewer.1A2B3C4D_0000_4000_8000_000000000006:1033=Acme Viewer "
              "(system)\r\n");
    WriteFile(L"ini\\FilesToModules.ini",
              "[FilesToModules]\r\n"
              "OTHER.DLL=0:Qv.ViewerApp.1A2B3C4D_0000_4000_8000_000000000007\r\n"
              "versioned.dll=3.0.0.1:Qv.Viewer.1A2B3C4D_0000_4000_8000_000000000006:1033\r\n"
              "orphan.dll=0:Qv.Missing\r\n"
              "broken.dll=no module here\r\n"
              "multi.dll=0:Qv.Multi.1A2B3C4D_0000_4000_8000_000000000008:0\r\n");
    SetText(L"ModulesIniFolder", PathOf(L"ini"));
    SetText(L"FilesIniFolder", PathOf(L"ini"));
    // The tables are filled once per process by the first catalog; whichever test made it,
    // these entries are there from now on.
    LoadModuleNameTable(PathOf(L"ini"));
    LoadFileModuleTable(PathOf(L"ini"));
    SetNumber(L"MatchFolder", 1);
  }
  void TearDown() override {
    catalog_.Reset();
    CatalogTest::TearDown();
  }

  IMMCatalog* Catalog() {
    if (!catalog_) catalog_ = NewCatalog();
    return catalog_.Get();
  }

  Lookup Find(const std::wstring& destination, const std::wstring& version,
              const std::wstring& language, bool inFolder = false) {
    UniqueBstr d(Text(destination)), v(Text(version)), l(Text(language));
    ComRef<IDispatch> module;
    Lookup lookup;
    lookup.Result = inFolder
                        ? Catalog()->FindModuleForFileInFolder(d.Get(), v.Get(), l.Get(),
                                                               module.Put(), &lookup.Found)
                        : Catalog()->FindModuleForFile(d.Get(), v.Get(), l.Get(), module.Put(),
                                                       &lookup.Found);
    lookup.Key = KeyOf(module.Get());
    return lookup;
  }
  std::wstring Found(const std::wstring& destination, const std::wstring& version,
                     const std::wstring& language, bool inFolder = false) {
    const Lookup lookup = Find(destination, version, language, inFolder);
    if (lookup.Result != S_OK) return L"error " + std::to_wstring(lookup.Result);
    return std::to_wstring(lookup.Found) + L" " + lookup.Key;
  }

  std::wstring ModuleFor(const std::wstring& key, const std::wstring& language) {
    UniqueBstr k(Text(key)), l(Text(language));
    ComRef<IDispatch> module;
    const HRESULT result = Catalog()->GetModule(k.Get(), l.Get(), module.Put());
    if (result != S_OK) return L"error " + std::to_wstring(result);
    return KeyOf(module.Get());
  }

  ComRef<IMMCatalog> catalog_;
};

std::wstring Hit(const wchar_t* key) { return std::wstring(L"-1 ") + key; }
const std::wstring kMiss = std::wstring(L"0 ") + kNone;

TEST_F(CatalogQueryTest, FileLookupsCompareResolvedFoldersInTheInstallerNotation) {
  EXPECT_EQ(Hit(kViewer), Found(L"[SystemFolder]viewer.dll", L"", L"1033"));
  EXPECT_EQ(Hit(kViewer), Found(L"[systemfolder]VIEWER.DLL", L"", L"1033"))
      << "names and folders are compared without case";
  // An empty language means the language-neutral files ("0").
  EXPECT_EQ(Hit(kViewerApp), Found(L"[ProgramFilesFolder]Acme\\viewer.dll", L"", L""));
  EXPECT_EQ(kMiss, Found(L"[SystemFolder]viewer.dll", L"", L"0"))
      << "the neutral viewer.dll goes to Program Files";
  EXPECT_EQ(kMiss, Found(L"[SystemFolder]viewer.dll", L"", L"1031"));
  // Without a folder token the name alone counts.
  EXPECT_EQ(Hit(kViewerApp), Found(L"viewer.dll", L"", L"0"));
  EXPECT_EQ(Hit(kViewer), Found(L"C:\\anywhere\\viewer.dll", L"", L"1033"));

  SetNumber(L"MatchFolder", 0);
  EXPECT_EQ(Hit(kViewerApp), Found(L"[SystemFolder]viewer.dll", L"", L"0"));
  EXPECT_EQ(Hit(kViewer), Found(L"[NoSuchFolder]viewer.dll", L"", L"1033"));
}

TEST_F(CatalogQueryTest, FileLookupsFollowTheScriptNotationOfTheActiveProjectType) {
  SetNumber(L"ActiveProjectType", 1);
  // The package's folders are written in the installer notation: a script-notation folder
  // never equals one, so with folder matching only the name-only lookup finds the file.
  EXPECT_EQ(kMiss, Found(L"<WINSYSDIR>\\viewer.dll", L"", L"1033"));
  EXPECT_EQ(kMiss, Found(L"[SystemFolder]viewer.dll", L"", L"1033"))
      << "no token of this notation: the whole text is the name";
  SetNumber(L"MatchFolder", 0);
  EXPECT_EQ(Hit(kViewer), Found(L"<WINSYSDIR>\\viewer.dll", L"", L"1033"));
  EXPECT_EQ(Hit(kViewerApp), Found(L"<ProgramFilesFolder>Acme\\viewer.dll", L"", L"0"));
}

TEST_F(CatalogQueryTest, VersionsAreComparedWhenTheEnvironmentSaysSo) {
  EXPECT_EQ(Hit(kViewer), Found(L"[SystemFolder]viewer.dll", L"9.9", L"1033"));
  SetNumber(L"MatchVersion", 1);
  EXPECT_EQ(Hit(kViewer), Found(L"[SystemFolder]viewer.dll", L"2.1.0.5", L"1033"));
  EXPECT_EQ(kMiss, Found(L"[SystemFolder]viewer.dll", L"2.1.0.6", L"1033"));
  EXPECT_EQ(kMiss, Found(L"[SystemFolder]viewer.dll", L"", L"1033"));
}

TEST_F(CatalogQueryTest, FindModuleForFileInFolderAlwaysComparesTheFolder) {
  SetNumber(L"MatchFolder", 0);
  EXPECT_EQ(Hit(kViewer), Found(L"[SystemFolder]viewer.dll", L"", L"1033", true));
  EXPECT_EQ(kMiss, Found(L"[SystemFolder]viewer.dll", L"", L"0", true));
  // A version given is compared, whatever the environment's switch.
  EXPECT_EQ(Hit(kViewer), Found(L"[SystemFolder]viewer.dll", L"2.1.0.5", L"1033", true));
  EXPECT_EQ(kMiss, Found(L"[SystemFolder]viewer.dll", L"1.0", L"1033", true));
  // Without a folder token there is no file to look for.
  EXPECT_EQ(kMiss, Found(L"viewer.dll", L"", L"1033", true));
  EXPECT_EQ(kMiss, Found(L"other.dll", L"", L"0", true));
  EXPECT_EQ(Hit(kViewerApp), Found(L"[SystemFolder]other.dll", L"", L"0", true))
      << "the file list holds for any folder";
}

TEST_F(CatalogQueryTest, ExcludedNamesFindNothingEvenWhenAModuleHasThem) {
  EXPECT_EQ(Hit(kViewerApp), Found(L"readme.txt", L"", L""));
  SetText(L"ExcludedFilePatterns", L"\n *.TXT \t,,");
  catalog_ = NewCatalog();
  EXPECT_EQ(kMiss, Found(L"readme.txt", L"", L""));
  EXPECT_EQ(kMiss, Found(L"[ProgramFilesFolder]Acme\\README.txt", L"", L""));
  EXPECT_EQ(Hit(kViewer), Found(L"[SystemFolder]viewer.dll", L"", L"1033"));
}

TEST_F(CatalogQueryTest, TheFileListNamesModulesForFilesNoPackageHas) {
  EXPECT_EQ(Hit(kViewerApp), Found(L"[SystemFolder]OTHER.dll", L"", L""));
  EXPECT_EQ(Hit(kViewer), Found(L"versioned.dll", L"3.0.0.1", L"1033"));
  EXPECT_EQ(kMiss, Found(L"versioned.dll", L"3.0.0.2", L"1033")) << "another version";
  EXPECT_EQ(kMiss, Found(L"broken.dll", L"", L"")) << "an entry without colon names nothing";
  EXPECT_EQ(kMiss, Found(L"unlisted.dll", L"", L""));
  // The language-neutral key goes through GetModule's fallback with the lookup's language.
  EXPECT_EQ(Hit((std::wstring(kMultiId) + L":1033").c_str()), Found(L"multi.dll", L"", L"1033"));
  EXPECT_EQ(Hit((std::wstring(kMultiId) + L":1031").c_str()), Found(L"multi.dll", L"", L""));

  // A listed module the catalog lacks: found all the same, and the module left as it was.
  ComRef<IMergeModule2> sentinel = MakeComponentObject<MergeModule2, IMergeModule2>();
  IDispatch* module = sentinel.Get();
  long found = 0;
  UniqueBstr orphan(Text(L"orphan.dll")), empty(Text(L""));
  ASSERT_EQ(S_OK, Catalog()->FindModuleForFile(orphan.Get(), empty.Get(), empty.Get(), &module,
                                               &found));
  EXPECT_EQ(-1, found);
  EXPECT_EQ(static_cast<IDispatch*>(sentinel.Get()), module);

  // A match replaces (and releases) what the caller's pointer held.
  sentinel->AddRef();
  UniqueBstr viewer(Text(L"[SystemFolder]viewer.dll")), english(Text(L"1033"));
  ASSERT_EQ(S_OK, Catalog()->FindModuleForFile(viewer.Get(), empty.Get(), english.Get(),
                                               &module, &found));
  EXPECT_EQ(kViewer, KeyOf(module));
  module->Release();
  EXPECT_EQ(2u, sentinel->AddRef()) << "the caller's object lost the reference it gave";
  sentinel->Release();
}

TEST_F(CatalogQueryTest, GalleryFilesAreComparedWithTheLanguageAsGiven) {
  SetText(L"ProductFolder", PathOf(L"product"));
  WriteFile(L"product\\ObjectGallery\\Gallery.ini",
            "[MergeModule]\r\nModuleID=Qv.Gallery\r\nLanguage=1033\r\n"
            "[Files]\r\nKey1=GalleryDll\r\n"
            "[GalleryDll]\r\nFileName=GALLERY.DLL|gallery.dll\r\nVersion=1.0\r\nLanguage=0\r\n");
  EXPECT_EQ(Hit(L"Qv.Gallery:1033"), Found(L"gallery.dll", L"", L"0"));
  EXPECT_EQ(kMiss, Found(L"gallery.dll", L"", L""))
      << "an empty language stays empty for gallery files";
  EXPECT_EQ(kMiss, Found(L"[SystemFolder]gallery.dll", L"", L"0"))
      << "a gallery file has no folder to compare";
}

TEST_F(CatalogQueryTest, GetModuleFallsBackOverTheLanguagesOfANeutralKey) {
  const std::wstring multi = kMultiId;
  EXPECT_EQ(multi + L":1033", ModuleFor(multi + L":0", L"1033"));
  EXPECT_EQ(multi + L":1031", ModuleFor(multi + L":0", L"2052")) << "the lowest language text";
  EXPECT_EQ(multi + L":1031", ModuleFor(multi + L":0", L""));
  EXPECT_EQ(multi + L":9", ModuleFor(multi + L":9", L"1033")) << "a full key is taken as it is";
  EXPECT_EQ(kViewer, ModuleFor(L"Qv.Viewer.1A2B3C4D_0000_4000_8000_000000000006:0", L"2052"))
      << "a module in one language";
  EXPECT_EQ(kNone, ModuleFor(L"Qv.Nothing:0", L"1033"));
  EXPECT_EQ(kNone, ModuleFor(multi + L":2052", L"1033"));

  SetText(L"PreferredLanguage", L"9");
  catalog_ = NewCatalog();
  EXPECT_EQ(multi + L":9", ModuleFor(multi + L":0", L"1033")) << "the environment's preference";
  SetText(L"PreferredLanguage", L"2052");
  catalog_ = NewCatalog();
  EXPECT_EQ(multi + L":1031", ModuleFor(multi + L":0", L"1033"))
      << "a preference the module lacks: not the argument, the lowest";
}

TEST_F(CatalogQueryTest, AKeyWithoutColonFailsWithoutErrorInformation) {
  ComRef<IMergeModule2> sentinel = MakeComponentObject<MergeModule2, IMergeModule2>();
  IDispatch* module = sentinel.Get();
  UniqueBstr key(Text(L"Qv.Viewer")), none(Text(L""));
  SetErrorInfo(0, nullptr);
  EXPECT_EQ(E_FAIL, Catalog()->GetModule(key.Get(), none.Get(), &module));
  EXPECT_EQ(static_cast<IDispatch*>(sentinel.Get()), module) << "untouched";
  EXPECT_EQ(L"<no error information>", ErrorSource());
  EXPECT_EQ(E_POINTER, Catalog()->GetModule(key.Get(), none.Get(), nullptr));
}

TEST_F(CatalogQueryTest, DisplayNamesAndListedKeys) {
  UniqueBstr name;
  UniqueBstr viewer(Text(kViewer));
  ASSERT_EQ(S_OK, Catalog()->GetModuleDisplayName(viewer.Get(), name.Put()));
  EXPECT_STREQ(L"Acme Viewer (system)", name.Get());
  UniqueBstr unknown(Text(L"Qv.Unknown:7"));
  ASSERT_EQ(S_OK, Catalog()->GetModuleDisplayName(unknown.Get(), name.Put()));
  EXPECT_STREQ(L"Qv.Unknown:7", name.Get()) << "a key the list lacks names itself";
  EXPECT_EQ(S_OK, Catalog()->GetModuleDisplayName(viewer.Get(), nullptr));
  BSTR untouched = nullptr;
  EXPECT_EQ(S_OK, Catalog()->GetModuleDisplayName(nullptr, &untouched));
  EXPECT_EQ(nullptr, untouched);
  const ComRef<IMergeModule2> module = ModuleByKey(Catalog(), kViewer);
  EXPECT_EQ(L"Acme Viewer (system)", TextOf(module.Get(), &IMergeModule2::get_DisplayName));

  UniqueBstr key;
  UniqueBstr path(Text(L"C:\\Windows\\system32\\Other.DLL"));
  ASSERT_EQ(S_OK, Catalog()->GetModuleKeyForFile(path.Get(), key.Put()));
  EXPECT_STREQ(kViewerApp, key.Get()) << "\":0\" added to a bare ModuleID";
  for (const wchar_t* file : {L"versioned.dll", L"unlisted.dll", L"broken.dll", L""}) {
    BSTR none = nullptr;
    UniqueBstr asked(Text(file));
    EXPECT_EQ(S_OK, Catalog()->GetModuleKeyForFile(asked.Get(), &none)) << file;
    EXPECT_EQ(nullptr, none) << file << ": only entries for every version name a key";
  }
  EXPECT_EQ(S_OK, Catalog()->GetModuleKeyForFile(path.Get(), nullptr));
}

TEST_F(CatalogQueryTest, SupportsProjectAsksTheProjectForItsType) {
  const std::pair<long, VARIANT_BOOL> cases[] = {
      {1, VARIANT_TRUE}, {3, VARIANT_TRUE}, {9, VARIANT_FALSE}, {0, VARIANT_FALSE}};
  for (const auto& [type, expected] : cases) {
    VARIANT_BOOL supported = 7;
    ASSERT_EQ(S_OK, Catalog()->SupportsProject(Project(type).Get(), &supported)) << type;
    EXPECT_EQ(expected, supported) << type;
  }
  EXPECT_EQ(E_INVALIDARG, Catalog()->SupportsProject(Project(1).Get(), nullptr));
  VARIANT_BOOL supported = 7;
  EXPECT_EQ(E_POINTER, Catalog()->SupportsProject(nullptr, &supported));

  // Not a project, and a project whose type cannot be read: errors of the catalog.
  EXPECT_EQ(E_NOINTERFACE, Catalog()->SupportsProject(Catalog(), &supported));
  EXPECT_EQ(L"QvLiteModCat.MMCatalog.1", ErrorSource());
  const ComRef<IUnknown> failing = Project(3);
  SetText(L"ProjectFailOperation", L"GetProjectType");
  SetNumber(L"ProjectFailHResult", 0x80045555);
  EXPECT_EQ(static_cast<HRESULT>(0x80045555), Catalog()->SupportsProject(failing.Get(), &supported));
  EXPECT_EQ(L"QvLiteModCat.MMCatalog.1", ErrorSource());
}

TEST_F(CatalogQueryTest, ReservedMembersAnswerZero) {
  long value = 5;
  EXPECT_EQ(S_OK, Catalog()->Reserved1(1, 2, &value));
  EXPECT_EQ(0, value);
  value = 5;
  EXPECT_EQ(S_OK, Catalog()->Reserved2(1, &value));
  EXPECT_EQ(0, value);
  value = 5;
  EXPECT_EQ(S_OK, Catalog()->Reserved3(&value));
  EXPECT_EQ(0, value);
  value = 5;
  EXPECT_EQ(S_OK, Catalog()->Reserved7(&value));
  EXPECT_EQ(0, value);
  value = 5;
  EXPECT_EQ(S_OK, Catalog()->Reserved8(1, &value));
  EXPECT_EQ(0, value);
  EXPECT_EQ(S_OK, Catalog()->Reserved9(1));
  EXPECT_EQ(E_POINTER, Catalog()->Reserved3(nullptr));
  ComRef<IDispatch> module;
  long found = 0;
  UniqueBstr name(Text(L"viewer.dll"));
  EXPECT_EQ(E_POINTER, Catalog()->FindModuleForFile(name.Get(), nullptr, nullptr, nullptr, &found));
  EXPECT_EQ(E_POINTER, Catalog()->FindModuleForFileInFolder(name.Get(), nullptr, nullptr,
                                                            module.Put(), nullptr));
}

TEST_F(CatalogQueryTest, APackageGoneBeforeItsFolderIsLookedUpFailsTheLookup) {
  ASSERT_EQ(Hit(kViewer), Found(L"[SystemFolder]viewer.dll", L"", L"1033"));
  const WideString package = PathOf(L"mods\\viewer_sys.msm");
  ASSERT_TRUE(DeleteFileW(package.c_str()));
  // The lookup does not rescan known folders; the record's file list is already read, and
  // the folder lookup opens the package anew.
  const Lookup lookup = Find(L"[SystemFolder]viewer.dll", L"", L"1033");
  EXPECT_TRUE(FAILED(lookup.Result));
  const ErrorReport error = TakeError();
  EXPECT_EQ(L"QvLiteModCat.MMCatalog.1", error.Source);
  const std::wstring& description = error.Description;
  const std::wstring ending = std::wstring(L"MsiOpenDatabase(") + package.c_str() + L")";
  ASSERT_GE(description.size(), ending.size());
  EXPECT_EQ(ending, description.substr(description.size() - ending.size())) << description;
}

}  // namespace
