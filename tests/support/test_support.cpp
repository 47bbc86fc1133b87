#include "support/test_support.h"

#include "common/com_ref.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace {

std::wstring Unique(const wchar_t* name) {
  return std::wstring(name) + L"-" + std::to_wstring(GetCurrentProcessId());
}

void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW found = {};
  FindHandle search(FindFirstFileW((folder + L"\\*").c_str(), &found));
  if (search) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(search.Get(), &found));
  }
  RemoveDirectoryW(folder.c_str());
}

void MakeFolders(const std::wstring& folder) {
  for (size_t slash = folder.find(L'\\', 3); slash != std::wstring::npos;
       slash = folder.find(L'\\', slash + 1))
    CreateDirectoryW(folder.substr(0, slash).c_str(), nullptr);
  CreateDirectoryW(folder.c_str(), nullptr);
}

}  // namespace

WideString WindowsPath(const std::string& hostPath) {
  std::string path = !hostPath.empty() && hostPath[0] == '/' ? "Z:" + hostPath : hostPath;
  std::replace(path.begin(), path.end(), '/', '\\');
  return WideString::FromAnsi(path.c_str());
}

WideString FixtureFolder(const char* set) {
  const char* folder = getenv("QV_FIXTURES_DIR");
  EXPECT_NE(folder, nullptr) << "QV_FIXTURES_DIR is not set";
  return WindowsPath(std::string(folder ? folder : "") + "/" + set);
}

WideString FixturePackage(const char* set, const char* name) {
  WideString path = FixtureFolder(set);
  path.Append(L"\\");
  path.Append(WideString::FromAnsi(name));
  path.Append(L".msm");
  return path;
}

ScratchFolder::ScratchFolder(const wchar_t* name) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring path = temp + Unique(name);
  RemoveTree(path);
  MakeFolders(path);
  path_ = WideString(path.c_str());
}

ScratchFolder::~ScratchFolder() { RemoveTree(path_.c_str()); }

WideString ScratchFolder::MakeFolder(const std::wstring& relative) const {
  const std::wstring folder = std::wstring(path_.c_str()) + L"\\" + relative;
  MakeFolders(folder);
  return WideString(folder.c_str());
}

WideString ScratchFolder::WriteFile(const std::wstring& relative, const std::string& bytes) const {
  const std::wstring path = std::wstring(path_.c_str()) + L"\\" + relative;
  MakeFolders(path.substr(0, path.rfind(L'\\')));
  const FileOwner file(
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  EXPECT_TRUE(file) << "cannot write a test file";
  DWORD written = 0;
  ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  return WideString(path.c_str());
}

void SetWriteTime(const WideString& path, FILETIME base, long long seconds) {
  ULARGE_INTEGER time{{base.dwLowDateTime, base.dwHighDateTime}};
  time.QuadPart += seconds * 10000000LL;
  const FILETIME changed{time.LowPart, time.HighPart};
  const FileOwner file(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
  EXPECT_TRUE(SetFileTime(file.Get(), nullptr, nullptr, &changed)) << "cannot set a write time";
}

StandInState::StandInState(const wchar_t* name)
    : key_(L"Software\\Quorvane\\Showloom\\StandInTests\\" + Unique(name)) {
  SetEnvironmentVariableW(L"QV_STANDIN_KEY", key_.c_str());
  RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str());
  RegKey key;
  RegCreateKeyExW(HKEY_CURRENT_USER, key_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                  key.Put(), nullptr);
}

StandInState::~StandInState() { RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str()); }

void StandInState::SetText(const wchar_t* value, const WideString& text) const {
  RegSetKeyValueW(HKEY_CURRENT_USER, key_.c_str(), value, REG_SZ, text.c_str(),
                  static_cast<DWORD>((text.Length() + 1) * sizeof(wchar_t)));
}

void StandInState::SetNumber(const wchar_t* value, DWORD number) const {
  RegSetKeyValueW(HKEY_CURRENT_USER, key_.c_str(), value, REG_DWORD, &number, sizeof number);
}

void StandInState::Remove(const wchar_t* value) const {
  RegDeleteKeyValueW(HKEY_CURRENT_USER, key_.c_str(), value);
}

DWORD StandInState::Number(const wchar_t* value) const {
  DWORD number = 0, size = sizeof number;
  if (RegGetValueW(HKEY_CURRENT_USER, key_.c_str(), value, RRF_RT_REG_DWORD, nullptr, &number,
                   &size) != ERROR_SUCCESS)
    return 0;
  return number;
}

ErrorView TakeErrorInfo() {
  ErrorView view;
  ComRef<IErrorInfo> info;
  if (GetErrorInfo(0, info.Put()) != S_OK || !info) return view;
  view.hasInfo = true;
  UniqueBstr source, description;
  info->GetSource(source.Put());
  info->GetDescription(description.Put());
  info->GetGUID(&view.guid);
  if (source.Get()) view.source = source.Get();
  if (description.Get()) view.description = description.Get();
  return view;
}

void PrintTo(const WideString& text, std::ostream* out) {
  *out << '"';
  for (size_t i = 0; i < text.Length(); ++i) {
    const wchar_t c = text[i];
    if (c >= 0x20 && c < 0x7F)
      *out << static_cast<char>(c);
    else
      *out << "\\u" << std::hex << static_cast<unsigned>(c) << std::dec;
  }
  *out << '"';
}
