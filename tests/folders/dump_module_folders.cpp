// Writes what ModuleRecord::ResolveModuleFolder gives every file and every Directory key of the
// packages in the given folders, one tab-separated UTF-8 line each, for check_module_folders.py
// to compare with its own walk of the tables that msitools exports.
//
//   dump_module_folders <output.tsv> <package folder>...
//
//   package <folder argument> <file name> [<error text>]
//   file    <file key> <directory key> <status> [<folder or error text>]
//   dir     <directory key> <status> [<folder or error text>]
//   unreadable <count of Directory keys longer than a field read takes>
#include "common/com_exception.h"
#include "common/text.h"
#include "installer/msi_check.h"
#include "module/module_record.h"
#include "support/test_support.h"

#include <objbase.h>
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

FILE* out = nullptr;

// UTF-8 without the tabs and line breaks that would break a line.
std::string Field(const WideString& text) {
  std::string utf8 = Utf8FromWide(text);
  for (char& c : utf8)
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  return utf8;
}

std::string Resolution(const ModuleRecord& record, const WideString& key) {
  WideString folder;
  try {
    return record.ResolveModuleFolder(key, folder) ? "resolved\t" + Field(folder) : "unresolved";
  } catch (const com_exception& error) {
    return "error\t" + Field(WideString::FromAnsi(error.what()));
  }
}

void DumpPackage(const char* argument, const WideString& folder, const WideString& name) {
  const WideString path = folder + L"\\" + name;
  ModuleRecord record;
  try {
    record.InitFromPackage(path);
  } catch (const com_exception& error) {
    fprintf(out, "package\t%s\t%s\t%s\n", argument, Field(name).c_str(),
            Field(WideString::FromAnsi(error.what())).c_str());
    return;
  }
  fprintf(out, "package\t%s\t%s\n", argument, Field(name).c_str());
  for (const auto& [key, file] : record.Files())
    fprintf(out, "file\t%s\t%s\t%s\n", Field(key).c_str(), Field(file.Directory).c_str(),
            Resolution(record, file.Directory).c_str());
  int unreadable = 0;
  try {
    MsiHandle database, view, row;
    OpenDatabaseReadOnly(path, database);
    OpenViewAndExecute(view, database.Get(), "SELECT `Directory` FROM `Directory`");
    while (FetchRecord(view.Get(), row) == ERROR_SUCCESS) {
      std::string key;
      if (ReadRecordField(row.Get(), 1, key) != ERROR_SUCCESS) {
        ++unreadable;
        continue;
      }
      const WideString wideKey = WideString::FromAnsi(key.c_str(), key.size());
      fprintf(out, "dir\t%s\t%s\n", Field(wideKey).c_str(), Resolution(record, wideKey).c_str());
    }
  } catch (const com_exception&) {
    // no Directory table: no keys
  }
  fprintf(out, "unreadable\t%d\n", unreadable);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || !(out = fopen(argv[1], "wb"))) {
    fprintf(stderr, "usage: dump_module_folders <output.tsv> <package folder>...\n");
    return 2;
  }
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 3;
  for (int i = 2; i < argc; ++i) {
    const WideString folder = WindowsPath(argv[i]);
    ForEachPackage(folder, [&](const WideString& name) { DumpPackage(argv[i], folder, name); });
  }
  fclose(out);
  CoUninitialize();
  return 0;
}
