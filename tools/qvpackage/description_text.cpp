#include "description_text.h"

#include <stdexcept>

namespace qvpackage {
namespace {

// Blanks at either end, a separator inside or a leading '<' would change what the builder reads.
std::string Cell(const std::string& value) {
  if (value.empty()) return "<null>";
  const bool plain = value.front() != ' ' && value.back() != ' ' && value.front() != '<' &&
                     value.find(" |") == std::string::npos && value.find('\n') == std::string::npos;
  return plain ? value : "<text " + value + ">";
}

}  // namespace

void DescriptionText::Comment(const std::string& text) { text_ += "# " + text + "\n"; }

void DescriptionText::Directive(const std::string& line) { text_ += "\n" + line + "\n"; }

void DescriptionText::Summary(const std::string& name, const std::string& value) {
  text_ += "summary " + name + " = " + Cell(value) + "\n";
}

void DescriptionText::Table(const std::string& name, const std::vector<std::string>& columns) {
  text_ += "\ntable " + name + "\n ";
  for (size_t i = 0; i < columns.size(); ++i) text_ += (i ? " | " : " ") + columns[i];
  text_ += "\n";
  columns_ = columns.size();
}

void DescriptionText::Row(const std::vector<std::string>& cells) {
  if (cells.size() != columns_) throw std::logic_error("a row with the wrong number of cells");
  text_ += " ";
  for (size_t i = 0; i < cells.size(); ++i) text_ += (i ? " | " : " ") + Cell(cells[i]);
  text_ += "\n";
}

}  // namespace qvpackage
