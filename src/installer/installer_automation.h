// The members of the Windows Installer automation objects that the component calls, by their
// dispatch identifiers (the platform's numbers, used without its type library).
#pragma once

#include "common/com_ref.h"
#include "common/wide_string.h"

#include <oaidl.h>

namespace InstallerMember {
constexpr DISPID InstallerOpenDatabase = 4;       // method (path, open mode) -> Database
constexpr DISPID DatabaseOpenView = 3;            // method (sql) -> View
constexpr DISPID DatabaseSummaryInformation = 2;  // property get (update count) -> SummaryInfo
constexpr DISPID ViewExecute = 1;                 // method (parameter record)
constexpr DISPID ViewFetch = 2;                   // method -> Record, empty after the last row
constexpr DISPID ViewClose = 4;                   // method
constexpr DISPID RecordStringData = 1;            // property get (field) -> text
constexpr DISPID RecordIntegerData = 2;           // property get (field) -> integer
constexpr DISPID SummaryInfoProperty = 1;         // property get (property id) -> VARIANT
}  // namespace InstallerMember

// Summary information property identifiers the package reader uses.
namespace SummaryProperty {
constexpr LONG Subject = 3;
constexpr LONG Author = 4;
constexpr LONG Comments = 6;
constexpr LONG RevisionNumber = 9;
}  // namespace SummaryProperty

// Each call raises com_exception with ErrorOrigin::InstallerAutomation when it fails.

// Installer.OpenDatabase(path, 0): the package opened read-only.
ComRef<IDispatch> OpenInstallerDatabase(IDispatch* installer, const WideString& path);
// Database.SummaryInformation(0).
ComRef<IDispatch> GetSummaryInformation(IDispatch* database);
// SummaryInfo.Property(id), as the installer gives it.
void GetSummaryProperty(IDispatch* summary, LONG property, VARIANT* value);

// How many times OpenInstallerDatabase has been called in this process: every read of a
// package opens it once, so this measures how often packages are opened.
unsigned long InstallerDatabaseOpenCount() noexcept;
