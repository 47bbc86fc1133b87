// The catalog's queries on copies of the fixture packages: the file lookups under every
// switch in both folder-token notations, excluded names, gallery files and
// "FilesToModules.ini", and which source a lookup takes first; a module by key with its
// language fallback; names and listed keys; project support; the reserved members; object
// variables of late-bound callers.
#include "catalog_fixture.h"

#include "catalog/lookup_tables.h"
#include "module/merge_module2.h"

#include "qvmodcat_ids.h"

#include <tuple>

namespace {

const wchar_t kViewer[] = L"Qv.Viewer.1A2B3C4D_0000_4000_8000_000000000006:1033";
const wchar_t kViewerApp[] = L"Qv.ViewerApp.1A2B3C4D_0000_4000_8000_000000000007:0";
const wchar_t kMulti0[] = L"Qv.Multi.1A2B3C4D_0000_4000_8000_000000000008:0";
const wchar_t kMulti9[] = L"Qv.Multi.1A2B3C4D_0000_4000_8000_000000000008:9";
const wchar_t kMulti1031[] = L"Qv.Multi.1A2B3C4D_0000_4000_8000_000000000008:1031";
const wchar_t kMulti1033[] = L"Qv.Multi.1A2B3C4D_0000_4000_8000_000000000008:1033";
const wchar_t kSource[] = L"QvLiteModCat.MMCatalog.1";

class CatalogQueryTest : public CatalogTest {
 protected:
  void SetUp() override {
    for (const char* name : {"viewer_sys", "viewer_app", "lang_de", "lang_en", "lang_9"})
      Copy(name, L"mods\\" + std::wstring(name, name + strlen(name)) + L".msm");
    state_.SetText(L"SearchPathList", Path(L"mods"));
    scratch_.WriteFile(L"ini\\modules.ini", "[modules]\r\nQv.Viewer.1A2B3C4D_0000_4000_8000_"
                                            "000000000006:1033=Acme Viewer (system)\r\n");
    scratch_.WriteFile(
        L"ini\\FilesToModules.ini",
        "[FilesToModules]\r\nOTHER.DLL=0:Qv.ViewerApp.1A2B3C4D_0000_4000_8000_000000000007\r\n"
        "versioned.dll=3.0.0.1:Qv.Viewer.1A2B3C4D_0000_4000_8000_000000000006:1033\r\n"
        "orphan.dll=0:Qv.Missing\r\nbroken.dll=no module here\r\n"
        "multi.dll=0:Qv.Multi.1A2B3C4D_0000_4000_8000_000000000008:0\r\n");
    // The tables are filled once per process by whichever catalog came first.
    LoadModuleNameTable(Path(L"ini"));
    LoadFileModuleTable(Path(L"ini"));
    state_.SetText(L"ProductFolder", Path(L"product"));
    scratch_.WriteFile(L"product\\ObjectGallery\\Gallery.ini",
                       "[MergeModule]\r\nModuleID=Qv.Gallery\r\nLanguage=1033\r\n[Files]\r\n"
                       "Key1=GalleryDll\r\n[GalleryDll]\r\nFileName=GALLERY.DLL|gallery.dll\r\n"
                       "Version=1.0\r\nLanguage=0\r\n");
    catalog_ = NewCatalog();
  }
  // "<found> <key of the module handed back>[ <its path>]", or the failure's code.
  std::wstring Find(const wchar_t* destination, const wchar_t* version, const wchar_t* language,
                    bool inFolder = false, bool withPath = false) {
    ComRef<IDispatch> module;
    long found = 12345;
    const Arg d(destination), v(version), l(language);
    const HRESULT result =
        inFolder ? catalog_->FindModuleForFileInFolder(d, v, l, module.Put(), &found)
                 : catalog_->FindModuleForFile(d, v, l, module.Put(), &found);
    if (result != S_OK) return L"error " + std::to_wstring(result);
    return std::to_wstring(found) + L" " + KeyOf(module.Get()) +
           (withPath ? L" " + KeyOf(module.Get(), &IMergeModule2::get_Path) : L"");
  }

