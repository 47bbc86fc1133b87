#include "standin_environment.h"

#include "com_client.h"
#include "common/unique_handle.h"  // header-only

namespace qvmodcat {

namespace {

constexpr wchar_t kDefaultKey[] = L"Software\\Quorvane\\Showloom\\StandIn";
// Isolated runs: one key per process, "qvmodcat-<process id>".
constexpr wchar_t kRunsKey[] = L"Software\\Quorvane\\Showloom\\StandInRuns";
constexpr wchar_t kRunPrefix[] = L"qvmodcat-";

[[noreturn]] void ThrowRegistryError(const wchar_t* call, LONG code, const std::wstring& what) {
  const HRESULT result = HRESULT_FROM_WIN32(static_cast<DWORD>(code));
  throw ComError(call, result, L"registry", SystemMessage(result) + L" (" + what + L")");
}

// Keys of isolated runs whose process is gone (killed before it could remove its key).
void RemoveAbandonedRunKeys() {
  RegKey runs;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunsKey, 0, KEY_READ, runs.Put()) != ERROR_SUCCESS) return;
  std::vector<std::wstring> abandoned;
  wchar_t name[256];
  for (DWORD index = 0;; ++index) {
    DWORD length = 256;
    if (RegEnumKeyExW(runs.Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    const std::wstring key(name, length);
    if (key.rfind(kRunPrefix, 0) != 0) continue;
    const DWORD process = wcstoul(key.c_str() + wcslen(kRunPrefix), nullptr, 10);
    const HANDLE alive = OpenProcess(SYNCHRONIZE, FALSE, process);
    if (alive) {
      const bool running = WaitForSingleObject(alive, 0) == WAIT_TIMEOUT;
      CloseHandle(alive);
      if (running) continue;
    }
    abandoned.push_back(key);
  }
  for (const std::wstring& key : abandoned) RegDeleteKeyW(runs.Get(), key.c_str());
}

}  // namespace

std::wstring StandInKeyPath() {
  wchar_t buffer[512];
  const DWORD length = GetEnvironmentVariableW(L"QV_STANDIN_KEY", buffer, 512);
  if (length > 0 && length < 512) return buffer;
  return kDefaultKey;
}

StandInEnvironment::StandInEnvironment(const std::vector<StandInSetting>& settings,
                                       bool isolated)
    : isolated_(isolated) {
  if (settings.empty() && !isolated) {
    restored_ = true;
    return;
  }
  InterruptLock lock;
  RegisterCleanup(this);
  if (isolated) {
    RemoveAbandonedRunKeys();
    keyPath_ = std::wstring(kRunsKey) + L"\\" + kRunPrefix + std::to_wstring(GetCurrentProcessId());
    RegDeleteKeyW(HKEY_CURRENT_USER, keyPath_.c_str());  // left by an earlier process of this id
    // The stand-ins read the variable on every call, so the component reads this key.
    SetEnvironmentVariableW(L"QV_STANDIN_KEY", keyPath_.c_str());
  } else {
    keyPath_ = StandInKeyPath();
  }
  try {
    RegKey key;
    DWORD disposition = 0;
    const LONG opened = RegCreateKeyExW(HKEY_CURRENT_USER, keyPath_.c_str(), 0, nullptr, 0,
                                        KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, key.Put(),
                                        &disposition);
    if (opened != ERROR_SUCCESS) ThrowRegistryError(L"RegCreateKeyEx", opened, keyPath_);
    keyCreated_ = disposition == REG_CREATED_NEW_KEY;
    for (const StandInSetting& setting : settings) Write(key.Get(), setting);
  } catch (...) {
    Undo();
    throw;
  }
}

void StandInEnvironment::Write(HKEY key, const StandInSetting& setting) {
  Saved saved;
  saved.Name = setting.Name;
  DWORD size = 0;
  if (RegQueryValueExW(key, setting.Name.c_str(), nullptr, &saved.Type, nullptr, &size) ==
      ERROR_SUCCESS) {
    saved.Data.resize(size);
    saved.Existed = RegQueryValueExW(key, setting.Name.c_str(), nullptr, &saved.Type,
                                     saved.Data.data(), &size) == ERROR_SUCCESS;
    saved.Data.resize(size);
  }
  saved_.push_back(saved);

  LONG written = ERROR_SUCCESS;
  if (setting.Remove) {
    written = RegDeleteValueW(key, setting.Name.c_str());
    if (written == ERROR_FILE_NOT_FOUND) written = ERROR_SUCCESS;
  } else if (setting.Type == REG_DWORD) {
    written = RegSetValueExW(key, setting.Name.c_str(), 0, REG_DWORD,
                             reinterpret_cast<const BYTE*>(&setting.Number), sizeof(DWORD));
  } else {
    written = RegSetValueExW(key, setting.Name.c_str(), 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(setting.Text.c_str()),
                             static_cast<DWORD>((setting.Text.size() + 1) * sizeof(wchar_t)));
  }
  if (written != ERROR_SUCCESS)
    ThrowRegistryError(L"RegSetValueEx", written, keyPath_ + L"\\" + setting.Name);
}

StandInEnvironment::~StandInEnvironment() { Undo(); }

void StandInEnvironment::Undo() noexcept {
  InterruptLock lock;
  if (restored_) return;
  restored_ = true;
  UnregisterCleanup(this);
  if (isolated_) {
    // The key of the run goes, with what the stand-ins wrote there themselves.
    RegDeleteKeyW(HKEY_CURRENT_USER, keyPath_.c_str());
    return;
  }
  RegKey key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath_.c_str(), 0, KEY_SET_VALUE | KEY_QUERY_VALUE,
                    key.Put()) != ERROR_SUCCESS)
    return;
  // Backwards, so that a value set twice ends as it was before the first.
  for (auto saved = saved_.rbegin(); saved != saved_.rend(); ++saved) {
    if (saved->Existed) {
      RegSetValueExW(key.Get(), saved->Name.c_str(), 0, saved->Type, saved->Data.data(),
                     static_cast<DWORD>(saved->Data.size()));
    } else {
      RegDeleteValueW(key.Get(), saved->Name.c_str());
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

}  // namespace qvmodcat
