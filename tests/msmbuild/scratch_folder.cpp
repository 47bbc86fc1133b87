#include "scratch_folder.h"

#include <windows.h>

#include <cstdio>
#include <memory>

namespace {

void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveTree(path);
      else
        DeleteFileW(path.c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(folder.c_str());
}

using FilePointer = std::unique_ptr<FILE, int (*)(FILE*)>;

}  // namespace

ScratchFolder::ScratchFolder(const wchar_t* name) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  path_ = std::wstring(temp) + L"msmbuild_" + name + L"_" + std::to_wstring(GetCurrentProcessId());
  RemoveTree(path_);
  CreateDirectoryW(path_.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() { RemoveTree(path_); }

bool FileExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadFileBytes(const std::wstring& path) {
  FilePointer file(_wfopen(path.c_str(), L"rb"), fclose);
  std::string bytes;
  if (!file) return bytes;
  char buffer[4096];
  size_t count;
  while ((count = fread(buffer, 1, sizeof buffer, file.get())) > 0) bytes.append(buffer, count);
  return bytes;
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  FilePointer file(_wfopen(path.c_str(), L"wb"), fclose);
  if (file) fwrite(bytes.data(), 1, bytes.size(), file.get());
}
