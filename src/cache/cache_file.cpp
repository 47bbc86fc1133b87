#include "cache/cache_file.h"

#include "cache/crc32c.h"

#include <cstdint>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

namespace {

const char kMagic[8] = {'Q', 'v', 'P', 'k', 'g', 'C', '\r', '\x1A'};
const std::uint32_t kFormatVersion = 1;
#if defined(_WIN64)
const std::uint32_t kArchitecture = IMAGE_FILE_MACHINE_AMD64;
#else
const std::uint32_t kArchitecture = IMAGE_FILE_MACHINE_I386;
#endif
const std::uint64_t kComponentVersion = (std::uint64_t{QV_VERSION_MAJOR} << 48) |
                                        (std::uint64_t{QV_VERSION_MINOR} << 32) |
                                        (std::uint64_t{QV_VERSION_PATCH} << 16);

enum EntryFlag : std::uint8_t {
  kRacy = 1,
  kDialogs = 2,
  kCustomActions = 4,
  kDependencies = 8,
  kExclusions = 16,
  kFiles = 32,
  kKnownFlags = 63
};

class ByteWriter {
 public:
  explicit ByteWriter(std::string& out) : out_(out) {}
  void Number(std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out_.push_back(static_cast<char>(value >> (8 * i)));
  }
  void U32(std::uint32_t value) { Number(value, 4); }
  void U64(std::uint64_t value) { Number(value, 8); }
  void Text(const WideString& text) {
    U32(static_cast<std::uint32_t>(text.Length()));
    for (size_t i = 0; i < text.Length(); ++i) Number(text[i], 2);
  }
  void Field(const WideString& text) { Text(text); }
  void Field(long number) { U32(static_cast<std::uint32_t>(number)); }
  void Field(ULONG number) { U32(number); }

 private:
  std::string& out_;
};

// Reads from a range it never leaves: a read past the end, a length or count larger than what
// is left, marks the reader failed and gives zero or empty from then on.
class ByteReader {
 public:
  ByteReader(const char* data, size_t size) : data_(data), left_(size) {}
  bool Ok() const { return ok_; }
  bool AtEnd() const { return ok_ && left_ == 0; }
  std::uint64_t Number(int bytes) {
    const char* at = Take(bytes);
    std::uint64_t value = 0;
    for (int i = 0; at && i < bytes; ++i)
      value |= std::uint64_t{static_cast<unsigned char>(at[i])} << (8 * i);
    return value;
  }
  std::uint32_t U32() { return static_cast<std::uint32_t>(Number(4)); }
  std::uint64_t U64() { return Number(8); }
  // A count of items that take at least `minimumSize` bytes each.
  std::uint32_t Count(size_t minimumSize) {
    const std::uint32_t count = U32();
    if (count > left_ / minimumSize) ok_ = false;
    return ok_ ? count : 0;
  }
  WideString Text() {
    const std::uint32_t length = Count(2);
    WideString text;
    if (length == 0) return text;
    wchar_t* units = text.ResizeForWrite(length);
    for (std::uint32_t i = 0; i < length; ++i) units[i] = static_cast<wchar_t>(Number(2));
    return text;
  }
  void Field(WideString& text) { text = Text(); }
  void Field(long& number) { number = static_cast<std::int32_t>(U32()); }
  void Field(ULONG& number) { number = U32(); }
  // A reader of the next `size` bytes, which this one skips.
  ByteReader Part(size_t size) {
    const char* at = Take(size);
    ByteReader part(at, at ? size : 0);
    part.ok_ = at != nullptr;
    return part;
  }

 private:
  // The next `size` bytes, skipped; null (and the reader failed) when fewer are left.
  const char* Take(size_t size) {
    if (!ok_ || size > left_) {
      ok_ = false;
      return nullptr;
    }
    const char* at = data_;
    data_ += size;
    left_ -= size;
    return at;
  }
  const char* data_;
  size_t left_;
  bool ok_ = true;
};

std::uint8_t FlagsOf(const CacheEntry& entry) {
  const ModuleRecordSnapshot& record = entry.Record;
  return (entry.Racy ? kRacy : 0) | (record.Dialogs ? kDialogs : 0) |
         (record.CustomActions ? kCustomActions : 0) |
         (record.Dependencies ? kDependencies : 0) | (record.Exclusions ? kExclusions : 0) |
         (record.Files ? kFiles : 0);
}

// The kept fields of a list item in file order, for writing and reading alike.
template <class Codec>
void Fields(Codec& codec, WideString& text) {
  codec.Field(text);
}
template <class Codec>
void Fields(Codec& codec, DependencyRecord& dependency) {
  codec.Field(dependency.RequiredID);
  codec.Field(dependency.RequiredVersion);
  codec.Field(dependency.RequiredLanguage);
}
template <class Codec>
void Fields(Codec& codec, ExclusionRecord& exclusion) {
  codec.Field(exclusion.ExcludedID);
  codec.Field(exclusion.ExcludedMinVersion);
  codec.Field(exclusion.ExcludedMaxVersion);
  codec.Field(exclusion.ExcludedLanguage);
}
template <class Codec>
void Fields(Codec& codec, FileRecord& file) {
  for (WideString* text : {&file.File, &file.FileName, &file.Version, &file.Language,
                           &file.Directory})
    codec.Field(*text);
  codec.Field(file.FileSize);
  codec.Field(file.Sequence);
}

// Every field takes at least 4 bytes (a text its length, a number itself).
struct FieldCounter {
  size_t count = 0;
  template <class Value>
  void Field(Value&) { ++count; }
};

template <class Item>
void WriteList(ByteWriter& out, const std::optional<std::vector<Item>>& list) {
  if (!list) return;
  out.U32(static_cast<std::uint32_t>(list->size()));
  for (Item item : *list) Fields(out, item);  // a copy shares the texts
}

template <class Item>
void ReadList(ByteReader& in, bool present, std::optional<std::vector<Item>>& list) {
  if (!present) return;
  Item probe;
  FieldCounter fields;
  Fields(fields, probe);
  list.emplace(in.Count(4 * fields.count));
  for (Item& item : *list) Fields(in, item);
}

void WriteLists(ByteWriter& out, const ModuleRecordSnapshot& record) {
  WriteList(out, record.Dialogs);
  WriteList(out, record.CustomActions);
  WriteList(out, record.Dependencies);
  WriteList(out, record.Exclusions);
  WriteList(out, record.Files);
}

void ReadLists(ByteReader& in, std::uint8_t flags, ModuleRecordSnapshot& record) {
  ReadList(in, flags & kDialogs, record.Dialogs);
  ReadList(in, flags & kCustomActions, record.CustomActions);
  ReadList(in, flags & kDependencies, record.Dependencies);
  ReadList(in, flags & kExclusions, record.Exclusions);
  ReadList(in, flags & kFiles, record.Files);
}

bool ReadEntry(ByteReader& in, CacheEntry& entry) {
  ModuleRecordSnapshot& record = entry.Record;
  record.PackagePath = in.Text();
  entry.Stamp.LastWrite = in.U64();
  entry.Stamp.Creation = in.U64();
  entry.Stamp.Size = in.U64();
  entry.LastUsed = in.U64();
  const auto flags = static_cast<std::uint8_t>(in.Number(1));
  if (flags & ~kKnownFlags) return false;
  entry.Racy = (flags & kRacy) != 0;
  record.PackageTime = ToFileTime(entry.Stamp.LastWrite);
  for (WideString* text : {&record.ModuleID, &record.Version, &record.Author, &record.Name,
                           &record.Comments, &record.Subject})
    *text = in.Text();
  in.Field(record.Language);
  ReadLists(in, flags, record);
  return in.AtEnd() && !record.PackagePath.IsEmpty();
}

}  // namespace

