// Reading module packages into records: identity, summary texts, the lazy lists and their
// rules, and how often packages are opened.
#include "catalog/lookup_tables.h"
#include "common/com_exception.h"
#include "installer/fixture_packages.h"
#include "installer/installer_automation.h"
#include "installer/installer_spy.h"
#include "installer/shared_installer.h"
#include "module/module_record.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace InstallerMember;

const wchar_t kViewerId[] = L"Acme.Viewer.6C3D2E1F_0A1B_4C5D_8E9F_102132435465";

std::vector<std::wstring> Keys(const FileMap& files) {
  std::vector<std::wstring> keys;
  for (const auto& entry : files) keys.emplace_back(entry.first.c_str());
  return keys;
}

TEST(ModuleRecordPackageTest, IdentityAndSummaryTexts) {
  ModuleRecord record;
  record.InitFromPackage(FixturePackage("viewer_en"));
  EXPECT_EQ(record.ModuleID(), WideString(kViewerId));
  EXPECT_EQ(record.Language(), 1033);
  EXPECT_EQ(record.Version(), WideString(L"1.2.3.4"));
  EXPECT_EQ(record.ModuleKey(), WideString(kViewerId) + L":1033");
  EXPECT_EQ(record.Author(), WideString(L"Acme Corporation"));
  EXPECT_EQ(record.Comments(), WideString(L"Runtime files of the Acme viewer"));
  EXPECT_EQ(record.Subject(), WideString(L"Acme Viewer Runtime"));
  EXPECT_EQ(record.Name(), WideString(L"{6C3D2E1F-0A1B-4C5D-8E9F-102132435465}"));
  EXPECT_EQ(record.GetDescriptorName(), record.Name()) << "the descriptor is named by the package code";
  EXPECT_EQ(record.PackagePath(), FixturePackage("viewer_en"));
  EXPECT_EQ(record.DisplayName(), WideString(L"Acme Viewer Runtime"));
}

TEST(ModuleRecordPackageTest, NegativeLanguageShowsItsSign) {
  ModuleRecord record;
  record.InitFromPackage(FixturePackage("signature_only"));
  EXPECT_EQ(record.ModuleKey(), WideString(L"Signature.Only.9F605142_3D4E_4F50_B1C2_435465768798:-1"));
}

TEST(ModuleRecordPackageTest, PackageWithoutSignatureHasTheEmptyIdentity) {
  ModuleRecord record;
  record.InitFromPackage(FixturePackage("bare"));
  EXPECT_EQ(record.ModuleKey(), WideString(L":0"));
  EXPECT_EQ(record.ModuleID(), WideString());
  EXPECT_EQ(record.Version(), WideString());
  EXPECT_EQ(record.Subject(), WideString());
  EXPECT_EQ(record.DisplayName(), record.PackagePath()) << "no listed name, no subject: the path";
  EXPECT_TRUE(record.Dependencies().empty());
  EXPECT_TRUE(record.Exclusions().empty());
  EXPECT_TRUE(record.Dialogs().empty());
  EXPECT_TRUE(record.CustomActions().empty());
  EXPECT_TRUE(record.Files().empty());
}

TEST(ModuleRecordPackageTest, SummaryValuesThatAreNoTextLeaveTheFieldsEmpty) {
  ModuleRecord record;
  record.InitFromPackage(FixturePackage("odd_summary"));
  EXPECT_EQ(record.Author(), WideString()) << "stored as a number";
  EXPECT_EQ(record.Subject(), WideString()) << "missing";
  EXPECT_EQ(record.Language(), 0);
}

TEST(ModuleRecordPackageTest, ListedDisplayNameWins) {
  ModuleNames()[WideString(kViewerId) + L":1031"] = L"Acme Viewer (German)";
  ModuleRecord german, english;
  german.InitFromPackage(FixturePackage("viewer_de"));
  english.InitFromPackage(FixturePackage("viewer_en"));
  ModuleNames().clear();
  EXPECT_EQ(german.DisplayName(), WideString(L"Acme Viewer (German)"));
  EXPECT_EQ(english.DisplayName(), WideString(L"Acme Viewer Runtime"));
}

TEST(ModuleRecordPackageTest, UnreadablePackageFailsAsAnInstallerError) {
  ModuleRecord record;
  try {
    record.InitFromPackage(FixturePackage("not_a_package"));
    FAIL() << "the summary information of a non-package cannot be read";
  } catch (const com_exception& error) {
    EXPECT_EQ(error.Origin(), ErrorOrigin::InstallerAutomation);
  }
  EXPECT_EQ(record.ModuleKey(), WideString(L":0")) << "what was read before the failure stays";
}

