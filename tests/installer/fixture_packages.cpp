#include "installer/fixture_packages.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>

WideString FixturePackage(const char* name) {
  const char* folder = getenv("QV_FIXTURES_DIR");
  EXPECT_NE(folder, nullptr) << "QV_FIXTURES_DIR is not set";
  std::string path = folder ? folder : "";
  // The variable holds a Unix path when ctest starts the program; Wine maps / to Z:.
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  path += "\\installer_packages\\";
  path += name;
  path += ".msm";
  return WideString::FromAnsi(path.c_str());
}

WideString FreshTempFolder(const char* name) {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string folder = std::string(temp) + name;
  CreateDirectoryA(folder.c_str(), nullptr);
  WIN32_FIND_DATAA found = {};
  const HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileA((folder + "\\" + found.cFileName).c_str());
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  return WideString::FromAnsi(folder.c_str());
}
