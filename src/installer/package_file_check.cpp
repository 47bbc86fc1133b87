#include "installer/package_file_check.h"

#include "common/text.h"
#include "common/unique_handle.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <cwctype>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kNoEntry = 0xFFFFFFFF;
constexpr uint32_t kHeaderTableEntries = 109;
constexpr uint32_t kEntrySize = 128;
constexpr uint32_t kMiniSectorSize = 64;
constexpr uint32_t kMiniStreamCutoff = 4096;
constexpr uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

uint32_t Word32(const uint8_t* bytes) {
  return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}
uint16_t Word16(const uint8_t* bytes) { return static_cast<uint16_t>(bytes[0] | bytes[1] << 8); }

// A directory entry's name as the storage reads it: up to its first null, at most 32 characters.
std::wstring EntryName(const uint8_t* fields) {
  std::wstring name;
  for (uint32_t i = 0; i < 32 && Word16(fields + 2 * i) != 0; ++i)
    name += static_cast<wchar_t>(Word16(fields + 2 * i));
  return name;
}

// The storage's order of names within a storage: shorter first, then by upper-cased characters.
int CompareEntryNames(const std::wstring& left, const std::wstring& right) {
  if (left.size() != right.size()) return left.size() < right.size() ? -1 : 1;
  for (size_t i = 0; i < left.size(); ++i) {
    const wint_t a = towupper(left[i]), b = towupper(right[i]);
    if (a != b) return a < b ? -1 : 1;
  }
  return 0;
}

class CompoundFileCheck {
 public:
  CompoundFileCheck(HANDLE file, uint64_t size) : file_(file), size_(size) {}

  // Only called for files that carry the signature.
  bool Run() {
    uint8_t header[512];
    if (size_ < sizeof header || !Read(0, header, sizeof header)) return false;
    if (Word16(header + 0x1C) != 0xFFFE) return false;
    const uint16_t major = Word16(header + 0x1A), shift = Word16(header + 0x1E);
    if (!((major == 3 && shift == 9) || (major == 4 && shift == 12))) return false;
    if (Word16(header + 0x20) != 6 || Word32(header + 0x38) != kMiniStreamCutoff) return false;
    sectorSize_ = 1u << shift;
    if (size_ < sectorSize_) return false;
    sectorCount_ = (size_ - sectorSize_ + sectorSize_ - 1) / sectorSize_;
    return ReadAllocationTable(header) && ReadDirectory(Word32(header + 0x30)) &&
           ReadMiniTable(Word32(header + 0x3C), Word32(header + 0x40)) && StreamsFit() &&
           TreeIsSound() && StringTableReadable();
  }

 private:
  // Bytes past the end of the file read as zeros: a last sector cut short is tolerated.
  bool Read(uint64_t offset, void* buffer, uint32_t length) {
    memset(buffer, 0, length);
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(offset);
    DWORD read = 0;
    return SetFilePointerEx(file_, position, nullptr, FILE_BEGIN) &&
           ReadFile(file_, buffer, length, &read, nullptr);
  }
  bool ReadSector(uint32_t sector, std::vector<uint8_t>& bytes) {
    bytes.resize(sectorSize_);
    return sector < sectorCount_ && Read((uint64_t{sector} + 1) * sectorSize_, bytes.data(), sectorSize_);
  }
  // The sectors of a chain in `table`, which must end inside the table and hold no cycle.
  static bool Chain(const std::vector<uint32_t>& table, uint32_t start, uint64_t limit,
                    std::vector<uint32_t>& sectors) {
    sectors.clear();
    for (uint32_t sector = start; sector != kEndOfChain; sector = table[sector]) {
      if (sector >= table.size() || sector >= limit || sectors.size() >= limit) return false;
      sectors.push_back(sector);
    }
    return true;
  }

  bool ReadAllocationTable(const uint8_t* header) {
    const uint32_t tableSectors = Word32(header + 0x2C);
    uint32_t extension = Word32(header + 0x44);
    const uint32_t extensionSectors = Word32(header + 0x48);
    if (tableSectors > sectorCount_ || extensionSectors > sectorCount_) return false;
    std::vector<uint32_t> locations;
    for (uint32_t i = 0; i < kHeaderTableEntries && locations.size() < tableSectors; ++i)
      locations.push_back(Word32(header + 0x4C + 4 * i));
    std::vector<uint8_t> bytes;
    for (uint32_t read = 0; locations.size() < tableSectors; ++read) {
      if (read >= extensionSectors || !ReadSector(extension, bytes)) return false;
      for (uint32_t i = 0; i + 4 < sectorSize_ && locations.size() < tableSectors; i += 4)
        locations.push_back(Word32(&bytes[i]));
      extension = Word32(&bytes[sectorSize_ - 4]);
    }
    for (const uint32_t location : locations) {
      if (!ReadSector(location, bytes)) return false;
      for (uint32_t i = 0; i < sectorSize_; i += 4) table_.push_back(Word32(&bytes[i]));
    }
    return true;
  }

