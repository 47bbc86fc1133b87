#include "table_schemas.h"

#include <cctype>
#include <cstdlib>

namespace msmbuild {
namespace {

struct ColumnSpec {
  const char* name;
  const char* type;
  bool key;
};

TableSchema MakeTable(const char* name, std::initializer_list<ColumnSpec> specs) {
  TableSchema table{name, {}};
  for (const ColumnSpec& spec : specs) {
    ColumnDefinition column;
    column.name = spec.name;
    ParseColumnType(spec.type, column);
    column.key = spec.key;
    table.columns.push_back(column);
  }
  return table;
}

const std::vector<TableSchema>& StandardTables() {
  constexpr bool K = true;
  constexpr bool _ = false;
  auto sequenceTable = [](const char* name) {
    return MakeTable(name, {{"Action", "s64", K}, {"Sequence", "I2", _}, {"BaseAction", "S64", _},
                            {"After", "I2", _}, {"Condition", "S255", _}});
  };
  static const std::vector<TableSchema> tables = {
      MakeTable("ModuleSignature", {{"ModuleID", "s72", K}, {"Language", "i2", K},
                                    {"Version", "s32", _}}),
      MakeTable("ModuleDependency",
                {{"ModuleID", "s72", K}, {"ModuleLanguage", "i2", K}, {"RequiredID", "s72", K},
                 {"RequiredLanguage", "i2", K}, {"RequiredVersion", "S32", _}}),
      MakeTable("ModuleExclusion",
                {{"ModuleID", "s72", K}, {"ModuleLanguage", "i2", K}, {"ExcludedID", "s72", K},
                 {"ExcludedLanguage", "i2", K}, {"ExcludedMinVersion", "S32", _},
                 {"ExcludedMaxVersion", "S32", _}}),
      MakeTable("Dialog",
                {{"Dialog", "s72", K}, {"HCentering", "i2", _}, {"VCentering", "i2", _},
                 {"Width", "i2", _}, {"Height", "i2", _}, {"Attributes", "I4", _},
                 {"Title", "L128", _}, {"Control_First", "s50", _}, {"Control_Default", "S50", _},
                 {"Control_Cancel", "S50", _}}),
      MakeTable("CustomAction", {{"Action", "s72", K}, {"Type", "i2", _}, {"Source", "S72", _},
                                 {"Target", "S255", _}}),
      MakeTable("File",
                {{"File", "s72", K}, {"Component_", "s72", _}, {"FileName", "l255", _},
                 {"FileSize", "i4", _}, {"Version", "S72", _}, {"Language", "S20", _},
                 {"Attributes", "I2", _}, {"Sequence", "i4", _}}),
      MakeTable("Component",
                {{"Component", "s72", K}, {"ComponentId", "S38", _}, {"Directory_", "s72", _},
                 {"Attributes", "i2", _}, {"Condition", "S255", _}, {"KeyPath", "S72", _}}),
      MakeTable("Directory", {{"Directory", "s72", K}, {"Directory_Parent", "S72", _},
                              {"DefaultDir", "l255", _}}),
      MakeTable("Property", {{"Property", "s72", K}, {"Value", "l0", _}}),
      MakeTable("ModuleComponents", {{"Component", "s72", K}, {"ModuleID", "s72", K},
                                     {"Language", "i2", K}}),
      MakeTable("ModuleIgnoreTable", {{"Table", "s72", K}}),
      MakeTable("Registry", {{"Registry", "s72", K}, {"Root", "i2", _}, {"Key", "l255", _},
                             {"Name", "L255", _}, {"Value", "L0", _}, {"Component_", "s72", _}}),
      sequenceTable("ModuleInstallExecuteSequence"),
      sequenceTable("ModuleInstallUISequence"),
      sequenceTable("ModuleAdminExecuteSequence"),
      sequenceTable("ModuleAdminUISequence"),
      sequenceTable("ModuleAdvtExecuteSequence"),
  };
  return tables;
}

std::string SqlType(const ColumnDefinition& column) {
  std::string type;
  if (column.isInteger)
    type = column.size == 2 ? "SHORT" : "LONG";
  else if (column.size == 0)
    type = "LONGCHAR";
  else
    type = "CHAR(" + std::to_string(column.size) + ")";
  if (!column.nullable) type += " NOT NULL";
  if (column.localizable) type += " LOCALIZABLE";
  return type;
}

}  // namespace

const TableSchema* FindStandardTable(const std::string& name) {
  for (const TableSchema& table : StandardTables())
    if (table.name == name) return &table;
  return nullptr;
}

bool ParseColumnType(const std::string& notation, ColumnDefinition& column) {
  if (notation.size() < 2) return false;
  for (size_t i = 1; i < notation.size(); ++i)
    if (!std::isdigit(static_cast<unsigned char>(notation[i]))) return false;
  if (notation.size() > 4) return false;
  const int size = std::atoi(notation.c_str() + 1);
  const char letter = notation[0];
  switch (std::tolower(static_cast<unsigned char>(letter))) {
    case 's':
    case 'l':
      if (size > 255) return false;
      column.isInteger = false;
      column.localizable = std::tolower(static_cast<unsigned char>(letter)) == 'l';
      break;
    case 'i':
      if (size != 2 && size != 4) return false;
      column.isInteger = true;
      column.localizable = false;
      break;
    default:
      return false;
  }
  column.size = size;
  column.nullable = std::isupper(static_cast<unsigned char>(letter)) != 0;
  return true;
}

std::string ColumnTypeNotation(const ColumnDefinition& column) {
  char letter = column.isInteger ? 'i' : column.localizable ? 'l' : 's';
  if (column.nullable) letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  return letter + std::to_string(column.size);
}

std::string CreateTableQuery(const TableSchema& table) {
  std::string query = "CREATE TABLE `" + table.name + "` (";
  std::string keys;
  for (size_t i = 0; i < table.columns.size(); ++i) {
    const ColumnDefinition& column = table.columns[i];
    if (i > 0) query += ", ";
    query += "`" + column.name + "` " + SqlType(column);
    if (column.key) keys += (keys.empty() ? "`" : ", `") + column.name + "`";
  }
  return query + " PRIMARY KEY " + keys + ")";
}

}  // namespace msmbuild
