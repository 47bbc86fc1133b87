// Column definitions of the tables the builder creates: the standard merge-module tables it
// knows by name, and the column-type notation ("s72", "I2", "L0", ...) of installer table
// exports, used both to write the standard definitions and for columns a description types.
#pragma once

#include <string>
#include <vector>

namespace msmbuild {

struct ColumnDefinition {
  std::string name;
  bool isInteger = false;
  int size = 0;  // characters of a string column (0: unlimited) or bytes of an integer (2, 4)
  bool nullable = false;
  bool localizable = false;
  bool key = false;
};

struct TableSchema {
  std::string name;
  std::vector<ColumnDefinition> columns;
};

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
