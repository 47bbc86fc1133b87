#include "host_paths.h"

#include "common/text.h"

#include <windows.h>

#include <vector>

namespace qvmodcat {

namespace {

using DosFileNameFromUnix = WCHAR*(CDECL*)(const char*);

// Wine's own conversion; absent on Windows.
DosFileNameFromUnix WineDosFileName() {
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  if (!kernel) return nullptr;
  return reinterpret_cast<DosFileNameFromUnix>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_dos_file_name")));
}

// The folder the launcher was started from (a Unix path), when it runs the tool elsewhere.
std::wstring CallerFolder() {
  wchar_t buffer[4096];
  const DWORD length = GetEnvironmentVariableW(L"QVMODCAT_CALLER_DIR", buffer, 4096);
  return length > 0 && length < 4096 ? std::wstring(buffer, length) : std::wstring();
}

bool IsRelative(const std::wstring& path) {
  const bool rooted = path[0] == L'/' || path[0] == L'\\';
  const bool drive = path.size() >= 2 && path[1] == L':';
  return !rooted && !drive;
}

}  // namespace

std::wstring FullWindowsPath(const std::wstring& given) {
  if (given.empty()) return given;
  std::wstring path = given;
  const std::wstring caller = CallerFolder();
  if (!caller.empty() && IsRelative(path)) {
    for (wchar_t& c : path)
      if (c == L'\\') c = L'/';
    path = caller + L"/" + path;
  }
  if (path[0] == L'/' && (path.size() == 1 || path[1] != L'/')) {
    if (const DosFileNameFromUnix convert = WineDosFileName()) {
      if (WCHAR* dos = convert(Utf8FromWide(path).c_str())) {
        std::wstring converted = dos;
        HeapFree(GetProcessHeap(), 0, dos);
        return converted;
      }
    }
  }
  const DWORD length = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (length == 0) return path;
  std::vector<wchar_t> buffer(length + 1);
  const DWORD written = GetFullPathNameW(path.c_str(), length + 1, buffer.data(), nullptr);
  if (written == 0 || written > length) return path;
  return std::wstring(buffer.data(), written);
}

std::wstring FullWindowsPathList(const std::wstring& list) {
  std::wstring result;
  size_t start = 0;
  for (;;) {
    const size_t comma = list.find(L',', start);
    const std::wstring entry = list.substr(start, comma - start);
    if (start) result += L',';
    result += entry.empty() || entry.find(L'%') != std::wstring::npos ? entry
                                                                       : FullWindowsPath(entry);
    if (comma == std::wstring::npos) break;
    start = comma + 1;
  }
  return result;
}

bool FitsCodePage(const std::wstring& path) {
  const UINT codePage = GetACP();
  if (path.empty() || codePage == CP_UTF8) return true;
  const int length = static_cast<int>(path.size());
  BOOL lost = FALSE;
  const int bytes = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, path.data(), length,
                                        nullptr, 0, nullptr, &lost);
  if (bytes <= 0 || lost) return false;
  std::string ansi(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, path.data(), length, &ansi[0], bytes,
                      nullptr, nullptr);
  // A character may also come back as another one (a best fit): the path names another file.
  std::wstring back(path.size() * 2, L'\0');
  back.resize(static_cast<size_t>(
      MultiByteToWideChar(codePage, 0, ansi.data(), bytes, &back[0], static_cast<int>(back.size()))));
  return back == path;
}

std::wstring CodePageAdvice(const std::wstring& what) {
  return L"the catalog reads packages by their ANSI path, and the system code page (" +
         std::to_wstring(GetACP()) + L") cannot hold the characters of " + what +
         L": rename the file or folder, or use a system code page that holds these characters";
}

}  // namespace qvmodcat
