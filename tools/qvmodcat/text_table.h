// Rows of cells written as aligned columns (two blanks between columns, the last one not
// padded), each line with the same indent.  Unless the output is wide, lines fit the line
// width: module suffixes of keys ("Name.8B2C1E5F_...") are cut to their first eight
// characters, a row too long loses its end and a note its middle, marked with an ellipsis.
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

class TextTable {
 public:
  explicit TextTable(size_t indent = 0) : indent_(indent) {}
  void Add(std::vector<std::wstring> cells) { rows_.push_back(std::move(cells)); }
  // A line of its own under the last row, indented to its second column.
  void AddNote(std::wstring text);
  // Rows too long lose the start of their last cell, not their end (a column of paths).
  void KeepEnds() { keepEnds_ = true; }
  bool Empty() const noexcept { return rows_.empty(); }
  std::wstring Render() const;

 private:
  void ShrinkColumns(std::vector<std::vector<std::wstring>>& rows, std::vector<size_t>& widths) const;

  size_t indent_;
  bool keepEnds_ = false;
  std::vector<std::vector<std::wstring>> rows_;
  std::vector<std::pair<size_t, std::wstring>> notes_;  // row index, text
};

}  // namespace qvmodcat
