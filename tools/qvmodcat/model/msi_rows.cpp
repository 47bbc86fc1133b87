#include "msi_rows.h"

#include "com_client.h"

#include <msiquery.h>

namespace qvmodcat {

namespace {

std::wstring Field(MSIHANDLE record, UINT field) {
  wchar_t small[64];
  DWORD length = 64;
  UINT result = MsiRecordGetStringW(record, field, small, &length);
  if (result == ERROR_SUCCESS) return std::wstring(small, length);
  if (result != ERROR_MORE_DATA) return L"";
  std::vector<wchar_t> buffer(length + 1);
  length = static_cast<DWORD>(buffer.size());
  if (MsiRecordGetStringW(record, field, buffer.data(), &length) != ERROR_SUCCESS) return L"";
  return std::wstring(buffer.data(), length);
}

}  // namespace

void OpenPackageDatabase(const std::wstring& path, MsiHandle& database) {
  const UINT result =
      MsiOpenDatabaseW(path.c_str(), reinterpret_cast<LPCWSTR>(MSIDBOPEN_READONLY), database.Put());
  if (result != ERROR_SUCCESS) {
    const HRESULT code = HRESULT_FROM_WIN32(result);
    throw ComError(L"MsiOpenDatabase", code, L"msi.dll",
                   SystemMessage(code) + L" (" + path + L")");
  }
}

std::vector<std::vector<std::wstring>> QueryRows(MSIHANDLE database, const wchar_t* query,
                                                 unsigned columns) {
  std::vector<std::vector<std::wstring>> rows;
  MsiHandle view;
  if (MsiDatabaseOpenViewW(database, query, view.Put()) != ERROR_SUCCESS) return rows;
  if (MsiViewExecute(view.Get(), 0) != ERROR_SUCCESS) return rows;
  for (;;) {
    MsiHandle record;
    if (MsiViewFetch(view.Get(), record.Put()) != ERROR_SUCCESS) break;
    std::vector<std::wstring> row;
    row.reserve(columns);
    for (UINT field = 1; field <= columns; ++field) row.push_back(Field(record.Get(), field));
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace qvmodcat
