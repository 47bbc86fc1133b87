#include "text_table.h"

#include <algorithm>
#include <cwctype>

namespace qvmodcat {

namespace {

size_t lineWidth = 100;
constexpr wchar_t kEllipsis = L'\x2026';
constexpr size_t kSuffixLength = 36;  // a module suffix: a GUID written with underscores
constexpr size_t kSuffixKept = 8;

bool IsModuleSuffix(const std::wstring& text, size_t start) {
  if (start + kSuffixLength > text.size()) return false;
  for (size_t i = 0; i < kSuffixLength; ++i) {
    const wchar_t c = text[start + i];
    const bool separator = i == 8 || i == 13 || i == 18 || i == 23;
    if (separator ? c != L'_' : !std::iswxdigit(c)) return false;
  }
  return start + kSuffixLength == text.size() || !std::iswalnum(text[start + kSuffixLength]);
}

std::wstring ShortenSuffixes(const std::wstring& text) {
  std::wstring out;
  for (size_t i = 0; i < text.size(); ++i) {
    out += text[i];
    if (text[i] == L'.' && IsModuleSuffix(text, i + 1)) {
      out.append(text, i + 1, kSuffixKept);
      out += kEllipsis;
      i += kSuffixLength;
    }
  }
  return out;
}

}  // namespace

void SetLineWidth(size_t width) { lineWidth = width; }

std::wstring FitLine(const std::wstring& line) {
  if (!lineWidth) return line;
  std::wstring fitted = ShortenSuffixes(line);
  if (fitted.size() > lineWidth) {
    fitted.resize(lineWidth - 1);
    fitted += kEllipsis;
  }
  return fitted;
}

std::wstring FitLineKeepingEnd(const std::wstring& line) {
  if (!lineWidth) return line;
  std::wstring fitted = ShortenSuffixes(line);
  if (fitted.size() <= lineWidth) return fitted;
  const size_t head = lineWidth / 3;
  const size_t tail = lineWidth - head - 1;
  return fitted.substr(0, head) + kEllipsis + fitted.substr(fitted.size() - tail);
}

void TextTable::ShrinkColumns(std::vector<std::vector<std::wstring>>& rows,
                              std::vector<size_t>& widths) const {
  // The last column keeps room for a readable start; the widest other column gives way first.
  constexpr size_t kLastColumnRoom = 32, kNarrowest = 12;
  size_t last = 0;
  for (const auto& row : rows)
    if (!row.empty()) last = std::max(last, row.back().size());
  const auto total = [&] {
    size_t sum = indent_ + std::min(last, kLastColumnRoom);
    for (size_t i = 0; i + 1 < widths.size(); ++i) sum += widths[i] + 2;
    return sum;
  };
  while (total() > lineWidth) {
    const auto widest = std::max_element(widths.begin(), widths.end() - (widths.empty() ? 0 : 1));
    if (widest == widths.end() || *widest <= kNarrowest) break;
    --*widest;
  }
  for (auto& row : rows)
    for (size_t i = 0; i + 1 < row.size(); ++i)
      if (row[i].size() > widths[i]) row[i] = row[i].substr(0, widths[i] - 1) + kEllipsis;
}

void TextTable::AddNote(std::wstring text) {
  if (!rows_.empty()) notes_.emplace_back(rows_.size() - 1, std::move(text));
}

std::wstring TextTable::Render() const {
  std::vector<std::vector<std::wstring>> rows = rows_;
  if (lineWidth)
    for (auto& row : rows)
      for (auto& cell : row) cell = ShortenSuffixes(cell);
  std::vector<size_t> widths;
  for (const auto& row : rows) {
    if (widths.size() < row.size()) widths.resize(row.size(), 0);
    for (size_t i = 0; i + 1 < row.size(); ++i) widths[i] = std::max(widths[i], row[i].size());
  }
  if (lineWidth) ShrinkColumns(rows, widths);
  const std::wstring indent(indent_, L' ');
  const std::wstring noteIndent(indent_ + (widths.empty() ? 0 : widths[0] + 2), L' ');
  std::wstring out;
  size_t note = 0;
  for (size_t r = 0; r < rows.size(); ++r) {
    std::wstring line = indent;
    const auto& row = rows[r];
    for (size_t i = 0; i < row.size(); ++i) {
      std::wstring cell = row[i];
      if (keepEnds_ && lineWidth && i + 1 == row.size() && line.size() + cell.size() > lineWidth) {
        // The last cell (a path) keeps its end: the file name matters most.
        const size_t room = lineWidth > line.size() + 1 ? lineWidth - line.size() - 1 : 0;
        cell = kEllipsis + cell.substr(cell.size() - std::min(room, cell.size()));
      }
      line += cell;
      if (i + 1 < row.size()) line.append(widths[i] - row[i].size() + 2, L' ');
    }
    while (!line.empty() && line.back() == L' ') line.pop_back();
    out += FitLine(line) + L"\n";
    for (; note < notes_.size() && notes_[note].first == r; ++note) {
      // A note that does not fit under the second column moves left before it loses text.
      const std::wstring& text = notes_[note].second;
      const bool fits = !lineWidth || noteIndent.size() + text.size() <= lineWidth;
      out += FitLineKeepingEnd((fits ? noteIndent : indent + L"  ") + text) + L"\n";
    }
  }
  return out;
}

}  // namespace qvmodcat
