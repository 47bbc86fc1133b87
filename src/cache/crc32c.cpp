#include "cache/crc32c.h"

#include <array>

namespace {

std::array<std::uint32_t, 256> MakeTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t byte = 0; byte < 256; ++byte) {
    std::uint32_t value = byte;
    for (int bit = 0; bit < 8; ++bit) value = (value >> 1) ^ (value & 1 ? 0x82F63B78u : 0);
    table[byte] = value;
  }
  return table;
}

}  // namespace

std::uint32_t Crc32c(const void* data, std::size_t size) {
  static const std::array<std::uint32_t, 256> table = MakeTable();
  const auto* bytes = static_cast<const unsigned char*>(data);
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < size; ++i) crc = (crc >> 8) ^ table[(crc ^ bytes[i]) & 0xFF];
  return crc ^ 0xFFFFFFFFu;
}
