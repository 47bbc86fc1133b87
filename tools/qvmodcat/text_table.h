// Rows of cells written as aligned columns (two blanks between columns, the last one not
// padded), each line with the same indent.
#pragma once

#include <string>
#include <vector>

namespace qvmodcat {

class TextTable {
 public:
  explicit TextTable(size_t indent = 0) : indent_(indent) {}
  void Add(std::vector<std::wstring> cells) { rows_.push_back(std::move(cells)); }
  // A line of its own under the last row, indented to its second column.
  void AddNote(std::wstring text);
  bool Empty() const noexcept { return rows_.empty(); }
  std::wstring Render() const;

 private:
  size_t indent_;
  std::vector<std::vector<std::wstring>> rows_;
  std::vector<std::pair<size_t, std::wstring>> notes_;  // row index, text
};

}  // namespace qvmodcat
