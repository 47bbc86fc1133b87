#include "text_table.h"

#include <algorithm>
#include <cwctype>

namespace qvmodcat {

namespace {

size_t lineWidth = 100;
constexpr wchar_t kEllipsis = L'\x2026';
constexpr size_t kSuffixLength = 36;  // a module suffix: a GUID written with underscores
constexpr size_t kSuffixKept = 8;
constexpr size_t kNarrowest = 12;       // a name cut to fit keeps at least this much
constexpr size_t kLastColumnRoom = 32;  // what the last column keeps while others give way
constexpr size_t kNarrowestReason = 16;

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

// head + one ellipsis + tail, where either may already end or start with one.
std::wstring JoinCut(std::wstring head, std::wstring tail) {
  while (!head.empty() && head.back() == kEllipsis) head.pop_back();
  while (!tail.empty() && tail.front() == kEllipsis) tail.erase(0, 1);
  return head + kEllipsis + tail;
}

std::vector<std::wstring> Words(const std::wstring& text) {
  std::vector<std::wstring> words;
  size_t start = 0;
  while ((start = text.find_first_not_of(L' ', start)) != std::wstring::npos) {
    const size_t end = std::min(text.find(L' ', start), text.size());
    words.push_back(text.substr(start, end - start));
    start = end;
  }
  return words;
}

}  // namespace

void SetLineWidth(size_t width) { lineWidth = width; }

std::wstring FitLine(const std::wstring& line) {
  if (!lineWidth) return line;
  const std::wstring fitted = ShortenSuffixes(line);
  if (fitted.size() <= lineWidth) return fitted;
  return JoinCut(fitted.substr(0, lineWidth - 1), L"");
}

std::wstring FitLineKeepingEnd(const std::wstring& line) {
  if (!lineWidth) return line;
  const std::wstring fitted = ShortenSuffixes(line);
  if (fitted.size() <= lineWidth) return fitted;
  const size_t head = lineWidth / 3;
  const size_t tail = lineWidth - head - 1;
  return JoinCut(fitted.substr(0, head), fitted.substr(fitted.size() - tail));
}

std::wstring CutOnce(const std::wstring& text, size_t width) {
  if (width < 2 || text.size() <= width) return text;
  const size_t mark = text.find(kEllipsis);
  if (mark == std::wstring::npos) return text.substr(0, width - 1) + kEllipsis;
  const std::wstring tail = text.substr(mark + 1);
  const size_t keptTail = std::min(tail.size(), width - 2);  // the head keeps one at least
  return text.substr(0, width - 1 - keptTail) + kEllipsis + tail.substr(tail.size() - keptTail);
}

std::wstring Wrap(const std::wstring& text, const std::wstring& indent) {
  std::wstring out, line = indent;
  for (const std::wstring& word : Words(text)) {
    const bool first = line.size() == indent.size();
    if (!first && lineWidth && line.size() + 1 + word.size() > lineWidth) {
      out += line + L"\n";
      line = indent;
    } else if (!first) {
      line += L' ';
    }
    line += word;
  }
  return out + line + L"\n";
}

std::wstring VerdictLine(const std::wstring& names, const std::wstring& verdict) {
  if (!lineWidth) return names + L" " + verdict + L"\n";
  const size_t indent = names.find_first_not_of(L' ');
  std::wstring head = ShortenSuffixes(names);
  const std::wstring tail = L" " + ShortenSuffixes(verdict);
  while (head.size() + tail.size() > lineWidth) {
    // The longest word (a key, a path) gives way.
    const std::vector<std::wstring> words = Words(head);
    const auto longest = std::max_element(words.begin(), words.end(), [](const auto& a, const auto& b) {
      return a.size() < b.size();
    });
    if (longest == words.end() || longest->size() <= kNarrowest) break;
    const size_t excess = head.size() + tail.size() - lineWidth;
    const size_t kept = std::max(kNarrowest, longest->size() > excess ? longest->size() - excess : 0);
    head.replace(head.find(*longest), longest->size(), CutOnce(*longest, kept));
  }
  if (head.size() + tail.size() <= lineWidth) return head + tail + L"\n";
  return FitLine(head) + L"\n" +
         Wrap(verdict, std::wstring((indent == std::wstring::npos ? 0 : indent) + 2, L' '));
}

void TextTable::ShrinkColumns(std::vector<std::vector<std::wstring>>& rows,
                              std::vector<size_t>& widths) const {
  if (widths.empty()) return;
  const size_t lastColumn = widths.size() - 1;
  size_t lastRoom = 0;
  for (const auto& row : rows)
    if (!row.empty()) lastRoom = std::max(lastRoom, std::min(row.back().size(), kLastColumnRoom));
  const auto total = [&] {
    size_t sum = indent_ + lastRoom;
    for (size_t i = 0; i < lastColumn; ++i) sum += widths[i] + 2;
    return sum;
  };
  if (giveWay_.empty()) {
    while (total() > lineWidth) {
      const auto widest = std::max_element(widths.begin(), widths.begin() + lastColumn);
      if (widest == widths.begin() + lastColumn || *widest <= kNarrowest) break;
      --*widest;
    }
  }
  for (const size_t column : giveWay_) {
    size_t& width = column == lastColumn ? lastRoom : widths[column];
    while (total() > lineWidth && width > kNarrowest) --width;
  }
  for (auto& row : rows)
    for (size_t i = 0; i + 1 < row.size(); ++i) row[i] = CutOnce(row[i], widths[i]);
}

void TextTable::AddNote(std::wstring text) {
  if (!rows_.empty()) notes_.emplace_back(rows_.size() - 1, std::move(text));
}

std::wstring TextTable::RenderNotes(size_t row, size_t column) const {
  std::wstring out;
  for (const auto& [at, text] : notes_)
    if (at == row) out += FitLineKeepingEnd(std::wstring(column, L' ') + text) + L"\n";
  return out;
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
  size_t noteColumn = indent_ + (widths.empty() ? 0 : widths[0] + 2);
  for (const auto& note : notes_)
    if (lineWidth && noteColumn + ShortenSuffixes(note.second).size() > lineWidth) noteColumn = indent_ + 2;
  std::wstring out;
  for (size_t r = 0; r < rows.size(); ++r) {
    std::wstring line = indent, continued;
    const auto& row = rows[r];
    for (size_t i = 0; i < row.size(); ++i) {
      std::wstring cell = row[i];
      const bool tooLong = lineWidth && i + 1 == row.size() && line.size() + cell.size() > lineWidth;
      const size_t room = lineWidth > line.size() + 1 ? lineWidth - line.size() : 1;
      if (tooLong && last_ == Last::KeepEnd) {
        // A path keeps its end: the file name matters most.
        cell = JoinCut(L"", cell.substr(cell.size() - std::min(room - 1, cell.size())));
      } else if (tooLong && last_ == Last::Wrap) {
        // The reason wraps under itself, whole.
        const size_t start = room >= kNarrowestReason ? line.size() : indent_ + 4;
        const std::wstring wrapped = Wrap(cell, std::wstring(start, L' '));
        const size_t firstBreak = wrapped.find(L'\n');
        cell = start == line.size() ? wrapped.substr(start, firstBreak - start) : L"";
        continued = start == line.size() ? wrapped.substr(firstBreak + 1) : wrapped;
      } else if (tooLong) {
        cell = CutOnce(cell, room);
      }
      line += cell;
      if (i + 1 < row.size()) line.append(widths[i] - row[i].size() + 2, L' ');
    }
    while (!line.empty() && line.back() == L' ') line.pop_back();
    out += FitLine(line) + L"\n" + continued + RenderNotes(r, noteColumn);
  }
  return out;
}

}  // namespace qvmodcat
