// CheckMsiResult and the checked library calls: error texts, codes, handle hygiene.
#include "common/com_exception.h"
#include "installer/msi_check.h"
#include "installer/scratch_database.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// What the replaced table entries see and hand out.
struct Injected {
  static inline MSIHANDLE errorRecord = 0;
  static inline int lastErrorCalls = 0;
  static inline UINT fetchCode = 0;
  static inline UINT setStringCode = 0;
  static inline std::set<MSIHANDLE> closed;
  static inline std::vector<DWORD> sizesOffered;

  static void Reset() {
    errorRecord = 0;
    lastErrorCalls = 0;
    fetchCode = 0;
    setStringCode = 0;
    closed.clear();
    sizesOffered.clear();
  }
  static MSIHANDLE WINAPI GetLastErrorRecord() {
    ++lastErrorCalls;
    return std::exchange(errorRecord, 0);  // handed out once, like the library's
  }
  static UINT WINAPI FailingFetch(MSIHANDLE, MSIHANDLE* record) {
    *record = 0;
    return fetchCode;
  }
  static UINT WINAPI RefusingSetString(MSIHANDLE, UINT, LPCSTR) { return setStringCode; }
  static UINT WINAPI RecordingClose(MSIHANDLE handle) {
    closed.insert(handle);
    return MsiCloseHandle(handle);
  }
  static UINT WINAPI RecordingGetString(MSIHANDLE record, UINT field, LPSTR buffer, DWORD* size) {
    sizesOffered.push_back(*size);
    return MsiRecordGetStringA(record, field, buffer, size);
  }
};

class MsiCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Injected::Reset();
    msi_->GetLastErrorRecord = Injected::GetLastErrorRecord;
    msi_->CloseHandle = Injected::RecordingClose;
  }
  void TearDown() override {
    if (Injected::errorRecord) MsiCloseHandle(Injected::errorRecord);
  }

  // An error record as the library would keep one: field 1 the error number.
  static MSIHANDLE MakeErrorRecord(const char* templateText, std::initializer_list<const char*> fields) {
    const MSIHANDLE record = MsiCreateRecord(static_cast<UINT>(fields.size()));
    if (templateText) MsiRecordSetStringA(record, 0, templateText);
    UINT index = 1;
    for (const char* field : fields) MsiRecordSetStringA(record, index++, field);
    return record;
  }

  static com_exception Capture(const std::function<void()>& call) {
    try {
      call();
    } catch (const com_exception& error) {
      return error;
    }
    ADD_FAILURE() << "no com_exception was raised";
    return com_exception(S_OK, "");
  }

  MsiLibraryOverride msi_;
};

TEST_F(MsiCheckTest, ZeroCodeDoesNothingAtAll) {
  Injected::errorRecord = MakeErrorRecord(nullptr, {"1"});
  EXPECT_NO_THROW(CheckMsiResult(0, "MsiViewFetch"));
  EXPECT_EQ(Injected::lastErrorCalls, 0);
}

TEST_F(MsiCheckTest, CodeBecomesWin32HresultAndTextNamesCallAndPath) {
  const com_exception error =
      Capture([] { CheckMsiResult(2, "MsiOpenDatabase", "C:\\pkg\\a.msm", ""); });
  EXPECT_EQ(error.Code(), static_cast<HRESULT>(0x80070002));
  EXPECT_TRUE(EndsWith(error.Description(), "MsiOpenDatabase(C:\\pkg\\a.msm)")) << error.Description();
  // Without an error record the message is the system's text for the HRESULT.
  EXPECT_EQ(error.Description(),
            SystemMessageText(static_cast<HRESULT>(0x80070002)) + "MsiOpenDatabase(C:\\pkg\\a.msm)");
}

TEST_F(MsiCheckTest, ArgumentTextsPickTheFormat) {
  EXPECT_TRUE(EndsWith(Capture([] { CheckMsiResult(5, "Call", "", "two"); }).Description(), "Call()"));
  EXPECT_TRUE(EndsWith(Capture([] { CheckMsiResult(5, "Call", "one", "two"); }).Description(),
                       "Call(one, two)"));
  // A negative code is an HRESULT already.
  EXPECT_EQ(Capture([] { CheckMsiResult(static_cast<UINT>(E_ACCESSDENIED), "Call"); }).Code(), E_ACCESSDENIED);
  // Only the low 16 bits of a code count.
  EXPECT_EQ(Capture([] { CheckMsiResult(0x10002, "Call"); }).Code(), static_cast<HRESULT>(0x80070002));
}

