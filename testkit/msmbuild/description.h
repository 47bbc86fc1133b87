// A package description as the parser reads it and the writers consume it: plain data, every
// piece carrying the description line it came from so that later failures can name it.
#pragma once

#include "summary_properties.h"
#include "table_schemas.h"

#include <cstdint>
#include <string>
#include <vector>

namespace msmbuild {

constexpr unsigned DefaultCodePage = 1252;

struct CellValue {
  bool isNull = true;
  std::wstring text;  // for string columns
  int number = 0;     // for integer columns
};

struct TableRow {
  int line = 0;
  std::vector<CellValue> cells;  // one per given column, in header order
};

struct TableDescription {
  int line = 0;                      // the `table` line
  TableSchema schema;                // every column the created table has
  std::vector<size_t> givenColumns;  // schema column of each header cell
  std::vector<TableRow> rows;
};

struct SummaryValue {
  int line = 0;
  const SummaryProperty* property = nullptr;
  SummaryType storedType = SummaryType::Text;  // differs from property->type when forced
  std::wstring text;
  int number = 0;
  uint64_t fileTime = 0;  // 100-ns intervals since 1601-01-01 UTC

  // msi.dll only stores a property with its standard type; anything else is written into the
  // property set directly.
  bool NeedsStorageLevel() const { return storedType != property->type; }
};

// A stream of the package (`_Streams`), such as a merge module's cabinet, filled from a file.
struct StreamDescription {
  int line = 0;
  std::wstring name;
  std::wstring path;  // as written; relative to the description's folder
};

struct PackageDescription {
  bool isRawText = false;
  std::vector<std::string> rawTextLines;  // UTF-8, written as they are
  unsigned codePage = DefaultCodePage;
  std::vector<SummaryValue> summary;
  std::vector<TableDescription> tables;  // with `_Validation` last when the description asks
  std::vector<StreamDescription> streams;
};

}  // namespace msmbuild
