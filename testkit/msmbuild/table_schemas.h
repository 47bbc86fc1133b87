// Column definitions of the tables the builder creates: the standard merge-module and product
// tables it knows by name, and the column-type notation ("s72", "I2", "L0", ...) of installer
// table exports, used both to write the standard definitions and for columns a description
// types.  Standard columns also carry what the installer's `_Validation` table says of them.
#pragma once

#include <climits>
#include <string>
#include <vector>

namespace msmbuild {

// One column's `_Validation` data (Nullable comes from the column type).
struct ColumnValidation {
  static constexpr int NoBound = INT_MIN;  // a null MinValue or MaxValue
  bool known = false;                      // false: the builder has no validation data
  std::string category;                    // Identifier, Guid, Formatted, ... or empty
  std::string keyTable;                    // foreign key: table(s) it refers to
  int keyColumn = 0;                       // ... and the column there (1-based), 0 for none
  int minValue = NoBound;
  int maxValue = NoBound;
  std::string set;                         // permitted values, ";"-separated
};

struct ColumnDefinition {
  std::string name;
  bool isInteger = false;
  int size = 0;  // characters of a string column (0: unlimited) or bytes of an integer (2, 4)
  bool nullable = false;
  bool localizable = false;
  bool key = false;
  ColumnValidation validation;
};

struct TableSchema {
  std::string name;
  std::vector<ColumnDefinition> columns;
};

// The installer's table of column validation data, which `validation` fills.
constexpr char ValidationTableName[] = "_Validation";

// The standard definition of a table, or null for a table the builder does not know.
const TableSchema* FindStandardTable(const std::string& name);

// Reads a column type in the export notation: a letter (s/S string, l/L localizable string,
// i/I integer; upper case allows null) and the size.  False for anything else.
bool ParseColumnType(const std::string& notation, ColumnDefinition& column);

// The export notation of a column's type, e.g. "S72" for a nullable string of 72 characters.
std::string ColumnTypeNotation(const ColumnDefinition& column);

// "CREATE TABLE `Name` (...) PRIMARY KEY ..." for msi.dll.
std::string CreateTableQuery(const TableSchema& table);

}  // namespace msmbuild
