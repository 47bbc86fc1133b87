// Rows of cells written as aligned columns (two blanks between columns, the last one not
// padded), each line with the same indent.  Unless the output is wide, lines fit the line
// width: module suffixes of keys ("Name.8B2C1E5F_...") are cut to their first eight
// characters, and the columns that hold names give way, each cell cut once (one ellipsis; a
// key in the middle, so that it keeps its language).  Verdicts are never cut: a reason in
// the last column wraps.
#pragma once

#include <string>
#include <vector>

namespace qvmodcat {

// The width every text answer fits (0: no limit, --wide).  100 unless set.
void SetLineWidth(size_t width);

// A line as it fits the width: module suffixes cut, then its end.
std::wstring FitLine(const std::wstring& line);
// The same for a line whose end matters (a path): its middle goes.
std::wstring FitLineKeepingEnd(const std::wstring& line);
// Text cut to `width` with one ellipsis: where it holds one already (a shortened module
// suffix) the characters before it go, so "Name.8B2C1E5F…:0 1.2" keeps ":0 1.2"; otherwise
// its end goes.
std::wstring CutOnce(const std::wstring& text, size_t width);
// The words of text on lines that fit the width, each starting with indent (line breaks).
std::wstring Wrap(const std::wstring& text, const std::wstring& indent);
// "names verdict" on one line, the longest words of the names (keys, paths) cut once to make
// room; when even that is not enough the verdict wraps below, whole.
std::wstring VerdictLine(const std::wstring& names, const std::wstring& verdict);

class TextTable {
 public:
  explicit TextTable(size_t indent = 0) : indent_(indent) {}
  void Add(std::vector<std::wstring> cells) { rows_.push_back(std::move(cells)); }
  // A line of its own under the last row.  All notes of a table start in one column: under
  // the second one when every note fits there, else two blanks in.
  void AddNote(std::wstring text);
  // The columns that may be cut to fit, in the order they give way (the last column by its
  // room).  Without it every column but the last gives way, the widest first.
  void GiveWay(std::vector<size_t> columns) { giveWay_ = std::move(columns); }
  // Rows too long lose the start of their last cell, not their end (a column of paths).
  void KeepEnds() { last_ = Last::KeepEnd; }
  // The last column is a reason: it wraps onto lines of its own rather than lose words.
  void WrapLast() { last_ = Last::Wrap; }
  bool Empty() const noexcept { return rows_.empty(); }
  std::wstring Render() const;

 private:
  enum class Last { CutOnce, KeepEnd, Wrap };
  void ShrinkColumns(std::vector<std::vector<std::wstring>>& rows, std::vector<size_t>& widths) const;
  std::wstring RenderNotes(size_t row, size_t secondColumn) const;

  size_t indent_;
  Last last_ = Last::CutOnce;
  std::vector<size_t> giveWay_;
  std::vector<std::vector<std::wstring>> rows_;
  std::vector<std::pair<size_t, std::wstring>> notes_;  // row index, text
};

}  // namespace qvmodcat
