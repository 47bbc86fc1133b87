// The small pieces of description syntax: blanks, cell separators and special cells.
#pragma once

#include <string>
#include <vector>

namespace msmbuild {

bool IsBlank(char c);
std::string Trim(const std::string& text);

// Splits a table line into its cells.  A separator is a '|' with a blank before it and a blank
// (or the end of the line) after it; any other bar belongs to the value.  Cells come back
// trimmed, a "<text X>" cell whole, so that blanks and separators inside X survive.
std::vector<std::string> SplitCells(const std::string& line, int lineNumber);

// The value of a cell or summary value: false for a null ("<null>" or empty), otherwise true
// and the UTF-8 text, "<repeat N X>" and "<text X>" expanded.
bool ExpandCellText(const std::string& cell, int lineNumber, std::string& text);

// A whole decimal integer with optional sign, within [minimum, maximum].
bool ParseInteger(const std::string& text, long long minimum, long long maximum, long long& value);

}  // namespace msmbuild
