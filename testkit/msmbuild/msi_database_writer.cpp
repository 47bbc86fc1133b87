#include "msi_database_writer.h"

#include "build_error.h"
#include "installer/msi_handle.h"
#include "text_encoding.h"

#include <windows.h>
#include <wtypes.h>

#include <cstdio>
#include <memory>

namespace msmbuild {
namespace {

void Check(UINT result, int line, const std::string& what) {
  if (result != ERROR_SUCCESS)
    throw BuildError(line, what + " failed in msi.dll (error " + std::to_string(result) + ")");
}

void Execute(MSIHANDLE database, const std::string& query, int line, MSIHANDLE parameters = 0) {
  MsiHandle view;
  Check(MsiDatabaseOpenViewW(database, WideFromUtf8(query).c_str(), view.Put()), line, query);
  Check(MsiViewExecute(view.Get(), parameters), line, query);
  Check(MsiViewClose(view.Get()), line, query);
}

// The database code page can only be set by importing the special "_ForceCodepage" table.
class TemporaryFile {
 public:
  TemporaryFile() {
    wchar_t folder[MAX_PATH];
    wchar_t path[MAX_PATH];
    if (!GetTempPathW(MAX_PATH, folder) || !GetTempFileNameW(folder, L"msm", 0, path))
      throw BuildError(0, "cannot create a temporary file (error " + std::to_string(GetLastError()) + ")");
    folder_ = folder;
    path_ = path;
  }
  ~TemporaryFile() { DeleteFileW(path_.c_str()); }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  void Write(const std::string& content) const {
    std::unique_ptr<FILE, int (*)(FILE*)> file(_wfopen(path_.c_str(), L"wb"), fclose);
    if (!file || fwrite(content.data(), 1, content.size(), file.get()) != content.size())
      throw BuildError(0, "cannot write the temporary file " + Utf8FromWide(path_));
  }
  const std::wstring& Folder() const { return folder_; }
  std::wstring Name() const { return path_.substr(path_.find_last_of(L"\\/") + 1); }

