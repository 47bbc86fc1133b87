#include "module_keys.h"

#include "suggestions.h"
#include "text_rules.h"

#include <algorithm>
#include <cwchar>

namespace qvmodcat {

namespace {

struct KeyParts {
  std::wstring ModuleID;
  std::wstring Language;
};

KeyParts Split(const std::wstring& key) {
  const size_t colon = key.rfind(L':');
  if (colon == std::wstring::npos) return {key, L""};
  return {key.substr(0, colon), key.substr(colon + 1)};
}

// The text before and after the ellipsis of a shortened ModuleID; none: all of it before.
std::pair<std::wstring, std::wstring> AroundEllipsis(const std::wstring& moduleId) {
  for (const wchar_t* mark : {L"\x2026", L"..."}) {
    const size_t at = moduleId.find(mark);
    if (at != std::wstring::npos)
      return {moduleId.substr(0, at), moduleId.substr(at + wcslen(mark))};
  }
  return {moduleId, L""};
}

bool StartsWith(const std::wstring& text, const std::wstring& start) {
  return text.size() >= start.size() && text.compare(0, start.size(), start) == 0;
}

bool EndsWith(const std::wstring& text, const std::wstring& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

std::optional<std::wstring> ExpandKey(const std::wstring& given, const std::vector<std::wstring>& keys) {
  const KeyParts wanted = Split(given);
  const auto [head, tail] = AroundEllipsis(wanted.ModuleID);
  std::optional<std::wstring> found;
  for (const std::wstring& key : keys) {
    const KeyParts parts = Split(key);
    if (parts.ModuleID == wanted.ModuleID) return std::nullopt;  // not shortened
    if (wanted.Language != L"0" && parts.Language != wanted.Language) continue;
    if (parts.ModuleID.size() < head.size() + tail.size() || !StartsWith(parts.ModuleID, head) ||
        !EndsWith(parts.ModuleID, tail))
      continue;
    if (found && *found != parts.ModuleID) return std::nullopt;  // more than one fits
    found = parts.ModuleID;
  }
  if (!found) return std::nullopt;
  return *found + L":" + wanted.Language;
}

std::vector<std::wstring> SimilarKeys(const std::wstring& given, const std::vector<std::wstring>& keys) {
  const std::wstring id = Split(given).ModuleID;
  const std::wstring head = AroundEllipsis(id).first;
  const std::wstring prefix = FoldCase(head.size() < id.size() ? head : id + L".");
  std::vector<std::wstring> ids, similar;
  for (const std::wstring& key : keys) ids.push_back(Split(key).ModuleID);
  for (const std::wstring& key : keys)
    if (SameTextIgnoringCase(key, given)) similar.push_back(key);
  for (size_t i = 0; i < keys.size(); ++i) {
    const bool goesOn = FoldCase(ids[i]).rfind(prefix, 0) == 0;
    if ((SameTextIgnoringCase(ids[i], id) || goesOn) && !SameTextIgnoringCase(keys[i], given))
      similar.push_back(keys[i]);
  }
  if (similar.empty()) {
    const std::vector<std::wstring> nearest = ClosestNames(id, ids);
    for (size_t i = 0; i < keys.size(); ++i)
      if (std::find(nearest.begin(), nearest.end(), ids[i]) != nearest.end()) similar.push_back(keys[i]);
  }
  if (similar.size() > 5) similar.resize(5);
  return similar;
}

}  // namespace qvmodcat