  ComRef<IMMCatalog> catalog_;
};

std::wstring Hit(const wchar_t* key) { return std::wstring(L"-1 ") + key; }
const std::wstring kMiss = L"0 <none>";

// Environment switches of a lookup row.
enum : unsigned { kFolder = 1, kScript = 2, kVersion = 4, kInFolder = 8 };

struct FileCase {
  unsigned Switches;
  const wchar_t* Destination;
  const wchar_t* Version;
  const wchar_t* Language;
  const wchar_t* Key;  // null: nothing found
};

TEST_F(CatalogQueryTest, FileLookupsFollowTheSwitchesNotationsAndLists) {
  const FileCase cases[] = {
      {kFolder, L"[SystemFolder]viewer.dll", L"", L"1033", kViewer},
      {kFolder, L"[systemfolder]VIEWER.DLL", L"", L"1033", kViewer},
      {kFolder, L"[ProgramFilesFolder]Acme\\viewer.dll", L"", L"", kViewerApp},  // "" is "0"
      {kFolder, L"[SystemFolder]viewer.dll", L"", L"0", nullptr},
      {kFolder, L"[SystemFolder]viewer.dll", L"", L"1031", nullptr},
      {kFolder, L"viewer.dll", L"", L"0", kViewerApp},  // no folder token: the name alone
      {kFolder, L"C:\\anywhere\\viewer.dll", L"", L"1033", kViewer},
      {0, L"[SystemFolder]viewer.dll", L"", L"0", kViewerApp},
      {0, L"[NoSuchFolder]viewer.dll", L"", L"1033", kViewer},
      // The packages' folders are in the installer notation, never equal to a script one.
      {kFolder | kScript, L"<WINSYSDIR>\\viewer.dll", L"", L"1033", nullptr},
      {kFolder | kScript, L"[SystemFolder]viewer.dll", L"", L"1033", nullptr},
      {kScript, L"<WINSYSDIR>\\viewer.dll", L"", L"1033", kViewer},
      {kScript, L"<ProgramFilesFolder>Acme\\viewer.dll", L"", L"0", kViewerApp},
      {kFolder, L"[SystemFolder]viewer.dll", L"9.9", L"1033", kViewer},
      {kFolder | kVersion, L"[SystemFolder]viewer.dll", L"2.1.0.5", L"1033", kViewer},
      {kFolder | kVersion, L"[SystemFolder]viewer.dll", L"2.1.0.6", L"1033", nullptr},
      {kFolder | kVersion, L"[SystemFolder]viewer.dll", L"", L"1033", nullptr},
      // In a folder: always compares the folder, and a version given.
      {kInFolder, L"[SystemFolder]viewer.dll", L"", L"1033", kViewer},
      {kInFolder, L"[SystemFolder]viewer.dll", L"", L"0", nullptr},
      {kInFolder, L"[SystemFolder]viewer.dll", L"2.1.0.5", L"1033", kViewer},
      {kInFolder, L"[SystemFolder]viewer.dll", L"1.0", L"1033", nullptr},
      {kInFolder, L"viewer.dll", L"", L"1033", nullptr},
      {kInFolder, L"other.dll", L"", L"0", nullptr},
      {kInFolder, L"[SystemFolder]other.dll", L"", L"0", kViewerApp},
      // "FilesToModules.ini"; a neutral key goes through GetModule's fallback.
      {kFolder, L"[SystemFolder]OTHER.dll", L"", L"", kViewerApp},
      {kFolder, L"versioned.dll", L"3.0.0.1", L"1033", kViewer},
      {kFolder, L"versioned.dll", L"3.0.0.2", L"1033", nullptr},
      {kFolder, L"broken.dll", L"", L"", nullptr},
      {kFolder, L"unlisted.dll", L"", L"", nullptr},
      {kFolder, L"multi.dll", L"", L"1033", kMulti1033},
      {kFolder, L"multi.dll", L"", L"", kMulti1031},
      // Gallery files: the language as given, no folder to compare.
      {kFolder, L"gallery.dll", L"", L"0", L"Qv.Gallery:1033"},
      {kFolder, L"gallery.dll", L"", L"", nullptr},
      {kFolder, L"[SystemFolder]gallery.dll", L"", L"0", nullptr},
      {kFolder, L"readme.txt", L"", L"", kViewerApp},
  };
  for (const FileCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Switches << " " << WideString(c.Destination).Ansi() << " "
                                    << WideString(c.Version).Ansi() << " "
                                    << WideString(c.Language).Ansi());
    state_.SetNumber(L"MatchFolder", (c.Switches & kFolder) != 0);
    state_.SetNumber(L"ActiveProjectType", (c.Switches & kScript) ? 1 : 0);
    state_.SetNumber(L"MatchVersion", (c.Switches & kVersion) != 0);
    EXPECT_EQ(c.Key ? Hit(c.Key) : kMiss,
              Find(c.Destination, c.Version, c.Language, (c.Switches & kInFolder) != 0));
  }
}

