// Reading a package's tables directly through msi.dll, read-only: the database handle's owner
// and the rows of a query as text.
#pragma once

#include <windows.h>
#include <msi.h>

#include <string>
#include <vector>

namespace qvmodcat {

class MsiOwner {
 public:
  MsiOwner() noexcept = default;
  MsiOwner(const MsiOwner&) = delete;
  MsiOwner& operator=(const MsiOwner&) = delete;
  ~MsiOwner() { Reset(); }
  void Reset() noexcept;
  MSIHANDLE* Put() noexcept {
    Reset();
    return &handle_;
  }
  MSIHANDLE Get() const noexcept { return handle_; }

 private:
  MSIHANDLE handle_ = 0;
};

// Opens a package read-only; throws ComError (source msi.dll) when it cannot be opened.
void OpenPackageDatabase(const std::wstring& path, MsiOwner& database);

// Every row of a query, each field as text (an integer field as its decimal text, null as
// empty).  A table the package lacks gives no rows.
std::vector<std::vector<std::wstring>> QueryRows(MSIHANDLE database, const wchar_t* query,
                                                 unsigned columns);

}  // namespace qvmodcat
