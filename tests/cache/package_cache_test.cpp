// The package cache and the record snapshots it keeps: what comes back, when an entry is
// trusted, what a write keeps, where the cache lives.
#include "cache/cache_settings.h"
#include "cache_fixture.h"
#include "common/path.h"
#include "installer/installer_automation.h"
#include "module/module_names.h"

#include <iterator>

namespace {

constexpr ULONGLONG kSecond = 10000000, kDayTime = 24 * 3600 * kSecond;
ULONGLONG fakeNow = 0;

// Reads the lists named by the bits of `lists`: dialogs 1, custom actions 2, dependencies 4,
// exclusions 8, files 16.
void ReadLists(ModuleRecord& record, int lists) {
  if (lists & 1) record.Dialogs();
  if (lists & 2) record.CustomActions();
  if (lists & 4) record.Dependencies();
  if (lists & 8) record.Exclusions();
  if (lists & 16) record.Files();
}

TEST(RecordSnapshot, ARecordMadeFromASnapshotAnswersAsARecordReadNowWithoutOpeningThePackage) {
  const WideString package = FixturePackage("installer_packages", "viewer_en");
  for (const int lists : {0, 31, 16, 12}) {
    SCOPED_TRACE(lists);
    ModuleRecord source;
    source.InitFromPackage(package);
    ReadLists(source, lists);
    ModuleRecordSnapshot snapshot;
    ASSERT_TRUE(source.TakeSnapshot(snapshot));
    // The new process's names table decides the display name.
    ModuleNames()[source.ModuleKey()] = L"Listed viewer";
    ModuleRecord restored, fresh;
    const unsigned long opens = InstallerDatabaseOpenCount();
    restored.InitFromSnapshot(snapshot);
    ReadLists(restored, lists);
    EXPECT_EQ(opens, InstallerDatabaseOpenCount()) << "the package was opened";
    fresh.InitFromPackage(package);
    EXPECT_EQ(Answers(fresh), Answers(restored));
    for (const auto& file : fresh.Files()) {
      WideString expected, actual;
      EXPECT_EQ(fresh.ResolveModuleFolder(file.second.Directory, expected),
                restored.ResolveModuleFolder(file.second.Directory, actual));
      EXPECT_EQ(expected, actual);
    }
    ModuleNames().clear();
  }
}

TEST_F(CacheTest, EveryFieldComesBackOnlyForTheSameStampAndExactPath) {
  const WideString full = Package(L"full \u00E9"), partial = Package(L"partial");
  ModuleRecordSnapshot lacking = SampleRecord(partial, L"P");
  lacking.Dialogs.reset();
  lacking.Files.reset();
  const ModuleRecordRef records[] = {Restored(SampleRecord(full, L"F")), Restored(lacking)};
  PackageCache writer(folder_);
  for (const auto& record : records) writer.Remember(*record, StampOf(record->PackagePath()));
  EXPECT_TRUE(writer.Flush());
  EXPECT_FALSE(writer.Flush()) << "nothing changed since the last write";

  PackageCache reader(folder_);
  for (const auto& record : records) {
    const ModuleRecordRef back = reader.Lookup(record->PackagePath(), StampOf(record->PackagePath()));
    ASSERT_TRUE(back);
    ModuleRecordSnapshot original, kept;
    record->TakeSnapshot(original);
    back->TakeSnapshot(kept);
    EXPECT_EQ(!original.Dialogs, !kept.Dialogs) << "an absent list is read from the package";
    EXPECT_EQ(!original.Files, !kept.Files);
    EXPECT_EQ(Answers(*record), Answers(*back));
  }
  EXPECT_EQ(2u, reader.Hits());
  const PackageStamp stamp = StampOf(full);
  for (ULONGLONG PackageStamp::*field :
       {&PackageStamp::LastWrite, &PackageStamp::Creation, &PackageStamp::Size}) {
    PackageStamp changed = stamp;
    changed.*field += 1;
    EXPECT_FALSE(reader.Lookup(full, changed));
  }
  EXPECT_FALSE(reader.Lookup(scratch_.Path() + L"\\PACKAGES\\full \u00E9.msm", stamp));
  EXPECT_FALSE(reader.Flush()) << "a lookup alone writes at most once a day";
}

TEST_F(CacheTest, APackageWrittenWithinTenSecondsOfItsReadIsKeptMarkedAndNeverTrusted) {
  const long long secondsBeforeRead[] = {-5, 0, 2, 9, 11, 3600};
  PackageCache writer(folder_);
  std::vector<WideString> paths;
  for (const long long seconds : secondsBeforeRead) {
    paths.push_back(Package(std::to_wstring(seconds)));
    PackageStamp stamp = StampOf(paths.back());
    stamp.TakenAt = stamp.LastWrite + static_cast<ULONGLONG>(seconds) * kSecond;
    writer.Remember(*Restored(SampleRecord(paths.back(), L"R")), stamp);
  }
  EXPECT_TRUE(writer.Flush());
  PackageCache reader(folder_);
  EXPECT_EQ(paths.size(), reader.EntryCount()) << "racy entries are kept, marked";
  for (size_t i = 0; i < paths.size(); ++i) {
    EXPECT_EQ(secondsBeforeRead[i] > 10, reader.Lookup(paths[i], StampOf(paths[i])) != nullptr)
        << secondsBeforeRead[i];
  }
}

TEST_F(CacheTest, AWriteDropsEntriesUnusedForSixtyDaysAndThoseOfVanishedOrChangedPackages) {
  const PackageCache::Options options{kDefaultCacheSizeCap, [] { return fakeNow; }};
  const WideString old = Package(L"old"), used = Package(L"used"), gone = Package(L"gone"),
                   changed = Package(L"changed"), recent = Package(L"recent");
  fakeNow = 1000 * kDayTime;
  for (const WideString& path : {old, used, gone, changed}) {
    PackageCache writer(folder_, options);
    Keep(writer, path);
  }
  fakeNow += 2 * kDayTime;
  PackageCache recentWriter(folder_, options);
  Keep(recentWriter, recent);
  fakeNow += 28 * kDayTime;
  PackageCache user(folder_, options);
  ASSERT_TRUE(user.Lookup(used, StampOf(used)));
  EXPECT_TRUE(user.Flush()) << "the use of a day ago is kept";

  fakeNow += 31 * kDayTime;  // old: 61 days unused; recent: 59
  ASSERT_TRUE(DeleteFileW(gone.c_str()));
  scratch_.WriteFile(L"packages\\changed.msm", "rewritten");
  PackageCache writer(folder_, options);
  Keep(writer, Package(L"new"));
  PackageCache reader(folder_);
  EXPECT_EQ(3u, reader.EntryCount());
  for (const WideString& path : {used, recent}) EXPECT_TRUE(reader.Lookup(path, StampOf(path)));
}

TEST_F(CacheTest, TheFileStaysWithinItsCapByDroppingTheLeastRecentlyUsed) {
  const WideString paths[] = {Package(L"p1"), Package(L"p2"), Package(L"p3"), Package(L"p4")};
  CacheEntry sample;
  sample.Record = SampleRecord(paths[0], L"T");
  const size_t entrySize = EncodeCacheEntry(sample).size();
  const PackageCache::Options options{kCacheHeaderSize + entrySize * 5 / 2, [] { return fakeNow; }};
  PackageCache writer(folder_, options);
  for (const WideString& path : paths) {
    fakeNow += kSecond;
    writer.Remember(*Restored(SampleRecord(path, L"T")), StampOf(path));
  }
  EXPECT_TRUE(writer.Flush());
  PackageCache reader(folder_, options);
  EXPECT_EQ(2u, reader.EntryCount());
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(i >= 2, reader.Lookup(paths[i], StampOf(paths[i])) != nullptr) << i;
}

TEST_F(CacheTest, ListsReadLaterAreKeptOnlyWhenCompleteAndWhileThePackageKeepsItsStamp) {
  const WideString copy = Package(L"viewer");
  ASSERT_TRUE(CopyFileW(FixturePackage("installer_packages", "viewer_en").c_str(), copy.c_str(), FALSE));
  FILETIME now = {};
  GetSystemTimeAsFileTime(&now);
  SetWriteTime(copy, now, -3600);
  const PackageStamp stamp = StampOf(copy);
  const FILETIME packageTime = ToFileTime(stamp.LastWrite);
  ModuleRecord record;
  record.InitFromPackage(copy);
  record.SetPackageTime(packageTime.dwLowDateTime, packageTime.dwHighDateTime);
  PackageCache cache(folder_);
  cache.Remember(record, stamp);
  record.Files();
  cache.RememberLists(record);
  EXPECT_TRUE(cache.Flush());
  const ModuleRecordRef back = PackageCache(folder_).Lookup(copy, stamp);
  ModuleRecordSnapshot kept;
  ASSERT_TRUE(back && back->TakeSnapshot(kept));
  EXPECT_TRUE(kept.Files && !kept.Dialogs);

  // A list the installer refused to read is not complete.
  const WideString standIn = Package(L"stand-in");
  ModuleRecordSnapshot lacking = SampleRecord(standIn, L"S");
  lacking.Files.reset();
  const ModuleRecordRef restored = Restored(lacking);
  cache.Remember(*restored, StampOf(standIn));
  EXPECT_TRUE(cache.Flush());
  restored->Files();
  cache.RememberLists(*restored);
  EXPECT_FALSE(cache.Flush());

  SetWriteTime(copy, now, -1800);
  record.Dialogs();
  cache.RememberLists(record);
  EXPECT_TRUE(cache.Flush());
  EXPECT_EQ(1u, PackageCache(folder_).EntryCount()) << "the rewritten package's entry is gone";
}

TEST_F(CacheTest, AWriteRemovesTemporaryFilesOfDeadWritersOnly) {
  PackageCache cache(folder_);
  const WideString dead = cache.FilePath() + L".4242.tmp", live = cache.FilePath() + L".4343.tmp";
  for (const WideString& path : {dead, live})
    scratch_.WriteFile(path.Substring(scratch_.Path().Length() + 1).c_str(), "partial");
  FILETIME now = {};
  GetSystemTimeAsFileTime(&now);
  SetWriteTime(dead, now, -3600);
  Keep(cache, Package(L"one"));
  // (PathExists asks in ANSI, which cannot name this folder.)
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(dead.c_str()));
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(live.c_str())) << "a writer at work";
  EXPECT_EQ(1u, PackageCache(folder_).EntryCount());
}

