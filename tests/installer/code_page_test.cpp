// The package reader in a process whose ANSI code page is UTF-8 (its manifest,
// utf8_code_page.rc, asks for it), where a character outside ASCII takes two or three bytes:
// the path limit of the package-file check counts characters, not ANSI bytes.
#include "installer/package_file_check.h"
#include "module/module_record.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(MultiByteCodePage, APathOfFewerThanMaxPathCharactersIsReadWhateverItsAnsiBytes) {
  ASSERT_EQ(static_cast<UINT>(CP_UTF8), GetACP()) << "the manifest sets the code page";
  const ScratchFolder scratch(L"qv-code-page");
  const WideString folder = scratch.MakeFolder(std::wstring(110, L'\u00e9'));
  const WideString package = folder + L"\\viewer.msm";
  ASSERT_TRUE(CopyFileW(FixturePackage("installer_packages", "viewer_en").c_str(),
                        package.c_str(), FALSE));
  ASSERT_LT(package.Length(), static_cast<size_t>(MAX_PATH));
  ASSERT_GE(strlen(package.Ansi()), static_cast<size_t>(MAX_PATH));

  EXPECT_EQ(S_OK, PackageFileProblem(package));
  ModuleRecord record;
  record.InitFromPackage(package);
  EXPECT_EQ(WideString(L"Acme Viewer Runtime"), record.Subject());
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE),
            PackageFileProblem(folder + L"\\" + std::wstring(MAX_PATH, L'x').c_str()))
      << "MAX_PATH characters are still too many";
}

}  // namespace
