// Gallery descriptors and the lookup files, written into a scratch product folder and read
// through the profile reader (Keyfile.dll) and application-services stand-ins: status flags,
// entry readers, records built from descriptors and packages, and the lookup tables.
#include "catalog/lookup_tables.h"
#include "common/bstr.h"
#include "common/variant.h"
#include "module/gallery_descriptor.h"
#include "module/merge_module2.h"
#include "module/module_record.h"
#include "support/com_getters.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using Flags = std::pair<bool, bool>;  // IsInstalled, NeedsDownload
const Flags kInitial{true, false};

class Gallery : public ::testing::Test {
 protected:
  Gallery() {
    state_.SetText(L"ProductFolder", product_.Path());
    product_.MakeFolder(L"ObjectGallery");
    ModuleNames().clear();
    FileModules().clear();
  }
  ~Gallery() override {
    ModuleNames().clear();
    FileModules().clear();
  }
  void Descriptor(const std::wstring& name, const std::string& text) const {
    product_.WriteFile(L"ObjectGallery\\" + name + L".ini", text);
  }
  WideString Put(const std::wstring& relative) const { return product_.WriteFile(relative, "x"); }
  DWORD ProfileOpens() const { return state_.Number(L"ProfileOpenCount"); }

  const StandInState state_{L"gallery"};
  const ScratchFolder product_{L"qv-gallery"};
};

// A descriptor object given its name and reference version as it is made.
struct NamedDescriptor : GalleryDescriptor {
  NamedDescriptor(const wchar_t* name, const wchar_t* reference) { SetNames(name, reference); }
};

Flags Status(GalleryDescriptor& descriptor) {
  VARIANT_BOOL installed = 7, needsDownload = 7;
  EXPECT_EQ(S_OK, descriptor.GetIsInstalled(&installed));
  EXPECT_EQ(S_OK, descriptor.GetNeedsDownload(&needsDownload));
  return {installed == VARIANT_TRUE, needsDownload == VARIANT_TRUE};
}

// A descriptor whose package lies at <product>\Modules\viewer.msm.
std::string PackageDescriptor(const char* version, const char* more = "") {
  return std::string("[MergeModule]\r\nFileName=ViewerPackage\r\nVersion=") + version +
         "\r\n[ViewerPackage]\r\nLocation=Modules\\viewer.msm\r\n" + more;
}
// Two files to download, found by position whatever their keys are named.
constexpr char kDownloads[] =
    "[FilesToDownload]\r\nfirst=Help.File\r\nanything=Runtime.File\r\n"
    "[Help.File]\r\nDestination=\\Help\\viewer.chm\r\n"
    "[Runtime.File]\r\nDestination=Redist\\viewer.dll\r\n";

TEST_F(Gallery, StatusFlagsFollowEachRule) {
  const struct {
    std::string descriptor;
    const wchar_t* reference;
    std::vector<const wchar_t*> present;
    Flags expected;
  } rows[] = {
      {"[MergeModule]\r\nVersion=9.0\r\n", L"1.0", {}, kInitial},  // no FileName
      {"[MergeModule]\r\nFileName=P\r\nVersion=9.0\r\n[P]\r\nLocation=\r\n", L"1.0", {},
       {false, false}},
      {PackageDescriptor("1.0"), L"1.0", {}, {false, true}},  // missing package
      {PackageDescriptor("1.2.4"), L"1.2.3", {L"Modules\\viewer.msm"}, {true, true}},
      {PackageDescriptor("1.2.3.0"), L"1.2.3", {L"Modules\\viewer.msm"}, kInitial},
      {PackageDescriptor("1.2.2.9"), L"", {L"Modules\\viewer.msm"}, {true, true}},
      {PackageDescriptor("1.0", kDownloads), L"1.0",
       {L"Modules\\viewer.msm", L"Help\\viewer.chm", L"Redist\\viewer.dll"}, kInitial},
      {PackageDescriptor("1.0", kDownloads), L"1.0",
       {L"Modules\\viewer.msm", L"Redist\\viewer.dll"}, {false, true}},
      {PackageDescriptor("1.0", kDownloads), L"1.0",
       {L"Modules\\viewer.msm", L"Help\\viewer.chm"}, {false, true}},
  };
  int row = 0;
  for (const auto& [descriptor, reference, present, expected] : rows) {
    SCOPED_TRACE(row);
    const std::wstring name = L"Row" + std::to_wstring(row++);
    Descriptor(name, descriptor);
    for (const wchar_t* file : present) Put(file);
    NamedDescriptor probe(name.c_str(), reference);
    EXPECT_EQ(expected, Status(probe));
    for (const wchar_t* file : present) DeleteFileW((product_.Path() + L"\\" + file).c_str());
  }
}

