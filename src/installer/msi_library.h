// MsiLibrary: the one table through which the component reaches the installer library.
//
// Every msi.dll function the component calls is an entry here, bound to the real function by
// default.  Tests replace single entries through MsiLibraryOverride to produce what the
// platform will not produce on demand (an error record, a failing fetch); nothing else ever
// writes to the table.
#pragma once

#include <windows.h>
#include <msi.h>
#include <msiquery.h>

struct MsiLibrary {
  UINT(WINAPI* OpenDatabaseA)(LPCSTR path, LPCSTR persist, MSIHANDLE* database);
  UINT(WINAPI* DatabaseOpenViewA)(MSIHANDLE database, LPCSTR query, MSIHANDLE* view);
  MSICONDITION(WINAPI* DatabaseIsTablePersistentA)(MSIHANDLE database, LPCSTR table);
  UINT(WINAPI* ViewExecute)(MSIHANDLE view, MSIHANDLE parameters);
  UINT(WINAPI* ViewFetch)(MSIHANDLE view, MSIHANDLE* record);
  UINT(WINAPI* ViewClose)(MSIHANDLE view);
  MSIHANDLE(WINAPI* CreateRecord)(UINT fieldCount);
  BOOL(WINAPI* RecordIsNull)(MSIHANDLE record, UINT field);
  UINT(WINAPI* RecordGetStringA)(MSIHANDLE record, UINT field, LPSTR buffer, DWORD* size);
  UINT(WINAPI* RecordSetStringA)(MSIHANDLE record, UINT field, LPCSTR value);
  UINT(WINAPI* FormatRecordA)(MSIHANDLE install, MSIHANDLE record, LPSTR buffer, DWORD* size);
  MSIHANDLE(WINAPI* GetLastErrorRecord)();
  UINT(WINAPI* CloseHandle)(MSIHANDLE handle);
};

// The process-wide table (the real functions unless a test replaced some).
const MsiLibrary& Msi() noexcept;

// Replaces entries of the table for the life of the object and restores the whole table when
// it goes away.  Overrides nest: each one restores what it found.
class MsiLibraryOverride {
 public:
  MsiLibraryOverride() noexcept;
  ~MsiLibraryOverride();
  MsiLibraryOverride(const MsiLibraryOverride&) = delete;
  MsiLibraryOverride& operator=(const MsiLibraryOverride&) = delete;

  MsiLibrary& Table() noexcept;
  MsiLibrary* operator->() noexcept { return &Table(); }
  // The entries in force when the override began, to forward to.
  const MsiLibrary& Previous() const noexcept { return saved_; }

 private:
  MsiLibrary saved_;
};
