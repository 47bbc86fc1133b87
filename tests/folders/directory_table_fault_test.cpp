// How the walk answers failures of the installer library that real packages do not produce:
// creation failures come back as codes, execution and fetch failures raise.
#include "common/com_exception.h"
#include "folders/directory_table.h"
#include "folders/folder_fixtures.h"
#include "installer/msi_library.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

MsiLibrary forwarded;
int fetchesBeforeFailure = 0;

MSIHANDLE WINAPI NoRecord(UINT) { return 0; }
UINT WINAPI RefusedSetString(MSIHANDLE, UINT, LPCSTR) { return ERROR_INVALID_HANDLE; }
UINT WINAPI RefusedWalkView(MSIHANDLE database, LPCSTR query, MSIHANDLE* view) {
  if (strstr(query, "=?")) return ERROR_BAD_QUERY_SYNTAX;
  return forwarded.DatabaseOpenViewA(database, query, view);
}
UINT WINAPI FailingExecute(MSIHANDLE, MSIHANDLE) { return ERROR_FUNCTION_FAILED; }
UINT WINAPI LaterFailingFetch(MSIHANDLE view, MSIHANDLE* record) {
  if (fetchesBeforeFailure-- > 0) return forwarded.ViewFetch(view, record);
  return ERROR_INVALID_HANDLE_STATE;
}

class DirectoryWalkFaults : public ::testing::Test {
 protected:
  void SetUp() override { forwarded = library_.Previous(); }

  OpenedPackage walks_{"walks"};
  MsiLibraryOverride library_;
};

std::string Ending(const std::string& text, size_t length) {
  return text.size() < length ? text : text.substr(text.size() - length);
}

TEST_F(DirectoryWalkFaults, RecordThatCannotBeMadeIsReportedAsACode) {
  library_->CreateRecord = NoRecord;
  std::string path = "left over";
  EXPECT_EQ(static_cast<UINT>(ERROR_NOT_ENOUGH_MEMORY),
            BuildDirectoryPath(walks_.Handle(), "bin", path));
  EXPECT_EQ("", path);
}

TEST_F(DirectoryWalkFaults, ParameterThatCannotBeSetIsReportedAsItsCode) {
  library_->RecordSetStringA = RefusedSetString;
  std::string path = "left over";
  EXPECT_EQ(static_cast<UINT>(ERROR_INVALID_HANDLE),
            BuildDirectoryPath(walks_.Handle(), "bin", path));
  EXPECT_EQ("", path);
}

TEST_F(DirectoryWalkFaults, WalkViewThatCannotBeOpenedIsReportedAsItsCode) {
  library_->DatabaseOpenViewA = RefusedWalkView;
  std::string path = "left over";
  EXPECT_EQ(static_cast<UINT>(ERROR_BAD_QUERY_SYNTAX),
            BuildDirectoryPath(walks_.Handle(), "bin", path));
  EXPECT_EQ("", path);
}

TEST_F(DirectoryWalkFaults, FailingExecutionRaises) {
  library_->ViewExecute = FailingExecute;
  std::string path;
  try {
    BuildDirectoryPath(walks_.Handle(), "bin", path);
    FAIL() << "no exception";
  } catch (const com_exception& error) {
    EXPECT_EQ(HresultFromWin32Code(ERROR_FUNCTION_FAILED), error.Code());
    EXPECT_EQ("MsiViewExecute()", Ending(error.Description(), 16));
  }
}

TEST_F(DirectoryWalkFaults, FetchFailingOtherwiseThanAtTheEndRaisesOnAnyLevel) {
  library_->ViewFetch = LaterFailingFetch;
  // bin: its row, the system folder test of bin, App's row, the test of App, then fails.
  fetchesBeforeFailure = 4;
  std::string path;
  try {
    BuildDirectoryPath(walks_.Handle(), "bin", path);
    FAIL() << "no exception";
  } catch (const com_exception& error) {
    EXPECT_EQ(HresultFromWin32Code(ERROR_INVALID_HANDLE_STATE), error.Code());
    EXPECT_EQ("MsiViewFetch()", Ending(error.Description(), 14));
  }
}

}  // namespace
