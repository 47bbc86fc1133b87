#include "table_schemas.h"

#include <cctype>
#include <cstdlib>

namespace msmbuild {
namespace {

struct ColumnSpec {
  const char* name;
  const char* type;
  bool key;
  ColumnValidation validation;
};

// The kinds of `_Validation` data a standard column has.
ColumnValidation Kind(const char* category) {
  ColumnValidation validation;
  validation.known = true;
  validation.category = category;
  return validation;
}
ColumnValidation Plain() { return Kind(""); }
ColumnValidation Link(const char* table, int column = 1, const char* category = "Identifier") {
  ColumnValidation validation = Kind(category);
  validation.keyTable = table;
  validation.keyColumn = column;
  return validation;
}
ColumnValidation Range(int minimum, int maximum) {
  ColumnValidation validation = Plain();
  validation.minValue = minimum;
  validation.maxValue = maximum;
  return validation;
}
ColumnValidation OneOf(const char* set, const char* category = "") {
  ColumnValidation validation = Kind(category);
  validation.set = set;
  return validation;
}

TableSchema MakeTable(const char* name, std::initializer_list<ColumnSpec> specs) {
  TableSchema table{name, {}};
  for (const ColumnSpec& spec : specs) {
    ColumnDefinition column;
    column.name = spec.name;
    ParseColumnType(spec.type, column);
    column.key = spec.key;
    column.validation = spec.validation;
    table.columns.push_back(column);
  }
  return table;
}

const std::vector<TableSchema>& StandardTables() {
  constexpr bool K = true;
  constexpr bool _ = false;
  constexpr int Max4 = 2147483647;
  const ColumnValidation id = Kind("Identifier");
  const ColumnValidation condition = Kind("Condition");
  const ColumnValidation text = Kind("Text");
  const ColumnValidation formatted = Kind("Formatted");
  const ColumnValidation version = Kind("Version");
  const ColumnValidation guid = Kind("Guid");
  const ColumnValidation signatureId = Link("ModuleSignature", 1);
  const ColumnValidation signatureLanguage = Link("ModuleSignature", 2, "");
  const ColumnValidation component = Link("Component");
  const ColumnValidation feature = Link("Feature");
  auto moduleSequence = [&](const char* name) {
    return MakeTable(name, {{"Action", "s64", K, id}, {"Sequence", "I2", _, Range(-4, 32767)},
                            {"BaseAction", "S64", _, Link(name)}, {"After", "I2", _, Range(0, 1)},
                            {"Condition", "S255", _, condition}});
  };
  auto productSequence = [&](const char* name) {
    return MakeTable(name, {{"Action", "s72", K, id}, {"Condition", "S255", _, condition},
                            {"Sequence", "I2", _, Range(-4, 32767)}});
  };
  static const std::vector<TableSchema> tables = {
      MakeTable("ModuleSignature", {{"ModuleID", "s72", K, id}, {"Language", "i2", K, Plain()},
                                    {"Version", "s32", _, version}}),
      MakeTable("ModuleDependency",
                {{"ModuleID", "s72", K, signatureId}, {"ModuleLanguage", "i2", K, signatureLanguage},
                 {"RequiredID", "s72", K, Plain()}, {"RequiredLanguage", "i2", K, Plain()},
                 {"RequiredVersion", "S32", _, version}}),
      MakeTable("ModuleExclusion",
                {{"ModuleID", "s72", K, signatureId}, {"ModuleLanguage", "i2", K, signatureLanguage},
                 {"ExcludedID", "s72", K, Plain()}, {"ExcludedLanguage", "i2", K, Plain()},
                 {"ExcludedMinVersion", "S32", _, version}, {"ExcludedMaxVersion", "S32", _, version}}),
      MakeTable("Dialog",
                {{"Dialog", "s72", K, id}, {"HCentering", "i2", _, Range(0, 100)},
                 {"VCentering", "i2", _, Range(0, 100)}, {"Width", "i2", _, Range(0, 32767)},
                 {"Height", "i2", _, Range(0, 32767)}, {"Attributes", "I4", _, Range(0, Max4)},
                 {"Title", "L128", _, formatted}, {"Control_First", "s50", _, Link("Control", 2)},
                 {"Control_Default", "S50", _, Link("Control", 2)},
                 {"Control_Cancel", "S50", _, Link("Control", 2)}}),
      MakeTable("CustomAction", {{"Action", "s72", K, id}, {"Type", "i2", _, Range(1, 32767)},
                                 {"Source", "S72", _, Kind("CustomSource")},
                                 {"Target", "S255", _, formatted}}),
      MakeTable("File",
                {{"File", "s72", K, id}, {"Component_", "s72", _, component},
                 {"FileName", "l255", _, Kind("Filename")}, {"FileSize", "i4", _, Range(0, Max4)},
                 {"Version", "S72", _, Link("File", 1, "Version")},
                 {"Language", "S20", _, Kind("Language")}, {"Attributes", "I2", _, Range(0, 32767)},
                 {"Sequence", "i4", _, Range(1, Max4)}}),
      MakeTable("Component",
                {{"Component", "s72", K, id}, {"ComponentId", "S38", _, guid},
                 {"Directory_", "s72", _, Link("Directory")}, {"Attributes", "i2", _, Plain()},
                 {"Condition", "S255", _, condition},
                 {"KeyPath", "S72", _, Link("File;Registry;ODBCDataSource")}}),
      MakeTable("Directory", {{"Directory", "s72", K, id},
                              {"Directory_Parent", "S72", _, Link("Directory")},
                              {"DefaultDir", "l255", _, Kind("DefaultDir")}}),
      MakeTable("Property", {{"Property", "s72", K, id}, {"Value", "l0", _, text}}),
      MakeTable("ModuleComponents", {{"Component", "s72", K, component},
                                     {"ModuleID", "s72", K, signatureId},
                                     {"Language", "i2", K, signatureLanguage}}),
      MakeTable("ModuleIgnoreTable", {{"Table", "s72", K, id}}),
      MakeTable("Registry", {{"Registry", "s72", K, id}, {"Root", "i2", _, Range(-1, 3)},
                             {"Key", "l255", _, Kind("RegPath")}, {"Name", "L255", _, formatted},
                             {"Value", "L0", _, formatted}, {"Component_", "s72", _, component}}),
      moduleSequence("ModuleInstallExecuteSequence"),
      moduleSequence("ModuleInstallUISequence"),
      moduleSequence("ModuleAdminExecuteSequence"),
      moduleSequence("ModuleAdminUISequence"),
      moduleSequence("ModuleAdvtExecuteSequence"),
      // COM registration as data.
      MakeTable("Class",
                {{"CLSID", "s38", K, guid}, {"Context", "s32", K, id}, {"Component_", "s72", K, component},
                 {"ProgId_Default", "S255", _, Link("ProgId", 1, "Text")}, {"Description", "L255", _, text},
                 {"AppId_", "S38", _, Link("AppId", 1, "Guid")}, {"FileTypeMask", "S255", _, text},
                 {"Icon_", "S72", _, Link("Icon")}, {"IconIndex", "I2", _, Range(-32767, 32767)},
                 {"DefInprocHandler", "S32", _, OneOf("1;2;3", "Filename")},
                 {"Argument", "S255", _, formatted}, {"Feature_", "s38", _, feature},
                 {"Attributes", "I2", _, Range(ColumnValidation::NoBound, 32767)}}),
      MakeTable("ProgId", {{"ProgId", "s255", K, text}, {"ProgId_Parent", "S255", _, Link("ProgId", 1, "Text")},
                           {"Class_", "S38", _, Link("Class", 1, "Guid")}, {"Description", "L255", _, text},
                           {"Icon_", "S72", _, Link("Icon")}, {"IconIndex", "I2", _, Range(-32767, 32767)}}),
      MakeTable("TypeLib",
                {{"LibID", "s38", K, guid}, {"Language", "i2", K, Range(0, 32767)},
                 {"Component_", "s72", K, component}, {"Version", "I4", _, Range(0, 16777215)},
                 {"Description", "L128", _, text}, {"Directory_", "S72", _, Link("Directory")},
                 {"Feature_", "s38", _, feature}, {"Cost", "I4", _, Range(0, Max4)}}),
      // The tables of a product that carries a module.
      MakeTable("Feature",
                {{"Feature", "s38", K, id}, {"Feature_Parent", "S38", _, feature},
                 {"Title", "L64", _, text}, {"Description", "L255", _, text},
                 {"Display", "I2", _, Range(0, 32767)}, {"Level", "i2", _, Range(0, 32767)},
                 {"Directory_", "S72", _, Link("Directory", 1, "UpperCase")},
                 {"Attributes", "i2", _,
                  OneOf("0;1;2;4;5;6;8;9;10;16;17;18;20;21;22;24;25;26;32;33;34;36;37;38;48;49;50;52;53;54")}}),
      MakeTable("FeatureComponents", {{"Feature_", "s38", K, feature}, {"Component_", "s72", K, component}}),
      MakeTable("Media", {{"DiskId", "i2", K, Range(1, 32767)}, {"LastSequence", "i4", _, Range(0, Max4)},
                          {"DiskPrompt", "L64", _, text}, {"Cabinet", "S255", _, Kind("Cabinet")},
                          {"VolumeLabel", "S32", _, text}, {"Source", "S72", _, Kind("Property")}}),
      productSequence("InstallExecuteSequence"),
      productSequence("InstallUISequence"),
      productSequence("AdminExecuteSequence"),
      productSequence("AdminUISequence"),
      productSequence("AdvtExecuteSequence"),
      MakeTable(ValidationTableName,
                {{"Table", "s32", K, id}, {"Column", "s32", K, id}, {"Nullable", "s4", _, OneOf("Y;N")},
                 {"MinValue", "I4", _, Range(-Max4, Max4)}, {"MaxValue", "I4", _, Range(-Max4, Max4)},
                 {"KeyTable", "S255", _, id}, {"KeyColumn", "I2", _, Range(1, 32)},
                 {"Category", "S32", _,
                  OneOf("Text;Formatted;Template;Condition;Guid;Path;Version;Language;Identifier;"
                        "Binary;UpperCase;LowerCase;Filename;Paths;AnyPath;WildCardFilename;"
                        "RegPath;CustomSource;Property;Cabinet;Shortcut;FormattedSDDLText;"
                        "Integer;DoubleInteger;TimeDate;DefaultDir")},
                 {"Set", "S255", _, text}, {"Description", "S255", _, text}}),
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