// A file delivered by several sources comes from the first: the packages (folders in store
// order, each folder's packages in path order, each package's files in key order), then the
// gallery descriptors in name order, then "FilesToModules.ini".
TEST_F(CatalogQueryTest, TheFirstSourceThatDeliversAFileWins) {
  // One package copied three times.  Its second file in key order (first in sequence) lies in
  // a directory whose key the installer refuses in a query: a walk that reached it would fail.
  for (const wchar_t* copy : {L"one\\c.msm", L"one\\b.msm", L"two\\a.msm"})
    Copy("first_match", copy);
  for (const std::string name : {"Second", "First"})
    scratch_.WriteFile(L"product\\ObjectGallery\\" + std::wstring(name.begin(), name.end()) + L".ini",
                       "[MergeModule]\r\nModuleID=Qv." + name + "\r\n[Files]\r\nKey1=Shared\r\n"
                       "[Shared]\r\nFileName=SHARED.DLL|shared.dll\r\nLanguage=0\r\n");
  scratch_.WriteFile(L"listed\\FilesToModules.ini", "[FilesToModules]\r\nshared.dll=0:Qv.Listed\r\n");
  LoadFileModuleTable(Path(L"listed"));
  state_.SetText(L"SearchPathList", Path(L"two") + L"," + Path(L"one"));
  catalog_ = NewCatalog();
  const auto find = [&](const wchar_t* file) { return Find(file, L"", L"0", false, true); };
  const std::wstring package = L"-1 Qv.FirstMatch.1A2B3C4D_0000_4000_8000_000000000009:0 " +
                               std::wstring(Path(L"one\\b.msm").c_str());
  state_.SetNumber(L"MatchFolder", 1);
  EXPECT_EQ(package, find(L"[SystemFolder]shared.dll")) << "folder, package, file: the first";
  state_.SetNumber(L"MatchFolder", 0);
  EXPECT_EQ(package, find(L"shared.dll")) << "packages before the gallery";
  state_.SetText(L"SearchPathList", L"");
  EXPECT_EQ(L"-1 Qv.First:0 ", find(L"shared.dll")) << "the gallery in name order, before the list";
}

// Unlike the installer's refusal of a package, a failing application service fails the call.
TEST_F(CatalogQueryTest, AFailingApplicationServiceReachesTheCallerOfARefreshOrALookup) {
  const HRESULT code = static_cast<HRESULT>(0x80041313);
  state_.SetNumber(L"FailHResult", code);
  const std::tuple<const wchar_t*, bool, bool> cases[] = {  // failing: a refresh, a lookup
      {L"GetSearchPathList", true, true}, {L"GetExtraSearchPathList", true, true},
      {L"GetModuleFolderAt", true, true}, {L"GetProductFolder", true, false},
      {L"GetMatchVersion", false, true},  {L"GetMatchFolder", false, true}};
  for (const auto& [operation, inRefresh, inLookup] : cases) {
    SCOPED_TRACE(WideString(operation).Ansi());
    state_.SetText(L"FailOperation", operation);
    Implementation(catalog_).MarkDirty();  // a rebuild asks for the gallery's folder
    ComRef<IUnknown> modules;
    EXPECT_EQ(inRefresh ? code : S_OK, catalog_->GetModules(modules.Put()));
    EXPECT_EQ(inLookup ? L"error " + std::to_wstring(code) : Hit(kViewerApp),
              Find(L"viewer.dll", L"", L""));
  }
}

TEST_F(CatalogQueryTest, ExcludedNamesFindNothingEvenWhenAModuleHasThem) {
  const std::vector<WideString> patterns = SplitExcludedPatterns(L"\n *.TXT \t,,x,");
  EXPECT_EQ((std::vector<WideString>{L"\n *.TXT \t", L"", L"x"}), patterns)
      << "empty pieces count, nothing after the last comma";
  EXPECT_TRUE(IsExcludedFile(patterns, L"readme.txt")) << "blanks trimmed, case ignored";
  EXPECT_FALSE(IsExcludedFile(patterns, L"viewer.dll"));
  state_.SetText(L"ExcludedFilePatterns", L"VIEWER.*");
  catalog_ = NewCatalog();
  EXPECT_EQ(kMiss, Find(L"[SystemFolder]viewer.dll", L"", L"1033"));
}