  bool ReadDirectory(uint32_t first) {
    std::vector<uint32_t> sectors;
    std::vector<uint8_t> bytes;
    if (!Chain(table_, first, sectorCount_, sectors) || sectors.empty()) return false;
    for (const uint32_t sector : sectors) {
      if (!ReadSector(sector, bytes)) return false;
      directory_.insert(directory_.end(), bytes.begin(), bytes.end());
    }
    entryCount_ = static_cast<uint32_t>(directory_.size() / kEntrySize);
    return directory_[0x42] == 5;  // the first entry is the root
  }

  bool ReadMiniTable(uint32_t first, uint32_t count) {
    if (count == 0) return true;
    std::vector<uint32_t> sectors;
    std::vector<uint8_t> bytes;
    if (!Chain(table_, first, sectorCount_, sectors) || sectors.size() < count) return false;
    for (const uint32_t sector : sectors) {
      if (!ReadSector(sector, bytes)) return false;
      for (uint32_t i = 0; i < sectorSize_; i += 4) miniTable_.push_back(Word32(&bytes[i]));
    }
    return true;
  }

  uint64_t StreamSize(const uint8_t* fields) const {
    return sectorSize_ == 512 ? Word32(fields + 0x78)
                              : Word32(fields + 0x78) | uint64_t{Word32(fields + 0x7C)} << 32;
  }
  static bool InMiniStream(const uint8_t* fields, uint64_t size) {
    return fields[0x42] == 2 && size < kMiniStreamCutoff;
  }

  // Every stream's chain ends in its table and is long enough for the stream's size.
  bool StreamsFit() {
    std::vector<uint32_t> sectors;
    for (uint32_t entry = 0; entry < entryCount_; ++entry) {
      const uint8_t* fields = &directory_[entry * kEntrySize];
      const uint8_t type = fields[0x42];
      if (type == 0 || type == 1) continue;
      if (type != 2 && type != 5) return false;
      if (Word16(fields + 0x40) > 64) return false;
      const uint64_t size = StreamSize(fields);
      const uint32_t start = Word32(fields + 0x74);
      if (size == 0) continue;
      if (!InMiniStream(fields, size)) {
        if (!Chain(table_, start, sectorCount_, sectors) || sectors.size() * uint64_t{sectorSize_} < size)
          return false;
        if (type == 5) {
          miniSectors_ = sectors.size() * uint64_t{sectorSize_} / kMiniSectorSize;
          if (entry == 0) miniStream_ = sectors;
        }
      } else if (!Chain(miniTable_, start, miniSectors_, sectors) ||
                 sectors.size() * uint64_t{kMiniSectorSize} < size) {
        return false;
      }
    }
    return true;
  }

  // The directory's tree: every link inside the directory, no entry reached twice.
  bool TreeIsSound() {
    std::vector<bool> reached(entryCount_, false);
    std::vector<uint32_t> pending{0};
    reached[0] = true;
    while (!pending.empty()) {
      const uint8_t* fields = &directory_[pending.back() * kEntrySize];
      pending.pop_back();
      for (const uint32_t link : {Word32(fields + 0x44), Word32(fields + 0x48), Word32(fields + 0x4C)}) {
        if (link == kNoEntry) continue;
        if (link >= entryCount_ || reached[link]) return false;
        reached[link] = true;
        pending.push_back(link);
      }
    }
    return true;
  }

  // The installer's open reads the string pool and string data streams whole and takes the
  // code page from the pool's head.  When it cannot, Wine's msi.dll releases the storage twice
  // and the process crashes: so both must be streams the storage finds by name in the root,
  // readable to their last byte, and the code page one the system knows.
  bool StringTableReadable() {
    // The storage takes the first root entry with a name as its root.
    if (Word16(&directory_[0x40]) == 0) return false;
    const uint8_t* pool = FindInRoot(PackedTableStreamName("_StringPool"));
    const uint8_t* data = FindInRoot(PackedTableStreamName("_StringData"));
    return pool && data && ReadableWhole(pool) && ReadableWhole(data) && CodePageKnown(pool);
  }