TEST(PackageCacheSettings, TheSwitchAndTheFolderComeFromTheUsersSettings) {
  wchar_t localAppData[MAX_PATH] = {};
  ASSERT_TRUE(GetEnvironmentVariableW(L"LOCALAPPDATA", localAppData, MAX_PATH));
  const WideString standard = JoinPath(localAppData, L"Quorvane\\Showloom\\QvModCat2");
  const struct {
    long packageCache;  // -1: absent
    const wchar_t* folder;  // null: absent
    WideString expected;
  } cases[] = {{-1, nullptr, standard}, {0, L"C:\\Mine", L""}, {1, L"C:\\Mine", L"C:\\Mine"},
               {-1, L"", standard},     {2, nullptr, standard}};
  for (const auto& c : cases) {
    StandInState settings(L"cache-settings");
    if (c.packageCache >= 0) settings.SetNumber(L"PackageCache", c.packageCache);
    if (c.folder) settings.SetText(L"PackageCacheFolder", c.folder);
    EXPECT_EQ(c.expected, ReadPackageCacheFolder(settings.Key().c_str()))
        << c.packageCache << " " << (c.folder ? "folder" : "no folder");
  }
  PackageCache off{WideString()};
  EXPECT_FALSE(off.Lookup(L"C:\\a.msm", PackageStamp{}));
  EXPECT_FALSE(off.Flush());
}

}  // namespace
