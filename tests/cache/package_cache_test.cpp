// The package cache and the record snapshots it keeps: what comes back, when an entry is
// trusted, what a write keeps, where the cache lives.
#include "cache/cache_settings.h"
#include "cache_fixture.h"
#include "common/path.h"
#include "installer/installer_automation.h"
#include "module/module_names.h"

#include <cstdlib>
#include <tuple>
#include <utility>

namespace {

constexpr ULONGLONG kSecond = 10000000, kDays = 24 * 3600 * kSecond;
ULONGLONG fakeNow = 0;
const PackageCache::Options kFakeClock{kDefaultCacheSizeCap, [] { return fakeNow; }};

TEST_F(CacheTest, ARecordComesBackAsReadNowForTheSameStampAndPathUnlessItWasRacy) {
  const WideString viewer = Package(L"viewer", FixturePackage("installer_packages", "viewer_en"));
  const WideString partial = Package(L"partial \u00E9");
  ModuleRecord read;
  read.InitFromPackage(viewer);
  const FILETIME time = ToFileTime(StampOf(viewer).LastWrite);
  read.SetPackageTime(time.dwLowDateTime, time.dwHighDateTime);  // as the catalog does
  read.Files();
  read.Dependencies();
  ModuleRecordSnapshot lacking = SampleRecord(partial, L"P");
  lacking.Dialogs.reset();
  PackageCache writer(folder_);
  writer.Remember(read, StampOf(viewer));
  writer.Remember(*Restored(lacking), StampOf(partial));
  const long long secondsBeforeRead[] = {-5, 0, 2, 9, 11};
  std::vector<WideString> racy;
  for (const long long seconds : secondsBeforeRead) {
    racy.push_back(Package(std::to_wstring(seconds)));
    PackageStamp stamp = StampOf(racy.back());
    stamp.TakenAt = stamp.LastWrite + static_cast<ULONGLONG>(seconds) * kSecond;
    writer.Remember(*Restored(SampleRecord(racy.back(), L"R")), stamp);
  }
  EXPECT_TRUE(writer.Flush());
  EXPECT_FALSE(writer.Flush()) << "nothing changed since the last write";

  PackageCache reader(folder_);
  EXPECT_EQ(7u, reader.EntryCount()) << "racy entries are kept, marked";
  for (size_t i = 0; i < racy.size(); ++i)
    EXPECT_EQ(secondsBeforeRead[i] > 10, !!reader.Lookup(racy[i], StampOf(racy[i])))
        << secondsBeforeRead[i] << " s";
  for (ULONGLONG PackageStamp::*field :
       {&PackageStamp::LastWrite, &PackageStamp::Creation, &PackageStamp::Size})
    for (const ULONGLONG moved : {~0ull, 1ull}) {  // one less, one more
      PackageStamp other = StampOf(viewer);
      other.*field += moved;
      EXPECT_FALSE(reader.Lookup(viewer, other)) << "a stamp that moved either way";
    }
  ModuleNames()[read.ModuleKey()] = L"Listed viewer";  // this process's names decide
  const unsigned long opens = InstallerDatabaseOpenCount();
  const ModuleRecordRef back = reader.Lookup(viewer, StampOf(viewer));
  ASSERT_TRUE(back && !back->Files().empty() && !back->Dependencies().empty());
  EXPECT_EQ(opens, InstallerDatabaseOpenCount()) << "the package was opened";
  ModuleRecord fresh;
  fresh.InitFromPackage(viewer);
  fresh.SetPackageTime(time.dwLowDateTime, time.dwHighDateTime);
  EXPECT_EQ(Answers(fresh), Answers(*back)) << "lists not kept are read from the package";
  ModuleNames().clear();
  const ModuleRecordRef kept = reader.Lookup(partial, StampOf(partial));
  ASSERT_TRUE(kept);
  EXPECT_EQ(Answers(*Restored(lacking)), Answers(*kept)) << "its dialogs refused by the installer";
  EXPECT_FALSE(reader.Lookup(scratch_.Path() + L"\\PACKAGES\\partial \u00E9.msm", StampOf(partial)));
  EXPECT_FALSE(reader.Flush()) << "a lookup alone writes at most once a day";

  // Lists read since are kept when complete.
  reader.RememberLists(*back);
  reader.RememberLists(*kept);
  EXPECT_TRUE(reader.Flush());
  ModuleRecordSnapshot viewerKept, partialKept;
  PackageCache again(folder_);
  ASSERT_TRUE(again.Lookup(viewer, StampOf(viewer))->TakeSnapshot(viewerKept) &&
              again.Lookup(partial, StampOf(partial))->TakeSnapshot(partialKept));
  EXPECT_TRUE(viewerKept.Dialogs && !partialKept.Dialogs);
  const ModuleRecordRef complete = Restored(SampleRecord(partial, L"P"));
  SetWriteTime(partial, ToFileTime(CurrentFileTime()), -1800);
  read.SetPackageTime(0, 1);  // a record of another version: its lists may be either's
  read.Dialogs();
  writer.RememberLists(read);
  writer.RememberLists(*complete);
  EXPECT_TRUE(writer.Flush());
  EXPECT_EQ(5u, PackageCache(folder_).EntryCount()) << "lists maybe of another version kept";
}

// One timeline of uses: a write drops what was not used for 60 days, what vanished or changed,
// and beyond the cap the least recently used; it removes temporary files of dead writers.
TEST_F(CacheTest, AWriteKeepsWhatWasUsedLatelyOfUnchangedPackagesWithinTheCap) {
  const WideString old = Package(L"old1"), used = Package(L"used"), gone = Package(L"gone"),
                   changed = Package(L"chgd"), recent = Package(L"rcnt"), latest = Package(L"last");
  const size_t entrySize = EncodeCacheEntry({StampOf(old), 0, false, SampleRecord(old, L"T")}).size();
  const PackageCache::Options options{kCacheHeaderSize + entrySize * 5 / 2, kFakeClock.Now};
  fakeNow = 1000 * kDays;
  PackageCache first(folder_, kFakeClock);
  for (const WideString& path : {old, used}) Keep(first, path);
  fakeNow += 2 * kDays;
  for (const WideString& path : {gone, changed, recent}) Keep(first, path);
  fakeNow += 28 * kDays;
  PackageCache user(folder_, kFakeClock);
  ASSERT_TRUE(user.Lookup(used, StampOf(used)));
  EXPECT_TRUE(user.Flush()) << "a use of another day is kept";

  fakeNow += 31 * kDays;  // old: 61 days unused; recent: 59
  ASSERT_TRUE(DeleteFileW(gone.c_str()));
  scratch_.WriteFile(L"packages\\chgd.msm", "rewritten");
  const WideString dead = user.FilePath() + L".4242.tmp", live = user.FilePath() + L".4343.tmp";
  WriteInFolder(dead, "partial");
  WriteInFolder(live, "partial");
  SetWriteTime(dead, ToFileTime(CurrentFileTime()), -3600);
  PackageCache last(folder_, kFakeClock);
  Keep(last, latest);
  EXPECT_EQ(3u, PackageCache(folder_).EntryCount()) << "what was not used, vanished or changed";
  fakeNow += kDays;
  PackageCache capped(folder_, options);
  Keep(capped, latest);
  PackageCache reader(folder_);
  EXPECT_EQ(2u, reader.EntryCount()) << "the least recently used beyond the cap";
  for (const WideString& path : {used, latest})
    EXPECT_TRUE(reader.Lookup(path, StampOf(path))) << path.Substring(path.Length() - 8).Ansi();
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(dead.c_str())) << "a dead writer's";
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(live.c_str())) << "a writer at work";
}

