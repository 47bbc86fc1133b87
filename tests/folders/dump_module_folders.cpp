// Writes, as JSON, the folder that ModuleRecord::ResolveModuleFolder gives every file of every
// package in the given folders, and every key of each package's Directory table.  A host-side
// script walks the same tables, exported with msitools, by the rules and compares.
//
//   dump_module_folders <output.json> <package folder> [<package folder>...]
#include "common/com_exception.h"
#include "common/text.h"
#include "installer/msi_check.h"
#include "module/module_record.h"

#include <objbase.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string Utf8(const WideString& text) {
  if (text.IsEmpty()) return std::string();
  const int length = static_cast<int>(text.Length());
  const int bytes =
      WideCharToMultiByte(CP_UTF8, 0, text.c_str(), length, nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), length, &result[0], bytes, nullptr, nullptr);
  return result;
}

std::string Json(const std::string& utf8) {
  std::string out = "\"";
  for (const char c : utf8) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string Json(const WideString& text) { return Json(Utf8(text)); }

// What ResolveModuleFolder answers for one key: resolved with a folder, unresolved, or raised.
std::string Resolution(const ModuleRecord& record, const WideString& key) {
  WideString folder;
  try {
    if (!record.ResolveModuleFolder(key, folder)) return "\"status\": \"unresolved\"";
    return "\"status\": \"resolved\", \"folder\": " + Json(folder);
  } catch (const com_exception& error) {
    return "\"status\": \"error\", \"hresult\": " + std::to_string(error.Code()) +
           ", \"text\": " + Json(WideString::FromAnsi(error.what()));
  }
}

// The keys of the Directory table that a 260-character read can take, in table order.
std::vector<WideString> DirectoryKeys(const WideString& package, int& unreadable) {
  std::vector<WideString> keys;
  unreadable = 0;
  try {
    MsiHandle database;
    OpenDatabaseReadOnly(package, database);
    MsiHandle view;
    OpenViewAndExecute(view, database.Get(), "SELECT `Directory` FROM `Directory`");
    MsiHandle row;
    while (FetchRecord(view.Get(), row) == ERROR_SUCCESS) {
      std::string key;
      if (ReadRecordField(row.Get(), 1, key) == ERROR_SUCCESS) {
        keys.push_back(WideString::FromAnsi(key.c_str(), key.size()));
      } else {
        ++unreadable;
      }
    }
  } catch (const com_exception&) {
    // no Directory table: no keys
  }
  return keys;
}

std::string DumpPackage(const std::string& folderArgument, const WideString& folder,
                        const WideString& name) {
  const WideString path = folder + L"\\" + name;
  std::string out = "{\"folder\": " + Json(folderArgument) + ", \"name\": " + Json(name);
  ModuleRecord record;
  try {
    record.InitFromPackage(path);
  } catch (const com_exception& error) {
    return out + ", \"error\": " + Json(WideString::FromAnsi(error.what())) + "}";
  }
  out += ", \"files\": [";
  bool first = true;
  for (const auto& [key, file] : record.Files()) {
    out += std::string(first ? "" : ",") + "\n  {\"key\": " + Json(key) +
           ", \"directory\": " + Json(file.Directory) + ", " +
           Resolution(record, file.Directory) + "}";
    first = false;
  }
  int unreadable = 0;
  const std::vector<WideString> keys = DirectoryKeys(path, unreadable);
  out += "], \"unreadable_directory_keys\": " + std::to_string(unreadable) +
         ", \"directories\": [";
  first = true;
  for (const WideString& key : keys) {
    out += std::string(first ? "" : ",") + "\n  {\"key\": " + Json(key) + ", " +
           Resolution(record, key) + "}";
    first = false;
  }
  return out + "]}";
}

std::vector<WideString> PackagesIn(const WideString& folder) {
  std::vector<WideString> names;
  WIN32_FIND_DATAW found = {};
  const HANDLE search = FindFirstFileW((folder + L"\\*.msm").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    names.emplace_back(found.cFileName);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: dump_module_folders <output.json> <package folder>...\n");
    return 2;
  }
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 3;
  int status = 0;
  {
    std::string out = "[\n";
    bool first = true;
    for (int i = 2; i < argc; ++i) {
      std::string argument = argv[i];
      // ctest hands over host paths; the host file system is drive Z: under Wine.
      std::string windowsPath = argument;
      if (!windowsPath.empty() && windowsPath[0] == '/') windowsPath = "Z:" + windowsPath;
      std::replace(windowsPath.begin(), windowsPath.end(), '/', '\\');
      const WideString folder = WideString::FromAnsi(windowsPath.c_str());
      const std::vector<WideString> names = PackagesIn(folder);
      if (names.empty()) {
        fprintf(stderr, "%s: no packages\n", argument.c_str());
        status = 1;
      }
      for (const WideString& name : names) {
        try {
          out += std::string(first ? "" : ",\n") + DumpPackage(argument, folder, name);
          first = false;
        } catch (const com_exception& error) {
          fprintf(stderr, "%ls: %s\n", name.c_str(), error.what());
          status = 1;
        }
      }
    }
    out += "\n]\n";
    FILE* file = fopen(argv[1], "wb");
    if (!file) {
      status = 4;
    } else {
      fwrite(out.data(), 1, out.size(), file);
      fclose(file);
    }
  }
  CoUninitialize();
  return status;
}
