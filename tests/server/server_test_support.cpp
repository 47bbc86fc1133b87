#include "server_test_support.h"

#include "common/bstr.h"
#include "common/com_ref.h"

#include <gtest/gtest.h>

#include <cstdlib>

std::string WindowsPath(const std::string& linuxPath) {
  std::string path = linuxPath;
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

static std::string FromEnvironment(const char* name) {
  const char* value = getenv(name);
  EXPECT_NE(value, nullptr) << name << " is not set";
  return WindowsPath(value ? value : "");
}

std::string BinFile(const char* file) { return FromEnvironment("QV_BIN_DIR") + "\\" + file; }

std::string BuildFile(const char* relative) {
  return FromEnvironment("QV_BUILD_DIR") + "\\" + relative;
}

std::wstring ServerPackage(const char* name) {
  const std::string path = FromEnvironment("QV_FIXTURES_DIR") + "\\server_packages\\" + name;
  return std::wstring(path.begin(), path.end());
}

ErrorInfoView TakeErrorInfo() {
  ErrorInfoView view;
  ComRef<IErrorInfo> info;
  if (GetErrorInfo(0, info.Put()) != S_OK || !info) return view;
  view.Present = true;
  UniqueBstr source, description;
  info->GetSource(source.Put());
  info->GetDescription(description.Put());
  info->GetGUID(&view.Guid);
  if (source.Get()) view.Source = source.Get();
  if (description.Get()) view.Description = description.Get();
  return view;
}
