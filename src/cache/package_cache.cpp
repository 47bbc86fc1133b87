#include "cache/package_cache.h"

#include "common/path.h"
#include "common/unique_handle.h"

#include <shlobj.h>

#include <algorithm>
#include <new>
#include <optional>
#include <utility>
#include <vector>

namespace {

// One file per architecture: a 32-bit process sees some folders redirected (System32 is
// SysWOW64 to it), so one path can name different packages for the two; and the 32-bit
// environment and 64-bit clients running side by side then never replace each other's file.
#if defined(_WIN64)
const wchar_t kFileName[] = L"PackageCache.x86_64.bin";
#else
const wchar_t kFileName[] = L"PackageCache.i686.bin";
#endif

constexpr ULONGLONG kDay = 24ull * 3600 * 10000000;
// A temporary file this old belongs to a writer that died: no write takes minutes.
constexpr ULONGLONG kLeftoverAge = 10ull * 60 * 10000000;

bool ReadWholeFile(const WideString& path, std::size_t sizeCap, std::string& bytes) {
  // Shared for deletion too, so that a writer can swap the file in while it is being read.
  const FileOwner file(CreateFileW(path.c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size = {};
  if (!file || !GetFileSizeEx(file.Get(), &size) || size.QuadPart > LONGLONG(sizeCap))
    return false;
  bytes.resize(static_cast<std::size_t>(size.QuadPart));
  DWORD read = 0;
  return ReadFile(file.Get(), &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr) &&
         read == bytes.size();
}

template <class List>
bool Lacks(const std::optional<List>& kept, const std::optional<List>& taken) {
  return taken && !kept;
}

template <class List>
void Adopt(std::optional<List>& kept, std::optional<List>& taken) {
  if (!kept) kept = std::move(taken);
}

}  // namespace

PackageCache::PackageCache(const WideString& folder) : PackageCache(folder, Options{}) {}

PackageCache::PackageCache(const WideString& folder, Options options)
    : folder_(folder), options_(options) {
  if (!folder_.IsEmpty()) file_ = JoinPath(folder_, kFileName);
}

void PackageCache::Load() {
  if (loaded_) return;
  loaded_ = true;
  // A file beyond the cap comes from another build or is damaged: it is read while within
  // reason (the next write brings it under the cap), never at any size.
  std::string bytes;
  try {
    if (Enabled() && ReadWholeFile(file_, 4 * options_.SizeCap, bytes))
      DecodeCacheFile(bytes, entries_);
  } catch (const std::bad_alloc&) {
    entries_.clear();
  }
}

std::size_t PackageCache::EntryCount() {
  Load();
  return entries_.size();
}

ULONGLONG PackageCache::OldestUse() {
  Load();
  ULONGLONG oldest = 0;
  for (const auto& entry : entries_)
    if (oldest == 0 || entry.second.LastUsed < oldest) oldest = entry.second.LastUsed;
  return oldest;
}

bool PackageCache::Clear() {
  Load();
  entries_.clear();
  changed_ = false;
  return !Enabled() || DeleteFileW(file_.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND ||
         GetLastError() == ERROR_PATH_NOT_FOUND;
}

ModuleRecordRef PackageCache::Lookup(const WideString& packagePath, const PackageStamp& stamp) {
  if (!Enabled()) return nullptr;
  Load();
  const auto found = entries_.find(packagePath);
  if (found == entries_.end() || found->second.Racy || !found->second.Stamp.Matches(stamp))
    return nullptr;
  auto record = std::make_shared<ModuleRecord>();
  record->InitFromSnapshot(found->second.Record);
  ++hits_;
  // Last use is kept to the day: a lookup alone makes the file worth writing once a day.
  const ULONGLONG now = options_.Now();
  if (now >= found->second.LastUsed + kDay) {
    found->second.LastUsed = now;
    changed_ = true;
  }
  return record;
}

void PackageCache::Remember(const ModuleRecord& record, const PackageStamp& stampBeforeRead) {
  CacheEntry entry;
  if (!Enabled() || !record.TakeSnapshot(entry.Record)) return;
  Load();
  entry.Stamp = stampBeforeRead;
  entry.Record.PackageTime = ToFileTime(stampBeforeRead.LastWrite);
  entry.LastUsed = options_.Now();
  entry.Racy = stampBeforeRead.LastWrite + kRacyMargin > stampBeforeRead.TakenAt;
  entries_.insert_or_assign(record.PackagePath(), std::move(entry));
  changed_ = true;
}

void PackageCache::RememberLists(const ModuleRecord& record) {
  if (!Enabled()) return;
  Load();
  const auto found = entries_.find(record.PackagePath());
  ModuleRecordSnapshot taken;
  if (found == entries_.end() || !record.TakeSnapshot(taken)) return;
  ModuleRecordSnapshot& kept = found->second.Record;
  if (!Lacks(kept.Dialogs, taken.Dialogs) && !Lacks(kept.CustomActions, taken.CustomActions) &&
      !Lacks(kept.Dependencies, taken.Dependencies) &&
      !Lacks(kept.Exclusions, taken.Exclusions) && !Lacks(kept.Files, taken.Files))
    return;

  changed_ = true;
  // A record of another version of the package may have read its lists from either version.
  // (Lists read after the package changed are dropped with their entry by the next write.)
  if (FromFileTime(record.PackageTime()) != found->second.Stamp.LastWrite) {
    entries_.erase(found);
    return;
  }
  Adopt(kept.Dialogs, taken.Dialogs);
  Adopt(kept.CustomActions, taken.CustomActions);
  Adopt(kept.Dependencies, taken.Dependencies);
  Adopt(kept.Exclusions, taken.Exclusions);
  Adopt(kept.Files, taken.Files);
}

bool PackageCache::Flush() noexcept {
  try {
    if (!Enabled() || !changed_) return false;
    std::size_t count = 0;
    const std::string body = PrunedBody(count);
    if (!WriteReplacing(EncodeCacheFile(body, count))) return false;
    changed_ = false;
    RemoveLeftovers();
    return true;
  } catch (...) {
    return false;  // out of memory: the process goes on without writing
  }
}

std::string PackageCache::PrunedBody(std::size_t& entryCount) {
  const ULONGLONG now = options_.Now();
  std::vector<CacheEntries::iterator> kept;
  for (auto entry = entries_.begin(); entry != entries_.end(); ++entry) {
    PackageStamp onDisk;
    if (entry->second.LastUsed + kUnusedLifetime >= now &&
        ReadPackageStamp(entry->first, onDisk) && onDisk.Matches(entry->second.Stamp))
      kept.push_back(entry);
  }
  std::stable_sort(kept.begin(), kept.end(), [](const auto& a, const auto& b) {
    return a->second.LastUsed > b->second.LastUsed;
  });

  std::string body;
  CacheEntries written;
  for (const auto& entry : kept) {
    const std::string bytes = EncodeCacheEntry(entry->second);
    if (kCacheHeaderSize + body.size() + bytes.size() > options_.SizeCap) break;
    body += bytes;
    written.insert(entries_.extract(entry));
  }
  entries_ = std::move(written);
  entryCount = entries_.size();
  return body;
}

bool PackageCache::WriteReplacing(const std::string& bytes) const {
  SHCreateDirectoryExW(nullptr, folder_.c_str(), nullptr);  // the file's creation decides
  const WideString temporary =
      WideString::Format(L"%s.%d.tmp", file_.c_str(), static_cast<int>(GetCurrentProcessId()));
  bool whole = false;
  {
    const FileOwner out(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out) return false;
    DWORD written = 0;
    whole = WriteFile(out.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                      nullptr) &&
            written == bytes.size();
  }
  // A reader sees the old file or the new one, never a part: the rename replaces it at once.
  if (whole && MoveFileExW(temporary.c_str(), file_.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  DeleteFileW(temporary.c_str());
  return false;
}

void PackageCache::RemoveLeftovers() const {
  WIN32_FIND_DATAW item = {};
  const FindHandle search(FindFirstFileW((file_ + L".*.tmp").c_str(), &item));
  if (!search) return;
  const ULONGLONG now = CurrentFileTime();
  do {
    if (FromFileTime(item.ftLastWriteTime) + kLeftoverAge < now)
      DeleteFileW(JoinPath(folder_, item.cFileName).c_str());
  } while (FindNextFileW(search.Get(), &item));
}
