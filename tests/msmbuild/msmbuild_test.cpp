// A smoke check of the fixture builder (test tooling): wrong descriptions refused with the line
// named and nothing left on disk, and its command line.  What it writes is read back by
// msitools (check_packages.py) and by every test that uses its packages.
#include "package_builder.h"

#include "common/path.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

bool Exists(const WideString& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadBytes(const WideString& path) {
  std::string bytes;
  if (FILE* file = _wfopen(path.c_str(), L"rb")) {
    for (int c; (c = fgetc(file)) != EOF;) bytes += static_cast<char>(c);
    fclose(file);
  }
  return bytes;
}

std::string Probe(const std::string& value) {
  return "table Property\n  Property | Value\n  Probe | " + value + "\n";
}

class Msmbuild : public ::testing::Test {
 protected:
  ScratchFolder folder_{L"qv-msmbuild"};
  WideString In(const wchar_t* name) const { return JoinPath(folder_.Path(), name); }
  // Runs msmbuild.exe (beside this program) in the scratch folder: its exit code and output.
  std::pair<int, std::string> Tool(const std::wstring& arguments) const {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring command = L"cd /d \"" + std::wstring(folder_.Path().c_str()) + L"\" && \"" +
                                 ParentFolder(self).c_str() + L"\\msmbuild.exe\" " + arguments +
                                 L" > \"" + In(L"output.log").c_str() + L"\" 2>&1";
    const int code = _wsystem(command.c_str());
    return {code, ReadBytes(In(L"output.log"))};
  }
};

TEST_F(Msmbuild, WrongDescriptionsNameTheLineAndWriteNothing) {
  const std::string signature = "table ModuleSignature\n  ModuleID | Language | Version\n";
  const struct {
    std::string description;
    int line;
    const char* fragment;
  } cases[] = {
      {"# comment\r\n\r\nsummary Title = x\r\n  \r\nbogus\r\n", 5, "unknown directive \"bogus\""},
      {signature + "  A | 1033\n", 3, "2 cells, but the header at line 2 names 3 columns"},
      {signature + "  A | 1033 | 1.0\n  A | 1031 | 1.0\n  A | 1033 | 2.0\n", 5,
       "same key as the row at line 3"},
      {"summary Author = Soci\xE9t\xE9\n", 1, "not valid UTF-8"},
      {"stream Cab = no-such.cab\n", 1, "cannot read the stream file"},
      {"validation\ntable Custom\n  Key:s72*\n", 1, "no validation data for column Key of table Custom"},
  };
  const WideString package = In(L"refused.msm");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.description);
    const auto result = msmbuild::BuildPackageFromText(c.description, package.c_str());
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(0u, result.error.rfind("line " + std::to_string(c.line) + ": ", 0)) << result.error;
    EXPECT_NE(std::string::npos, result.error.find(c.fragment)) << result.error;
    EXPECT_FALSE(Exists(package) || Exists(package + L".partial"));
  }
}

TEST_F(Msmbuild, CommandLineExitCodes) {
  const auto help = Tool(L"--help");
  EXPECT_EQ(0, help.first);
  EXPECT_NE(std::string::npos, help.second.find("usage: msmbuild")) << help.second;
  for (const wchar_t* wrong : {L"", L"--frobnicate", L"package.txt", L"a.msm.txt -o",
                               L"--dir descriptions", L"--dir d a.msm.txt -o out"})
    EXPECT_EQ(2, Tool(wrong).first) << wrong;

  // A description with byte order mark and CRLF lines is fine.
  folder_.WriteFile(L"good.msm.txt", "\xEF\xBB\xBF# good\r\n" + Probe("v"));
  folder_.WriteFile(L"bad.msm.txt", "table Property\n  Property | Value | Extra\n");
  EXPECT_EQ(0, Tool(L"good.msm.txt -o packages").first);
  EXPECT_TRUE(Exists(In(L"packages\\good.msm")));
  const auto failed = Tool(L"bad.msm.txt good.msm.txt absent.msm.txt -o out");
  EXPECT_EQ(1, failed.first);
  EXPECT_NE(std::string::npos,
            failed.second.find("bad.msm.txt: line 2: table Property has no column Extra"))
      << failed.second;
  EXPECT_NE(std::string::npos, failed.second.find("absent.msm.txt")) << failed.second;
  EXPECT_TRUE(Exists(In(L"out\\good.msm")));
  EXPECT_FALSE(Exists(In(L"out\\bad.msm")));
}

}  // namespace
