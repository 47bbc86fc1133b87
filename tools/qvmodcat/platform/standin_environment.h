// The values the environment's stand-ins read (HKCU\Software\Quorvane\Showloom\StandIn, or
// the subkey named by QV_STANDIN_KEY), set for one run of the inspector: each value given on
// the command line is written before the catalog is created, and every value written is put
// back as it was when the run ends, also after an error or Ctrl+C.  An isolated run uses an
// empty key of its own instead, removed when the run ends.
#pragma once

#include "interrupt.h"

#include <windows.h>

#include <string>
#include <vector>

namespace qvmodcat {

// One registry value to set for the run.
struct StandInSetting {
  std::wstring Name;
  DWORD Type = REG_SZ;      // REG_SZ or REG_DWORD
  std::wstring Text;        // REG_SZ
  DWORD Number = 0;         // REG_DWORD
  bool Remove = false;      // delete the value instead (ends the ModuleFolder<n> list)
};

// The key the stand-ins read, relative to HKEY_CURRENT_USER.
std::wstring StandInKeyPath();

class StandInEnvironment : private InterruptCleanup {
 public:
  // Writes the settings (none, and not isolated: touches nothing).  Throws ComError when the
  // key cannot be opened or a value cannot be written; what was written so far is restored
  // first.
  StandInEnvironment(const std::vector<StandInSetting>& settings, bool isolated);
  ~StandInEnvironment();
  StandInEnvironment(const StandInEnvironment&) = delete;
  StandInEnvironment& operator=(const StandInEnvironment&) = delete;

 private:
  struct Saved {
    std::wstring Name;
    bool Existed = false;
    DWORD Type = 0;
    std::vector<BYTE> Data;
  };
  void Write(HKEY key, const StandInSetting& setting);
  void Undo() noexcept override;  // puts every changed value back; runs once

  std::wstring keyPath_;
  bool isolated_ = false;
  bool keyCreated_ = false;
  std::vector<Saved> saved_;
  bool restored_ = false;
};

}  // namespace qvmodcat
