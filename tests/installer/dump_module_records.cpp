// Reads every package of a folder into module records and writes, as JSON, every field the
// records read.  A host-side script compares the output with what msitools reads from the
// same packages.
//
//   dump_module_records <output.json> <package folder> [<package folder>...]
#include "common/com_exception.h"
#include "common/text.h"
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
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), length, nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), length, &result[0], bytes, nullptr, nullptr);
  return result;
}

std::string Json(const WideString& text) {
  std::string out = "\"";
  for (const char c : Utf8(text)) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

std::string Json(long number) { return std::to_string(number); }
std::string Json(ULONG number) { return std::to_string(number); }

std::string JsonList(const std::vector<WideString>& texts) {
  std::string out = "[";
  for (size_t i = 0; i < texts.size(); ++i) out += (i ? ", " : "") + Json(texts[i]);
  return out + "]";
}

std::string DumpRecord(const WideString& path, const WideString& fileName) {
  std::string out = "{\"file\": " + Json(fileName) + ", \"path\": " + Json(path);
  ModuleRecord record;
  try {
    record.InitFromPackage(path);
  } catch (const com_exception& error) {
    // The package scan skips such packages; say so and what was read before.
    return out + ", \"error\": " + Json(WideString::FromAnsi(error.what())) +
           ", \"installer_error\": " + (error.Origin() == ErrorOrigin::InstallerAutomation ? "true" : "false") +
           ", \"key\": " + Json(record.ModuleKey()) + "}";
  }
  out += ", \"key\": " + Json(record.ModuleKey()) + ", \"id\": " + Json(record.ModuleID()) +
         ", \"language\": " + Json(record.Language()) + ", \"version\": " + Json(record.Version()) +
         ", \"author\": " + Json(record.Author()) + ", \"comments\": " + Json(record.Comments()) +
         ", \"name\": " + Json(record.Name()) + ", \"subject\": " + Json(record.Subject()) +
         ", \"display_name\": " + Json(record.DisplayName()) +
         ", \"descriptor_name\": " + Json(record.GetDescriptorName());
  out += ", \"dialogs\": " + JsonList(record.Dialogs());
  out += ", \"custom_actions\": " + JsonList(record.CustomActions());
  out += ", \"dependencies\": [";
  bool first = true;
  for (const auto& [key, dependency] : record.Dependencies()) {
    out += std::string(first ? "" : ", ") + "{\"key\": " + Json(key) + ", \"id\": " +
           Json(dependency.RequiredID) + ", \"language\": " + Json(dependency.RequiredLanguage) +
           ", \"version\": " + Json(dependency.RequiredVersion) + "}";
    first = false;
  }
  out += "], \"exclusions\": [";
  first = true;
  for (const auto& [key, exclusion] : record.Exclusions()) {
    out += std::string(first ? "" : ", ") + "{\"key\": " + Json(key) + ", \"id\": " +
           Json(exclusion.ExcludedID) + ", \"language\": " + Json(exclusion.ExcludedLanguage) +
           ", \"min_version\": " + Json(exclusion.ExcludedMinVersion) +
           ", \"max_version\": " + Json(exclusion.ExcludedMaxVersion) + "}";
    first = false;
  }
  out += "], \"files\": [";
  first = true;
  for (const auto& [key, file] : record.Files()) {
    out += std::string(first ? "" : ", ") + "{\"key\": " + Json(key) + ", \"file_name\": " +
           Json(file.FileName) + ", \"long_name\": " + Json(file.LongName) + ", \"size\": " +
           Json(file.FileSize) + ", \"version\": " + Json(file.Version) + ", \"language\": " +
           Json(file.Language) + ", \"sequence\": " + Json(file.Sequence) + ", \"directory\": " +
           Json(file.Directory) + ", \"package\": " + Json(file.PackagePath) + "}";
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
    fprintf(stderr, "usage: dump_module_records <output.json> <package folder>...\n");
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
      if (!argument.empty() && argument[0] == '/') argument = "Z:" + argument;
      std::replace(argument.begin(), argument.end(), '/', '\\');
      const WideString folder = WideString::FromAnsi(argument.c_str());
      for (const WideString& name : PackagesIn(folder)) {
        try {
          out += std::string(first ? "" : ",\n") + DumpRecord(folder + L"\\" + name, name);
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
