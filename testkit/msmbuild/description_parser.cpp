#include "description_parser.h"

#include "build_error.h"
#include "line_syntax.h"
#include "text_encoding.h"

#include <windows.h>

#include <cctype>
#include <climits>
#include <cstdio>
#include <map>

namespace msmbuild {
namespace {

bool IsIdentifier(const std::string& name) {
  if (name.empty()) return false;
  for (char c : name)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '.') return false;
  return true;
}

// "YYYY/MM/DD hh:mm:ss" or "YYYY-MM-DD hh:mm:ss", UTC.
bool ParseFileTime(const std::string& text, uint64_t& fileTime) {
  SYSTEMTIME time{};
  char dateSeparator1 = 0;
  char dateSeparator2 = 0;
  int consumed = 0;
  unsigned year, month, day, hour, minute, second;
  if (std::sscanf(text.c_str(), "%4u%c%2u%c%2u %2u:%2u:%2u%n", &year, &dateSeparator1, &month,
                  &dateSeparator2, &day, &hour, &minute, &second, &consumed) != 8 ||
      static_cast<size_t>(consumed) != text.size() || dateSeparator1 != dateSeparator2 ||
      (dateSeparator1 != '/' && dateSeparator1 != '-'))
    return false;
  time.wYear = static_cast<WORD>(year);
  time.wMonth = static_cast<WORD>(month);
  time.wDay = static_cast<WORD>(day);
  time.wHour = static_cast<WORD>(hour);
  time.wMinute = static_cast<WORD>(minute);
  time.wSecond = static_cast<WORD>(second);
  FILETIME converted;
  if (!SystemTimeToFileTime(&time, &converted)) return false;
  fileTime = (static_cast<uint64_t>(converted.dwHighDateTime) << 32) | converted.dwLowDateTime;
  return true;
}

class DescriptionParser {
 public:
  PackageDescription Parse(const std::string& text) {
    size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    while (start <= text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      std::string line = text.substr(start, end - start);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      ++line_;
      ParseLine(line);
      start = end + 1;
    }
    FinishTable();
    AddValidationTable();
    CheckCodePages();
    return std::move(description_);
  }

 private:
  void ParseLine(const std::string& line) {
    if (!IsValidUtf8(line)) Fail("the line is not valid UTF-8");
    const std::string trimmed = Trim(line);
    if (trimmed.empty() || trimmed[0] == '#') return;
    if (IsBlank(line[0])) return ParseTableLine(line);

    FinishTable();
    const size_t blank = line.find_first_of(" \t");
    const std::string keyword = line.substr(0, blank);
    const std::string rest = blank == std::string::npos ? "" : Trim(line.substr(blank));
    if (keyword == "raw-text") return AddRawText(blank == std::string::npos ? "" : line.substr(blank + 1));
    NotePackageContent();
    if (keyword == "summary") return ParseSummary(rest);
    if (keyword == "table") return BeginTable(rest);
    if (keyword == "codepage") return ParseCodePage(rest);
    if (keyword == "stream") return ParseStream(rest);
    if (keyword == "validation") return ParseValidation(rest);
    Fail("unknown directive \"" + keyword +
         "\" (expected summary, table, stream, validation, codepage or raw-text)");
  }

  // A text file and a package exclude each other.
  void AddRawText(const std::string& text) {
    if (packageLine_ != 0)
      Fail("raw-text makes a plain text file, but line " + std::to_string(packageLine_) +
           " describes package content");
    description_.isRawText = true;
    description_.rawTextLines.push_back(text);
  }
  void NotePackageContent() {
    if (description_.isRawText)
      Fail("this file holds raw-text lines: nothing else may describe the package");
    if (packageLine_ == 0) packageLine_ = line_;
  }

