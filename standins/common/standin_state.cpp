#include "standin_state.h"

#include "common/unique_handle.h"

#include <cwchar>
#include <vector>

namespace standin {
namespace {

RegKey OpenStateKey(REGSAM access) {
  RegKey key;
  const std::wstring path = StateKeyPath();
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, access, key.Put()) != ERROR_SUCCESS) {
    key.Reset();
  }
  return key;
}

std::wstring Trimmed(const std::wstring& text) {
  const size_t first = text.find_first_not_of(L" \t");
  if (first == std::wstring::npos) return std::wstring();
  const size_t last = text.find_last_not_of(L" \t");
  return text.substr(first, last - first + 1);
}

}  // namespace

std::wstring StateKeyPath() {
  wchar_t path[512] = {};
  const DWORD length = GetEnvironmentVariableW(L"QV_STANDIN_KEY", path, ARRAYSIZE(path));
  if (length == 0 || length >= ARRAYSIZE(path)) return kDefaultStateKey;
  return path;
}

std::wstring ReadText(const wchar_t* name) {
  const RegKey key = OpenStateKey(KEY_QUERY_VALUE);
  if (!key) return std::wstring();
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExW(key.Get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ)) {
    return std::wstring();
  }
  std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
  size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
  if (RegQueryValueExW(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                       &size) != ERROR_SUCCESS) {
    return std::wstring();
  }
  buffer.back() = L'\0';
  return buffer.data();
}

DWORD ReadNumber(const wchar_t* name) {
  const RegKey key = OpenStateKey(KEY_QUERY_VALUE);
  if (!key) return 0;
  DWORD type = 0;
  DWORD number = 0;
  DWORD size = sizeof number;
  if (RegQueryValueExW(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&number),
                       &size) == ERROR_SUCCESS &&
      type == REG_DWORD) {
    return number;
  }
  // Scripts (WScript.Shell.RegWrite without a type) write numbers as text.
  const std::wstring text = ReadText(name);
  return text.empty() ? 0 : static_cast<DWORD>(wcstoul(text.c_str(), nullptr, 0));
}

HRESULT WriteText(const wchar_t* name, const std::wstring& value) {
  RegKey key;
  const std::wstring path = StateKeyPath();
  LONG status = RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                nullptr, key.Put(), nullptr);
  if (status == ERROR_SUCCESS) {
    status = RegSetValueExW(key.Get(), name, 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  }
  return HRESULT_FROM_WIN32(status);
}

void IncrementCounter(const wchar_t* name) {
  RegKey key;
  const std::wstring path = StateKeyPath();
  if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0,
                      KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, key.Put(),
                      nullptr) != ERROR_SUCCESS) {
    return;
  }
  DWORD type = 0;
  DWORD count = 0;
  DWORD size = sizeof count;
  if (RegQueryValueExW(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&count),
                       &size) != ERROR_SUCCESS ||
      type != REG_DWORD) {
    count = 0;
  }
  ++count;
  RegSetValueExW(key.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count),
                 sizeof count);
}

bool OperationListed(const wchar_t* listName, const wchar_t* operation) {
  const std::wstring list = ReadText(listName);
  if (list.empty()) return false;
  size_t start = 0;
  for (;;) {
    const size_t comma = list.find(L',', start);
    const std::wstring entry = Trimmed(list.substr(start, comma - start));
    if (entry == L"*" || SameName(entry, operation)) return true;
    if (comma == std::wstring::npos) return false;
    start = comma + 1;
  }
}

HRESULT InjectedFailure(const wchar_t* listName, const wchar_t* codeName,
                        const wchar_t* operation) {
  if (!OperationListed(listName, operation)) return S_OK;
  const HRESULT code = static_cast<HRESULT>(ReadNumber(codeName));
  return FAILED(code) ? code : E_FAIL;
}

HRESULT CopyOut(const std::wstring& text, BSTR* out) {
  if (!out) return E_POINTER;
  *out = SysAllocStringLen(text.c_str(), static_cast<UINT>(text.size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

bool SameName(const std::wstring& left, const std::wstring& right) {
  return CompareStringOrdinal(left.c_str(), static_cast<int>(left.size()), right.c_str(),
                              static_cast<int>(right.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace standin
