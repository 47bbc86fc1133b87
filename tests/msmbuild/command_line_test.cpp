// msmbuild.exe: exit codes, where packages go, failures reported per description and line,
// and --dir leaving exactly the described packages in the output folder.

#include "scratch_folder.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

struct ProcessRun {
  DWORD exitCode = 0;
  std::string output;  // standard output and standard error
};

class CommandLine : public ::testing::Test {
 protected:
  // Runs msmbuild.exe with `arguments` in the scratch folder.
  ProcessRun Msmbuild(const std::wstring& arguments) {
    const char* bin = std::getenv("QV_BIN_DIR");
    const std::wstring program = bin ? std::wstring(bin, bin + strlen(bin)) + L"\\msmbuild.exe"
                                     : L"msmbuild.exe";
    std::wstring commandLine = L"\"" + program + L"\" " + arguments;
    const std::wstring outputPath = folder_ / L"output.log";
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE output = CreateFileW(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = output;
    PROCESS_INFORMATION process{};
    ProcessRun run;
    run.exitCode = 0xDEAD;
    if (CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                       folder_.Path().c_str(), &startup, &process)) {
      WaitForSingleObject(process.hProcess, INFINITE);
      GetExitCodeProcess(process.hProcess, &run.exitCode);
      CloseHandle(process.hThread);
      CloseHandle(process.hProcess);
    }
    CloseHandle(output);
    run.output = ReadFileBytes(outputPath);
    return run;
  }

  void Describe(const std::wstring& path, const std::string& text) { WriteFileBytes(path, text); }

  ScratchFolder folder_{L"command_line"};
};

constexpr char GoodDescription[] = "table Property\n  Property | Value\n  P | v\n";
constexpr char BadDescription[] = "table Property\n  Property | Value | Extra\n";

TEST_F(CommandLine, HelpAndWrongCommandLines) {
  ProcessRun help = Msmbuild(L"--help");
  EXPECT_EQ(0u, help.exitCode);
  EXPECT_NE(std::string::npos, help.output.find("usage: msmbuild")) << help.output;

  EXPECT_EQ(2u, Msmbuild(L"").exitCode);
  EXPECT_EQ(2u, Msmbuild(L"--frobnicate").exitCode);
  EXPECT_EQ(2u, Msmbuild(L"package.txt").exitCode);
  EXPECT_EQ(2u, Msmbuild(L"a.msm.txt -o").exitCode);
  EXPECT_EQ(2u, Msmbuild(L"--dir descriptions").exitCode) << "--dir needs -o";
  ProcessRun both = Msmbuild(L"--dir descriptions a.msm.txt -o out");
  EXPECT_EQ(2u, both.exitCode);
  EXPECT_NE(std::string::npos, both.output.find("not both")) << both.output;
}

TEST_F(CommandLine, BuildsNamedDescriptionsIntoTheOutputFolderOrTheCurrentOne) {
  Describe(folder_ / L"first.msm.txt", GoodDescription);
  Describe(folder_ / L"second.msm.txt", GoodDescription);
  EXPECT_EQ(0u, Msmbuild(L"first.msm.txt second.msm.txt -o packages").exitCode);
  EXPECT_TRUE(FileExists(folder_ / L"packages\\first.msm"));
  EXPECT_TRUE(FileExists(folder_ / L"packages\\second.msm"));

  EXPECT_EQ(0u, Msmbuild(L"first.msm.txt").exitCode);
  EXPECT_TRUE(FileExists(folder_ / L"first.msm"));
}

TEST_F(CommandLine, ReportsEveryFailureWithDescriptionAndLine) {
  Describe(folder_ / L"good.msm.txt", GoodDescription);
  Describe(folder_ / L"bad.msm.txt", BadDescription);
  Describe(folder_ / L"worse.msm.txt", "bogus\n");
  ProcessRun run = Msmbuild(L"bad.msm.txt good.msm.txt worse.msm.txt -o out");
  EXPECT_EQ(1u, run.exitCode);
  EXPECT_NE(std::string::npos, run.output.find("bad.msm.txt: line 2: table Property has no column Extra"))
      << run.output;
  EXPECT_NE(std::string::npos, run.output.find("worse.msm.txt: line 1: unknown directive")) << run.output;
  EXPECT_TRUE(FileExists(folder_ / L"out\\good.msm"));
  EXPECT_FALSE(FileExists(folder_ / L"out\\bad.msm"));
}

TEST_F(CommandLine, DirectoryModeLeavesExactlyTheDescribedPackages) {
  CreateDirectoryW((folder_ / L"descriptions").c_str(), nullptr);
  CreateDirectoryW((folder_ / L"out").c_str(), nullptr);
  Describe(folder_ / L"descriptions\\kept.msm.txt", GoodDescription);
  Describe(folder_ / L"descriptions\\notes.txt", "not a description");
  WriteFileBytes(folder_ / L"out\\removed.msm", "left from a description that is gone");
  WriteFileBytes(folder_ / L"out\\other.dat", "not a package");

  ProcessRun run = Msmbuild(L"--dir descriptions -o out");
  EXPECT_EQ(0u, run.exitCode) << run.output;
  EXPECT_TRUE(FileExists(folder_ / L"out\\kept.msm"));
  EXPECT_FALSE(FileExists(folder_ / L"out\\removed.msm"));
  EXPECT_FALSE(FileExists(folder_ / L"out\\notes.msm"));
  EXPECT_TRUE(FileExists(folder_ / L"out\\other.dat"));

  CreateDirectoryW((folder_ / L"empty").c_str(), nullptr);
  ProcessRun empty = Msmbuild(L"--dir empty -o out");
  EXPECT_EQ(1u, empty.exitCode);
  EXPECT_NE(std::string::npos, empty.output.find("no *.msm.txt")) << empty.output;
}

}  // namespace