TEST(ModuleRecordPackageTest, DependenciesDropOnlyTheModuleItselfAndKeepTheLastRow) {
  ModuleRecord record;
  record.InitFromPackage(FixturePackage("viewer_en"));
  const DependencyMap& dependencies = record.Dependencies();
  std::vector<std::wstring> keys;
  for (const auto& entry : dependencies) keys.emplace_back(entry.first.c_str());
  EXPECT_EQ(keys, (std::vector<std::wstring>{
                      L"Acme.Core.11111111_2222_3333_4444_555555555555:0",
                      L"Acme.Fonts.AAAAAAAA_2222_3333_4444_555555555555:1033",
                      std::wstring(kViewerId) + L":1031",
                      L"acme.core.11111111_2222_3333_4444_555555555555:0"}))
      << "ordered by code unit: upper case before lower case";
  const DependencyRecord& fonts = dependencies.at(L"Acme.Fonts.AAAAAAAA_2222_3333_4444_555555555555:1033");
  EXPECT_EQ(fonts.RequiredVersion, WideString());
  EXPECT_EQ(fonts.RequiredLanguage, 1033);
  EXPECT_EQ(fonts.RequiredID, WideString(L"Acme.Fonts.AAAAAAAA_2222_3333_4444_555555555555"));
}

TEST(ModuleRecordPackageTest, SameModuleInAnotherVersionIsADependency) {
  ModuleRecord record;
  record.InitFromPackage(FixturePackage("viewer_de"));
  const DependencyMap& dependencies = record.Dependencies();
  ASSERT_EQ(dependencies.size(), 1u);
  EXPECT_EQ(dependencies.begin()->second.RequiredVersion, WideString(L"1.2.3.4"));
}

TEST(ModuleRecordPackageTest, ExclusionsKeepEveryRowWithEmptyVersionsForNulls) {
  ModuleRecord record;
  record.InitFromPackage(FixturePackage("viewer_en"));
  const ExclusionMap& exclusions = record.Exclusions();
  ASSERT_EQ(exclusions.size(), 3u);
  const ExclusionRecord& old = exclusions.at(L"Acme.OldViewer.12121212_2222_3333_4444_555555555555:1033");
  EXPECT_EQ(old.ExcludedMinVersion, WideString());
  EXPECT_EQ(old.ExcludedMaxVersion, WideString(L"1.0"));
  EXPECT_EQ(old.ExcludedLanguage, 1033);
}

TEST(ModuleRecordPackageTest, FilesCarryLongNamesDirectoriesAndTheirPackage) {
  ModuleRecord record;
  record.InitFromPackage(FixturePackage("viewer_en"));
  const FileMap& files = record.Files();
  EXPECT_EQ(Keys(files), (std::vector<std::wstring>{L"Zeta.ini", L"orphan.dat", L"readme.txt",
                                                    L"viewer.dll", L"viewer.sys"}));
  const FileRecord& viewer = files.at(L"viewer.dll");
  EXPECT_EQ(viewer.FileName, WideString(L"VIEWER~1.DLL|viewer.dll"));
  EXPECT_EQ(viewer.LongName, WideString(L"viewer.dll"));
  EXPECT_EQ(viewer.FileSize, 123456u);
  EXPECT_EQ(viewer.Version, WideString(L"2.1.0.5"));
  EXPECT_EQ(viewer.Language, WideString(L"1033"));
  EXPECT_EQ(viewer.Sequence, 3u);
  EXPECT_EQ(viewer.Directory, WideString(L"ViewerFolder"));
  EXPECT_EQ(viewer.PackagePath, record.PackagePath());
  EXPECT_EQ(viewer.Installer.Get(), SharedInstaller::Get().Get());
  EXPECT_EQ(files.at(L"viewer.sys").LongName, WideString(L"viewer.sys"));
  EXPECT_EQ(files.at(L"Zeta.ini").LongName, WideString(L"zeta|odd.ini")) << "after the first bar only";
  EXPECT_EQ(files.at(L"orphan.dat").Directory, WideString()) << "component missing";
}

TEST(ModuleRecordPackageTest, DialogsAndCustomActionsInTheInstallersOrder) {
  ModuleRecord record;
  record.InitFromPackage(FixturePackage("viewer_en"));
  std::vector<std::wstring> dialogs, actions;
  for (const WideString& name : record.Dialogs()) dialogs.emplace_back(name.c_str());
  for (const WideString& name : record.CustomActions()) actions.emplace_back(name.c_str());
  std::sort(dialogs.begin(), dialogs.end());
  EXPECT_EQ(dialogs, (std::vector<std::wstring>{L"AboutViewer", L"ViewerSetup", L"Zoom"}));
  std::sort(actions.begin(), actions.end());
  EXPECT_EQ(actions, (std::vector<std::wstring>{L"RegisterViewer", L"SetViewerFolder"}));
}

