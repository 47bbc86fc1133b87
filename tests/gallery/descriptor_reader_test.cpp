// Reading gallery descriptors written into the test prefix: single values, the package path,
// the positional entry lists, the download files, and how the descriptor is opened.
#include "gallery/gallery_test_support.h"

#include "module/gallery_descriptor.h"

#include <string>

namespace {

class DescriptorReaderTest : public GalleryTest {
 protected:
  void SetUp() override {
    GalleryTest::SetUp();
    product_ = MakeFolder(L"product");
    MakeFolder(L"product\\ObjectGallery");
    SetText(L"ProductFolder", product_);
  }
  // Writes <product>\ObjectGallery\<name>.ini.
  void WriteDescriptor(const std::wstring& name, const std::string& text) {
    WriteFile(L"product\\ObjectGallery\\" + name + L".ini", text);
  }

  WideString product_;
};

constexpr char kLists[] =
    "[Dependency]\r\n"
    "Key1=Dep.One\r\n"
    "Key3=Dep.Three\r\n"
    "[Dep.One]\r\n"
    "Version=1.2.3\r\n"
    "Language=1033\r\n"
    "[Dep.Three]\r\n"
    "Version=3.0\r\n"
    "Language=1031\r\n"
    "[Exclusions]\r\n"
    "Key1=Old.Module\r\n"
    "[Old.Module]\r\n"
    "ExcludedMinVersion=0.5\r\n"
    "ExcludedMaxVersion=1.0\r\n"
    "ExcludedLanguage= -7x\r\n"
    "[Files]\r\n"
    "Key1=viewer.dll\r\n"
    "Key2=no.section\r\n"
    "[viewer.dll]\r\n"
    "FileName=VIEWER~1.DLL|viewer.dll\r\n"
    "Version=2.1.0.5\r\n"
    "FileSize=123456\r\n"
    "Language=\x0B-7x\r\n"  // a vertical tab: white space that the reader does not trim
    "[DownloadFiles]\r\n"
    "Key1=Download.Section\r\n"
    "Key2=Sparse.Download\r\n"
    "[Download.Section]\r\n"
    "Location=Redist\\viewer.cab\r\n"
    "MediaLocation=Disk1\\viewer.cab\r\n"
    "InternetLocation=https://example.invalid/viewer.cab\r\n"
    "FileSize=4096\r\n"
    "CheckSum=ABCDEF\r\n"
    "[Sparse.Download]\r\n"
    "FileSize=lots\r\n";

TEST_F(DescriptorReaderTest, EntriesAreAddressedByKeyNumberAndCountedByKeys) {
  WriteDescriptor(L"Lists", kLists);
  GalleryDescriptor descriptor;
  descriptor.SetNames(L"Lists", L"");

  ASSERT_EQ(2, descriptor.CountDependencies()) << "two keys, whatever their names";
  DescriptorDependency first;
  descriptor.ReadDependency(0, first);
  EXPECT_EQ(WideString(L"Dep.One"), first.ID);
  EXPECT_EQ(WideString(L"1.2.3"), first.Version);
  EXPECT_EQ(1033, first.Language);

  DescriptorDependency second;
  second.Language = 99;
  descriptor.ReadDependency(1, second);
  EXPECT_EQ(WideString(L""), second.ID) << "entry 1 is Key2, which is missing";
  EXPECT_EQ(0, second.Language);

  DescriptorDependency given;
  given.ID = L"caller's";
  given.Version = L"caller's version";
  given.Language = 5;
  descriptor.ReadDependency(1, given);
  EXPECT_EQ(WideString(L"caller's"), given.ID) << "texts stay as given when the key is missing";
  EXPECT_EQ(WideString(L"caller's version"), given.Version);
  EXPECT_EQ(0, given.Language);
}

TEST_F(DescriptorReaderTest, ExclusionFileAndDownloadEntriesReadTheirSections) {
  WriteDescriptor(L"Lists", kLists);
  GalleryDescriptor descriptor;
  descriptor.SetNames(L"Lists", L"");

  ASSERT_EQ(1, descriptor.CountExclusions());
  DescriptorExclusion exclusion;
  descriptor.ReadExclusion(0, exclusion);
  EXPECT_EQ(WideString(L"Old.Module"), exclusion.ID);
  EXPECT_EQ(WideString(L"0.5"), exclusion.MinVersion);
  EXPECT_EQ(WideString(L"1.0"), exclusion.MaxVersion);
  EXPECT_EQ(-7, exclusion.Language) << "\" -7x\" reads as -7";

  ASSERT_EQ(2, descriptor.CountFiles());
  DescriptorFile file;
  descriptor.ReadFile(0, file);
  EXPECT_EQ(WideString(L"viewer.dll"), file.Key);
  EXPECT_EQ(WideString(L"VIEWER~1.DLL|viewer.dll"), file.FileName);
  EXPECT_EQ(WideString(L"2.1.0.5"), file.Version);
  EXPECT_EQ(123456, file.FileSize);
  EXPECT_EQ(-7, file.Language) << "leading white space is skipped";

  DescriptorFile bare;
  bare.FileName = L"caller's";
  bare.FileSize = 3;
  descriptor.ReadFile(1, bare);
  EXPECT_EQ(WideString(L"no.section"), bare.Key);
  EXPECT_EQ(WideString(L""), bare.FileName) << "an entry without a section reads as empty";
  EXPECT_EQ(0, bare.FileSize);

  ASSERT_EQ(2, descriptor.CountDownloadFiles());
  DownloadFileInfo download;
  descriptor.ReadDownloadFile(0, download);
  EXPECT_EQ(WideString(L"Redist\\viewer.cab"), download.Location)
      << "the key's value names the section and is not reported";
  EXPECT_EQ(WideString(L"Disk1\\viewer.cab"), download.MediaLocation);
  EXPECT_EQ(WideString(L"https://example.invalid/viewer.cab"), download.InternetLocation);
  EXPECT_EQ(4096, download.FileSize);
  EXPECT_EQ(WideString(L"ABCDEF"), download.CheckSum);

  DownloadFileInfo sparse;
  descriptor.ReadDownloadFile(1, sparse);
  EXPECT_EQ(WideString(L""), sparse.Location) << "not Sparse.Download, the key's value";
  EXPECT_EQ(0, sparse.FileSize) << "letters read as 0";

  DownloadFileInfo beyond;
  beyond.Location = L"caller's";
  beyond.FileSize = 12;
  descriptor.ReadDownloadFile(2, beyond);
  EXPECT_EQ(WideString(L"caller's"), beyond.Location);
  EXPECT_EQ(0, beyond.FileSize);
}

TEST_F(DescriptorReaderTest, MergeModuleValuesAndMissingOnesReadAsEmpty) {
  WriteDescriptor(L"Module",
                  "[MergeModule]\r\n"
                  "ModuleID=Acme.Viewer\r\n"
                  "Language= -7x\r\n"
                  "Version=1.2.3.4\r\n"
                  "Author=Acme\r\n"
                  "Comments=Viewer runtime\r\n"
                  "Subject=Acme Viewer\r\n");
  GalleryDescriptor descriptor;
  descriptor.SetNames(L"Module", L"");
  EXPECT_EQ(WideString(L"Acme.Viewer"), descriptor.DescriptorModuleID());
  EXPECT_EQ(-7, descriptor.DescriptorLanguage());
  EXPECT_EQ(WideString(L"1.2.3.4"), descriptor.DescriptorVersion());
  EXPECT_EQ(WideString(L"Acme"), descriptor.DescriptorAuthor());
  EXPECT_EQ(WideString(L"Viewer runtime"), descriptor.DescriptorComments());
  EXPECT_EQ(WideString(L"Acme Viewer"), descriptor.DescriptorSubject());
  EXPECT_FALSE(descriptor.DescriptorNamesPackage());
  EXPECT_EQ(WideString(L""), descriptor.GetPackagePathFromDescriptor());
  EXPECT_EQ(WideString(L""), descriptor.ReadValue(L"NoSuchSection", L"Key"));
  EXPECT_EQ(WideString(L""), descriptor.ReadValue(L"MergeModule", L"NoSuchKey"));
  EXPECT_EQ(0, descriptor.CountKeys(L"NoSuchSection"));
  EXPECT_EQ(6, descriptor.CountKeys(L"MergeModule"));
  EXPECT_EQ(0, descriptor.CountDependencies());
  EXPECT_EQ(1u, ProfileOpenCount()) << "one Open for all reads of an object";
}

TEST_F(DescriptorReaderTest, PackagePathJoinsTheProductFolderAndLocation) {
  WriteDescriptor(L"Leading", "[MergeModule]\r\nFileName=Package\r\n"
                              "[Package]\r\nLocation=\\Modules\\a.msm\r\n");
  WriteDescriptor(L"Plain",
                  "[MergeModule]\r\nFileName=Other\r\n[Other]\r\nLocation=Modules\\b.msm\r\n");
  WriteDescriptor(L"NoLocation", "[MergeModule]\r\nFileName=Missing\r\n");

  SetText(L"ProductFolder", product_ + L"\\");
  GalleryDescriptor leading;
  leading.SetNames(L"Leading", L"");
  EXPECT_EQ(product_ + L"\\Modules\\a.msm", leading.GetPackagePathFromDescriptor())
      << "one backslash of two";

  SetText(L"ProductFolder", product_);
  GalleryDescriptor plain;
  plain.SetNames(L"Plain", L"");
  EXPECT_EQ(product_ + L"\\Modules\\b.msm", plain.GetPackagePathFromDescriptor())
      << "one backslash where neither had one; FileName is no part of the path";

  GalleryDescriptor noLocation;
  noLocation.SetNames(L"NoLocation", L"");
  EXPECT_TRUE(noLocation.DescriptorNamesPackage());
  EXPECT_EQ(WideString(L""), noLocation.GetPackagePathFromDescriptor());
}

TEST_F(DescriptorReaderTest, AnEmptyDescriptorNameReadsObjectGalleryIni) {
  WriteFile(L"product\\ObjectGallery.ini", "[MergeModule]\r\nModuleID=Whole.Gallery\r\n");
  WriteDescriptor(L"", "[MergeModule]\r\nModuleID=Hidden\r\n");  // ObjectGallery\.ini
  GalleryDescriptor descriptor;
  descriptor.SetNames(L"", L"");
  EXPECT_EQ(WideString(L"Whole.Gallery"), descriptor.DescriptorModuleID());
}

TEST_F(DescriptorReaderTest, AFailedOpenIsRaisedOnceAndTheReaderIsKept) {
  GalleryDescriptor descriptor;
  descriptor.SetNames(L"Later", L"");
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND),
            RaisedCode([&] { descriptor.DescriptorModuleID(); }));
  EXPECT_EQ(1u, ProfileOpenCount());

  // The file appears, but the object does not open it again: its kept reader still answers
  // with the failed Open's reason.
  WriteDescriptor(L"Later", "[MergeModule]\r\nModuleID=Too.Late\r\n");
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND),
            RaisedCode([&] { descriptor.DescriptorModuleID(); }));
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND),
            RaisedCode([&] { descriptor.CountDownloadFiles(); }));
  EXPECT_EQ(1u, ProfileOpenCount());

  GalleryDescriptor fresh;
  fresh.SetNames(L"Later", L"");
  EXPECT_EQ(WideString(L"Too.Late"), fresh.DescriptorModuleID());
}