  void ParseSummary(const std::string& rest) {
    const size_t equals = rest.find('=');
    if (equals == std::string::npos) Fail("expected \"summary <Name> = <value>\"");
    const std::string name = Trim(rest.substr(0, equals));
    const std::string value = Trim(rest.substr(equals + 1));
    SummaryValue summary;
    summary.line = line_;
    summary.property = FindSummaryProperty(name);
    if (!summary.property) Fail("unknown summary property \"" + name + "\"");
    if (!summaryLines_.emplace(name, line_).second)
      Fail("summary " + name + " is already set at line " + std::to_string(summaryLines_[name]));
    summary.storedType = summary.property->type;

    long long number = 0;
    if (value.size() > 1 && value[0] == '#' && ParseInteger(value.substr(1), INT_MIN, INT_MAX, number)) {
      // A property set keeps its own code page as a 2-byte integer and refuses any other.
      if (summary.property->id == CodePagePropertyId)
        Fail("Codepage cannot be stored as a 4-byte integer");
      summary.storedType = SummaryType::Long;
      summary.number = static_cast<int>(number);
    } else if (summary.property->type == SummaryType::Text) {
      std::string text;
      if (value == "<null>") Fail("a missing property is written by leaving out its line");
      ExpandCellText(value, line_, text);
      summary.text = WideFromUtf8(text);
    } else if (summary.property->type == SummaryType::FileTime) {
      if (!ParseFileTime(value, summary.fileTime))
        Fail(name + " takes a UTC time \"YYYY/MM/DD hh:mm:ss\", not \"" + value + "\"");
    } else {
      const bool isShort = summary.property->type == SummaryType::Short;
      if (!ParseInteger(value, isShort ? SHRT_MIN : INT_MIN, isShort ? SHRT_MAX : INT_MAX, number))
        Fail(name + " takes a number, not \"" + value + "\"");
      summary.number = static_cast<int>(number);
    }
    description_.summary.push_back(summary);
  }

  void ParseCodePage(const std::string& rest) {
    long long codePage = 0;
    if (codePageLine_ != 0)
      Fail("the code page is already set at line " + std::to_string(codePageLine_));
    if (!ParseInteger(rest, 0, 65535, codePage) || !IsUsableCodePage(static_cast<unsigned>(codePage)))
      Fail("\"" + rest + "\" is not a code page of this system");
    codePageLine_ = line_;
    description_.codePage = static_cast<unsigned>(codePage);
  }

  // "stream <Name> = <file>": the file's bytes as the stream <Name>.
  void ParseStream(const std::string& rest) {
    const size_t equals = rest.find('=');
    const std::string name = Trim(rest.substr(0, equals));
    const std::string file = equals == std::string::npos ? "" : Trim(rest.substr(equals + 1));
    // The installer names streams with at most 62 characters.
    if (name.empty() || name.size() > 62 || file.empty())
      Fail("expected \"stream <Name> = <file>\" with a name of 1 to 62 characters");
    for (const StreamDescription& stream : description_.streams)
      if (stream.name == WideFromUtf8(name))
        Fail("stream " + name + " is already described at line " + std::to_string(stream.line));
    description_.streams.push_back({line_, WideFromUtf8(name), WideFromUtf8(file)});
  }

  // "validation": a `_Validation` table describing every column of every table.
  void ParseValidation(const std::string& rest) {
    if (!rest.empty()) Fail("validation takes no arguments");
    if (validationLine_ != 0)
      Fail("validation is already asked for at line " + std::to_string(validationLine_));
    validationLine_ = line_;
  }

  void AddValidationTable() {
    if (validationLine_ == 0) return;
    if (tableLines_.count(ValidationTableName))
      throw BuildError(tableLines_[ValidationTableName],
                       "the validation line makes the _Validation table; do not describe it");
    TableDescription validation;
    validation.line = validationLine_;
    validation.schema = *FindStandardTable(ValidationTableName);
    for (size_t index = 0; index < validation.schema.columns.size(); ++index)
      validation.givenColumns.push_back(index);
    description_.tables.push_back(validation);
    for (const TableDescription& table : description_.tables)
      for (const ColumnDefinition& column : table.schema.columns)
        description_.tables.back().rows.push_back(ValidationRow(table, column));
  }

