#include "compound_file.h"

namespace corpus {

CompoundFileBytes::CompoundFileBytes(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {
  if (bytes_.size() < 512) return;
  for (uint32_t i = 0; i < Word32(0x2C) && i < 109; ++i)
    for (size_t at = SectorOffset(Word32(0x4C + 4 * i)), end = at + 512; at < end; at += 4)
      table_.push_back(Word32(at));
  for (const uint32_t sector : Chain(Word32(0x30)))
    for (size_t entry = 0; entry < 4; ++entry) entries_.push_back(SectorOffset(sector) + entry * 128);
}

std::vector<uint32_t> CompoundFileBytes::Chain(uint32_t start) const {
  std::vector<uint32_t> sectors;
  for (uint32_t sector = start; sector < table_.size() && sectors.size() < table_.size();
       sector = table_[sector])
    sectors.push_back(sector);
  return sectors;
}

size_t CompoundFileBytes::Entry(const std::wstring& name) const {
  for (const size_t entry : entries_) {
    std::wstring entryName;
    for (size_t at = entry; at < entry + 64 && Word16(at) != 0; at += 2)
      entryName += static_cast<wchar_t>(Word16(at));
    if (entryName == name) return entry;
  }
  return 0;
}

size_t CompoundFileBytes::StreamStart(size_t entry) const {
  const uint32_t start = Word32(entry + 0x74);
  if (Word32(entry + 0x78) >= 4096) return SectorOffset(start);
  if (entries_.empty()) return 0;
  // Small streams live in the root's stream, in 64-byte pieces.
  const std::vector<uint32_t> miniStream = Chain(Word32(entries_.front() + 0x74));
  const size_t offset = size_t{start} * 64;
  return offset / 512 < miniStream.size() ? SectorOffset(miniStream[offset / 512]) + offset % 512 : 0;
}

uint16_t CompoundFileBytes::Word16(size_t offset) const {
  return offset + 2 > bytes_.size() ? 0 : static_cast<uint16_t>(bytes_[offset] | bytes_[offset + 1] << 8);
}

uint32_t CompoundFileBytes::Word32(size_t offset) const {
  if (offset + 4 > bytes_.size()) return 0xFFFFFFFF;
  return Word16(offset) | static_cast<uint32_t>(Word16(offset + 2)) << 16;
}

void CompoundFileBytes::SetWord16(size_t offset, uint16_t value) {
  if (offset + 2 > bytes_.size()) return;
  bytes_[offset] = static_cast<uint8_t>(value);
  bytes_[offset + 1] = static_cast<uint8_t>(value >> 8);
}

void CompoundFileBytes::SetWord32(size_t offset, uint32_t value) {
  SetWord16(offset, static_cast<uint16_t>(value));
  SetWord16(offset + 2, static_cast<uint16_t>(value >> 16));
}

}  // namespace corpus
