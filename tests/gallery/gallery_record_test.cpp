// Module records and gallery descriptors: records built from a descriptor (identity, display
// name, lists, status), and package-built records whose status comes from the descriptor named
// by their package code.
#include "gallery/gallery_test_support.h"

#include "catalog/lookup_tables.h"
#include "module/module_record.h"

#include <string>
#include <vector>

namespace {

const wchar_t kViewerPackageCode[] = L"{2B7C1E40-5D6F-4A1B-9C2D-3E4F50617283}";
const wchar_t kViewerId[] = L"Acme.Viewer.2B7C1E40_5D6F_4A1B_9C2D_3E4F50617283";

class GalleryRecordTest : public GalleryTest {
 protected:
  void SetUp() override {
    GalleryTest::SetUp();
    product_ = MakeFolder(L"product");
    MakeFolder(L"product\\ObjectGallery");
    SetText(L"ProductFolder", product_);
    ModuleNames().clear();
  }
  void TearDown() override {
    ModuleNames().clear();
    GalleryTest::TearDown();
  }
  WideString WriteDescriptor(const std::wstring& name, const std::string& text) {
    return WriteFile(L"product\\ObjectGallery\\" + name + L".ini", text);
  }
  // Display names as the catalog loads them, from a real "modules.ini".
  void LoadDisplayNames(const std::string& section) {
    WriteFile(L"names\\modules.ini", "[modules]\r\n" + section);
    LoadModuleNameTable(Root() + L"\\names");
  }
  static std::vector<std::wstring> Keys(const std::map<WideString, DependencyRecord>& map) {
    std::vector<std::wstring> keys;
    for (const auto& entry : map) keys.emplace_back(entry.first.c_str());
    return keys;
  }

