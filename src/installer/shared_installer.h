// SharedInstaller: the one Windows Installer automation object of the process.
//
// Every ModuleRecord takes a share while it lives: the first one creates the object from the
// ProgID "WindowsInstaller.Installer", the last one to go releases it, and the next record
// creates a new one.  Used on the apartment thread only, so the count is a plain counter.
// The release at unload is the process-wide state's destructor: the library's static clean-up
// releases an object that records still hold.
#pragma once

#include "common/com_ref.h"

#include <oaidl.h>

namespace SharedInstaller {

// Creates the object when there is none, then counts one more record.  A failing creation
// raises com_exception and counts nothing.  An object without IDispatch is tolerated: the
// share is taken and the object stays empty (every call on it then fails with E_POINTER).
void Acquire();
// Counts one record less; the last one releases the object.
void Release() noexcept;

// The object (empty while no record lives).
ComRef<IDispatch> Get() noexcept;

// For tests that need the installer to fail in ways the platform will not on demand: puts a
// wrapper of the shared object in its place while records live, and puts the object back.
class Replacement {
 public:
  explicit Replacement(const ComRef<IDispatch>& replacement) noexcept;
  ~Replacement();
  Replacement(const Replacement&) = delete;
  Replacement& operator=(const Replacement&) = delete;

 private:
  ComRef<IDispatch> saved_;
};

}  // namespace SharedInstaller