TEST_F(CatalogQueryTest, AListedModuleTheCatalogLacksLeavesTheCallersModuleAlone) {
  ComRef<IMergeModule2> sentinel = MakeComponentObject<MergeModule2, IMergeModule2>();
  IDispatch* module = sentinel.Get();
  long found = 0;
  const Arg empty(L"");
  ASSERT_EQ(S_OK, catalog_->FindModuleForFile(Arg(L"orphan.dll"), empty, empty, &module, &found));
  EXPECT_EQ(-1, found);
  EXPECT_EQ(static_cast<IDispatch*>(sentinel.Get()), module);

  // A match replaces (and releases) what the caller's pointer held.
  sentinel->AddRef();
  ASSERT_EQ(S_OK, catalog_->FindModuleForFile(Arg(L"viewer.dll"), empty, empty, &module, &found));
  EXPECT_EQ(kViewerApp, KeyOf(module));
  module->Release();
  EXPECT_EQ(2u, sentinel->AddRef()) << "the caller's object lost the reference it gave";
  sentinel->Release();
}

// A late-bound caller's object variable passed by reference receives the object whatever its
// object type (VBA passes "Dim x As Object" as VT_BYREF | VT_DISPATCH); a variable of another
// type is refused instead of being left empty.
TEST_F(CatalogQueryTest, LateBoundObjectVariablesByReferenceReceiveTheObject) {
  const struct {
    DISPID member;
    VARTYPE variable;
    bool received;
  } cases[] = {{QV_DISPID_CATALOG_GETMODULES, VT_DISPATCH, true},
               {QV_DISPID_CATALOG_FINDMODULEFORFILE, VT_UNKNOWN, true},
               {QV_DISPID_CATALOG_FINDMODULEFORFILE, VT_BSTR, false}};
  const StringVariant language(L"1033"), version(L""), destination(L"[SystemFolder]viewer.dll");
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.member << " " << c.variable);
    IUnknown* object = nullptr;
    VARIANT arguments[] = {{}, language.Get(), version.Get(), destination.Get()};
    V_VT(&arguments[0]) = c.variable | VT_BYREF;
    V_BYREF(&arguments[0]) = &object;
    DISPPARAMS params{arguments, nullptr, c.member == QV_DISPID_CATALOG_GETMODULES ? 1u : 4u, 0};
    UniqueVariant result;
    const HRESULT invoked = catalog_->Invoke(c.member, IID_NULL, 0, DISPATCH_METHOD, &params,
                                             result.Put(), nullptr, nullptr);
    if (!c.received) {
      EXPECT_TRUE(FAILED(invoked)) << "refused, not answered with an empty variable";
      EXPECT_EQ(nullptr, object);
      continue;
    }
    ASSERT_EQ(S_OK, invoked);
    ASSERT_NE(nullptr, object) << "the variable received the object";
    const ComRef<IUnknown> received = ComRef<IUnknown>::Attach(object);
    ComRef<IDispatch> dispatch;
    EXPECT_EQ(S_OK, received.QueryTo(IID_IDispatch, dispatch));
    if (c.member == QV_DISPID_CATALOG_GETMODULES) {
      ComRef<IMergeModuleCollection> modules;
      EXPECT_EQ(S_OK, received.QueryTo(__uuidof(IMergeModuleCollection), modules));
      EXPECT_EQ(VT_EMPTY, result.Type()) << "the collection did not go to the result";
    } else {
      EXPECT_EQ(kViewer, KeyOf(dispatch.Get()));
      EXPECT_EQ(VT_I4, result.Type());
      EXPECT_EQ(-1, V_I4(&result.Get())) << "found is the result";
    }
  }
}

TEST_F(CatalogQueryTest, GetModuleFallsBackOverTheLanguagesOfANeutralKey) {
  struct {
    const wchar_t* Preferred;
    const wchar_t* Key;
    const wchar_t* Language;
    const wchar_t* Expected;
  } const cases[] = {
      {L"", kMulti0, L"1033", kMulti1033},
      {L"", kMulti0, L"2052", kMulti1031},  // the lowest language text
      {L"", kMulti0, L"", kMulti1031},
      {L"", kMulti9, L"1033", kMulti9},  // a full key is taken as it is
      {L"", L"Qv.Viewer.1A2B3C4D_0000_4000_8000_000000000006:0", L"2052", kViewer},
      {L"", L"Qv.Nothing:0", L"1033", L"<none>"},
      {L"", L"Qv.Multi.1A2B3C4D_0000_4000_8000_000000000008:2052", L"1033", L"<none>"},
      {L"9", kMulti0, L"1033", kMulti9},  // the environment's preference
      {L"2052", kMulti0, L"1033", kMulti1031},  // one the module lacks: the lowest
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(WideString(c.Preferred).Ansi() + std::string(" ") + WideString(c.Key).Ansi());
    state_.SetText(L"PreferredLanguage", c.Preferred);
    catalog_ = NewCatalog();
    ComRef<IDispatch> module;
    ASSERT_EQ(S_OK, catalog_->GetModule(Arg(c.Key), Arg(c.Language), module.Put()));
    EXPECT_EQ(c.Expected, KeyOf(module.Get()));
  }
  // Not a module key: E_FAIL without error information, the caller's module untouched.
  IDispatch* module = catalog_.Get();
  SetErrorInfo(0, nullptr);
  EXPECT_EQ(E_FAIL, catalog_->GetModule(Arg(L"Qv.Viewer"), Arg(L""), &module));
  EXPECT_TRUE(module == catalog_.Get() && ErrorSource() == L"<no error information>");
  EXPECT_EQ(E_POINTER, catalog_->GetModule(Arg(L"Qv.Viewer"), Arg(L""), nullptr));
}

