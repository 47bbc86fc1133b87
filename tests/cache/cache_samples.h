// What the package cache tests and their second writer process share: records made from a
// tag, and every answer of a record as one text to compare.
#pragma once

#include "cache/cache_file.h"
#include "module/module_record.h"

#include <memory>
#include <string>

// A package record whose every field and list says `tag` (a record read back can be checked
// against the one its module ID names); texts beyond ASCII, an empty text, extreme numbers.
inline ModuleRecordSnapshot SampleRecord(const WideString& path, const WideString& tag) {
  ModuleRecordSnapshot record;
  PackageStamp stamp;
  ReadPackageStamp(path, stamp);
  record.PackagePath = path;
  record.PackageTime = ToFileTime(stamp.LastWrite);
  record.ModuleID = tag;
  record.Version = L"1.2.3.4";
  record.Author = tag + L" \u00C5uthor \u65E5\u672C";
  record.Name = L"{" + tag + L"}";
  record.Subject = tag + L" subject";
  record.Language = -1031;
  record.Dialogs = std::vector<WideString>{tag, L""};
  record.CustomActions = std::vector<WideString>{};
  record.Dependencies = std::vector<DependencyRecord>{{tag + L".Core", L"", L"2.0", 1033}};
  record.Exclusions = std::vector<ExclusionRecord>{{L"", L"9.9", L"", L"Old." + tag, 0}};
  record.Files = std::vector<FileRecord>{
      {L"SHORT~1.DLL|" + tag + L" long.dll", L"", L"1.0", L"1033,1031", L"Dir", L"a" + tag,
       0xFFFFFFFF, 7},
      {L"b.txt", L"", L"", L"", L"", L"b" + tag, 0, 0}};
  return record;
}

inline std::shared_ptr<ModuleRecord> Restored(const ModuleRecordSnapshot& snapshot) {
  auto record = std::make_shared<ModuleRecord>();
  record->InitFromSnapshot(snapshot);
  return record;
}

// Every answer of a record, lists read where they are not yet.
inline std::wstring Answers(ModuleRecord& record) {
  std::wstring out;
  const auto add = [&out](const WideString& text) {
    out.append(text.c_str(), text.Length()).push_back(L'\n');
  };
  const auto number = [&out](long long value) { out += std::to_wstring(value) + L'\n'; };
  for (const WideString& text :
       {record.ModuleKey(), record.ModuleID(), record.PackagePath(), record.Version(),
        record.Author(), record.Name(), record.Comments(), record.Subject(),
        record.DisplayName(), record.GetDescriptorName()})
    add(text);
  number(record.Language());
  number(static_cast<long long>(FromFileTime(record.PackageTime())));
  number(record.FromGallery());
  number(static_cast<long long>(record.Dialogs().size()));
  for (const WideString& dialog : record.Dialogs()) add(dialog);
  number(static_cast<long long>(record.CustomActions().size()));
  for (const WideString& action : record.CustomActions()) add(action);
  for (const auto& [key, dependency] : record.Dependencies()) {
    for (const WideString& text : {key, dependency.RequiredID, dependency.Key,
                                   dependency.RequiredVersion})
      add(L"requires " + text);
    number(dependency.RequiredLanguage);
  }
  for (const auto& [key, exclusion] : record.Exclusions()) {
    for (const WideString& text : {key, exclusion.ExcludedID, exclusion.Key,
                                   exclusion.ExcludedMinVersion, exclusion.ExcludedMaxVersion})
      add(L"excludes " + text);
    number(exclusion.ExcludedLanguage);
  }
  for (const auto& [key, file] : record.Files()) {
    for (const WideString& text : {key, file.File, file.FileName, file.LongName, file.Version,
                                   file.Language, file.Directory})
      add(L"file " + text);
    number(file.FileSize);
    number(file.Sequence);
  }
  return out;
}