  // The stream the storage finds under `name`: it descends the root's tree by the order of
  // names, so an entry on the wrong side of the tree is not found.
  const uint8_t* FindInRoot(const std::wstring& name) const {
    for (uint32_t link = Word32(&directory_[0x4C]); link != kNoEntry;) {
      const uint8_t* fields = &directory_[link * kEntrySize];  // inside: TreeIsSound
      const int order = CompareEntryNames(name, EntryName(fields));
      if (order == 0) return fields[0x42] == 2 ? fields : nullptr;
      link = Word32(fields + (order < 0 ? 0x44 : 0x48));
    }
    return nullptr;
  }

  // The storage reads the mini stream no further than the root's size.
  bool ReadableWhole(const uint8_t* fields) const {
    const uint64_t size = StreamSize(fields);
    if (size == 0 || !InMiniStream(fields, size)) return true;
    std::vector<uint32_t> sectors;
    Chain(miniTable_, Word32(fields + 0x74), miniSectors_, sectors);
    const uint64_t rootSize = StreamSize(&directory_[0]);
    for (size_t i = 0; i < sectors.size(); ++i) {
      const uint64_t needed = std::min<uint64_t>(kMiniSectorSize, size - i * kMiniSectorSize);
      if (sectors[i] * uint64_t{kMiniSectorSize} + needed > rootSize) return false;
    }
    return true;
  }

  // The pool's head holds the code page (its top bit flags long string references); a pool of
  // four bytes or less stands for the system's code page.
  bool CodePageKnown(const uint8_t* pool) {
    const uint64_t size = StreamSize(pool);
    if (size <= 4) return true;
    const uint32_t start = Word32(pool + 0x74);
    uint64_t offset = (uint64_t{start} + 1) * sectorSize_;
    if (InMiniStream(pool, size)) {
      const uint64_t inMini = uint64_t{start} * kMiniSectorSize;
      const uint64_t sector = miniStream_[inMini / sectorSize_];
      offset = (sector + 1) * sectorSize_ + inMini % sectorSize_;
    }
    uint8_t head[4];
    if (!Read(offset, head, sizeof head)) return false;
    const UINT codePage = Word16(head) | (Word16(head + 2) & 0x7FFFu) << 16;
    return codePage == CP_ACP || IsValidCodePage(codePage);
  }

  HANDLE file_;
  uint64_t size_;
  uint32_t sectorSize_ = 512;
  uint64_t sectorCount_ = 0;
  std::vector<uint32_t> table_;
  std::vector<uint32_t> miniTable_;
  uint64_t miniSectors_ = 0;
  std::vector<uint32_t> miniStream_;  // the root's sectors
  std::vector<uint8_t> directory_;
  uint32_t entryCount_ = 0;
};

}  // namespace

HRESULT PackageFileProblem(const WideString& path) {
  // The installer keeps paths in buffers of MAX_PATH characters and overruns them.  Characters,
  // not ANSI bytes: on a multi-byte code page a shorter path may take more bytes than that.
  if (path.Length() >= MAX_PATH) return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
  return IsDamagedCompoundFile(path) ? HRESULT_FROM_WIN32(ERROR_INSTALL_PACKAGE_INVALID) : S_OK;
}

bool IsDamagedCompoundFile(const WideString& path) {
  const FileOwner file(CreateFileA(path.Ansi(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size;
  uint8_t signature[sizeof kSignature] = {};
  DWORD read = 0;
  if (!file || !GetFileSizeEx(file.Get(), &size) ||
      !ReadFile(file.Get(), signature, sizeof signature, &read, nullptr) ||
      read != sizeof signature || memcmp(signature, kSignature, sizeof signature) != 0)
    return false;  // not a compound file at all: the installer refuses it safely
  return !CompoundFileCheck(file.Get(), static_cast<uint64_t>(size.QuadPart)).Run();
}

void CheckPackageFile(const WideString& path, ErrorOrigin origin) {
  const HRESULT code = PackageFileProblem(path);
  if (code == S_OK) return;
  throw com_exception(code, SystemMessageText(code) + " (" + path.Ansi() + ")", GUID{}, origin);
}