TEST_F(MsiCheckTest, MissingPackageOpenedThroughTheLibrary) {
  const std::string path = MissingPackagePath();
  MSIHANDLE probe = 0;
  const UINT platformCode = MsiOpenDatabaseA(path.c_str(), MSIDBOPEN_READONLY, &probe);
  ASSERT_NE(platformCode, 0u);

  MsiHandle database;
  const com_exception error = Capture([&] { OpenDatabaseReadOnly(WideString::FromAnsi(path.c_str()), database); });
  EXPECT_EQ(error.Code(), HresultFromWin32Code(static_cast<long>(platformCode)));
  EXPECT_TRUE(EndsWith(error.Description(), "MsiOpenDatabase(" + path + ")")) << error.Description();
  EXPECT_FALSE(database);
}

TEST_F(MsiCheckTest, ErrorRecordWithoutTemplateGetsTheStandardOne) {
  Injected::errorRecord = MakeErrorRecord(nullptr, {"2203", "C:\\x.msm", "-2147287038"});
  const MSIHANDLE handedOut = Injected::errorRecord;
  const com_exception error = Capture([] { CheckMsiResult(110, "MsiOpenDatabase", "C:\\x.msm"); });
  EXPECT_EQ(error.Code(), static_cast<HRESULT>(0x8007006E));
  EXPECT_EQ(error.Description(),
            "Windows Installer Error 2203: C:\\x.msm, -2147287038\nMsiOpenDatabase(C:\\x.msm)");
  EXPECT_EQ(Injected::closed.count(handedOut), 1u) << "the error record must be closed";
}

TEST_F(MsiCheckTest, ErrorRecordWithTemplateIsFormattedWithIt) {
  Injected::errorRecord = MakeErrorRecord("Table [2] is broken (error [1]). ", {"2228", "File"});
  const com_exception error = Capture([] { CheckMsiResult(1627, "MsiViewExecute"); });
  EXPECT_EQ(error.Description(), "Table File is broken (error 2228). MsiViewExecute()");
  EXPECT_EQ(error.Description().find(SystemMessageText(error.Code())), std::string::npos);
}

TEST_F(MsiCheckTest, LongFormattedErrorIsCutAtTheBuffer) {
  Injected::errorRecord = MakeErrorRecord("[1]", {std::string(1500, 'x').c_str()});
  const com_exception error = Capture([] { CheckMsiResult(1627, "MsiViewFetch"); });
  EXPECT_EQ(error.Description(), std::string(1023, 'x') + "MsiViewFetch()");
}

TEST_F(MsiCheckTest, RefusedTemplateRaisesFromTheNestedCheckAndClosesTheRecord) {
  Injected::errorRecord = MakeErrorRecord(nullptr, {"2203"});
  const MSIHANDLE handedOut = Injected::errorRecord;
  Injected::setStringCode = ERROR_INVALID_HANDLE;
  msi_->RecordSetStringA = Injected::RefusingSetString;
  const com_exception error = Capture([] { CheckMsiResult(1627, "MsiOpenDatabase", "C:\\x.msm"); });
  EXPECT_EQ(error.Code(), HresultFromWin32Code(ERROR_INVALID_HANDLE));
  EXPECT_TRUE(EndsWith(error.Description(), "MsiRecordSetString()")) << error.Description();
  EXPECT_EQ(Injected::closed.count(handedOut), 1u);
}

TEST_F(MsiCheckTest, TextTravelsThroughThreadErrorInformation) {
  // ThrowIfFailed takes the description from the error information CheckMsiResult installs,
  // and takes it away: nothing is left for the thread afterwards.
  Capture([] { CheckMsiResult(1627, "MsiViewFetch"); });
  IErrorInfo* left = nullptr;
  EXPECT_EQ(GetErrorInfo(0, &left), S_FALSE);
  if (left) left->Release();
}

