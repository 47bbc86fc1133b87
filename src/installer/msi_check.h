// Checked calls of the installer library.
//
// Every result code of an installer-library call goes through CheckMsiResult, which turns a
// failure into com_exception whose description is the installer's error text (or the system's
// text for the code) followed by the failing call, e.g. "...MsiOpenDatabase(C:\a.msm)".
#pragma once

#include "common/wide_string.h"
#include "installer/msi_handle.h"

#include <string>

// Nothing for 0; otherwise installs error information with the composed text for the thread
// and raises com_exception with the Win32-facility HRESULT of the code (a negative code is an
// HRESULT already).
void CheckMsiResult(UINT code, const char* callName, const char* firstArgument = "",
                    const char* secondArgument = "");

// Opens a package read-only through the library; a failure is checked as
// "MsiOpenDatabase(<path>)".
void OpenDatabaseReadOnly(const WideString& packagePath, MsiHandle& database);

// Closes the holder's old view, opens a view on `sql` and executes it without parameters.
// Failures raise as "MsiOpenDatabaseView()" or "MsiViewExecute()".  Returns 0.
UINT OpenViewAndExecute(MsiHandle& view, MSIHANDLE database, const char* sql);
// As OpenViewAndExecute, then fetches the first row: 0 for a row, 259 for none.
UINT OpenViewExecuteAndFetch(MsiHandle& view, MSIHANDLE database, const char* sql,
                             MsiHandle& record);
// Fetches the next row: 0 for a row, 259 (ERROR_NO_MORE_ITEMS) at the end; any other code
// raises as "MsiViewFetch()".
UINT FetchRecord(MSIHANDLE view, MsiHandle& record);
// Executes a view with a parameter record (0 for none); a failure raises as "MsiViewExecute()".
UINT ExecuteView(MSIHANDLE view, MSIHANDLE parameters);

// Room of the fixed buffer that record text fields are read into, terminator included.
constexpr DWORD MsiFieldBufferSize = 260;
// Reads a text field into a fixed buffer of 260 characters.  Returns the library's code; any
// code but 0 (ERROR_MORE_DATA for a longer value among them) is a failed read and leaves
// `value` unchanged.  There is deliberately no second attempt with a larger buffer.
UINT ReadRecordField(MSIHANDLE record, UINT field, std::string& value);
