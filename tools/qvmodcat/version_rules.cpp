#include "version_rules.h"

#include <climits>
#include <cstdint>

namespace qvmodcat {

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }

void Pack(const std::wstring& version, uint32_t& high, uint32_t& low) {
  uint32_t pieces[4] = {};
  size_t start = 0;
  for (int i = 0; i < 4; ++i) {
    const size_t dot = version.find(L'.', start);
    pieces[i] = static_cast<uint32_t>(LeadingNumber(version.substr(start, dot - start))) & 0xFFFF;
    if (dot == std::wstring::npos) break;
    start = dot + 1;
  }
  high = (pieces[0] << 16) | pieces[1];
  low = (pieces[2] << 16) | pieces[3];
}

}  // namespace

long LeadingNumber(const std::wstring& text) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
  int64_t value = 0;
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
    value = value * 10 + (text[i] - L'0');
    if (value > static_cast<int64_t>(LONG_MAX) + 1) value = static_cast<int64_t>(LONG_MAX) + 1;
  }
  if (negative) return value > LONG_MAX ? LONG_MIN : -static_cast<long>(value);
  return value > LONG_MAX ? LONG_MAX : static_cast<long>(value);
}

int CompareVersions(const std::wstring& a, const std::wstring& b) {
  uint32_t highA = 0, lowA = 0, highB = 0, lowB = 0;
  Pack(a, highA, lowA);
  Pack(b, highB, lowB);
  if (highA != highB) return highA > highB ? 1 : -1;
  if (lowA != lowB) return lowA > lowB ? 1 : -1;
  return 0;
}

}  // namespace qvmodcat
