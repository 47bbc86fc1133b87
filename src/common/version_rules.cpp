#include "common/version_rules.h"

#include "common/text.h"

#include <cstdlib>
#include <cstring>

long ParseLeadingInteger(const WideString& text) {
  char buffer[20] = {};
  const std::string ansi = AnsiFromWide(text);
  strncpy(buffer, ansi.c_str(), sizeof buffer - 1);
  return strtol(buffer, nullptr, 10);
}

PackedVersion PackVersion(const WideString& version) {
  ULONG pieces[4] = {};
  const std::vector<WideString> texts = version.Split(L'.');
  for (size_t i = 0; i < texts.size() && i < 4; ++i) {
    pieces[i] = static_cast<ULONG>(ParseLeadingInteger(texts[i])) & 0xFFFF;
  }
  return {(pieces[0] << 16) | pieces[1], (pieces[2] << 16) | pieces[3]};
}

int CompareVersions(const WideString& a, const WideString& b) {
  const PackedVersion left = PackVersion(a), right = PackVersion(b);
  if (left.High != right.High) return left.High > right.High ? 1 : -1;
  if (left.Low != right.Low) return left.Low > right.Low ? 1 : -1;
  return 0;
}

WideString MakeModuleKey(const WideString& id, long language) {
  return WideString::Format(L"%s:%d", id.c_str(), static_cast<int>(language));
}