TEST_F(Gallery, AMissingFileKeepsTheCheckOpenAndNothingSetsInstalledBack) {
  Descriptor(L"Viewer", PackageDescriptor("1.0", kDownloads));
  Put(L"Help\\viewer.chm");
  NamedDescriptor appearing(L"Viewer", L"1.0"), failing(L"Viewer", L"1.0");
  for (GalleryDescriptor* descriptor : {&appearing, &failing})
    EXPECT_EQ(Flags(false, true), Status(*descriptor));
  Put(L"Modules\\viewer.msm");
  EXPECT_EQ(Flags(false, true), Status(appearing)) << "a destination is still missing";
  Put(L"Redist\\viewer.dll");
  EXPECT_EQ(Flags(false, true), Status(appearing)) << "checked again and complete";
  // A passing failure of the application services while checking again settles the flags as
  // the earlier check left them.
  state_.SetText(L"FailOperation", L"GetProductFolder");
  EXPECT_EQ(Flags(false, true), Status(failing));
  EXPECT_EQ(2u, ProfileOpens()) << "each object opened the descriptor once";
}

TEST_F(Gallery, ReaderFailuresNeverReachTheStatusGetters) {
  Put(L"Modules\\viewer.msm");
  Descriptor(L"Viewer", PackageDescriptor("2.0", kDownloads));
  for (const wchar_t* operation : {L"CreateInstance", L"Open", L"Sections", L"Keys.Item"}) {
    SCOPED_TRACE(WideString(operation).Ansi());
    state_.SetText(L"ProfileFailOperation", operation);
    NamedDescriptor descriptor(L"Viewer", L"1.0");
    EXPECT_EQ(kInitial, Status(descriptor));
  }
  // Only the walk of "FilesToDownload" counts keys: the newer version has asked for a
  // download by the time it fails, and the failure settles the flags.
  state_.SetText(L"ProfileFailOperation", L"Keys.Count");
  NamedDescriptor descriptor(L"Viewer", L"1.0");
  EXPECT_EQ(Flags(true, true), Status(descriptor));
  state_.Remove(L"ProfileFailOperation");
  EXPECT_EQ(Flags(true, true), Status(descriptor));
}

TEST_F(Gallery, AReaderThatCannotBeCreatedIsTriedOnceAndReadsAsEmpty) {
  Descriptor(L"Later", "[MergeModule]\r\nModuleID=Too.Late\r\n");
  state_.SetText(L"ProfileFailOperation", L"CreateInstance");
  NamedDescriptor descriptor(L"Later", L"");
  EXPECT_EQ(E_FAIL, RaisedCode([&] { descriptor.DescriptorModuleID(); }));
  state_.Remove(L"ProfileFailOperation");
  EXPECT_EQ(WideString(), descriptor.DescriptorModuleID()) << "not created again";

  // A module object whose status check met the broken reader lists no download files.
  state_.SetText(L"ProfileFailOperation", L"CreateInstance");
  auto record = std::make_shared<ModuleRecord>();
  record->InitFromPackage(FixturePackage("gallery_packages", "gallery_viewer"));
  const ComRef<IMergeModule2> module = MakeComponentObject<MergeModule2, IMergeModule2>();
  ImplementationOf<MergeModule2>(module.Get())->SetRecord(record);
  VARIANT_BOOL installed = 0;
  EXPECT_EQ(S_OK, module->get_IsInstalled(&installed));
  const auto downloads =
      GetAs<IDownloadFileCollection>(module.Get(), &IMergeModule2::get_DownloadFiles);
  EXPECT_EQ(0, CountOf(downloads.Get()));
}

TEST_F(Gallery, AFailedOpenIsRaisedAndTheReaderIsKept) {
  NamedDescriptor descriptor(L"Later", L"");
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND),
            RaisedCode([&] { descriptor.DescriptorModuleID(); }));
  Descriptor(L"Later", "[MergeModule]\r\nModuleID=Too.Late\r\n");
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND),
            RaisedCode([&] { descriptor.CountDownloadFiles(); }))
      << "the kept reader answers with the failed Open's reason";
}