  // Table, Column, Nullable, MinValue, MaxValue, KeyTable, KeyColumn, Category, Set, Description.
  TableRow ValidationRow(const TableDescription& table, const ColumnDefinition& column) const {
    const ColumnValidation& data = column.validation;
    if (!data.known)
      throw BuildError(validationLine_, "no validation data for column " + column.name +
                                            " of table " + table.schema.name);
    auto text = [](const std::string& value) {
      CellValue cell;
      cell.isNull = value.empty();
      cell.text = WideFromUtf8(value);
      return cell;
    };
    auto number = [](int value) {
      CellValue cell;
      cell.isNull = value == ColumnValidation::NoBound;
      cell.number = value;
      return cell;
    };
    TableRow row;
    row.line = validationLine_;
    row.cells = {text(table.schema.name), text(column.name), text(column.nullable ? "Y" : "N"),
                 number(data.minValue), number(data.maxValue), text(data.keyTable),
                 number(data.keyColumn == 0 ? ColumnValidation::NoBound : data.keyColumn),
                 text(data.category), text(data.set), text("")};
    return row;
  }

  void BeginTable(const std::string& name) {
    if (!IsIdentifier(name)) Fail("expected \"table <Name>\"");
    if (!tableLines_.emplace(name, line_).second)
      Fail("table " + name + " is already described at line " + std::to_string(tableLines_[name]));
    TableDescription table;
    table.line = line_;
    table.schema.name = name;
    if (const TableSchema* standard = FindStandardTable(name)) table.schema = *standard;
    description_.tables.push_back(std::move(table));
    inTable_ = true;
    headerLine_ = 0;
    rowKeys_.clear();
  }

  void FinishTable() {
    if (!inTable_) return;
    inTable_ = false;
    const TableDescription& table = description_.tables.back();
    if (table.schema.columns.empty())
      throw BuildError(table.line, "unknown table " + table.schema.name +
                                       ": name its columns with their types (Name:s72*)");
  }

  void ParseTableLine(const std::string& line) {
    if (description_.isRawText)
      Fail("this file holds raw-text lines: nothing else may describe the package");
    if (!inTable_) Fail("an indented line belongs to a table, but no \"table\" line comes before it");
    const std::vector<std::string> cells = SplitCells(line, line_);
    if (headerLine_ == 0) {
      headerLine_ = line_;
      return ParseHeader(cells);
    }
    ParseRow(cells);
  }

  // Header cells: "Name" (a standard column) or "Name:type" with an optional "*" for a key
  // column, which defines the column (replacing a standard definition of that name).
  void ParseHeader(const std::vector<std::string>& cells) {
    TableDescription& table = description_.tables.back();
    const bool isStandard = FindStandardTable(table.schema.name) != nullptr;
    bool redefined = false;
    for (const std::string& cell : cells) {
      const size_t colon = cell.find(':');
      ColumnDefinition column;
      column.name = cell.substr(0, colon);
      if (!IsIdentifier(column.name)) Fail("\"" + cell + "\" is not a column name");
      size_t index = FindColumn(table.schema, column.name);
      if (colon != std::string::npos) {
        std::string type = cell.substr(colon + 1);
        column.key = !type.empty() && type.back() == '*';
        if (column.key) type.pop_back();
        if (!ParseColumnType(type, column))
          Fail("\"" + cell + "\": the column type must be like s72, S255, l0, i2 or I4");
        if (index == table.schema.columns.size()) {
          table.schema.columns.push_back(column);
        } else {
          column.validation = table.schema.columns[index].validation;  // the same column's data
          table.schema.columns[index] = column;
        }
        redefined = true;
      } else if (index == table.schema.columns.size()) {
        Fail(isStandard ? "table " + table.schema.name + " has no column " + column.name
                        : "column " + column.name + " of unknown table " + table.schema.name +
                              " needs a type (" + column.name + ":s72)");
      }
      for (size_t given : table.givenColumns)
        if (given == index) Fail("column " + column.name + " is named twice");
      table.givenColumns.push_back(index);
    }
    if (redefined) {
      bool hasKey = false;
      for (const ColumnDefinition& column : table.schema.columns) hasKey |= column.key;
      if (!hasKey) Fail("table " + table.schema.name + " needs a key column: mark it with * (Name:s72*)");
    }
  }

  static size_t FindColumn(const TableSchema& schema, const std::string& name) {
    size_t index = 0;
    while (index < schema.columns.size() && schema.columns[index].name != name) ++index;
    return index;
  }

