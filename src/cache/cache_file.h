// The package cache's file: its entries as bytes and back.
//
//   header   magic "QvPkgC\r\x1A", format version, architecture (the image machine of the
//            component that wrote it), component version, entry count, body length, and the
//            CRC-32C of the body; every field must be what this component writes
//   body     the entries, each: its length, then the package path, last-write time, creation
//            time, size, last use, a flags byte (racy; which lists follow), the identity and
//            summary texts, and the lists present
//
// Integers are little-endian; texts are a count of UTF-16 code units and the units.  Reading
// checks every length and count against what is left before using it; a file that fails any
// check is refused as a whole.
#pragma once

#include "common/wide_string.h"
#include "module/module_record.h"

#include <windows.h>

#include <cstddef>
#include <map>
#include <string>

// What decides whether a cache entry still describes a package: its last-write time, creation
// time and size.  TakenAt (not kept, not compared) is when they were asked, before the package
// was read: a package written too close to that moment is not trusted (package_cache.h).
struct PackageStamp {
  ULONGLONG LastWrite = 0, Creation = 0, Size = 0;
  ULONGLONG TakenAt = 0;

  bool Matches(const PackageStamp& other) const {
    return LastWrite == other.LastWrite && Creation == other.Creation && Size == other.Size;
  }
};

// The stamp of a package as the file system gives it now; false when it cannot be asked (the
// package is gone).
bool ReadPackageStamp(const WideString& packagePath, PackageStamp& stamp);
// The stamp a folder listing already holds (taken now).
PackageStamp StampFromFindData(const WIN32_FIND_DATAA& item);
ULONGLONG CurrentFileTime();
inline ULONGLONG FromFileTime(const FILETIME& time) {
  return (ULONGLONG{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}
inline FILETIME ToFileTime(ULONGLONG time) {
  return FILETIME{static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
}

struct CacheEntry {
  PackageStamp Stamp;
  ULONGLONG LastUsed = 0;
  bool Racy = false;  // written too close to its read: never trusted
  ModuleRecordSnapshot Record;  // its PackageTime is the stamp's last-write time
};

// By package path, compared code unit by code unit.
using CacheEntries = std::map<WideString, CacheEntry>;

constexpr std::size_t kCacheHeaderSize = 36;

// One entry's bytes, as the body holds them.
std::string EncodeCacheEntry(const CacheEntry& entry);
// A whole file of entries already encoded.
std::string EncodeCacheFile(const std::string& body, std::size_t entryCount);
// The entries of a whole file; false (and no entry) when any check fails.
bool DecodeCacheFile(const std::string& bytes, CacheEntries& entries);