TEST_F(CatalogQueryTest, DisplayNamesAndListedKeys) {
  UniqueBstr name, key;
  ASSERT_EQ(S_OK, catalog_->GetModuleDisplayName(Arg(kViewer), name.Put()));
  EXPECT_STREQ(L"Acme Viewer (system)", name.Get());
  ASSERT_EQ(S_OK, catalog_->GetModuleDisplayName(Arg(L"Qv.Unknown:7"), name.Put()));
  EXPECT_STREQ(L"Qv.Unknown:7", name.Get()) << "a key the list lacks names itself";
  EXPECT_EQ(L"Acme Viewer (system)",
            TextOf(ModuleByKey(catalog_.Get(), kViewer).Get(), &IMergeModule2::get_DisplayName));

  const Arg path(L"C:\\Windows\\system32\\Other.DLL");
  ASSERT_EQ(S_OK, catalog_->GetModuleKeyForFile(path, key.Put()));
  EXPECT_STREQ(kViewerApp, key.Get()) << "\":0\" added to a bare ModuleID";
  for (const wchar_t* file : {L"versioned.dll", L"unlisted.dll", L"broken.dll", L""}) {
    EXPECT_EQ(S_OK, catalog_->GetModuleKeyForFile(Arg(file), key.Put())) << file;
    EXPECT_EQ(nullptr, key.Get()) << file << ": only entries for every version name a key";
  }
  EXPECT_EQ(S_OK, catalog_->GetModuleKeyForFile(path, nullptr));
  EXPECT_EQ(S_OK, catalog_->GetModuleDisplayName(Arg(kViewer), nullptr));
}

TEST_F(CatalogQueryTest, SupportsProjectAsksTheProjectForItsType) {
  const std::pair<long, VARIANT_BOOL> cases[] = {
      {1, VARIANT_TRUE}, {3, VARIANT_TRUE}, {9, VARIANT_FALSE}, {0, VARIANT_FALSE}};
  for (const auto& [type, expected] : cases) {
    VARIANT_BOOL supported = 7;
    ASSERT_EQ(S_OK, catalog_->SupportsProject(StandInProject(type).Get(), &supported)) << type;
    EXPECT_EQ(expected, supported) << type;
  }
  VARIANT_BOOL supported = 7;
  EXPECT_EQ(E_INVALIDARG, catalog_->SupportsProject(StandInProject(1).Get(), nullptr));
  EXPECT_EQ(E_POINTER, catalog_->SupportsProject(nullptr, &supported));
  EXPECT_EQ(E_NOINTERFACE, catalog_->SupportsProject(catalog_.Get(), &supported));
  EXPECT_EQ(kSource, ErrorSource()) << "not a project";
}

TEST_F(CatalogQueryTest, ReservedMembersAnswerZeroAndNullOutPointersAreRefused) {
  long values[5] = {5, 5, 5, 5, 5};
  EXPECT_EQ(S_OK, catalog_->Reserved1(1, 2, &values[0]));
  EXPECT_EQ(S_OK, catalog_->Reserved2(1, &values[1]));
  EXPECT_EQ(S_OK, catalog_->Reserved3(&values[2]));
  EXPECT_EQ(S_OK, catalog_->Reserved7(&values[3]));
  EXPECT_EQ(S_OK, catalog_->Reserved8(1, &values[4]));
  for (long value : values) EXPECT_EQ(0, value);
  EXPECT_EQ(S_OK, catalog_->Reserved9(1));
  EXPECT_EQ(E_POINTER, catalog_->Reserved3(nullptr));
  ComRef<IDispatch> module;
  long found = 0;
  const Arg name(L"viewer.dll");
  EXPECT_EQ(E_POINTER, catalog_->FindModuleForFile(name, nullptr, nullptr, nullptr, &found));
  EXPECT_EQ(E_POINTER,
            catalog_->FindModuleForFileInFolder(name, nullptr, nullptr, module.Put(), nullptr));
}

}  // namespace
