// ModuleRecord::ResolveModuleFolder: the package is opened read-only for every call, every
// handle is closed on every way out, and a package that has gone raises.
#include "common/com_exception.h"
#include "common/text.h"
#include "folders/folder_fixtures.h"
#include "installer/msi_library.h"
#include "module/module_record.h"
#include "package_builder.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

// Every handle the library hands out while a ledger is active, and what is still open.
MsiLibrary forwarded;
std::set<MSIHANDLE> openHandles;
std::set<MSIHANDLE> databases;
int databaseOpens = 0;
std::string lastOpenPersist;
bool databaseClosedWithOthersOpen = false;

void Opened(MSIHANDLE handle) {
  if (handle) openHandles.insert(handle);
}
UINT WINAPI LedgerOpenDatabase(LPCSTR path, LPCSTR persist, MSIHANDLE* database) {
  ++databaseOpens;
  lastOpenPersist = persist == MSIDBOPEN_READONLY ? "read-only" : "other";
  const UINT code = forwarded.OpenDatabaseA(path, persist, database);
  if (code == ERROR_SUCCESS) {
    Opened(*database);
    databases.insert(*database);
  }
  return code;
}
UINT WINAPI LedgerOpenView(MSIHANDLE database, LPCSTR query, MSIHANDLE* view) {
  const UINT code = forwarded.DatabaseOpenViewA(database, query, view);
  if (code == ERROR_SUCCESS) Opened(*view);
  return code;
}
UINT WINAPI LedgerFetch(MSIHANDLE view, MSIHANDLE* record) {
  const UINT code = forwarded.ViewFetch(view, record);
  if (code == ERROR_SUCCESS) Opened(*record);
  return code;
}
MSIHANDLE WINAPI LedgerCreateRecord(UINT fields) {
  const MSIHANDLE record = forwarded.CreateRecord(fields);
  Opened(record);
  return record;
}
MSIHANDLE WINAPI LedgerLastErrorRecord() {
  const MSIHANDLE record = forwarded.GetLastErrorRecord();
  Opened(record);
  return record;
}
UINT WINAPI LedgerClose(MSIHANDLE handle) {
  if (databases.count(handle) != 0 && openHandles.size() > 1) databaseClosedWithOthersOpen = true;
  openHandles.erase(handle);
  return forwarded.CloseHandle(handle);
}

class HandleLedger {
 public:
  HandleLedger() {
    forwarded = library_.Previous();
    openHandles.clear();
    databases.clear();
    databaseOpens = 0;
    lastOpenPersist.clear();
    databaseClosedWithOthersOpen = false;
    library_->OpenDatabaseA = LedgerOpenDatabase;
    library_->DatabaseOpenViewA = LedgerOpenView;
    library_->ViewFetch = LedgerFetch;
    library_->CreateRecord = LedgerCreateRecord;
    library_->GetLastErrorRecord = LedgerLastErrorRecord;
    library_->CloseHandle = LedgerClose;
  }

  int DatabaseOpens() const { return databaseOpens; }
  bool AllClosed() const { return openHandles.empty(); }
  bool ClosedInOrder() const { return !databaseClosedWithOthersOpen; }
  const std::string& OpenMode() const { return lastOpenPersist; }

 private:
  MsiLibraryOverride library_;
};

class ModuleFolderLookup : public ::testing::Test {
 protected:
  void SetUp() override { walks_.InitFromPackage(FolderFixture("walks")); }

  ModuleRecord walks_;
};

TEST_F(ModuleFolderLookup, ResolvedKeyGivesTheWidePath) {
  WideString folder = L"unchanged";
  EXPECT_TRUE(walks_.ResolveModuleFolder(L"bin", folder));
  EXPECT_EQ(WideString(L"[ProgramFilesFolder]App\\bin"), folder);
  EXPECT_TRUE(walks_.ResolveModuleFolder(L"Donnees", folder));
  EXPECT_EQ(WideString(L"[ProgramFilesFolder]App\\Donn\u00e9es"), folder);
  EXPECT_TRUE(walks_.ResolveModuleFolder(L"TARGETDIR", folder));
  EXPECT_EQ(WideString(), folder) << "resolved to the empty path";
}

TEST_F(ModuleFolderLookup, UnresolvedKeysLeaveTheFolderAlone) {
  for (const wchar_t* key : {L"NotInTable", L"Orphan", L"LoopA", L"LongDefault", L"OtherRoot"}) {
    WideString folder = L"unchanged";
    EXPECT_FALSE(walks_.ResolveModuleFolder(key, folder)) << WideString(key).Ansi();
    EXPECT_EQ(WideString(L"unchanged"), folder);
  }
}

