// Shared helpers of the server tests: paths of the build's files as Wine sees them, package
// fixtures, and a view of the thread's error information.
#pragma once

#include <windows.h>

#include <string>

// A Linux path from the test environment as a Windows path (Wine maps / to Z:).
std::string WindowsPath(const std::string& linuxPath);
// <bin>\<file>, from QV_BIN_DIR.
std::string BinFile(const char* file);
// <build>\<relative>, from QV_BUILD_DIR.
std::string BuildFile(const char* relative);
// A package of the server fixture set.
std::wstring ServerPackage(const char* name);

struct ErrorInfoView {
  bool Present = false;
  std::wstring Source, Description;
  GUID Guid{};
};
// Takes the thread's error information.
ErrorInfoView TakeErrorInfo();