 private:
  std::wstring folder_;
  std::wstring path_;
};

void SetCodePage(MSIHANDLE database, unsigned codePage) {
  TemporaryFile file;
  file.Write("\r\n\r\n" + std::to_string(codePage) + "\t_ForceCodepage\r\n");
  Check(MsiDatabaseImportW(database, file.Folder().c_str(), file.Name().c_str()), 0,
        "setting code page " + std::to_string(codePage));
}

std::string InsertQuery(const TableDescription& table) {
  std::string columns;
  std::string markers;
  for (size_t index : table.givenColumns) {
    columns += (columns.empty() ? "`" : ", `") + table.schema.columns[index].name + "`";
    markers += markers.empty() ? "?" : ", ?";
  }
  return "INSERT INTO `" + table.schema.name + "` (" + columns + ") VALUES (" + markers + ")";
}

void WriteTable(MSIHANDLE database, const TableDescription& table) {
  Execute(database, CreateTableQuery(table.schema), table.line);
  if (table.rows.empty()) return;
  const std::string insert = InsertQuery(table);
  MsiHandle view;
  Check(MsiDatabaseOpenViewW(database, WideFromUtf8(insert).c_str(), view.Put()), table.line, insert);
  for (const TableRow& row : table.rows) {
    // A field left unset is null.
    MsiHandle record(MsiCreateRecord(static_cast<UINT>(row.cells.size())));
    if (!record) throw BuildError(row.line, "msi.dll cannot create a record");
    for (size_t i = 0; i < row.cells.size(); ++i) {
      const CellValue& cell = row.cells[i];
      if (cell.isNull) continue;
      const UINT field = static_cast<UINT>(i + 1);
      const bool isInteger = table.schema.columns[table.givenColumns[i]].isInteger;
      Check(isInteger ? MsiRecordSetInteger(record.Get(), field, cell.number)
                      : MsiRecordSetStringW(record.Get(), field, cell.text.c_str()),
            row.line, "setting field " + std::to_string(field));
    }
    Check(MsiViewExecute(view.Get(), record.Get()), row.line, "inserting the row into " + table.schema.name);
    Check(MsiViewClose(view.Get()), row.line, insert);
  }
}

// A relative stream file is found beside the description.
std::wstring StreamFilePath(const std::wstring& path, const std::wstring& baseFolder) {
  const bool absolute = (path.size() > 1 && path[1] == L':') || path[0] == L'\\' || path[0] == L'/';
  if (absolute || baseFolder.empty()) return path;
  return baseFolder + L"\\" + path;
}

void WriteStreams(MSIHANDLE database, const std::vector<StreamDescription>& streams,
                  const std::wstring& baseFolder) {
  if (streams.empty()) return;
  const std::string insert = "INSERT INTO `_Streams` (`Name`, `Data`) VALUES (?, ?)";
  MsiHandle view;
  Check(MsiDatabaseOpenViewW(database, WideFromUtf8(insert).c_str(), view.Put()), streams[0].line, insert);
  for (const StreamDescription& stream : streams) {
    const std::wstring file = StreamFilePath(stream.path, baseFolder);
    MsiHandle record(MsiCreateRecord(2));
    if (!record) throw BuildError(stream.line, "msi.dll cannot create a record");
    Check(MsiRecordSetStringW(record.Get(), 1, stream.name.c_str()), stream.line, "naming the stream");
    if (MsiRecordSetStreamW(record.Get(), 2, file.c_str()) != ERROR_SUCCESS)
      throw BuildError(stream.line, "cannot read the stream file " + Utf8FromWide(file));
    Check(MsiViewExecute(view.Get(), record.Get()), stream.line, "adding the stream " + Utf8FromWide(stream.name));
    Check(MsiViewClose(view.Get()), stream.line, insert);
  }
}

void WriteSummary(MSIHANDLE database, const std::vector<SummaryValue>& values) {
  MsiHandle summary;
  const UINT updateCount = static_cast<UINT>(values.size()) + 1;
  Check(MsiGetSummaryInformationW(database, nullptr, updateCount, summary.Put()),
        0, "opening the summary information");
  for (const SummaryValue& value : values) {
    if (value.NeedsStorageLevel()) continue;
    UINT result = ERROR_SUCCESS;
    switch (value.storedType) {
      case SummaryType::Text:
        result = MsiSummaryInfoSetPropertyW(summary.Get(), value.property->id, VT_LPSTR, 0, nullptr,
                                            value.text.c_str());
        break;
      case SummaryType::Short:
      case SummaryType::Long:
        result = MsiSummaryInfoSetPropertyW(summary.Get(), value.property->id,
                                            value.storedType == SummaryType::Short ? VT_I2 : VT_I4,
                                            value.number, nullptr, nullptr);
        break;
      case SummaryType::FileTime: {
        FILETIME time{static_cast<DWORD>(value.fileTime), static_cast<DWORD>(value.fileTime >> 32)};
        result = MsiSummaryInfoSetPropertyW(summary.Get(), value.property->id, VT_FILETIME, 0, &time,
                                            nullptr);
        break;
      }
    }
    Check(result, value.line, std::string("setting summary ") + value.property->name);
  }
  // The property set writer that stores the values msi.dll refuses takes a set without a code
  // page for a Unicode one and adds Codepage 1200; the code page of the text msi.dll wrote
  // (the ANSI code page) keeps it right.
  bool needsStorageLevel = false;
  bool hasCodePage = false;
  for (const SummaryValue& value : values) {
    needsStorageLevel |= value.NeedsStorageLevel();
    hasCodePage |= value.property->id == CodePagePropertyId;
  }
  if (needsStorageLevel && !hasCodePage)
    Check(MsiSummaryInfoSetPropertyW(summary.Get(), CodePagePropertyId, VT_I2, static_cast<INT>(GetACP()),
                                     nullptr, nullptr),
          0, "setting summary Codepage");
  Check(MsiSummaryInfoPersist(summary.Get()), 0, "writing the summary information");
}

}  // namespace

void WriteDatabase(const PackageDescription& description, const std::wstring& path,
                   const std::wstring& baseFolder) {
  MsiHandle database;
  Check(MsiOpenDatabaseW(path.c_str(), reinterpret_cast<LPCWSTR>(MSIDBOPEN_CREATE), database.Put()),
        0, "creating " + Utf8FromWide(path));
  SetCodePage(database.Get(), description.codePage);
  for (const TableDescription& table : description.tables) WriteTable(database.Get(), table);
  WriteStreams(database.Get(), description.streams, baseFolder);
  if (!description.summary.empty()) WriteSummary(database.Get(), description.summary);
  Check(MsiDatabaseCommit(database.Get()), 0, "committing " + Utf8FromWide(path));
}

}  // namespace msmbuild
