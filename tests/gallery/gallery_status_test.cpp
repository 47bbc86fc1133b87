// The installed / needs-download flags computed from a descriptor in the test prefix: each
// rule, the check that stays open while a file is missing, and failures that never reach the
// caller.
#include "gallery/gallery_test_support.h"

#include "module/gallery_descriptor.h"

#include <string>
#include <utility>

namespace {

using Flags = std::pair<bool, bool>;  // IsInstalled, NeedsDownload
const Flags kInitial{true, false};

class GalleryStatusTest : public GalleryTest {
 protected:
  void SetUp() override {
    GalleryTest::SetUp();
    product_ = MakeFolder(L"product");
    SetText(L"ProductFolder", product_);
  }
  void WriteDescriptor(const std::wstring& name, const std::string& text) {
    WriteFile(L"product\\ObjectGallery\\" + name + L".ini", text);
  }
  // Both flags through the getters (installed first, as clients tend to ask).
  static Flags Status(GalleryDescriptor& descriptor) {
    VARIANT_BOOL installed = 7, needsDownload = 7;
    EXPECT_EQ(S_OK, descriptor.GetIsInstalled(&installed));
    EXPECT_EQ(S_OK, descriptor.GetNeedsDownload(&needsDownload));
    EXPECT_TRUE(installed == VARIANT_TRUE || installed == VARIANT_FALSE);
    EXPECT_TRUE(needsDownload == VARIANT_TRUE || needsDownload == VARIANT_FALSE);
    return {installed == VARIANT_TRUE, needsDownload == VARIANT_TRUE};
  }
  static Flags StatusOf(const wchar_t* name, const wchar_t* referenceVersion = L"") {
    GalleryDescriptor descriptor;
    descriptor.SetNames(name, referenceVersion);
    return Status(descriptor);
  }