  WideString product_;
};

constexpr char kGalleryModule[] =
    "[MergeModule]\r\n"
    "FileName=Package\r\n"
    "ModuleID=Acme.Gallery\r\n"
    "Language=1033\r\n"
    "Version=2.0\r\n"
    "Author=Acme\r\n"
    "Comments=Offered by the gallery\r\n"
    "Subject=Acme Gallery Module\r\n"
    "[Package]\r\n"
    "Location=Modules\\gallery.msm\r\n"
    "[Dependency]\r\n"
    "Key1=Acme.Core\r\n"
    "Key2=Acme.Gallery\r\n"
    "Key3=acme.gallery\r\n"
    "Key4=Acme.Core\r\n"
    "[Acme.Core]\r\n"
    "Version=1.0\r\n"
    "Language=0\r\n"
    "[Acme.Gallery]\r\n"
    "Version=2.0\r\n"
    "Language=1033\r\n"
    "[acme.gallery]\r\n"
    "Version=2.0\r\n"
    "Language=1033\r\n"
    "[Exclusions]\r\n"
    "Key1=Acme.Old\r\n"
    "[Acme.Old]\r\n"
    "ExcludedMaxVersion=1.0\r\n"
    "ExcludedLanguage=-1\r\n"
    "[Files]\r\n"
    "Key1=gallery.dll\r\n"
    "Key2=readme.txt\r\n"
    "[gallery.dll]\r\n"
    "FileName=GALLERY.DLL\r\n"
    "Version=2.0.0.1\r\n"
    "FileSize=2048\r\n"
    "Language=1033\r\n"
    "[readme.txt]\r\n"
    "FileName=README~1.TXT|Read me.txt\r\n"
    "FileSize=12\r\n";

TEST_F(GalleryRecordTest, ADescriptorGivesTheRecordItsIdentity) {
  WriteDescriptor(L"Gallery Module", kGalleryModule);
  ModuleRecord record;
  // Only the name of the path counts: the descriptor is read from the product folder.
  record.InitFromDescriptor(L"D:\\elsewhere\\Gallery Module.ini");
  EXPECT_TRUE(record.FromGallery());
  EXPECT_EQ(WideString(L"Gallery Module"), record.GetDescriptorName());
  EXPECT_EQ(WideString(L"Gallery Module"), record.Name());
  EXPECT_EQ(WideString(L"Acme.Gallery"), record.ModuleID());
  EXPECT_EQ(1033, record.Language());
  EXPECT_EQ(WideString(L"Acme.Gallery:1033"), record.ModuleKey());
  EXPECT_EQ(WideString(L"2.0"), record.Version());
  EXPECT_EQ(WideString(L"Acme"), record.Author());
  EXPECT_EQ(WideString(L"Offered by the gallery"), record.Comments());
  EXPECT_EQ(WideString(L"Acme Gallery Module"), record.Subject());
  EXPECT_EQ(product_ + L"\\Modules\\gallery.msm", record.PackagePath());
  EXPECT_EQ(WideString(L"Acme Gallery Module"), record.DisplayName()) << "no modules.ini entry";
}

TEST_F(GalleryRecordTest, TheDisplayNameComesFromModulesIniThenSubjectThenPackagePath) {
  WriteDescriptor(L"Listed", "[MergeModule]\r\nModuleID=Acme.Listed\r\nLanguage=-1\r\n"
                             "Subject=Its subject\r\n");
  WriteDescriptor(L"Plain", "[MergeModule]\r\nModuleID=Acme.Plain\r\nFileName=P\r\n"
                            "[P]\r\nLocation=\\Modules\\plain.msm\r\n");
  LoadDisplayNames("Acme.Listed:-1=Listed Module\r\nAcme.Plain:1033=Wrong language\r\n");

  ModuleRecord listed;
  listed.InitFromDescriptor(L"Listed.ini");
  EXPECT_EQ(WideString(L"Acme.Listed:-1"), listed.ModuleKey());
  EXPECT_EQ(WideString(L"Listed Module"), listed.DisplayName());

  ModuleRecord plain;
  plain.InitFromDescriptor(L"C:\\Plain.INI");
  EXPECT_EQ(WideString(L"Acme.Plain:0"), plain.ModuleKey());
  EXPECT_EQ(product_ + L"\\Modules\\plain.msm", plain.DisplayName())
      << "no entry for its key and no subject";
}

TEST_F(GalleryRecordTest, DependenciesDropTheModuleItselfAndKeepTheLastOfAKey) {
  WriteDescriptor(L"Gallery", kGalleryModule);
  ModuleRecord record;
  record.InitFromDescriptor(L"Gallery.ini");
  const DependencyMap& dependencies = record.Dependencies();
  EXPECT_EQ((std::vector<std::wstring>{L"Acme.Core:0", L"acme.gallery:1033"}),
            Keys(dependencies))
      << "the entry equal to the module itself is dropped; one differing in case is not";
  const DependencyRecord& core = dependencies.at(L"Acme.Core:0");
  EXPECT_EQ(WideString(L"Acme.Core"), core.RequiredID);
  EXPECT_EQ(WideString(L"1.0"), core.RequiredVersion);
  EXPECT_EQ(0, core.RequiredLanguage);
  EXPECT_EQ(&dependencies, &record.Dependencies()) << "read once";
}

TEST_F(GalleryRecordTest, ExclusionsAndFilesComeFromTheirSections) {
  WriteDescriptor(L"Gallery", kGalleryModule);
  ModuleRecord record;
  record.InitFromDescriptor(L"Gallery.ini");

  const ExclusionMap& exclusions = record.Exclusions();
  ASSERT_EQ(1u, exclusions.size());
  const ExclusionRecord& old = exclusions.at(L"Acme.Old:-1");
  EXPECT_EQ(WideString(L"Acme.Old"), old.ExcludedID);
  EXPECT_EQ(WideString(L""), old.ExcludedMinVersion);
  EXPECT_EQ(WideString(L"1.0"), old.ExcludedMaxVersion);
  EXPECT_EQ(-1, old.ExcludedLanguage);

  const FileMap& files = record.Files();
  ASSERT_EQ(2u, files.size());
  const FileRecord& dll = files.at(L"gallery.dll");
  EXPECT_EQ(WideString(L"gallery.dll"), dll.File);
  EXPECT_EQ(WideString(L"GALLERY.DLL"), dll.FileName);
  EXPECT_EQ(WideString(L"GALLERY.DLL"), dll.LongName);
  EXPECT_EQ(WideString(L"2.0.0.1"), dll.Version);
  EXPECT_EQ(2048u, dll.FileSize);
  EXPECT_EQ(WideString(L"1033"), dll.Language) << "the language number as text";
  EXPECT_EQ(WideString(L""), dll.Directory);
  EXPECT_EQ(WideString(L""), dll.PackagePath);
  EXPECT_EQ(0u, dll.Sequence);
  EXPECT_FALSE(dll.Installer);
  const FileRecord& readme = files.at(L"readme.txt");
  EXPECT_EQ(WideString(L"Read me.txt"), readme.LongName) << "the long name after the bar";
  EXPECT_EQ(WideString(L"0"), readme.Language) << "a missing language reads as 0";

  EXPECT_TRUE(record.Dialogs().empty());
  EXPECT_TRUE(record.CustomActions().empty());
}

TEST_F(GalleryRecordTest, ADescriptorRecordWithAVersionNeedsDownload) {
  WriteDescriptor(L"Gallery", kGalleryModule);
  WriteFile(L"product\\Modules\\gallery.msm", "package");
  ModuleRecord record;
  record.InitFromDescriptor(L"Gallery.ini");
  VARIANT_BOOL installed = 0, needsDownload = 0;
  EXPECT_EQ(S_OK, record.GetIsInstalled(&installed));
  EXPECT_EQ(S_OK, record.GetNeedsDownload(&needsDownload));
  EXPECT_EQ(VARIANT_TRUE, installed);
  EXPECT_EQ(VARIANT_TRUE, needsDownload) << "its reference version is empty";
}

TEST_F(GalleryRecordTest, AMissingDescriptorFailsInitialisation) {
  ModuleRecord record;
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND),
            RaisedCode([&] { record.InitFromDescriptor(L"Nowhere.ini"); }));
}

