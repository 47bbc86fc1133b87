// PackageCache: what earlier processes read from module packages, kept in a per-user file so
// that a new process takes a package's record from it instead of opening the package.
//
//   PackageCache& cache = ProcessPackageCache();            // cache_settings.h
//   ModuleRecordRef record = cache.Lookup(path, stamp);     // null: read the package
//   if (!record) { ...InitFromPackage...; cache.Remember(*record, stamp); }
//   ...later, after detail lists were read: cache.RememberLists(*record);
//   cache.Flush();                                          // once per batch of reads
//
// An entry is trusted only when the package's path (exactly), last-write time, creation time
// and size equal those stored, and the package was not written too close to the moment it was
// read (kRacyMargin).  The file is written rarely, whole, and swapped in atomically; a file
// that fails any check is ignored (and replaced by the next write).  Nothing here raises
// because of the file or its folder: without them the cache simply keeps nothing.
#pragma once

#include "cache/cache_file.h"
#include "common/wide_string.h"
#include "module/module_record.h"

#include <cstddef>

// A package whose last-write time is not at least this much older than the moment it was read
// could have been written again in the same tick of a coarse clock (FAT keeps 2 s, some network
// shares about 1 s, and a file server's clock may lag ours): its entry is stored marked as
// racy and never trusted, so the next process reads the package again.
constexpr ULONGLONG kRacyMargin = 10ull * 10000000;  // 10 s in file-time units
// Entries not used for this long are dropped when the file is written.
constexpr ULONGLONG kUnusedLifetime = 60ull * 24 * 3600 * 10000000;
// The file never grows beyond this (the least recently used entries are dropped first): about
// 15,000 packages of 2 KB, a typical entry with its file list, and read in a few tens of
// milliseconds.
constexpr std::size_t kDefaultCacheSizeCap = 32u << 20;

class PackageCache {
 public:
  struct Options {
    std::size_t SizeCap = kDefaultCacheSizeCap;
    ULONGLONG (*Now)() = CurrentFileTime;  // the clock of last use and of the 60 days
  };

  // A cache whose file lies in `folder` (made when the file is first written); an empty folder
  // gives a cache that keeps nothing.
  explicit PackageCache(const WideString& folder);
  PackageCache(const WideString& folder, Options options);
  PackageCache(const PackageCache&) = delete;
  PackageCache& operator=(const PackageCache&) = delete;

  bool Enabled() const { return !file_.IsEmpty(); }
  const WideString& FilePath() const { return file_; }

  // A new record made from the package's entry when it may be trusted for `stamp` (the
  // package's stamp now); null otherwise.
  ModuleRecordRef Lookup(const WideString& packagePath, const PackageStamp& stamp);
  // Keeps a record just read from its package, whose stamp was `stampBeforeRead` when the read
  // began; replaces the package's entry.  A record not read completely is not kept.
  void Remember(const ModuleRecord& record, const PackageStamp& stampBeforeRead);
  // Adds the lists a record has read completely since its entry was made; when the record's
  // package time is not the entry's last-write time, the entry is dropped instead.
  void RememberLists(const ModuleRecord& record);
  // Writes the file when an entry changed since it was read or last written; true when written.
  bool Flush() noexcept;

  // Removes the file (and what is kept in memory); false when a file is there and stays.
  bool Clear();

  std::size_t EntryCount();
  // The last use of the least recently used entry; 0 when there is none.
  ULONGLONG OldestUse();
  unsigned long Hits() const { return hits_; }  // records made by Lookup

 private:
  void Load();
  // Drops what is too old, vanished or changed; what is left, most recently used first, up to
  // the size cap, becomes the new body.
  std::string PrunedBody(std::size_t& entryCount);
  bool WriteReplacing(const std::string& bytes) const;
  void RemoveLeftovers() const;

  WideString folder_, file_;
  Options options_;
  CacheEntries entries_;
  bool loaded_ = false, changed_ = false;
  unsigned long hits_ = 0;
};
