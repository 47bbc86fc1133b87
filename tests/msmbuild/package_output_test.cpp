// What BuildPackageFromText and BuildPackageFromFile leave on disk: packages that msi.dll
// opens with the described content, replaced on rebuild, untouched by a refused description,
// raw text files byte for byte.

#include "package_builder.h"
#include "scratch_folder.h"

#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <gtest/gtest.h>

#include <string>

namespace {

class OwnedMsiHandle {
 public:
  OwnedMsiHandle() = default;
  ~OwnedMsiHandle() {
    if (handle_) MsiCloseHandle(handle_);
  }
  OwnedMsiHandle(const OwnedMsiHandle&) = delete;
  OwnedMsiHandle& operator=(const OwnedMsiHandle&) = delete;
  MSIHANDLE* Put() { return &handle_; }
  MSIHANDLE Get() const { return handle_; }

 private:
  MSIHANDLE handle_ = 0;
};

// The Value of one Property row as msi.dll reads it; "<no row>" when there is none.
std::wstring ReadProperty(const std::wstring& package, const wchar_t* name) {
  OwnedMsiHandle database;
  OwnedMsiHandle view;
  OwnedMsiHandle record;
  if (MsiOpenDatabaseW(package.c_str(), reinterpret_cast<LPCWSTR>(MSIDBOPEN_READONLY), database.Put()))
    return L"<no package>";
  const std::wstring query = std::wstring(L"SELECT `Value` FROM `Property` WHERE `Property` = '") + name + L"'";
  if (MsiDatabaseOpenViewW(database.Get(), query.c_str(), view.Put()) ||
      MsiViewExecute(view.Get(), 0) || MsiViewFetch(view.Get(), record.Put()))
    return L"<no row>";
  wchar_t value[512];
  DWORD length = 512;
  MsiRecordGetStringW(record.Get(), 1, value, &length);
  return value;
}

std::string PropertyPackage(const std::string& value) {
  return "table Property\n  Property | Value\n  Probe | " + value + "\n";
}

// Valid for the parser, refused by msi.dll while the package is written.
constexpr char RefusedByMsi[] = "table Property\n  Property | Value\ntable _Tables\n  Name:s72*\n";

class PackageOutput : public ::testing::Test {
 protected:
  ScratchFolder folder_{L"output"};
};

TEST_F(PackageOutput, WritesWhatMsiReadsBackIncludingNonAsciiText) {
  const std::wstring package = folder_ / L"text.msm";
  const auto result = msmbuild::BuildPackageFromText(PropertyPackage("Stra\xC3\x9F" "e \xE2\x82\xAC"), package);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(L"Stra\u00DFe \u20AC", ReadProperty(package, L"Probe"));
  EXPECT_FALSE(FileExists(package + L".partial"));
}

TEST_F(PackageOutput, RebuildingReplacesThePackage) {
  const std::wstring package = folder_ / L"rebuilt.msm";
  ASSERT_TRUE(msmbuild::BuildPackageFromText(PropertyPackage("first"), package).ok);
  ASSERT_TRUE(msmbuild::BuildPackageFromText(PropertyPackage("second"), package).ok);
  EXPECT_EQ(L"second", ReadProperty(package, L"Probe"));
}

TEST_F(PackageOutput, ARefusedDescriptionLeavesTheExistingPackageAlone) {
  const std::wstring package = folder_ / L"kept.msm";
  ASSERT_TRUE(msmbuild::BuildPackageFromText(PropertyPackage("kept"), package).ok);
  const std::string before = ReadFileBytes(package);
  EXPECT_FALSE(msmbuild::BuildPackageFromText(PropertyPackage("a | b | c"), package).ok);
  EXPECT_EQ(before, ReadFileBytes(package));
  // A table msi.dll itself refuses fails while writing: also no trace of it.
  const auto refused = msmbuild::BuildPackageFromText(RefusedByMsi, package);
  EXPECT_FALSE(refused.ok);
  EXPECT_EQ(0u, refused.error.rfind("line 3: ", 0)) << refused.error;
  EXPECT_EQ(L"kept", ReadProperty(package, L"Probe"));
  EXPECT_FALSE(FileExists(package + L".partial"));
}

TEST_F(PackageOutput, CreatesMissingFolders) {
  const std::wstring package = folder_ / L"one\\two\\nested.msm";
  const auto result = msmbuild::BuildPackageFromText(PropertyPackage("deep"), package);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(L"deep", ReadProperty(package, L"Probe"));
}

TEST_F(PackageOutput, RawTextIsWrittenLineByLineAndIsNoPackage) {
  const std::wstring file = folder_ / L"text.msm";
  const auto result = msmbuild::BuildPackageFromText(
      "# comment\nraw-text first line\nraw-text   kept  blanks | <null>\nraw-text\n", file);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ("first line\r\n  kept  blanks | <null>\r\n\r\n", ReadFileBytes(file));
  OwnedMsiHandle database;
  EXPECT_NE(0u, MsiOpenDatabaseW(file.c_str(), reinterpret_cast<LPCWSTR>(MSIDBOPEN_READONLY), database.Put()));
}

TEST_F(PackageOutput, BuildsFromAFileWithByteOrderMarkAndCrLf) {
  const std::wstring description = folder_ / L"file.msm.txt";
  WriteFileBytes(description, "\xEF\xBB\xBF# from a file\r\n" + PropertyPackage("from file"));
  const std::wstring package = folder_ / L"file.msm";
  const auto result = msmbuild::BuildPackageFromFile(description, package);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(L"from file", ReadProperty(package, L"Probe"));
}

TEST_F(PackageOutput, AMissingDescriptionFileIsNamed) {
  const auto result = msmbuild::BuildPackageFromFile(folder_ / L"absent.msm.txt", folder_ / L"absent.msm");
  EXPECT_FALSE(result.ok);
  EXPECT_NE(std::string::npos, result.error.find("absent.msm.txt")) << result.error;
  EXPECT_FALSE(FileExists(folder_ / L"absent.msm"));
}

}  // namespace
