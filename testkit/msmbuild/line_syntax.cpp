#include "line_syntax.h"

#include "build_error.h"

#include <cctype>

namespace msmbuild {
namespace {

constexpr size_t npos = std::string::npos;
constexpr char TextOpening[] = "<text ";
constexpr size_t TextOpeningLength = sizeof(TextOpening) - 1;
constexpr char RepeatOpening[] = "<repeat ";
constexpr size_t RepeatOpeningLength = sizeof(RepeatOpening) - 1;
constexpr long long MaxRepeatedLength = 1 << 20;

bool StartsWith(const std::string& text, size_t at, const char* prefix) {
  return text.compare(at, std::char_traits<char>::length(prefix), prefix) == 0;
}

bool IsSeparatorAt(const std::string& line, size_t at) {
  return line[at] == '|' && at > 0 && IsBlank(line[at - 1]) &&
         (at + 1 == line.size() || IsBlank(line[at + 1]));
}

size_t SkipBlanks(const std::string& line, size_t at) {
  while (at < line.size() && IsBlank(line[at])) ++at;
  return at;
}

// A "<text X>" cell ends at the first '>' that only blanks separate from a separator or the
// end of the line.  Returns that '>' and sets `separator` (npos at the end of the line).
size_t FindTextCellEnd(const std::string& line, size_t from, size_t& separator) {
  for (size_t at = line.find('>', from); at != npos; at = line.find('>', at + 1)) {
    const size_t next = SkipBlanks(line, at + 1);
    if (next == line.size()) {
      separator = npos;
      return at;
    }
    if (IsSeparatorAt(line, next)) {
      separator = next;
      return at;
    }
  }
  return npos;
}

std::string Repeat(const std::string& cell, int lineNumber) {
  const std::string inner = cell.substr(RepeatOpeningLength, cell.size() - RepeatOpeningLength - 1);
  const size_t blank = inner.find(' ');
  long long count = 0;
  if (blank == npos || blank + 1 == inner.size() ||
      !ParseInteger(inner.substr(0, blank), 0, MaxRepeatedLength, count))
    throw BuildError(lineNumber, "malformed \"" + cell + "\": expected <repeat N X>");
  const std::string piece = inner.substr(blank + 1);
  if (static_cast<long long>(piece.size()) * count > MaxRepeatedLength)
    throw BuildError(lineNumber, "\"" + cell + "\" makes a value longer than " +
                                     std::to_string(MaxRepeatedLength) + " bytes");
  std::string text;
  text.reserve(piece.size() * static_cast<size_t>(count));
  for (long long i = 0; i < count; ++i) text += piece;
  return text;
}

}  // namespace

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Trim(const std::string& text) {
  size_t first = 0;
  size_t last = text.size();
  while (first < last && IsBlank(text[first])) ++first;
  while (last > first && IsBlank(text[last - 1])) --last;
  return text.substr(first, last - first);
}

std::vector<std::string> SplitCells(const std::string& line, int lineNumber) {
  std::vector<std::string> cells;
  size_t at = 0;
  for (;;) {
    const size_t start = SkipBlanks(line, at);
    size_t separator = npos;
    if (StartsWith(line, start, TextOpening)) {
      const size_t end = FindTextCellEnd(line, start + TextOpeningLength, separator);
      if (end == npos) throw BuildError(lineNumber, "\"<text \" without its closing \">\"");
      cells.push_back(line.substr(start, end + 1 - start));
    } else {
      size_t end = start;
      while (end < line.size() && !IsSeparatorAt(line, end)) ++end;
      if (end < line.size()) separator = end;
      cells.push_back(Trim(line.substr(start, end - start)));
    }
    if (separator == npos) return cells;
    at = separator + 1;
  }
}

bool ExpandCellText(const std::string& cell, int lineNumber, std::string& text) {
  if (cell.empty() || cell == "<null>") return false;
  if (StartsWith(cell, 0, TextOpening) && cell.back() == '>') {
    text = cell.substr(TextOpeningLength, cell.size() - TextOpeningLength - 1);
  } else if (StartsWith(cell, 0, RepeatOpening) && cell.back() == '>') {
    text = Repeat(cell, lineNumber);
  } else {
    text = cell;
  }
  return true;
}

bool ParseInteger(const std::string& text, long long minimum, long long maximum, long long& value) {
  size_t at = 0;
  bool negative = false;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    negative = text[0] == '-';
    at = 1;
  }
  if (at == text.size() || text.size() - at > 12) return false;
  long long magnitude = 0;
  for (; at < text.size(); ++at) {
    if (!std::isdigit(static_cast<unsigned char>(text[at]))) return false;
    magnitude = magnitude * 10 + (text[at] - '0');
  }
  value = negative ? -magnitude : magnitude;
  return value >= minimum && value <= maximum;
}

}  // namespace msmbuild
