#include "installer/msi_library.h"

namespace {

MsiLibrary& Table() noexcept {
  static MsiLibrary table = {
      MsiOpenDatabaseA,    MsiDatabaseOpenViewA, MsiDatabaseIsTablePersistentA,
      MsiViewExecute,      MsiViewFetch,         MsiViewClose,
      MsiCreateRecord,     MsiRecordIsNull,      MsiRecordGetStringA,
      MsiRecordSetStringA, MsiFormatRecordA,     MsiGetLastErrorRecord,
      MsiCloseHandle,
  };
  return table;
}

}  // namespace

const MsiLibrary& Msi() noexcept { return Table(); }

MsiLibraryOverride::MsiLibraryOverride() noexcept : saved_(::Table()) {}

MsiLibraryOverride::~MsiLibraryOverride() { ::Table() = saved_; }

MsiLibrary& MsiLibraryOverride::Table() noexcept { return ::Table(); }
