// A cache file that is damaged, forged, foreign or unreachable is never used in part, and the
// process keeps working; two processes writing at once leave one whole file.
#include "cache_fixture.h"
#include "common/path.h"
#include "common/unique_handle.h"

#include <process.h>

#include <random>
#include <utility>
#include <vector>

namespace {

// The file with `value` written over the 4 bytes at `offset`; and the value there.
std::string Patched(std::string bytes, size_t offset, std::uint32_t value) {
  return bytes.replace(offset, 4, reinterpret_cast<const char*>(&value), 4);
}
std::uint32_t At(const std::string& bytes, size_t offset) {
  return *reinterpret_cast<const std::uint32_t*>(bytes.data() + offset);
}

TEST_F(CacheTest, AFileFailingAnyCheckIsIgnoredWholeAndReplacedByTheNextWrite) {
  const WideString paths[] = {Package(L"a"), Package(L"b"), Package(L"c")};
  std::string body;
  for (const WideString& path : paths)
    body += EncodeCacheEntry({StampOf(path), 0, false, SampleRecord(path, L"T")});
  const std::string good = EncodeCacheFile(body, 3);
  const size_t firstFlags = 4 + 4 + 2 * At(body, 4) + 32;

  std::vector<std::pair<std::string, std::string>> damaged = {
      {"another format version", Patched(good, 8, 2)},
      {"another architecture", Patched(good, 12, At(good, 12) == 0x8664 ? 0x14C : 0x8664)},
      {"another component version", Patched(good, 16, At(good, 16) + 0x10000)},
      {"a byte more", good + '\0'},
      // Signed again: only the structure is wrong.
      {"an entry more counted", EncodeCacheFile(body, 4)},
      {"an entry less counted", EncodeCacheFile(body, 2)},
      {"a path twice", EncodeCacheFile(body + body.substr(0, 4 + At(body, 0)), 4)},
      {"an entry longer than its fields",
       EncodeCacheFile(Patched(body, 0, At(body, 0) + 1).insert(4 + At(body, 0), 1, '\0'), 3)},
      {"an entry shorter than its fields", EncodeCacheFile(Patched(body, 0, At(body, 0) - 1), 3)},
      {"a text beyond its entry", EncodeCacheFile(Patched(body, 4, 0x100000), 3)},
      {"an unknown flag", EncodeCacheFile(body.substr(0, firstFlags) +
                                              static_cast<char>(body[firstFlags] | 0x80) +
                                              body.substr(firstFlags + 1), 3)}};
  for (size_t sixteenths = 0; sixteenths < 16; ++sixteenths)
    damaged.emplace_back("cut at " + std::to_string(sixteenths) + "/16",
                         good.substr(0, good.size() * sixteenths / 16));
  std::mt19937 random(25);
  for (int trial = 0; trial < 200; ++trial) {
    std::string flipped = good;
    for (unsigned flips = 1 + random() % 3; flips > 0; --flips) {
      const size_t bit = random() % (good.size() * 8);
      flipped[bit / 8] ^= static_cast<char>(1 << (bit % 8));
    }
    damaged.emplace_back("bits flipped, trial " + std::to_string(trial), flipped);
  }

  const WideString file = PackageCache(folder_).FilePath();
  WriteInFolder(file, good);
  EXPECT_EQ(3u, PackageCache(folder_).EntryCount()) << "undamaged";
  for (const auto& [what, bytes] : damaged) {
    SCOPED_TRACE(what);
    WriteInFolder(file, bytes);
    PackageCache reader(folder_);
    EXPECT_EQ(0u, reader.EntryCount());
    Keep(reader, paths[1]);
    EXPECT_EQ(1u, PackageCache(folder_).EntryCount());
  }
}

TEST_F(CacheTest, AFolderThatCannotHoldTheFileLeavesACacheThatKeepsNothing) {
  const WideString package = Package(L"p");
  const WideString readOnly = scratch_.MakeFolder(L"read-only");
  SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
  CreateDirectoryW(PackageCache(folder_).FilePath().c_str(), nullptr);  // a folder in its place
  // The platform decides whether a read-only folder takes files; the cache must say which.
  for (const WideString& folder : {folder_, JoinPath(package, L"cache"), readOnly}) {
    SCOPED_TRACE(folder.Ansi());
    PackageCache cache(folder);
    cache.Remember(*Restored(SampleRecord(package, L"T")), StampOf(package));
    const bool written = cache.Flush();
    EXPECT_TRUE(folder == readOnly || !written);
    EXPECT_EQ(written ? 1u : 0u, PackageCache(folder).EntryCount());
    WIN32_FIND_DATAW item = {};
    EXPECT_FALSE(FindHandle(FindFirstFileW(JoinPath(folder, L"*.tmp").c_str(), &item)));
  }
  SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Rounds `from` to `to`: reads the cache anew, checks that it finds every package p0..p7
// (after round 0) with the record its module ID names, keeps records of its own and writes.
void CheckAndWrite(const WideString& folder, const WideString& tag, int from, int to) {
  for (int round = from; round < to; ++round) {
    PackageCache cache(folder);
    for (int i = 0; i < 8; ++i) {
      const WideString path = JoinPath(ParentFolder(folder), WideString::Format(L"packages\\p%d.msm", i));
      const ModuleRecordRef found = cache.Lookup(path, StampOf(path));
      ASSERT_TRUE(found ? Answers(*Restored(SampleRecord(path, found->ModuleID()))) == Answers(*found)
                        : round == 0);
      const WideString mine = WideString::Format(L"%s%d", tag.c_str(), round);
      cache.Remember(*Restored(SampleRecord(path, mine)), StampOf(path));
    }
    cache.Flush();
  }
}

// Run twice at once by the next test, skipped otherwise; QV_CACHE_WRITER: "<tag>|<folder>".
TEST(CacheWriter, ChecksWhatItFindsAndWritesFiftyTimes) {
  wchar_t setting[2 * MAX_PATH] = {};
  if (!GetEnvironmentVariableW(L"QV_CACHE_WRITER", setting, 2 * MAX_PATH))
    GTEST_SKIP() << "one of the side-by-side writers";
  CheckAndWrite(setting + 2, WideString(setting, 1), 0, 50);
}

TEST_F(CacheTest, TwoProcessesWritingFiftyTimesSideBySideLeaveOneWholeFile) {
  for (int i = 0; i < 8; ++i) Package(L"p" + std::to_wstring(i));
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  intptr_t writers[2];
  for (const wchar_t* tag : {L"A", L"B"}) {
    SetEnvironmentVariableW(L"QV_CACHE_WRITER", (tag + (L"|" + folder_)).c_str());
    writers[*tag - L'A'] =
        _wspawnl(_P_NOWAIT, self, self, L"--gtest_filter=CacheWriter.*", nullptr);
  }
  SetEnvironmentVariableW(L"QV_CACHE_WRITER", nullptr);
  for (const intptr_t process : writers) {
    int code = -1;
    EXPECT_TRUE(_cwait(&code, process, 0) != -1 && code == 0) << "a writer met a wrong entry";
  }
  CheckAndWrite(folder_, L"C", 1, 2);
}

}  // namespace
