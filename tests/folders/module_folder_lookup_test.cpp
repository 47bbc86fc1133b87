// ModuleRecord::ResolveModuleFolder: the package is opened read-only anew for every call,
// every handle is closed on every way out, and a package that has gone raises.  (The folder of
// every key is compared with msitools' reading by folders_generated_match_msiinfo.)
#include "common/text.h"
#include "installer/msi_library.h"
#include "module/module_record.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

// Every handle the library hands out while the ledger is active, and what is still open.
MsiLibrary forwarded;
std::set<MSIHANDLE> openHandles, databases;
int databaseOpens = 0;
bool onlyReadOnly = true, databaseClosedFirst = false;

UINT Track(UINT code, MSIHANDLE* handle) {
  if (code == ERROR_SUCCESS && *handle) openHandles.insert(*handle);
  return code;
}
UINT WINAPI LedgerOpenDatabase(LPCSTR path, LPCSTR persist, MSIHANDLE* database) {
  ++databaseOpens;
  onlyReadOnly &= persist == MSIDBOPEN_READONLY;
  const UINT code = Track(forwarded.OpenDatabaseA(path, persist, database), database);
  if (code == ERROR_SUCCESS) databases.insert(*database);
  return code;
}
UINT WINAPI LedgerOpenView(MSIHANDLE database, LPCSTR query, MSIHANDLE* view) {
  return Track(forwarded.DatabaseOpenViewA(database, query, view), view);
}
UINT WINAPI LedgerFetch(MSIHANDLE view, MSIHANDLE* record) {
  return Track(forwarded.ViewFetch(view, record), record);
}
MSIHANDLE WINAPI LedgerCreateRecord(UINT fields) {
  MSIHANDLE record = forwarded.CreateRecord(fields);
  Track(ERROR_SUCCESS, &record);
  return record;
}
UINT WINAPI LedgerClose(MSIHANDLE handle) {
  databaseClosedFirst |= databases.count(handle) != 0 && openHandles.size() > 1;
  openHandles.erase(handle);
  return forwarded.CloseHandle(handle);
}

class HandleLedger {
 public:
  HandleLedger() {
    forwarded = library_.Previous();
    databaseOpens = 0;
    library_->OpenDatabaseA = LedgerOpenDatabase;
    library_->DatabaseOpenViewA = LedgerOpenView;
    library_->ViewFetch = LedgerFetch;
    library_->CreateRecord = LedgerCreateRecord;
    library_->CloseHandle = LedgerClose;
  }

 private:
  MsiLibraryOverride library_;
};

TEST(ModuleFolderLookup, EveryCallOpensThePackageAndClosesEveryHandle) {
  ModuleRecord walks, apostrophe;
  walks.InitFromPackage(FixturePackage("folder_packages", "walks"));
  apostrophe.InitFromPackage(FixturePackage("folder_packages", "apostrophe"));
  struct Row {
    const ModuleRecord& record;
    const wchar_t* key;
    const wchar_t* folder;  // nullptr: not resolved, folder untouched
    bool raises;
    int opens;
  } rows[] = {
      {walks, L"bin", L"[ProgramFilesFolder]App\\bin", false, 1},
      {walks, L"UnderLong", nullptr, false, 1},  // a failure code
      {walks, L"Orphan", nullptr, false, 1},     // a missing row
      {walks, L"", nullptr, false, 0},           // an empty key opens nothing
      {apostrophe, L"Below", nullptr, true, 1},  // the installer refuses a query
  };
  const HandleLedger ledger;
  for (const Row& row : rows) {
    SCOPED_TRACE(WideString(row.key).Ansi());
    databaseOpens = 0;
    WideString folder = L"unchanged";
    bool resolved = false;
    EXPECT_EQ(row.raises, RaisedCode([&] { resolved = row.record.ResolveModuleFolder(
                                               row.key, folder); }) < 0);
    EXPECT_EQ(row.folder != nullptr, resolved);
    EXPECT_EQ(WideString(row.folder ? row.folder : L"unchanged"), folder);
    EXPECT_EQ(row.opens, databaseOpens);
    EXPECT_TRUE(openHandles.empty()) << openHandles.size() << " handles left open";
  }
  EXPECT_TRUE(onlyReadOnly);
  EXPECT_FALSE(databaseClosedFirst) << "views and records go before their database";
}

TEST(ModuleFolderLookup, DeletedPackageRaisesTheLibrarysCodeAndText) {
  const ScratchFolder scratch(L"qv-folders-gone");
  const WideString package = scratch.Path() + L"\\gone.msm";
  ASSERT_TRUE(CopyFileW(FixturePackage("folder_packages", "walks").c_str(), package.c_str(),
                        FALSE));
  ModuleRecord record;
  record.InitFromPackage(package);
  WideString folder;
  ASSERT_TRUE(record.ResolveModuleFolder(L"bin", folder));
  ASSERT_TRUE(DeleteFileW(package.c_str()));

  const std::string path = AnsiFromWide(package);
  MSIHANDLE probe = 0;
  const UINT libraryCode = Msi().OpenDatabaseA(path.c_str(), MSIDBOPEN_READONLY, &probe);
  ASSERT_NE(0u, libraryCode);
  const com_exception error = Raised([&] { record.ResolveModuleFolder(L"bin", folder); });
  EXPECT_EQ(HresultFromWin32Code(static_cast<long>(libraryCode)), error.Code());
  EXPECT_TRUE(EndsWith(error.Description(), "MsiOpenDatabase(" + path + ")"))
      << error.Description();
}

// A record built from a gallery descriptor has no package of its own to read, even when its
// descriptor names one that exists: no folders, no dialogs, no custom actions.
TEST(ModuleFolderLookup, DescriptorRecordOpensNothing) {
  const StandInState environment(L"folders-gallery");
  const ScratchFolder product(L"qv-folders-product");
  environment.SetText(L"ProductFolder", product.Path());
  product.MakeFolder(L"Modules");
  ASSERT_TRUE(CopyFileW(FixturePackage("folder_packages", "walks").c_str(),
                        (product.Path() + L"\\Modules\\walks.msm").c_str(), FALSE));
  product.WriteFile(L"ObjectGallery\\Walks.ini",
                    "[MergeModule]\r\nFileName=Package\r\nModuleID=Folder.Walks\r\n"
                    "[Package]\r\nLocation=Modules\\walks.msm\r\n");
  ModuleRecord record;
  record.InitFromDescriptor(product.Path() + L"\\ObjectGallery\\Walks.ini");
  ASSERT_EQ(product.Path() + L"\\Modules\\walks.msm", record.PackagePath());

  const HandleLedger ledger;
  WideString folder = L"unchanged";
  EXPECT_FALSE(record.ResolveModuleFolder(L"bin", folder));
  EXPECT_EQ(WideString(L"unchanged"), folder);
  EXPECT_EQ(0, databaseOpens);
  EXPECT_TRUE(record.Dialogs().empty() && record.CustomActions().empty());
}

}  // namespace
