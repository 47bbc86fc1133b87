#include "module/file_rules.h"

#include <shlwapi.h>

namespace {

bool IsPatternBlank(wchar_t ch) { return ch == L'\n' || ch == L'\t' || ch == L' '; }

WideString TrimPatternBlanks(const WideString& pattern) {
  size_t first = 0, end = pattern.Length();
  while (first < end && IsPatternBlank(pattern[first])) ++first;
  while (end > first && IsPatternBlank(pattern[end - 1])) --end;
  return pattern.Substring(first, end - first);
}

}  // namespace

std::vector<WideString> SplitExcludedPatterns(const WideString& patterns) {
  std::vector<WideString> pieces = patterns.Split(L',');
  if (pieces.back().IsEmpty()) pieces.pop_back();  // nothing after the last comma
  return pieces;
}

std::optional<WideString> ExcludingPattern(const std::vector<WideString>& patterns,
                                           const WideString& name) {
  for (const WideString& pattern : patterns) {
    if (pattern.IsEmpty()) continue;
    const WideString trimmed = TrimPatternBlanks(pattern);
    if (PathMatchSpecA(name.Ansi(), trimmed.Ansi())) return trimmed;
  }
  return std::nullopt;
}
