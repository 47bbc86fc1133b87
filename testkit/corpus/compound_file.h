// In-place edits of the compound-file structure of a package msmbuild wrote (512-byte sectors,
// the allocation table listed in the header), for damaged packages whose structure stays sound.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corpus {

class CompoundFileBytes {
 public:
  explicit CompoundFileBytes(std::vector<uint8_t> bytes);

  // File offsets of the directory entries, the root's first.
  const std::vector<size_t>& Entries() const { return entries_; }
  // The offset of the entry named `name`, or 0 when there is none.
  size_t Entry(const std::wstring& name) const;
  // The file offset of a stream's first byte.
  size_t StreamStart(size_t entry) const;

  uint16_t Word16(size_t offset) const;  // 0 past the end
  uint32_t Word32(size_t offset) const;  // all ones past the end
  void SetWord16(size_t offset, uint16_t value);
  void SetWord32(size_t offset, uint32_t value);
  std::string Text() const { return std::string(bytes_.begin(), bytes_.end()); }

 private:
  size_t SectorOffset(uint32_t sector) const { return (size_t{sector} + 1) * 512; }
  std::vector<uint32_t> Chain(uint32_t start) const;

  std::vector<uint8_t> bytes_;
  std::vector<uint32_t> table_;
  std::vector<size_t> entries_;
};

}  // namespace corpus
