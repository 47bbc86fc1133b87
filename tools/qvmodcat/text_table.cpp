#include "text_table.h"

#include <algorithm>

namespace qvmodcat {

void TextTable::AddNote(std::wstring text) {
  if (!rows_.empty()) notes_.emplace_back(rows_.size() - 1, std::move(text));
}

std::wstring TextTable::Render() const {
  std::vector<size_t> widths;
  for (const auto& row : rows_) {
    if (widths.size() < row.size()) widths.resize(row.size(), 0);
    for (size_t i = 0; i + 1 < row.size(); ++i) widths[i] = std::max(widths[i], row[i].size());
  }
  const std::wstring indent(indent_, L' ');
  const std::wstring noteIndent(indent_ + (widths.empty() ? 0 : widths[0] + 2), L' ');
  std::wstring out;
  size_t note = 0;
  for (size_t r = 0; r < rows_.size(); ++r) {
    std::wstring line = indent;
    const auto& row = rows_[r];
    for (size_t i = 0; i < row.size(); ++i) {
      line += row[i];
      if (i + 1 < row.size()) line.append(widths[i] - row[i].size() + 2, L' ');
    }
    while (!line.empty() && line.back() == L' ') line.pop_back();
    out += line + L"\n";
    for (; note < notes_.size() && notes_[note].first == r; ++note)
      out += noteIndent + notes_[note].second + L"\n";
  }
  return out;
}

}  // namespace qvmodcat