TEST_F(MsiCheckTest, FetchAtTheEndReturnsNoMoreItemsWithoutRaising) {
  ScratchDatabase database(1);
  MsiHandle view, record;
  EXPECT_EQ(OpenViewExecuteAndFetch(view, database.Handle(), "SELECT * FROM `Item`", record), 0u);
  EXPECT_TRUE(record);
  EXPECT_EQ(FetchRecord(view.Get(), record), static_cast<UINT>(ERROR_NO_MORE_ITEMS));
  EXPECT_FALSE(record);
  EXPECT_EQ(Injected::lastErrorCalls, 0);
}

TEST_F(MsiCheckTest, FailingFetchNamesMsiViewFetch) {
  ScratchDatabase database(2);
  MsiHandle view, record;
  OpenViewAndExecute(view, database.Handle(), "SELECT * FROM `Item`");
  Injected::fetchCode = ERROR_FUNCTION_FAILED;
  msi_->ViewFetch = Injected::FailingFetch;
  const com_exception error = Capture([&] { FetchRecord(view.Get(), record); });
  EXPECT_EQ(error.Code(), HresultFromWin32Code(ERROR_FUNCTION_FAILED));
  EXPECT_TRUE(EndsWith(error.Description(), "MsiViewFetch()")) << error.Description();
}

TEST_F(MsiCheckTest, RefusedQueryNamesMsiOpenDatabaseView) {
  ScratchDatabase database(0);
  MsiHandle view;
  const com_exception error =
      Capture([&] { OpenViewAndExecute(view, database.Handle(), "SELECT * FROM `NoSuchTable`"); });
  EXPECT_LT(error.Code(), 0);
  EXPECT_TRUE(EndsWith(error.Description(), "MsiOpenDatabaseView()")) << error.Description();
  EXPECT_FALSE(view);
}

TEST_F(MsiCheckTest, OpeningAViewClosesTheHoldersOldOne) {
  ScratchDatabase database(1);
  MsiHandle view;
  OpenViewAndExecute(view, database.Handle(), "SELECT * FROM `Item`");
  const MSIHANDLE first = view.Get();
  OpenViewAndExecute(view, database.Handle(), "SELECT * FROM `Item`");
  EXPECT_EQ(Injected::closed.count(first), 1u);
}

TEST_F(MsiCheckTest, FieldReadUsesA260CharacterBufferEveryTime) {
  msi_->RecordGetStringA = Injected::RecordingGetString;
  MsiHandle record(MsiCreateRecord(3));
  const std::string fits(259, 'a'), tooLong(260, 'b');
  MsiRecordSetStringA(record.Get(), 1, fits.c_str());
  MsiRecordSetStringA(record.Get(), 2, tooLong.c_str());

  std::string value = "unchanged";
  EXPECT_EQ(ReadRecordField(record.Get(), 1, value), 0u);
  EXPECT_EQ(value, fits);
  value = "unchanged";
  EXPECT_EQ(ReadRecordField(record.Get(), 2, value), static_cast<UINT>(ERROR_MORE_DATA));
  EXPECT_EQ(value, "unchanged");
  EXPECT_EQ(ReadRecordField(record.Get(), 3, value), 0u);  // a null field reads as empty
  EXPECT_EQ(value, "");
  EXPECT_EQ(Injected::sizesOffered, (std::vector<DWORD>{260, 260, 260}))
      << "the size must be reset before every call and never raised for a second try";
}

TEST(MsiLibraryOverrideTest, RestoresTheTableItFound) {
  const auto original = Msi().ViewFetch;
  {
    MsiLibraryOverride outer;
    outer->ViewFetch = Injected::FailingFetch;
    {
      MsiLibraryOverride inner;
      EXPECT_EQ(inner.Previous().ViewFetch, Injected::FailingFetch);
      inner->ViewFetch = nullptr;
    }
    EXPECT_EQ(Msi().ViewFetch, Injected::FailingFetch);
  }
  EXPECT_EQ(Msi().ViewFetch, original);
}

TEST(MsiHandleTest, ClosesThroughTheTable) {
  MsiLibraryOverride msi;
  Injected::Reset();
  msi->CloseHandle = Injected::RecordingClose;
  MSIHANDLE first = MsiCreateRecord(1), second = MsiCreateRecord(1);
  {
    MsiHandle holder(first);
    holder.Reset(second);
    EXPECT_EQ(Injected::closed, std::set<MSIHANDLE>{first});
  }
  EXPECT_EQ(Injected::closed, (std::set<MSIHANDLE>{first, second}));
}

}  // namespace