TEST_F(Gallery, EntryReadersFollowKeysByPositionAndReadTheirSections) {
  Descriptor(L"Lists",
             "[MergeModule]\r\nLanguage= -7x\r\nFileName=Package\r\n"
             "[Package]\r\nLocation=\\Modules\\a.msm\r\n"
             "[Dependency]\r\nKey1=Dep.One\r\nKey3=Dep.Three\r\n"
             "[Dep.One]\r\nVersion=1.2.3\r\nLanguage=1033\r\n"
             "[Exclusions]\r\nKey1=Old\r\n[Old]\r\nExcludedLanguage= -7x\r\n");
  state_.SetText(L"ProductFolder", product_.Path() + L"\\");
  NamedDescriptor descriptor(L"Lists", L"");
  EXPECT_EQ(-7, descriptor.DescriptorLanguage()) << "\" -7x\" reads as -7";
  EXPECT_EQ(product_.Path() + L"\\Modules\\a.msm", descriptor.GetPackagePathFromDescriptor())
      << "one backslash of two";

  ASSERT_EQ(2, descriptor.CountDependencies()) << "two keys, whatever their names";
  DescriptorDependency first, second;
  descriptor.ReadDependency(0, first);
  EXPECT_EQ(WideString(L"1.2.3"), first.Version);
  second.ID = L"caller's";
  second.Language = 5;
  descriptor.ReadDependency(1, second);
  EXPECT_EQ(WideString(L"caller's"), second.ID) << "entry 1 is Key2, which is missing";
  EXPECT_EQ(0, second.Language);

  DescriptorExclusion exclusion;
  descriptor.ReadExclusion(0, exclusion);
  EXPECT_EQ(-7, exclusion.Language);

  product_.WriteFile(L"ObjectGallery.ini", "[MergeModule]\r\nModuleID=Whole.Gallery\r\n");
  EXPECT_EQ(WideString(L"Whole.Gallery"), NamedDescriptor(L"", L"").DescriptorModuleID())
      << "an empty name reads <product>\\ObjectGallery.ini";
}

TEST_F(Gallery, ADescriptorRecordTakesItsListsFromTheEntrySections) {
  Descriptor(L"Gallery Module",
             "[MergeModule]\r\nModuleID=Acme.Gallery\r\nLanguage=1033\r\n"
             "[Dependency]\r\nKey1=Acme.Core\r\nKey2=Acme.Gallery\r\nKey3=acme.gallery\r\n"
             "[Acme.Core]\r\nVersion=1.0\r\n[Acme.Gallery]\r\nLanguage=1033\r\n"
             "[acme.gallery]\r\nLanguage=1033\r\n"
             "[Files]\r\nKey1=readme.txt\r\n"
             "[readme.txt]\r\nFileName=README~1.TXT|Read me.txt\r\nFileSize=12\r\n");
  ModuleRecord record;
  // Only the name of the path counts: the descriptor is read from the product folder.
  record.InitFromDescriptor(L"D:\\elsewhere\\Gallery Module.ini");
  std::vector<std::wstring> keys;
  for (const auto& entry : record.Dependencies()) keys.emplace_back(entry.first.c_str());
  EXPECT_EQ((std::vector<std::wstring>{L"Acme.Core:0", L"acme.gallery:1033"}), keys)
      << "the entry equal to the module itself is dropped; one differing in case is not";
  const FileRecord& readme = record.Files().at(L"readme.txt");
  EXPECT_EQ(WideString(L"Read me.txt"), readme.LongName);
  EXPECT_EQ(12u, readme.FileSize);
  EXPECT_EQ(WideString(L"0"), readme.Language) << "a missing language reads as 0";
}

TEST_F(Gallery, AModuleObjectOverADescriptorRecordListsItsDownloadFiles) {
  Descriptor(L"Offered", "[MergeModule]\r\nModuleID=Qv.Offered\r\n[DownloadFiles]\r\nKey1=Cab\r\n"
                         "[Cab]\r\nLocation=Modules\\offered.cab\r\nFileSize=  42kB\r\n");
  auto record = std::make_shared<ModuleRecord>();
  record->InitFromDescriptor(L"Offered.ini");
  const ComRef<IMergeModule2> module = MakeComponentObject<MergeModule2, IMergeModule2>();
  ImplementationOf<MergeModule2>(module.Get())->SetRecord(record);
  ComRef<IDispatch> downloads, again, item;
  ASSERT_EQ(S_OK, module->get_DownloadFiles(downloads.Put()));
  ASSERT_EQ(S_OK, module->get_DownloadFiles(again.Put()));
  EXPECT_NE(downloads.Get(), again.Get()) << "every call builds a new collection";
  ComRef<IDownloadFileCollection> collection;
  ASSERT_EQ(S_OK, downloads.QueryTo(__uuidof(IDownloadFileCollection), collection));
  ASSERT_EQ(S_OK, collection->Item(IntegerVariant(1).Get(), item.Put()));
  ComRef<IDownloadFileItem> file;
  ASSERT_EQ(S_OK, item.QueryTo(__uuidof(IDownloadFileItem), file));
  UniqueBstr location;
  long fileSize = 0;
  EXPECT_EQ(S_OK, file->get_Location(location.Put()));
  EXPECT_STREQ(L"Modules\\offered.cab", location.Get()) << "the key's value names the section";
  EXPECT_EQ(S_OK, file->get_FileSize(&fileSize));
  EXPECT_EQ(42, fileSize) << "a number read up to its end";
}