  // msi.dll refuses a row with a null in a column that does not allow it; say which column.
  [[noreturn]] void FailNotNullable(const ColumnDefinition& column, const std::string& what) const {
    ColumnDefinition nullable = column;
    nullable.nullable = true;
    Fail("column " + column.name + " (" + ColumnTypeNotation(column) + ") cannot be null" + what +
         "; declare it nullable in the header (" + column.name + ":" + ColumnTypeNotation(nullable) +
         (column.key ? "*" : "") + ") for a package with such a row");
  }

  void ParseRow(const std::vector<std::string>& cells) {
    TableDescription& table = description_.tables.back();
    if (table.rows.empty()) {
      for (size_t index = 0; index < table.schema.columns.size(); ++index) {
        const ColumnDefinition& column = table.schema.columns[index];
        bool given = false;
        for (size_t g : table.givenColumns) given |= g == index;
        if (!given && !column.nullable) FailNotNullable(column, " and the header leaves it out");
      }
    }
    if (cells.size() != table.givenColumns.size())
      Fail(std::to_string(cells.size()) + " cells, but the header at line " +
           std::to_string(headerLine_) + " names " + std::to_string(table.givenColumns.size()) +
           " columns");
    TableRow row;
    row.line = line_;
    for (size_t i = 0; i < cells.size(); ++i) {
      const ColumnDefinition& column = table.schema.columns[table.givenColumns[i]];
      CellValue value;
      std::string text;
      // The installer does not tell an empty string from a null one.
      value.isNull = !ExpandCellText(cells[i], line_, text) || text.empty();
      if (value.isNull && !column.nullable) FailNotNullable(column, "");
      if (!value.isNull && column.isInteger) {
        // The installer keeps the lowest value of each width as its null marker.
        const long long limit = column.size == 2 ? SHRT_MAX : INT_MAX;
        long long number = 0;
        if (!ParseInteger(text, -limit, limit, number))
          Fail("column " + column.name + " holds " + std::to_string(column.size) +
               "-byte integers, not \"" + text + "\"");
        value.number = static_cast<int>(number);
      } else if (!value.isNull) {
        value.text = WideFromUtf8(text);
      }
      row.cells.push_back(std::move(value));
    }
    CheckUniqueKey(table, row);
    table.rows.push_back(std::move(row));
  }

  // msi.dll refuses a second row with the same key; name both lines instead.
  void CheckUniqueKey(const TableDescription& table, const TableRow& row) {
    std::wstring key;
    for (size_t i = 0; i < row.cells.size(); ++i) {
      const ColumnDefinition& column = table.schema.columns[table.givenColumns[i]];
      if (!column.key) continue;
      const CellValue& cell = row.cells[i];
      key += cell.isNull ? L"\x01" : column.isInteger ? std::to_wstring(cell.number) : cell.text;
      key += L'\x02';
    }
    const auto inserted = rowKeys_.emplace(key, line_);
    if (!inserted.second)
      Fail("the row has the same key as the row at line " + std::to_string(inserted.first->second));
  }

  // Table text is stored in the database code page, summary text in the system's ANSI code
  // page (msi.dll converts it so); a character without a code there would turn into '?'.
  void CheckCodePages() const {
    for (const TableDescription& table : description_.tables)
      for (const TableRow& row : table.rows)
        for (const CellValue& cell : row.cells)
          if (!FitsCodePage(cell.text, description_.codePage))
            throw BuildError(row.line, "a value has characters that code page " +
                                           std::to_string(description_.codePage) + " cannot hold");
    for (const SummaryValue& summary : description_.summary)
      if (!FitsCodePage(summary.text, 0))
        throw BuildError(summary.line, "the value has characters that the ANSI code page cannot hold");
  }

  [[noreturn]] void Fail(const std::string& message) const { throw BuildError(line_, message); }

  PackageDescription description_;
  int line_ = 0;
  int packageLine_ = 0;  // first line that describes package content
  int codePageLine_ = 0;
  int validationLine_ = 0;
  bool inTable_ = false;
  int headerLine_ = 0;
  std::map<std::string, int> tableLines_;
  std::map<std::string, int> summaryLines_;
  std::map<std::wstring, int> rowKeys_;  // key values of the current table's rows
};

}  // namespace

PackageDescription ParseDescription(const std::string& utf8Text) {
  return DescriptionParser().Parse(utf8Text);
}

}  // namespace msmbuild
