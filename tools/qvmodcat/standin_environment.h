// The values the environment's stand-ins read (HKCU\Software\Quorvane\Showloom\StandIn, or
// the subkey named by QV_STANDIN_KEY), set for one run of the inspector: each value given on
// the command line is written before the catalog is created, and every value written is put
// back as it was when the run ends, also after an error or Ctrl+C.
#pragma once

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

class StandInEnvironment {
 public:
  // Writes the settings (none: touches nothing).  Throws ComError when the key cannot be
  // opened or a value cannot be written; what was written so far is restored first.
  explicit StandInEnvironment(const std::vector<StandInSetting>& settings);
  ~StandInEnvironment();
  StandInEnvironment(const StandInEnvironment&) = delete;
  StandInEnvironment& operator=(const StandInEnvironment&) = delete;

  // Puts every changed value back; runs once (the destructor or the Ctrl+C handler).
  void Restore() noexcept;

 private:
  struct Saved {
    std::wstring Name;
    bool Existed = false;
    DWORD Type = 0;
    std::vector<BYTE> Data;
  };
  std::wstring keyPath_;
  bool keyCreated_ = false;
  std::vector<Saved> saved_;
  volatile LONG restored_ = 0;
};

}  // namespace qvmodcat
