#include "installer/msi_check.h"

#include "common/com_exception.h"
#include "common/com_ref.h"
#include "common/text.h"
#include "installer/package_file_check.h"

#include <oleauto.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// Used when the error record carries no template of its own.
const char kErrorTemplate[] = "Windows Installer Error [1]: [2]{, [3]}{, [4]}{, [5]}\n";
constexpr DWORD kFormattedErrorSize = 1024;

std::string InstallerErrorMessage(HRESULT result) {
  MsiHandle errorRecord(Msi().GetLastErrorRecord());
  if (!errorRecord) return SystemMessageText(result);
  if (Msi().RecordIsNull(errorRecord.Get(), 0)) {
    CheckMsiResult(Msi().RecordSetStringA(errorRecord.Get(), 0, kErrorTemplate),
                   "MsiRecordSetString");
  }
  char formatted[kFormattedErrorSize] = {};
  DWORD size = kFormattedErrorSize;
  Msi().FormatRecordA(0, errorRecord.Get(), formatted, &size);  // what does not fit is lost
  formatted[kFormattedErrorSize - 1] = '\0';
  return formatted;
}

std::string ComposeErrorText(const std::string& message, const char* callName,
                             const char* first, const char* second) {
  const bool hasFirst = *first != '\0';
  const bool hasSecond = hasFirst && *second != '\0';
  const size_t room = message.size() + strlen(callName) + strlen(first) + strlen(second) + 8;
  std::vector<char> text(room);
  if (!hasFirst) {
    snprintf(text.data(), room, "%s%s()", message.c_str(), callName);
  } else if (!hasSecond) {
    snprintf(text.data(), room, "%s%s(%s)", message.c_str(), callName, first);
  } else {
    snprintf(text.data(), room, "%s%s(%s, %s)", message.c_str(), callName, first, second);
  }
  return text.data();
}

// Installs an error information object with `text` as its only content (no source, no
// interface identifier) for the calling thread.
void InstallThreadErrorText(const std::string& text) {
  ComRef<ICreateErrorInfo> created;
  ThrowIfFailed(CreateErrorInfo(created.Put()));
  const WideString description = WideString::FromAnsi(text.c_str(), text.size());
  ThrowIfFailed(created->SetDescription(const_cast<wchar_t*>(description.c_str())));
  ComRef<IErrorInfo> info;
  ThrowIfFailed(created.QueryTo(IID_IErrorInfo, info));
  ThrowIfFailed(SetErrorInfo(0, info.Get()));
}

}  // namespace

void CheckMsiResult(UINT code, const char* callName, const char* firstArgument,
                    const char* secondArgument) {
  if (code == 0) return;
  const HRESULT result = HresultFromWin32Code(static_cast<LONG>(code));
  const std::string message = InstallerErrorMessage(result);
  InstallThreadErrorText(ComposeErrorText(message, callName, firstArgument ? firstArgument : "",
                                          secondArgument ? secondArgument : ""));
  ThrowIfFailed(result);
}

void OpenDatabaseReadOnly(const WideString& packagePath, MsiHandle& database) {
  const std::string path = AnsiFromWide(packagePath);
  // A damaged package or an overlong path is refused before the installer sees it.
  const HRESULT problem = PackageFileProblem(packagePath);
  if (problem != S_OK) CheckMsiResult(HRESULT_CODE(problem), "MsiOpenDatabase", path.c_str());
  CheckMsiResult(Msi().OpenDatabaseA(path.c_str(), MSIDBOPEN_READONLY, database.Put()),
                 "MsiOpenDatabase", path.c_str());
}

UINT OpenViewAndExecute(MsiHandle& view, MSIHANDLE database, const char* sql) {
  view.Reset();
  CheckMsiResult(Msi().DatabaseOpenViewA(database, sql, view.Put()), "MsiOpenDatabaseView");
  return ExecuteView(view.Get(), 0);
}

UINT OpenViewExecuteAndFetch(MsiHandle& view, MSIHANDLE database, const char* sql,
                             MsiHandle& record) {
  OpenViewAndExecute(view, database, sql);
  return FetchRecord(view.Get(), record);
}

UINT FetchRecord(MSIHANDLE view, MsiHandle& record) {
  const UINT code = Msi().ViewFetch(view, record.Put());
  if (code == ERROR_SUCCESS || code == ERROR_NO_MORE_ITEMS) return code;
  CheckMsiResult(code, "MsiViewFetch");
  return code;
}

UINT ExecuteView(MSIHANDLE view, MSIHANDLE parameters) {
  CheckMsiResult(Msi().ViewExecute(view, parameters), "MsiViewExecute");
  return ERROR_SUCCESS;
}

UINT ReadRecordField(MSIHANDLE record, UINT field, std::string& value) {
  char buffer[MsiFieldBufferSize] = {};
  DWORD size = MsiFieldBufferSize;
  const UINT code = Msi().RecordGetStringA(record, field, buffer, &size);
  if (code == ERROR_SUCCESS) value.assign(buffer, strnlen(buffer, MsiFieldBufferSize));
  return code;
}