TEST(PackageCacheSettings, TheSwitchAndTheFolderComeFromTheUsersSettings) {
  const WideString standard = JoinPath(_wgetenv(L"LOCALAPPDATA"), L"Quorvane\\Showloom\\QvModCat2");
  // PackageCache (-1: absent), PackageCacheFolder (null: absent), the folder used.
  const std::tuple<long, const wchar_t*, WideString> cases[] = {
      {-1, nullptr, standard}, {0, L"C:\\Mine", L""}, {1, L"C:\\Mine", L"C:\\Mine"}, {2, L"", standard}};
  for (const auto& [packageCache, folder, expected] : cases) {
    StandInState settings(L"cache-settings");
    if (packageCache >= 0) settings.SetNumber(L"PackageCache", packageCache);
    if (folder) settings.SetText(L"PackageCacheFolder", folder);
    EXPECT_EQ(expected, ReadPackageCacheFolder(settings.Key().c_str())) << packageCache;
  }
  // The process's own choice comes before the user's settings.
  StandInState settings(L"cache-settings");
  settings.SetText(L"PackageCacheFolder", L"C:\\Mine");
  for (const auto& [variable, expected] : {std::pair<const wchar_t*, WideString>{L"off", L""},
                                           {L"OFF", L""}, {L"C:\\Else", L"C:\\Else"}}) {
    SetEnvironmentVariableW(kPackageCacheVariable, variable);
    EXPECT_EQ(expected, ReadPackageCacheFolder(settings.Key().c_str())) << variable;
  }
  SetEnvironmentVariableW(kPackageCacheVariable, nullptr);
}

}  // namespace
