// How often reading module identities opens packages: 200 generated packages, each read into
// a record as the package scan does.
#include "installer/fixture_packages.h"
#include "installer/installer_automation.h"
#include "module/module_record.h"
#include "package_builder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr int kPackages = 200;

std::string Description(int index) {
  const std::string id = "Generated.Module" + std::to_string(index) + ".0A0B0C0D_1111_2222_3333_444444444444";
  return "summary Author = Generator\n"
         "summary Subject = Generated module " + std::to_string(index) + "\n"
         "summary RevisionNumber = {0A0B0C0D-1111-2222-3333-" + std::to_string(100000000000 + index) + "}\n"
         "table ModuleSignature\n"
         "  ModuleID | Language | Version\n"
         "  " + id + " | " + std::to_string(1031 + index % 3) + " | 1.0." + std::to_string(index) + "\n";
}

TEST(PackageOpenCountTest, ReadingIdentitiesOpensEachPackageAtMostTwice) {
  const WideString folder = FreshTempFolder("qv-open-count");
  std::vector<WideString> paths;
  for (int i = 0; i < kPackages; ++i) {
    const WideString path = folder + WideString::Format(L"\\module%03d.msm", i);
    const msmbuild::BuildResult built = msmbuild::BuildPackageFromText(Description(i), path.c_str());
    ASSERT_TRUE(built.ok) << built.error;
    paths.push_back(path);
  }

  std::vector<ModuleRecordRef> records;
  const unsigned long before = InstallerDatabaseOpenCount();
  for (const WideString& path : paths) {
    auto record = std::make_shared<ModuleRecord>();
    record->InitFromPackage(path);
    records.push_back(record);
  }
  const unsigned long opens = InstallerDatabaseOpenCount() - before;
  RecordProperty("package_opens", std::to_string(opens));
  std::printf("reading %d identities opened packages %lu times\n", kPackages, opens);
  // One open for the signature table, one for the summary information.
  EXPECT_LE(opens, 2u * kPackages);
  EXPECT_GE(opens, static_cast<unsigned long>(kPackages)) << "every package must have been read";

  for (int i = 0; i < kPackages; ++i) {
    EXPECT_EQ(records[i]->Version(), WideString::Format(L"1.0.%d", i));
    EXPECT_EQ(records[i]->Language(), 1031 + i % 3);
  }
  // Details are not read with the identity.
  const unsigned long afterIdentities = InstallerDatabaseOpenCount();
  records.front()->Files();
  EXPECT_GT(InstallerDatabaseOpenCount(), afterIdentities);
}

}  // namespace
