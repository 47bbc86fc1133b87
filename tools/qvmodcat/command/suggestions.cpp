#include "suggestions.h"

#include <algorithm>
#include <cwctype>

namespace qvmodcat {

namespace {

constexpr size_t kMostSuggestions = 5;

// Edits (insert, delete, replace, swap of neighbours) from a to b, without case.
size_t Distance(const std::wstring& a, const std::wstring& b) {
  const auto same = [](wchar_t x, wchar_t y) { return std::towlower(x) == std::towlower(y); };
  std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
  for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    for (size_t j = 1; j <= b.size(); ++j) {
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1,
                          d[i - 1][j - 1] + (same(a[i - 1], b[j - 1]) ? 0 : 1)});
      if (i > 1 && j > 1 && same(a[i - 1], b[j - 2]) && same(a[i - 2], b[j - 1]))
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  }
  return d[a.size()][b.size()];
}

}  // namespace

std::vector<std::wstring> ClosestNames(const std::wstring& word,
                                       const std::vector<std::wstring>& candidates) {
  const size_t allowed = word.size() <= 5 ? 1 : 2;
  std::vector<std::pair<size_t, std::wstring>> nearest;
  for (const std::wstring& candidate : candidates) {
    // Long names (modularized ModuleIDs) are far apart anyway; no need to measure them all.
    if (candidate.size() > word.size() + allowed || word.size() > candidate.size() + allowed)
      continue;
    const size_t distance = Distance(word, candidate);
    if (distance <= allowed) nearest.emplace_back(distance, candidate);
  }
  std::stable_sort(nearest.begin(), nearest.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::wstring> names;
  for (auto& [distance, name] : nearest) {
    if (names.size() == kMostSuggestions) break;
    if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
  }
  return names;
}

std::wstring NameList(const std::vector<std::wstring>& names) {
  std::wstring text;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i) text += i + 1 == names.size() ? L" or " : L", ";
    text += names[i];
  }
  return text;
}

std::wstring DidYouMean(const std::vector<std::wstring>& names) {
  return names.empty() ? L"" : L" (did you mean " + NameList(names) + L"?)";
}

}  // namespace qvmodcat
