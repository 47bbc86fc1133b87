#include "text_rules.h"

#include <windows.h>

namespace qvmodcat {

bool SameTextIgnoringCase(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

std::wstring FoldCase(std::wstring text) {
  if (!text.empty()) CharUpperBuffW(&text[0], static_cast<DWORD>(text.size()));
  return text;
}

std::wstring Counted(size_t count, const wchar_t* one, const wchar_t* many) {
  return std::to_wstring(count) + L" " + (count == 1 ? one : many);
}

std::wstring OneLine(const std::wstring& text) {
  std::wstring line;
  bool blank = false;
  for (const wchar_t c : text) {
    if (c == L' ' || c == L'\t' || c == L'\r' || c == L'\n') {
      blank = !line.empty();
      continue;
    }
    if (blank) line += L' ';
    blank = false;
    line += c;
  }
  return line;
}

}  // namespace qvmodcat
