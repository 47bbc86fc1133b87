// A cache file that is damaged, forged, foreign or unreachable is never used in part, and the
// process keeps working; two processes writing at once leave one whole file.
#include "cache_fixture.h"
#include "common/path.h"
#include "common/unique_handle.h"

#include <random>
#include <utility>
#include <vector>

namespace {

std::string ReadBytes(const WideString& path) {
  const FileOwner file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
  std::string bytes(GetFileSize(file.Get(), nullptr), '\0');
  DWORD read = 0;
  ReadFile(file.Get(), &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr);
  return bytes;
}

// The file with `value` written over 4 bytes at `offset`.
std::string Patched(std::string bytes, size_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<char>(value >> (8 * i));
  return bytes;
}

std::uint32_t At(const std::string& bytes, size_t offset) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
  return value;
}

bool TemporaryFilesIn(const WideString& folder) {
  WIN32_FIND_DATAW item = {};
  return static_cast<bool>(FindHandle(FindFirstFileW(JoinPath(folder, L"*.tmp").c_str(), &item)));
}

TEST_F(CacheTest, AFileFailingAnyCheckIsIgnoredWholeAndReplacedByTheNextWrite) {
  const WideString paths[] = {Package(L"a"), Package(L"b"), Package(L"c")};
  PackageCache writer(folder_);
  for (const WideString& path : paths) Keep(writer, path);
  const std::string good = ReadBytes(writer.FilePath());
  const std::string body = good.substr(kCacheHeaderSize);
  const std::string firstEntry = body.substr(0, 4 + At(body, 0));
  const size_t firstFlags = 4 + 4 + 2 * At(body, 4) + 32;

  std::vector<std::pair<std::string, std::string>> damaged = {
      {"another format version", Patched(good, 8, 2)},
      {"another architecture", Patched(good, 12, At(good, 12) == 0x8664 ? 0x14C : 0x8664)},
      {"another component version", Patched(good, 16, At(good, 16) + 0x10000)},
      {"a byte more", good + '\0'},
      // Signed again: only the structure is wrong.
      {"an entry more counted", EncodeCacheFile(body, 4)},
      {"an entry less counted", EncodeCacheFile(body, 2)},
      {"a path twice", EncodeCacheFile(body + firstEntry, 4)},
      {"an entry longer than its fields", EncodeCacheFile(Patched(body, 0, At(body, 0) + 1), 3)},
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

  for (const auto& [what, bytes] : damaged) {
    SCOPED_TRACE(what);
    scratch_.WriteFile(writer.FilePath().Substring(scratch_.Path().Length() + 1).c_str(), bytes);
    PackageCache reader(folder_);
    EXPECT_EQ(0u, reader.EntryCount());
    EXPECT_FALSE(reader.Lookup(paths[0], StampOf(paths[0])));
    Keep(reader, paths[1]);
    EXPECT_EQ(1u, PackageCache(folder_).EntryCount());
  }
}

TEST_F(CacheTest, AFolderThatCannotHoldTheFileLeavesACacheThatKeepsNothing) {
  const WideString package = Package(L"p");
  const WideString notAFolder = scratch_.WriteFile(L"plain file", "");
  const WideString readOnly = scratch_.MakeFolder(L"read-only");
  SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
  const struct {
    const char* what;
    WideString folder;
    int written;  // -1: as the platform allows
  } cases[] = {{"a folder in the file's place", folder_, 0},
               {"a folder under a file", JoinPath(notAFolder, L"cache"), 0},
               {"a read-only folder", readOnly, -1}};
  CreateDirectoryW(PackageCache(folder_).FilePath().c_str(), nullptr);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    PackageCache cache(c.folder);
    EXPECT_FALSE(cache.Lookup(package, StampOf(package)));
    cache.Remember(*Restored(SampleRecord(package, L"T")), StampOf(package));
    const bool written = cache.Flush();
    if (c.written >= 0) {
      EXPECT_EQ(c.written != 0, written);
    }
    EXPECT_EQ(written ? 1u : 0u, PackageCache(c.folder).EntryCount());
    EXPECT_FALSE(TemporaryFilesIn(c.folder));
  }
  SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(CacheTest, TwoProcessesWritingFiftyTimesSideBySideLeaveOneWholeFile) {
  std::vector<WideString> paths;
  for (int i = 0; i < 8; ++i) paths.push_back(Package(L"p" + std::to_wstring(i)));
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const WideString writer = JoinPath(ParentFolder(self), L"cache_writer.exe");
  HANDLE processes[2] = {};
  for (int i = 0; i < 2; ++i) {
    std::wstring command = L"\"" + std::wstring(writer.c_str()) + L"\" \"" + folder_.c_str() +
                           L"\" \"" + ParentFolder(paths[0]).c_str() + L"\" W" +
                           std::to_wstring(i) + L" 50";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    ASSERT_TRUE(CreateProcessW(writer.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &started));
    CloseHandle(started.hThread);
    processes[i] = started.hProcess;
  }
  WaitForMultipleObjects(2, processes, TRUE, INFINITE);
  for (HANDLE process : processes) {
    DWORD code = 1;
    GetExitCodeProcess(process, &code);
    EXPECT_EQ(0u, code) << "a writer met a wrong entry (2) or failed";
    CloseHandle(process);
  }
  PackageCache reader(folder_);
  EXPECT_EQ(paths.size(), reader.EntryCount());
  for (const WideString& path : paths) {
    const ModuleRecordRef record = reader.Lookup(path, StampOf(path));
    ASSERT_TRUE(record);
    EXPECT_EQ(Answers(*Restored(SampleRecord(path, record->ModuleID()))), Answers(*record));
  }
}

}  // namespace
