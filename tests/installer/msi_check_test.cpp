// CheckMsiResult and the checked library calls.  What the platform will not produce on demand
// (an error record, a failing fetch) is put into the library table through MsiLibraryOverride.
#include "installer/msi_check.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

namespace {

// What the replaced table entries hand out and see.
MSIHANDLE errorRecord = 0;
std::set<MSIHANDLE> closed;

MSIHANDLE WINAPI HandOutErrorRecord() { return std::exchange(errorRecord, 0); }
UINT WINAPI FailingFetch(MSIHANDLE, MSIHANDLE* record) {
  *record = 0;
  return ERROR_FUNCTION_FAILED;
}
UINT WINAPI RecordingClose(MSIHANDLE handle) {
  closed.insert(handle);
  return MsiCloseHandle(handle);
}

class MsiCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    msi_->GetLastErrorRecord = HandOutErrorRecord;
    msi_->CloseHandle = RecordingClose;
  }
  void TearDown() override { MsiCloseHandle(std::exchange(errorRecord, 0)); }
  // An error record as the library would keep one: field 0 the template, field 1 the number.
  static MSIHANDLE KeepErrorRecord(const char* templateText,
                                   std::initializer_list<const char*> fields) {
    errorRecord = MsiCreateRecord(static_cast<UINT>(fields.size()));
    if (templateText) MsiRecordSetStringA(errorRecord, 0, templateText);
    UINT index = 1;
    for (const char* field : fields) MsiRecordSetStringA(errorRecord, index++, field);
    return errorRecord;
  }
  MsiLibraryOverride msi_;
};

TEST_F(MsiCheck, CodeBecomesWin32HresultAndTextNamesTheCallWithItsArguments) {
  const com_exception error = Raised([] { CheckMsiResult(2, "MsiOpenDatabase", "C:\\a.msm", ""); });
  EXPECT_EQ(static_cast<HRESULT>(0x80070002), error.Code());
  // Without an error record the message is the system's text for the HRESULT.
  EXPECT_EQ(SystemMessageText(error.Code()) + "MsiOpenDatabase(C:\\a.msm)", error.Description());
  EXPECT_TRUE(EndsWith(Raised([] { CheckMsiResult(5, "Call", "", "2"); }).Description(), "Call()"));
  EXPECT_TRUE(EndsWith(Raised([] { CheckMsiResult(5, "Call", "one", "two"); }).Description(),
                       "Call(one, two)"));
  EXPECT_EQ(E_ACCESSDENIED, Raised([] { CheckMsiResult(UINT(E_ACCESSDENIED), "Call"); }).Code())
      << "a negative code is an HRESULT already";
}

TEST_F(MsiCheck, ErrorRecordIsFormattedWithTheStandardTemplateOrItsOwnAndClosed) {
  const MSIHANDLE plain = KeepErrorRecord(nullptr, {"2203", "C:\\x.msm", "-2147287038"});
  EXPECT_EQ("Windows Installer Error 2203: C:\\x.msm, -2147287038\nMsiOpenDatabase(C:\\x.msm)",
            Raised([] { CheckMsiResult(110, "MsiOpenDatabase", "C:\\x.msm"); }).Description());
  EXPECT_EQ(1u, closed.count(plain)) << "the error record must be closed";
  KeepErrorRecord("Table [2] is broken (error [1]). ", {"2228", "File"});
  EXPECT_EQ("Table File is broken (error 2228). MsiViewExecute()",
            Raised([] { CheckMsiResult(1627, "MsiViewExecute"); }).Description());
}

TEST_F(MsiCheck, FetchGivesNoMoreItemsAtTheEndAndAFailingFetchNamesMsiViewFetch) {
  MsiHandle database, view, record;
  OpenDatabaseReadOnly(FixturePackage("installer_packages", "viewer_en"), database);
  ASSERT_EQ(0u, OpenViewAndExecute(view, database.Get(), "SELECT `Dialog` FROM `Dialog`"));
  for (int row = 0; row < 3; ++row) ASSERT_EQ(0u, FetchRecord(view.Get(), record));
  EXPECT_EQ(UINT(ERROR_NO_MORE_ITEMS), FetchRecord(view.Get(), record));
  EXPECT_FALSE(record);
  msi_->ViewFetch = FailingFetch;
  const com_exception error = Raised([&] { FetchRecord(view.Get(), record); });
  EXPECT_EQ(HresultFromWin32Code(ERROR_FUNCTION_FAILED), error.Code());
  EXPECT_TRUE(EndsWith(error.Description(), "MsiViewFetch()")) << error.Description();
}

}  // namespace
