#include "standin_environment.h"

#include "com_client.h"
#include "common/unique_handle.h"  // header-only

namespace qvmodcat {

namespace {

constexpr wchar_t kDefaultKey[] = L"Software\\Quorvane\\Showloom\\StandIn";

StandInEnvironment* g_active = nullptr;  // the environment the Ctrl+C handler restores

BOOL WINAPI RestoreOnInterrupt(DWORD) {
  if (g_active) g_active->Restore();
  return FALSE;  // let the default handler end the process
}

[[noreturn]] void ThrowRegistryError(const wchar_t* call, LONG code, const std::wstring& what) {
  const HRESULT result = HRESULT_FROM_WIN32(static_cast<DWORD>(code));
  throw ComError(call, result, L"registry", SystemMessage(result) + L" (" + what + L")");
}

}  // namespace

std::wstring StandInKeyPath() {
  wchar_t buffer[512];
  const DWORD length = GetEnvironmentVariableW(L"QV_STANDIN_KEY", buffer, 512);
  if (length > 0 && length < 512) return buffer;
  return kDefaultKey;
}

StandInEnvironment::StandInEnvironment(const std::vector<StandInSetting>& settings)
    : keyPath_(StandInKeyPath()) {
  if (settings.empty()) {
    restored_ = 1;
    return;
  }
  RegKey key;
  DWORD disposition = 0;
  const LONG opened = RegCreateKeyExW(HKEY_CURRENT_USER, keyPath_.c_str(), 0, nullptr, 0,
                                      KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, key.Put(),
                                      &disposition);
  if (opened != ERROR_SUCCESS) ThrowRegistryError(L"RegCreateKeyEx", opened, keyPath_);
  keyCreated_ = disposition == REG_CREATED_NEW_KEY;
  g_active = this;
  SetConsoleCtrlHandler(RestoreOnInterrupt, TRUE);
  try {
    for (const StandInSetting& setting : settings) {
      Saved saved;
      saved.Name = setting.Name;
      DWORD size = 0;
      if (RegQueryValueExW(key.Get(), setting.Name.c_str(), nullptr, &saved.Type, nullptr,
                           &size) == ERROR_SUCCESS) {
        saved.Data.resize(size);
        saved.Existed = RegQueryValueExW(key.Get(), setting.Name.c_str(), nullptr, &saved.Type,
                                         saved.Data.data(), &size) == ERROR_SUCCESS;
        saved.Data.resize(size);
      }
      // A value set twice keeps the first saved state.
      bool known = false;
      for (const Saved& earlier : saved_) known = known || earlier.Name == saved.Name;
      if (!known) saved_.push_back(saved);

      LONG written = ERROR_SUCCESS;
      if (setting.Remove) {
        written = RegDeleteValueW(key.Get(), setting.Name.c_str());
        if (written == ERROR_FILE_NOT_FOUND) written = ERROR_SUCCESS;
      } else if (setting.Type == REG_DWORD) {
        written = RegSetValueExW(key.Get(), setting.Name.c_str(), 0, REG_DWORD,
                                 reinterpret_cast<const BYTE*>(&setting.Number), sizeof(DWORD));
      } else {
        written = RegSetValueExW(key.Get(), setting.Name.c_str(), 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(setting.Text.c_str()),
                                 static_cast<DWORD>((setting.Text.size() + 1) * sizeof(wchar_t)));
      }
      if (written != ERROR_SUCCESS)
        ThrowRegistryError(L"RegSetValueEx", written, keyPath_ + L"\\" + setting.Name);
    }
  } catch (...) {
    Restore();
    throw;
  }
}

StandInEnvironment::~StandInEnvironment() { Restore(); }

void StandInEnvironment::Restore() noexcept {
  if (InterlockedExchange(&restored_, 1) != 0) return;
  RegKey key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath_.c_str(), 0, KEY_SET_VALUE | KEY_QUERY_VALUE,
                    key.Put()) == ERROR_SUCCESS) {
    for (const Saved& saved : saved_) {
      if (saved.Existed) {
        RegSetValueExW(key.Get(), saved.Name.c_str(), 0, saved.Type, saved.Data.data(),
                       static_cast<DWORD>(saved.Data.size()));
      } else {
        RegDeleteValueW(key.Get(), saved.Name.c_str());
      }
    }
    DWORD values = 0, subkeys = 0;
    const bool empty = RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, &subkeys, nullptr,
                                        nullptr, &values, nullptr, nullptr, nullptr,
                                        nullptr) == ERROR_SUCCESS &&
                       values == 0 && subkeys == 0;
    key.Reset();
    // A key this run made, and that nobody filled meanwhile, goes again.
    if (keyCreated_ && empty) RegDeleteKeyW(HKEY_CURRENT_USER, keyPath_.c_str());
  }
  SetConsoleCtrlHandler(RestoreOnInterrupt, FALSE);
  g_active = nullptr;
}

}  // namespace qvmodcat