bool ReadPackageStamp(const WideString& packagePath, PackageStamp& stamp) {
  stamp.TakenAt = CurrentFileTime();
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  if (!GetFileAttributesExW(packagePath.c_str(), GetFileExInfoStandard, &data)) return false;
  stamp.LastWrite = FromFileTime(data.ftLastWriteTime);
  stamp.Creation = FromFileTime(data.ftCreationTime);
  stamp.Size = (ULONGLONG{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
  return true;
}

PackageStamp StampFromFindData(const WIN32_FIND_DATAA& item) {
  PackageStamp stamp;
  stamp.TakenAt = CurrentFileTime();
  stamp.LastWrite = FromFileTime(item.ftLastWriteTime);
  stamp.Creation = FromFileTime(item.ftCreationTime);
  stamp.Size = (ULONGLONG{item.nFileSizeHigh} << 32) | item.nFileSizeLow;
  return stamp;
}

ULONGLONG CurrentFileTime() {
  FILETIME now = {};
  GetSystemTimeAsFileTime(&now);
  return FromFileTime(now);
}

std::string EncodeCacheEntry(const CacheEntry& entry) {
  std::string fields;
  ByteWriter out(fields);
  const ModuleRecordSnapshot& record = entry.Record;
  out.Text(record.PackagePath);
  out.U64(entry.Stamp.LastWrite);
  out.U64(entry.Stamp.Creation);
  out.U64(entry.Stamp.Size);
  out.U64(entry.LastUsed);
  out.Number(FlagsOf(entry), 1);
  for (const WideString* text : {&record.ModuleID, &record.Version, &record.Author,
                                 &record.Name, &record.Comments, &record.Subject})
    out.Text(*text);
  out.Field(record.Language);
  WriteLists(out, record);

  std::string bytes;
  ByteWriter(bytes).U32(static_cast<std::uint32_t>(fields.size()));
  return bytes + fields;
}

std::string EncodeCacheFile(const std::string& body, std::size_t entryCount) {
  std::string bytes(kMagic, sizeof kMagic);
  ByteWriter out(bytes);
  out.U32(kFormatVersion);
  out.U32(kArchitecture);
  out.U64(kComponentVersion);
  out.U32(static_cast<std::uint32_t>(entryCount));
  out.U32(static_cast<std::uint32_t>(body.size()));
  out.U32(Crc32c(body.data(), body.size()));
  return bytes + body;
}

bool DecodeCacheFile(const std::string& bytes, CacheEntries& entries) {
  entries.clear();
  if (bytes.size() < kCacheHeaderSize || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0)
    return false;
  ByteReader header(bytes.data() + sizeof kMagic, kCacheHeaderSize - sizeof kMagic);
  if (header.U32() != kFormatVersion || header.U32() != kArchitecture ||
      header.U64() != kComponentVersion)
    return false;
  const std::uint32_t count = header.U32();
  const std::uint32_t bodySize = header.U32();
  const std::uint32_t crc = header.U32();
  const char* body = bytes.data() + kCacheHeaderSize;
  if (bodySize != bytes.size() - kCacheHeaderSize || Crc32c(body, bodySize) != crc) return false;

  ByteReader in(body, bodySize);
  CacheEntries decoded;
  for (std::uint32_t i = 0; i < count; ++i) {
    ByteReader fields = in.Part(in.U32());
    CacheEntry entry;
    if (!ReadEntry(fields, entry)) return false;
    const WideString path = entry.Record.PackagePath;
    if (!decoded.emplace(path, std::move(entry)).second) return false;  // a path twice
  }
  if (!in.AtEnd()) return false;
  entries = std::move(decoded);
  return true;
}