TEST_F(DescriptorReaderTest, WithoutAReaderOrAProductFolderNothingIsOpened) {
  WriteDescriptor(L"Module", "[MergeModule]\r\nModuleID=Acme.Viewer\r\n");
  GalleryDescriptor descriptor;
  descriptor.SetNames(L"Module", L"");

  SetText(L"ProfileFailOperation", L"CreateInstance");
  SetNumber(L"ProfileFailHResult", 0x80041238);
  EXPECT_EQ(static_cast<HRESULT>(0x80041238),
            RaisedCode([&] { descriptor.DescriptorModuleID(); }));
  RemoveValue(L"ProfileFailOperation");

  SetText(L"FailOperation", L"GetProductFolder");
  SetNumber(L"FailHResult", 0x80041239);
  EXPECT_EQ(static_cast<HRESULT>(0x80041239),
            RaisedCode([&] { descriptor.DescriptorModuleID(); }));
  RemoveValue(L"FailOperation");
  EXPECT_EQ(0u, ProfileOpenCount());

  // Nothing was kept from the attempts that never reached Open: the next access opens.
  EXPECT_EQ(WideString(L"Acme.Viewer"), descriptor.DescriptorModuleID());
  EXPECT_EQ(1u, ProfileOpenCount());
}

TEST_F(DescriptorReaderTest, SingleValuesIgnoreAFailingValueButEntriesRaiseIt) {
  WriteDescriptor(L"Lists", kLists);
  GalleryDescriptor descriptor;
  descriptor.SetNames(L"Lists", L"");
  EXPECT_EQ(2, descriptor.CountDependencies());
  SetText(L"ProfileFailOperation", L"Key.Value");
  EXPECT_EQ(WideString(L""), descriptor.ReadValue(L"Dep.One", L"Version"));
  DescriptorDependency dependency;
  EXPECT_EQ(E_FAIL, RaisedCode([&] { descriptor.ReadDependency(0, dependency); }));

  SetText(L"ProfileFailOperation", L"Keys.Count");
  EXPECT_EQ(E_FAIL, RaisedCode([&] { descriptor.CountDependencies(); }));
  SetText(L"ProfileFailOperation", L"Keys.Item");
  EXPECT_EQ(E_FAIL, RaisedCode([&] { descriptor.ReadValue(L"Dep.One", L"Version"); }));
}

}  // namespace
