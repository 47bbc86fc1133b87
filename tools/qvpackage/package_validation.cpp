#include "package_validation.h"

#include "component_file.h"
#include "common/text.h"
#include "installer/msi_handle.h"

#include <msiquery.h>

#include <stdexcept>

namespace qvpackage {
namespace {

std::wstring Field(MSIHANDLE record, UINT field) {
  wchar_t text[256] = {};
  DWORD length = 256;
  MsiRecordGetStringW(record, field, text, &length);
  return text;
}

void Check(UINT result, const std::string& what) {
  if (result != ERROR_SUCCESS)
    throw std::runtime_error(what + " failed (installer error " + std::to_string(result) + ")");
}

const char* ErrorName(MSIDBERROR error) {
  static const char* const names[] = {
      "no error", "duplicate key", "null in a required column", "no row for the foreign key",
      "above the maximum", "below the minimum", "not in the permitted set", "not a version",
      "wrong case", "not a GUID", "bad wildcard", "not an identifier", "not a language",
      "not a file name", "not a path", "not a condition", "bad formatted text", "bad template",
      "bad DefaultDir", "bad registry path", "bad custom action source", "bad property",
      "no _Validation row for the column", "bad category", "bad key table",
      "bad minimum or maximum", "bad cabinet", "bad shortcut", "text too long",
      "bad localization attribute"};
  const size_t index = static_cast<size_t>(error);
  return index < sizeof names / sizeof names[0] ? names[index] : "invalid";
}

// Validates the rows of one table; false when this msi.dll cannot validate at all.
bool ValidateTable(MSIHANDLE database, const std::wstring& table, ValidationReport& report) {
  MsiHandle view;
  Check(MsiDatabaseOpenViewW(database, (L"SELECT * FROM `" + table + L"`").c_str(), view.Put()),
        "reading " + Utf8FromWide(table));
  Check(MsiViewExecute(view.Get(), 0), "reading " + Utf8FromWide(table));
  for (int row = 1;; ++row) {
    MsiHandle record;
    if (MsiViewFetch(view.Get(), record.Put()) != ERROR_SUCCESS) return true;
    const UINT result = MsiViewModify(view.Get(), MSIMODIFY_VALIDATE, record.Get());
    if (result == ERROR_CALL_NOT_IMPLEMENTED) return false;
    ++report.RowsChecked;
    if (result == ERROR_SUCCESS) continue;
    for (;;) {
      wchar_t column[80] = {};
      DWORD length = 80;
      const MSIDBERROR error = MsiViewGetErrorW(view.Get(), column, &length);
      if (error == MSIDBERROR_NOERROR || error == MSIDBERROR_FUNCTIONERROR ||
          error == MSIDBERROR_INVALIDARG || error == MSIDBERROR_MOREDATA)
        break;
      report.Errors.push_back(Utf8FromWide(table) + "." + Utf8FromWide(std::wstring(column)) + ": " +
                              ErrorName(error) + " (row " + std::to_string(row) + ")");
    }
  }
}

}  // namespace

ValidationReport ValidatePackage(const std::wstring& path) {
  MsiHandle database;
  Check(MsiOpenDatabaseW(path.c_str(), reinterpret_cast<LPCWSTR>(MSIDBOPEN_READONLY), database.Put()),
        "opening " + Utf8FromWide(path));
  std::vector<std::wstring> tables;
  {
    MsiHandle view;
    Check(MsiDatabaseOpenViewW(database.Get(), L"SELECT `Name` FROM `_Tables`", view.Put()),
          "listing the tables");
    Check(MsiViewExecute(view.Get(), 0), "listing the tables");
    for (MsiHandle record; MsiViewFetch(view.Get(), record.Put()) == ERROR_SUCCESS;)
      tables.push_back(Field(record.Get(), 1));
  }
  ValidationReport report;
  for (const std::wstring& table : tables)
    if (!ValidateTable(database.Get(), table, report)) {
      report.Available = false;
      break;
    }
  return report;
}

}  // namespace qvpackage