TEST(ModuleRecordPackageTest, EachListIsReadOnceEvenWhenItsPackageWasGone) {
  const WideString folder = FreshTempFolder("qv-record-once");
  const WideString copy = folder + L"\\viewer.msm";
  ASSERT_TRUE(CopyFileW(FixturePackage("viewer_en").c_str(), copy.c_str(), FALSE));
  ModuleRecord record;
  record.InitFromPackage(copy);
  ASSERT_TRUE(DeleteFileW(copy.c_str()));

  const unsigned long before = InstallerDatabaseOpenCount();
  EXPECT_TRUE(record.Dependencies().empty());
  EXPECT_TRUE(record.Exclusions().empty());
  EXPECT_TRUE(record.Dialogs().empty());
  EXPECT_TRUE(record.CustomActions().empty());
  EXPECT_TRUE(record.Files().empty());
  const unsigned long afterFirst = InstallerDatabaseOpenCount();
  EXPECT_GT(afterFirst, before) << "the first requests tried the package";

  ASSERT_TRUE(CopyFileW(FixturePackage("viewer_en").c_str(), copy.c_str(), FALSE));
  EXPECT_TRUE(record.Dependencies().empty());
  EXPECT_TRUE(record.Exclusions().empty());
  EXPECT_TRUE(record.Dialogs().empty());
  EXPECT_TRUE(record.CustomActions().empty());
  EXPECT_TRUE(record.Files().empty());
  EXPECT_EQ(InstallerDatabaseOpenCount(), afterFirst) << "later requests do not touch the package";
}

// Failures the platform will not produce on demand, made by wrapping the shared object.
class ModuleRecordFaultTest : public ::testing::Test {
 protected:
  ModuleRecord record_;
  InstallerSpy spy_{SharedInstaller::Get()};
};

TEST_F(ModuleRecordFaultTest, RefusedCommentReadsAsTheFixedMessage) {
  spy_.FailCall(InstallerObject::SummaryInfo, SummaryInfoProperty, 1, E_FAIL, L"too long",
                SummaryProperty::Comments);
  SharedInstaller::Replacement replacement(spy_.Installer());
  record_.InitFromPackage(FixturePackage("viewer_en"));
  EXPECT_EQ(record_.Comments(),
            WideString(L"MSI Error Loading Comment: Limit your comment to 259 characters."));
  EXPECT_EQ(record_.Name(), WideString(L"{6C3D2E1F-0A1B-4C5D-8E9F-102132435465}"))
      << "reading goes on after the comment";
  EXPECT_EQ(record_.Subject(), WideString(L"Acme Viewer Runtime"));
}

TEST_F(ModuleRecordFaultTest, SummaryPropertiesAreReadInTheirOrder) {
  SharedInstaller::Replacement replacement(spy_.Installer());
  record_.InitFromPackage(FixturePackage("viewer_en"));
  std::vector<LONG> properties;
  for (const SpyCall& call : spy_.Calls()) {
    if (call.object == InstallerObject::SummaryInfo) properties.push_back(call.firstInteger);
  }
  EXPECT_EQ(properties, (std::vector<LONG>{4, 6, 9, 3}));
}

TEST_F(ModuleRecordFaultTest, OtherSummaryFailuresReachTheCallerAsTheInstallers) {
  spy_.FailCall(InstallerObject::SummaryInfo, SummaryInfoProperty, 1, E_ACCESSDENIED, L"subject refused",
                SummaryProperty::Subject);
  SharedInstaller::Replacement replacement(spy_.Installer());
  try {
    record_.InitFromPackage(FixturePackage("viewer_en"));
    FAIL() << "a failing subject read must reach the caller";
  } catch (const com_exception& error) {
    EXPECT_EQ(error.Code(), E_ACCESSDENIED);
    EXPECT_EQ(error.Origin(), ErrorOrigin::InstallerAutomation);
    EXPECT_EQ(error.Description(), "subject refused");
  }
  EXPECT_EQ(record_.Author(), WideString(L"Acme Corporation")) << "fields read before stay";
  EXPECT_EQ(record_.ModuleKey(), WideString(kViewerId) + L":1033");
}

TEST_F(ModuleRecordFaultTest, FailedListReadKeepsWhatItHadAndIsNotRepeated) {
  record_.InitFromPackage(FixturePackage("viewer_en"));
  spy_.FailCall(InstallerObject::View, ViewFetch, 3, E_FAIL, L"fetch refused");
  SharedInstaller::Replacement replacement(spy_.Installer());
  EXPECT_THROW(record_.Exclusions(), com_exception);
  const int calls = static_cast<int>(spy_.Calls().size());
  EXPECT_EQ(record_.Exclusions().size(), 2u) << "two rows were stored before the failure";
  EXPECT_EQ(static_cast<int>(spy_.Calls().size()), calls) << "the second request reads nothing";
}

}  // namespace