TEST_F(ModuleFolderLookup, EmptyKeyOpensNothing) {
  const HandleLedger ledger;
  WideString folder = L"unchanged";
  EXPECT_FALSE(walks_.ResolveModuleFolder(WideString(), folder));
  EXPECT_EQ(0, ledger.DatabaseOpens());
  EXPECT_EQ(WideString(L"unchanged"), folder);
}

TEST_F(ModuleFolderLookup, EveryCallOpensThePackageReadOnlyAnew) {
  const HandleLedger ledger;
  WideString folder;
  EXPECT_TRUE(walks_.ResolveModuleFolder(L"bin", folder));
  EXPECT_TRUE(walks_.ResolveModuleFolder(L"bin", folder));
  EXPECT_EQ(2, ledger.DatabaseOpens());
  EXPECT_EQ("read-only", ledger.OpenMode());
  EXPECT_TRUE(ledger.AllClosed());
}

TEST_F(ModuleFolderLookup, EveryHandleIsClosedOnEveryWayOut) {
  const HandleLedger ledger;
  WideString folder;
  EXPECT_TRUE(walks_.ResolveModuleFolder(L"DotChild", folder));
  EXPECT_TRUE(ledger.AllClosed()) << "after success";
  EXPECT_FALSE(walks_.ResolveModuleFolder(L"UnderLong", folder));
  EXPECT_TRUE(ledger.AllClosed()) << "after a failure code";
  EXPECT_FALSE(walks_.ResolveModuleFolder(L"Orphan", folder));
  EXPECT_TRUE(ledger.AllClosed()) << "after a missing row";

  ModuleRecord apostrophe;
  apostrophe.InitFromPackage(FolderFixture("apostrophe"));
  EXPECT_THROW(apostrophe.ResolveModuleFolder(L"Below", folder), com_exception);
  EXPECT_TRUE(ledger.AllClosed()) << "after an exception";
  EXPECT_TRUE(ledger.ClosedInOrder()) << "views and records go before their database";
}

TEST_F(ModuleFolderLookup, RefusedKeyRaisesWithTheInstallersText) {
  ModuleRecord apostrophe;
  apostrophe.InitFromPackage(FolderFixture("apostrophe"));
  WideString folder = L"unchanged";
  try {
    apostrophe.ResolveModuleFolder(L"It's", folder);
    FAIL() << "no exception";
  } catch (const com_exception& error) {
    EXPECT_LT(error.Code(), 0);
    const std::string text = error.Description();
    EXPECT_NE(std::string::npos, text.rfind("MsiOpenDatabaseView()")) << text;
  }
  EXPECT_EQ(WideString(L"unchanged"), folder);
  EXPECT_TRUE(apostrophe.ResolveModuleFolder(L"Plain", folder));
  EXPECT_EQ(WideString(L"Plain"), folder);
}

TEST(ModuleFolderLookupPackage, PackageGoneAfterReadingRaisesTheLibrarysCode) {
  const WideString folder = FreshTempFolder("qv_folders_gone");
  const WideString package = folder + L"\\gone.msm";
  const msmbuild::BuildResult built = msmbuild::BuildPackageFromText(
      "table Directory\n"
      "  Directory | Directory_Parent | DefaultDir\n"
      "  TARGETDIR | <null> | SourceDir\n"
      "  Gone | TARGETDIR | Gone\n",
      package.c_str());
  ASSERT_TRUE(built.ok) << built.error;

  ModuleRecord record;
  record.InitFromPackage(package);
  WideString resolved = L"unchanged";
  ASSERT_TRUE(record.ResolveModuleFolder(L"Gone", resolved));
  ASSERT_EQ(WideString(L"Gone"), resolved);
  ASSERT_TRUE(DeleteFileW(package.c_str()));

  const std::string path = AnsiFromWide(package);
  MSIHANDLE probe = 0;
  const UINT libraryCode = Msi().OpenDatabaseA(path.c_str(), MSIDBOPEN_READONLY, &probe);
  ASSERT_NE(0u, libraryCode);
  resolved = L"unchanged";
  try {
    record.ResolveModuleFolder(L"Gone", resolved);
    FAIL() << "no exception";
  } catch (const com_exception& error) {
    EXPECT_EQ(HresultFromWin32Code(static_cast<long>(libraryCode)), error.Code());
    const std::string ending = "MsiOpenDatabase(" + path + ")";
    const std::string text = error.Description();
    ASSERT_GE(text.size(), ending.size()) << text;
    EXPECT_EQ(ending, text.substr(text.size() - ending.size()));
  }
  EXPECT_EQ(WideString(L"unchanged"), resolved);
}

}  // namespace
