#include "package_probe.h"

#include "com_client.h"
#include "common/unique_handle.h"
#include "installer/package_file_check.h"

#include <cstdint>
#include <algorithm>
#include <cstring>
#include <vector>

namespace qvmodcat {

namespace {

constexpr uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr uint32_t kFreeSector = 0xFFFFFFFF;
constexpr uint32_t kHeaderTableEntries = 109;
constexpr uint64_t kLargestCompoundFile = uint64_t{1} << 31;  // 512-byte sectors

uint32_t Word32(const uint8_t* bytes) {
  return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

bool ReadAt(HANDLE file, uint64_t offset, void* buffer, DWORD length) {
  LARGE_INTEGER position;
  position.QuadPart = static_cast<LONGLONG>(offset);
  DWORD read = 0;
  return SetFilePointerEx(file, position, nullptr, FILE_BEGIN) &&
         ReadFile(file, buffer, length, &read, nullptr) && read == length;
}

std::wstring Bytes(uint64_t count) { return std::to_wstring(count) + L" bytes"; }

// The bytes the file's allocation table says it holds, when that is more than it has.
std::optional<uint64_t> MissingLength(HANDLE file, uint64_t size, const uint8_t* header) {
  const uint32_t sectorSize = 1u << (header[0x1E] | header[0x1F] << 8);
  if (sectorSize != 512 && sectorSize != 4096) return std::nullopt;  // not ours to judge
  const uint64_t sectors = size > sectorSize ? (size - sectorSize + sectorSize - 1) / sectorSize : 0;
  const uint32_t tableSectors = Word32(header + 0x2C);
  uint64_t needed = 0;  // sectors the allocation table uses
  std::vector<uint8_t> table(sectorSize);
  for (uint32_t i = 0; i < tableSectors && i < kHeaderTableEntries; ++i) {
    const uint32_t sector = Word32(header + 0x4C + 4 * i);
    if (sector >= sectors || !ReadAt(file, (uint64_t{sector} + 1) * sectorSize, table.data(), sectorSize)) {
      needed = std::max<uint64_t>(needed, uint64_t{sector} + 1);
      continue;
    }
    for (uint32_t entry = 0; entry < sectorSize / 4; ++entry)
      if (Word32(table.data() + 4 * entry) != kFreeSector)
        needed = std::max<uint64_t>(needed, uint64_t{i} * (sectorSize / 4) + entry + 1);
  }
  if (needed <= sectors) return std::nullopt;
  return (needed + 1) * sectorSize;
}

}  // namespace

std::optional<std::wstring> PackageFileFlaw(const std::wstring& path) {
  const HRESULT refusal = PackageFileProblem(path.c_str());
  if (refusal == HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE))
    return L"path too long for the installer (" + std::to_wstring(path.size()) +
           L" characters, at most " + std::to_wstring(MAX_PATH - 1) + L")";
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return L"no such file";
    return L"cannot be read: " + SystemMessage(HRESULT_FROM_WIN32(error));
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return L"is a folder, not a package file";
  const FileOwner file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return L"cannot be read: " + SystemMessage(HRESULT_FROM_WIN32(GetLastError()));
  LARGE_INTEGER size{};
  GetFileSizeEx(file.Get(), &size);
  if (size.QuadPart == 0) return L"empty file";
  uint8_t header[512] = {};
  const bool whole = ReadAt(file.Get(), 0, header, sizeof header);
  if (memcmp(header, kSignature, sizeof kSignature) != 0)
    return L"not an installer package (no compound file)";
  if (!whole)
    return L"cut short (" + Bytes(size.QuadPart) + L", less than a package header)";
  if (refusal == S_OK) return std::nullopt;
  // The check refused it: say how much is missing when the allocation table tells.
  if (const auto needed = MissingLength(file.Get(), size.QuadPart, header)) {
    // Past the largest compound file there is: damaged rather than cut short.
    if (*needed > kLargestCompoundFile)
      return L"damaged (its allocation table points past any end)";
    return L"cut short (" + Bytes(size.QuadPart) + L" of about " + Bytes(*needed) + L")";
  }
  return std::nullopt;
}

}  // namespace qvmodcat