TEST_F(Gallery, APackageRecordTakesItsStatusFromTheDescriptorOfItsPackageCode) {
  Descriptor(L"{2B7C1E40-5D6F-4A1B-9C2D-3E4F50617283}", PackageDescriptor("1.6"));
  const auto status = [] {
    ModuleRecord record;
    record.InitFromPackage(FixturePackage("gallery_packages", "gallery_viewer"));
    return Status(record);
  };
  EXPECT_EQ(Flags(false, true), status()) << "the descriptor's package is not there";
  Put(L"Modules\\viewer.msm");
  EXPECT_EQ(Flags(true, true), status()) << "1.6 is newer than the package's 1.5.0.0";
}

TEST_F(Gallery, DisplayNameIsTheModulesIniNameElseTheSubjectElseThePackagePath) {
  Descriptor(L"Subject", "[MergeModule]\r\nModuleID=Acme.Listed\r\nLanguage=-1\r\n"
                         "Subject=Its subject\r\n");
  Descriptor(L"Plain", "[MergeModule]\r\nModuleID=Acme.Plain\r\nFileName=P\r\n"
                       "[P]\r\nLocation=Modules\\plain.msm\r\n");
  const WideString viewer = FixturePackage("gallery_packages", "gallery_viewer");
  const WideString bare = FixturePackage("gallery_packages", "gallery_bare");
  const auto displayName = [](const WideString& source, bool fromDescriptor) {
    ModuleRecord record;
    fromDescriptor ? record.InitFromDescriptor(source) : record.InitFromPackage(source);
    return record.DisplayName();
  };
  EXPECT_EQ(WideString(L"Its subject"), displayName(L"Subject.ini", true));
  EXPECT_EQ(product_.Path() + L"\\Modules\\plain.msm", displayName(L"C:\\Plain.INI", true));
  EXPECT_EQ(WideString(L"Acme Viewer Runtime"), displayName(viewer, false));
  EXPECT_EQ(bare, displayName(bare, false));

  product_.WriteFile(L"names\\modules.ini",
                     "[modules]\r\nAcme.Listed:-1=Listed\r\nAcme.Plain:1033=Wrong language\r\n");
  LoadModuleNameTable(product_.Path() + L"\\names");
  EXPECT_EQ(WideString(L"Listed"), displayName(L"Subject.ini", true));
  EXPECT_EQ(product_.Path() + L"\\Modules\\plain.msm", displayName(L"Plain.ini", true))
      << "keys match exactly, language included";
}

TEST_F(Gallery, FileNamesAreStoredLowerCaseThroughTheAnsiCodePage) {
  product_.WriteFile(L"files\\FilesToModules.ini",
                     "[FilesToModules]\r\nVIEWER.DLL=0:ModA\r\n"
                     "\xC4RGER.OCX=2.1.0.5:ModB:1033\r\n");  // A with diaeresis in 1252
  LoadFileModuleTable(product_.Path() + L"\\files");
  ASSERT_EQ(2u, FileModules().size());
  EXPECT_EQ(WideString(L"2.1.0.5:ModB:1033"), FileModules().at(L"\u00e4rger.ocx"));
}

TEST_F(Gallery, LoaderFailuresRaiseAndKeepWhatWasStoredButNoKeysObjectIsNoKeys) {
  product_.WriteFile(L"names\\modules.ini", "[modules]\r\nModA:0=Mod A\r\nModB:0=Mod B\r\n");
  ModuleNames()[L"Kept:0"] = L"kept";
  state_.SetNumber(L"ProfileFailHResult", 0x80041234);
  for (const wchar_t* operation : {L"CreateInstance", L"Sections", L"Keys.Item", L"Key.Value"}) {
    SCOPED_TRACE(WideString(operation).Ansi());
    state_.SetText(L"ProfileFailOperation", operation);
    EXPECT_EQ(static_cast<HRESULT>(0x80041234),
              RaisedCode([&] { LoadModuleNameTable(product_.Path() + L"\\names"); }));
    ASSERT_EQ(1u, ModuleNames().size());
    EXPECT_EQ(WideString(L"kept"), ModuleNames().at(L"Kept:0"));
  }
  // A section that answers Keys with S_OK and no object has no keys.
  state_.Remove(L"ProfileFailOperation");
  state_.SetText(L"ProfileNoObjectOperation", L"Section.Keys");
  EXPECT_EQ(S_OK, RaisedCode([&] { LoadModuleNameTable(product_.Path() + L"\\names"); }));
  EXPECT_EQ(1u, ModuleNames().size());
}

}  // namespace