  WideString product_;
};

// A descriptor whose package lies at <product>\Modules\viewer.msm.
std::string PackageDescriptor(const char* version, const std::string& more = "") {
  return std::string("[MergeModule]\r\nFileName=ViewerPackage\r\nVersion=") + version +
         "\r\n[ViewerPackage]\r\nLocation=Modules\\viewer.msm\r\n" + more;
}

TEST_F(GalleryStatusTest, ADescriptorWithoutFileNameCountsAsInstalled) {
  WriteDescriptor(L"NoPackage", "[MergeModule]\r\nModuleID=Acme.Viewer\r\nVersion=9.0\r\n");
  EXPECT_EQ(kInitial, StatusOf(L"NoPackage", L"1.0"))
      << "a newer version means nothing without a package";
}

TEST_F(GalleryStatusTest, AnEmptyLocationClearsBothFlags) {
  WriteDescriptor(L"NoLocation",
                  "[MergeModule]\r\nFileName=ViewerPackage\r\nVersion=9.0\r\n"
                  "[ViewerPackage]\r\nLocation=\r\n");
  EXPECT_EQ(Flags(false, false), StatusOf(L"NoLocation", L"1.0"));
}

TEST_F(GalleryStatusTest, AnInstalledPackageComparesTheDescriptorVersionWithTheReference) {
  WriteFile(L"product\\Modules\\viewer.msm", "package");
  WriteDescriptor(L"Newer", PackageDescriptor("1.2.4"));
  WriteDescriptor(L"Same", PackageDescriptor("1.2.3.0"));
  WriteDescriptor(L"Older", PackageDescriptor("1.2.2.9"));
  EXPECT_EQ(Flags(true, true), StatusOf(L"Newer", L"1.2.3"));
  EXPECT_EQ(Flags(true, false), StatusOf(L"Same", L"1.2.3"));
  EXPECT_EQ(Flags(true, false), StatusOf(L"Older", L"1.2.3"));
  EXPECT_EQ(Flags(true, true), StatusOf(L"Older", L"")) << "any version is above none";
}

TEST_F(GalleryStatusTest, AMissingPackageIsCheckedAgainUntilItAppears) {
  WriteDescriptor(L"Viewer", PackageDescriptor("1.0"));
  GalleryDescriptor descriptor;
  descriptor.SetNames(L"Viewer", L"1.0");
  EXPECT_EQ(Flags(false, true), Status(descriptor));
  EXPECT_EQ(Flags(false, true), Status(descriptor)) << "still missing";

  WriteFile(L"product\\Modules\\viewer.msm", "package");
  EXPECT_EQ(Flags(true, false), Status(descriptor)) << "the check ran again";
  EXPECT_EQ(1u, ProfileOpenCount()) << "the descriptor itself was opened once";

  DeleteFileW((product_ + L"\\Modules\\viewer.msm").c_str());
  EXPECT_EQ(Flags(true, false), Status(descriptor)) << "settled once the check completed";
}

TEST_F(GalleryStatusTest, AMissingPackageWithANewerDescriptorStillNeedsDownloadOnceThere) {
  WriteDescriptor(L"Viewer", PackageDescriptor("2.0"));
  GalleryDescriptor descriptor;
  descriptor.SetNames(L"Viewer", L"1.0");
  EXPECT_EQ(Flags(false, true), Status(descriptor));
  WriteFile(L"product\\Modules\\viewer.msm", "package");
  EXPECT_EQ(Flags(true, true), Status(descriptor));
}

constexpr char kDownloads[] =
    "[FilesToDownload]\r\n"
    "first=Help.File\r\n"
    "anything goes=Runtime.File\r\n"
    "[Help.File]\r\n"
    "Destination=\\Help\\viewer.chm\r\n"
    "[Runtime.File]\r\n"
    "Destination=Redist\\viewer.dll\r\n";

TEST_F(GalleryStatusTest, EveryFileToDownloadMustBeThereWhateverItsKeyIsNamed) {
  WriteFile(L"product\\Modules\\viewer.msm", "package");
  WriteDescriptor(L"Viewer", PackageDescriptor("1.0", kDownloads));
  WriteFile(L"product\\Help\\viewer.chm", "help");
  GalleryDescriptor descriptor;
  descriptor.SetNames(L"Viewer", L"1.0");
  EXPECT_EQ(Flags(false, true), Status(descriptor)) << "the second destination is missing";

  WriteFile(L"product\\Redist\\viewer.dll", "runtime");
  EXPECT_EQ(Flags(true, false), Status(descriptor)) << "checked again, now complete";
}

TEST_F(GalleryStatusTest, AMissingFirstDestinationCountsLikeAnyOther) {
  WriteFile(L"product\\Modules\\viewer.msm", "package");
  WriteFile(L"product\\Redist\\viewer.dll", "runtime");
  WriteDescriptor(L"Viewer", PackageDescriptor("1.0", kDownloads));
  EXPECT_EQ(Flags(false, true), StatusOf(L"Viewer", L"1.0"));
}

TEST_F(GalleryStatusTest, AnEmptyFilesToDownloadSectionAsksForNothing) {
  WriteFile(L"product\\Modules\\viewer.msm", "package");
  WriteDescriptor(L"Viewer", PackageDescriptor("1.0", "[FilesToDownload]\r\n"));
  EXPECT_EQ(Flags(true, false), StatusOf(L"Viewer", L"1.0"));
}

TEST_F(GalleryStatusTest, AnUnreadableDescriptorSettlesOnTheInitialFlags) {
  GalleryDescriptor descriptor;
  descriptor.SetNames(L"Viewer", L"1.0");
  EXPECT_EQ(kInitial, Status(descriptor)) << "no descriptor: the reader's Open fails";

  // A descriptor that would say "missing" now is not read: the check is over.
  WriteDescriptor(L"Viewer", PackageDescriptor("2.0"));
  EXPECT_EQ(kInitial, Status(descriptor));
  EXPECT_EQ(1u, ProfileOpenCount());
  EXPECT_EQ(Flags(false, true), StatusOf(L"Viewer", L"1.0")) << "a new object reads it";
}

TEST_F(GalleryStatusTest, ApplicationServicesThatCannotBeCreatedSettleOnTheInitialFlags) {
  WriteDescriptor(L"Viewer", PackageDescriptor("2.0"));
  SetText(L"FailOperation", L"CreateInstance");
  GalleryDescriptor descriptor;
  descriptor.SetNames(L"Viewer", L"1.0");
  EXPECT_EQ(kInitial, Status(descriptor));
  RemoveValue(L"FailOperation");
  EXPECT_EQ(kInitial, Status(descriptor)) << "not repeated";
}

TEST_F(GalleryStatusTest, EveryReaderFailureIsKeptInside) {
  WriteDescriptor(L"Viewer", PackageDescriptor("2.0", kDownloads));
  for (const wchar_t* operation :
       {L"CreateInstance", L"Open", L"Sections", L"Sections.Item", L"Section.Keys",
        L"Keys.Item"}) {
    SetText(L"ProfileFailOperation", operation);
    EXPECT_EQ(kInitial, StatusOf(L"Viewer", L"1.0")) << operation;
  }
}

TEST_F(GalleryStatusTest, AFailureAfterTheVersionCheckKeepsTheFlagsItHadSet) {
  // Only the walk of "FilesToDownload" counts keys: by the time it fails, the newer version
  // has asked for a download.
  WriteFile(L"product\\Modules\\viewer.msm", "package");
  WriteDescriptor(L"Viewer", PackageDescriptor("2.0", kDownloads));
  SetText(L"ProfileFailOperation", L"Keys.Count");
  GalleryDescriptor descriptor;
  descriptor.SetNames(L"Viewer", L"1.0");
  EXPECT_EQ(Flags(true, true), Status(descriptor));
  RemoveValue(L"ProfileFailOperation");
  EXPECT_EQ(Flags(true, true), Status(descriptor)) << "settled by the failure, not repeated";
}

TEST_F(GalleryStatusTest, NullFlagPointersAreRefused) {
  GalleryDescriptor descriptor;
  descriptor.SetNames(L"Viewer", L"");
  EXPECT_EQ(E_POINTER, descriptor.GetIsInstalled(nullptr));
  EXPECT_EQ(E_POINTER, descriptor.GetNeedsDownload(nullptr));
  EXPECT_EQ(0u, ProfileOpenCount()) << "refused before any check";
}

}  // namespace
