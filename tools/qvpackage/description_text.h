// The text of a package description for msmbuild (testkit/msmbuild/README.md): summary lines,
// tables with a header and rows, and the other directives, with cells written so that the
// builder reads back exactly the value given.
#pragma once

#include <string>
#include <vector>

namespace qvpackage {

class DescriptionText {
 public:
  void Comment(const std::string& text);
  void Directive(const std::string& line);  // "validation", "stream <Name> = <file>", ...
  void Summary(const std::string& name, const std::string& value);
  // A table with the columns the rows give, in this order; a table without rows is created empty.
  void Table(const std::string& name, const std::vector<std::string>& columns);
  // An empty cell is a null field.
  void Row(const std::vector<std::string>& cells);

  const std::string& Text() const { return text_; }

 private:
  std::string text_;
  size_t columns_ = 0;
};

}  // namespace qvpackage