TEST_F(GalleryRecordTest, AFailingListReadRaisesAndIsNotRepeated) {
  WriteDescriptor(L"Gallery", kGalleryModule);
  ModuleRecord record;
  record.InitFromDescriptor(L"Gallery.ini");
  SetText(L"ProfileFailOperation", L"Keys.Count");
  EXPECT_EQ(E_FAIL, RaisedCode([&] { record.Exclusions(); }));
  RemoveValue(L"ProfileFailOperation");
  EXPECT_TRUE(record.Exclusions().empty());
}

// ---------------------------------------------------------------------------------------------
// Package-built records

TEST_F(GalleryRecordTest, APackageRecordTakesItsStatusFromTheDescriptorOfItsPackageCode) {
  const WideString package = GalleryPackage("gallery_viewer");
  WriteDescriptor(kViewerPackageCode,
                  "[MergeModule]\r\nFileName=Viewer\r\nVersion=1.6\r\n"
                  "[Viewer]\r\nLocation=Modules\\viewer.msm\r\n");
  ModuleRecord record;
  record.InitFromPackage(package);
  ASSERT_EQ(WideString(kViewerPackageCode), record.GetDescriptorName());
  VARIANT_BOOL installed = 0, needsDownload = 0;
  EXPECT_EQ(S_OK, record.GetIsInstalled(&installed));
  EXPECT_EQ(VARIANT_FALSE, installed) << "the descriptor's package is not there";

  WriteFile(L"product\\Modules\\viewer.msm", "package");
  EXPECT_EQ(S_OK, record.GetIsInstalled(&installed));
  EXPECT_EQ(S_OK, record.GetNeedsDownload(&needsDownload));
  EXPECT_EQ(VARIANT_TRUE, installed);
  EXPECT_EQ(VARIANT_TRUE, needsDownload) << "1.6 is newer than the package's 1.5.0.0";
}

TEST_F(GalleryRecordTest, APackageRecordWithoutDescriptorKeepsTheInitialStatus) {
  ModuleRecord record;
  record.InitFromPackage(GalleryPackage("gallery_bare"));
  VARIANT_BOOL installed = 0, needsDownload = -1;
  EXPECT_EQ(S_OK, record.GetIsInstalled(&installed));
  EXPECT_EQ(S_OK, record.GetNeedsDownload(&needsDownload));
  EXPECT_EQ(VARIANT_TRUE, installed);
  EXPECT_EQ(VARIANT_FALSE, needsDownload);
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), RaisedCode([&] { record.CountDownloadFiles(); }))
      << "the status check met the missing descriptor; its kept reader repeats why";
}

TEST_F(GalleryRecordTest, TheDownloadFilesOfAMissingDescriptorCannotBeRead) {
  ModuleRecord record;
  record.InitFromPackage(GalleryPackage("gallery_bare"));
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND),
            RaisedCode([&] { record.CountDownloadFiles(); }));
  VARIANT_BOOL installed = 0;
  EXPECT_EQ(S_OK, record.GetIsInstalled(&installed)) << "the status getters never fail";
  EXPECT_EQ(VARIANT_TRUE, installed);
}

TEST_F(GalleryRecordTest, APackageRecordsDownloadFilesComeFromItsDescriptor) {
  WriteDescriptor(kViewerPackageCode,
                  "[DownloadFiles]\r\nKey1=Cab\r\n[Cab]\r\nLocation=Redist\\viewer.cab\r\n"
                  "FileSize=77\r\n");
  ModuleRecord record;
  record.InitFromPackage(GalleryPackage("gallery_viewer"));
  ASSERT_EQ(1, record.CountDownloadFiles());
  DownloadFileInfo file;
  record.ReadDownloadFile(0, file);
  EXPECT_EQ(WideString(L"Redist\\viewer.cab"), file.Location);
  EXPECT_EQ(77, file.FileSize);
}

TEST_F(GalleryRecordTest, APackageRecordShowsItsModulesIniNameElseSubjectElsePath) {
  const WideString viewer = GalleryPackage("gallery_viewer");
  const WideString bare = GalleryPackage("gallery_bare");
  {
    ModuleRecord subjectOnly;
    subjectOnly.InitFromPackage(viewer);
    EXPECT_EQ(WideString(L"Acme Viewer Runtime"), subjectOnly.DisplayName());
    ModuleRecord pathOnly;
    pathOnly.InitFromPackage(bare);
    EXPECT_EQ(bare, pathOnly.DisplayName());
  }
  LoadDisplayNames(std::string("Acme.Viewer.2B7C1E40_5D6F_4A1B_9C2D_3E4F50617283:1033=Viewer\r\n") +
                   "Acme.Bare.7A8B9C0D_1E2F_4A3B_8C4D_5E6F70819203:0=Bare Module\r\n");
  ModuleRecord listedViewer;
  listedViewer.InitFromPackage(viewer);
  EXPECT_EQ(WideString(kViewerId) + L":1033", listedViewer.ModuleKey());
  EXPECT_EQ(WideString(L"Viewer"), listedViewer.DisplayName());
  ModuleRecord listedBare;
  listedBare.InitFromPackage(bare);
  EXPECT_EQ(WideString(L"Bare Module"), listedBare.DisplayName());
}

}  // namespace
