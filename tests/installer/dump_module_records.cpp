// Reads every package of the given folders into module records and writes, as JSON, every
// field the records read, for a host-side comparison with what msitools reads.
//
//   dump_module_records <output.json> <package folder> [<package folder>...]
#include "common/com_exception.h"
#include "module/module_record.h"
#include "support/test_support.h"

#include <objbase.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace {

std::string Json(const WideString& text) {
  std::string out = "\"";
  for (size_t i = 0; i < text.Length(); ++i) {
    char escaped[8];
    snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(text[i]));
    const bool plain = text[i] >= 0x20 && text[i] < 0x7F && text[i] != L'"' && text[i] != L'\\';
    out += plain ? std::string(1, static_cast<char>(text[i])) : escaped;
  }
  return out + "\"";
}
template <class Number>
std::string Json(Number number) { return std::to_string(number); }

std::string Object(const std::vector<std::pair<const char*, std::string>>& fields) {
  std::string out;
  for (const auto& [name, value] : fields)
    out += (out.empty() ? "{\"" : ", \"") + std::string(name) + "\": " + value;
  return out + "}";
}

template <class Items, class Each>
std::string List(const Items& items, Each each) {
  std::string out;
  for (const auto& item : items) out += (out.empty() ? "[" : ", ") + each(item);
  return out.empty() ? "[]" : out + "]";
}

std::string DumpRecord(const WideString& folder, const WideString& name) {
  const WideString path = folder + L"\\" + name;
  ModuleRecord record;
  try {
    record.InitFromPackage(path);
  } catch (const com_exception& error) {
    return Object({{"file", Json(name)}, {"error", Json(WideString::FromAnsi(error.what()))},
                   {"installer_error",
                    error.Origin() == ErrorOrigin::InstallerAutomation ? "true" : "false"}});
  }
  const auto text = [](const WideString& value) { return Json(value); };
  return Object({
      {"file", Json(name)}, {"path", Json(path)}, {"key", Json(record.ModuleKey())},
      {"id", Json(record.ModuleID())}, {"language", Json(record.Language())},
      {"version", Json(record.Version())}, {"author", Json(record.Author())},
      {"comments", Json(record.Comments())}, {"name", Json(record.Name())},
      {"subject", Json(record.Subject())}, {"display_name", Json(record.DisplayName())},
      {"descriptor_name", Json(record.GetDescriptorName())},
      {"dialogs", List(record.Dialogs(), text)},
      {"custom_actions", List(record.CustomActions(), text)},
      {"dependencies", List(record.Dependencies(), [](const auto& entry) {
         const auto& d = entry.second;
         return Object({{"key", Json(entry.first)}, {"id", Json(d.RequiredID)},
                        {"language", Json(d.RequiredLanguage)},
                        {"version", Json(d.RequiredVersion)}});
       })},
      {"exclusions", List(record.Exclusions(), [](const auto& entry) {
         const auto& e = entry.second;
         return Object({{"key", Json(entry.first)}, {"id", Json(e.ExcludedID)},
                        {"language", Json(e.ExcludedLanguage)},
                        {"min_version", Json(e.ExcludedMinVersion)},
                        {"max_version", Json(e.ExcludedMaxVersion)}});
       })},
      {"files", List(record.Files(), [](const auto& entry) {
         const auto& f = entry.second;
         return Object({{"key", Json(entry.first)}, {"file_name", Json(f.FileName)},
                        {"long_name", Json(f.LongName)}, {"size", Json(f.FileSize)},
                        {"version", Json(f.Version)}, {"language", Json(f.Language)},
                        {"sequence", Json(f.Sequence)}, {"directory", Json(f.Directory)}});
       })}});
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
  std::vector<std::string> records;
  for (int i = 2; i < argc; ++i) {
    const WideString folder = WindowsPath(argv[i]);
    ForEachPackage(folder, [&](const WideString& name) {
      records.push_back(DumpRecord(folder, name));
    });
  }
  std::ofstream(argv[1], std::ios::binary)
      << List(records, [](const std::string& record) { return record; }) << "\n";
  CoUninitialize();
  return 0;
}
