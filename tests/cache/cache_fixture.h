// What the package cache tests share: records made from a tag, every answer of a record as
// one text, a cache folder whose path is not ASCII, and packages an hour old to keep records
// for (plain files, or copies of a real package).
#pragma once

#include "cache/package_cache.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>

inline PackageStamp StampOf(const WideString& path) {
  PackageStamp stamp;
  EXPECT_TRUE(ReadPackageStamp(path, stamp));
  return stamp;
}

// A package record whose every field and list says `tag` (a record read back can be checked
// against the one its module ID names); texts beyond ASCII, an empty text, extreme numbers.
inline ModuleRecordSnapshot SampleRecord(const WideString& path, const WideString& tag) {
  ModuleRecordSnapshot record;
  record.PackagePath = path;
  record.PackageTime = ToFileTime(StampOf(path).LastWrite);
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
      {L"SHORT~1.DLL|" + tag + L" long.dll", L"", L"1.0", L"1033,1031", L"Dir", L"a", ~0ul, 7},
      {L"b.txt", L"", L"", L"", L"", L"b" + tag, 0, 0}};
  return record;
}

inline std::shared_ptr<ModuleRecord> Restored(const ModuleRecordSnapshot& snapshot) {
  auto record = std::make_shared<ModuleRecord>();
  record->InitFromSnapshot(snapshot);
  return record;
}

// Every answer of a record, a line per item, lists read where they are not yet.
inline std::wstring Answers(ModuleRecord& r) {
  std::wstring out;
  const auto line = [&out](std::initializer_list<WideString> texts) {
    for (const WideString& text : texts) out.append(text.c_str(), text.Length()) += L'|';
    out += L'\n';
  };
  const auto n = [](long long value) { return WideString(std::to_wstring(value).c_str()); };
  line({r.ModuleKey(), r.ModuleID(), r.PackagePath(), r.Version(), r.Author(), r.Name(),
        r.Comments(), r.Subject(), r.DisplayName(), r.GetDescriptorName(), n(r.Language()),
        n(static_cast<long long>(FromFileTime(r.PackageTime()))), n(r.FromGallery())});
  for (const WideString& dialog : r.Dialogs()) line({L"dialog", dialog});
  for (const WideString& action : r.CustomActions()) line({L"action", action});
  for (const auto& [key, d] : r.Dependencies())
    line({L"requires", key, d.RequiredID, d.Key, d.RequiredVersion, n(d.RequiredLanguage)});
  for (const auto& [key, e] : r.Exclusions())
    line({L"excludes", key, e.ExcludedID, e.Key, e.ExcludedMinVersion, e.ExcludedMaxVersion,
          n(e.ExcludedLanguage)});
  for (const auto& [key, f] : r.Files())
    line({L"file", key, f.File, f.FileName, f.LongName, f.Version, f.Language, f.Directory,
          n(f.FileSize), n(f.Sequence)});
  return out;
}

class CacheTest : public ::testing::Test {
 protected:
  ScratchFolder scratch_{L"qv-cache-\u00DCbersicht-\u65E5\u672C"};
  WideString folder_ = scratch_.MakeFolder(L"cache \u03A9");

  WideString Package(const std::wstring& name, const WideString& copyOf = L"") const {
    const WideString path = scratch_.WriteFile(L"packages\\" + name + L".msm", "stand-in");
    EXPECT_TRUE(copyOf.IsEmpty() || CopyFileW(copyOf.c_str(), path.c_str(), FALSE));
    SetWriteTime(path, ToFileTime(CurrentFileTime()), -3600);
    return path;
  }
  // Writes `bytes` (a cache file, a temporary file) into the cache folder.
  void WriteInFolder(const WideString& path, const std::string& bytes) const {
    scratch_.WriteFile(path.Substring(scratch_.Path().Length() + 1).c_str(), bytes);
  }
  static void Keep(PackageCache& cache, const WideString& path, const wchar_t* tag = L"T") {
    cache.Remember(*Restored(SampleRecord(path, tag)), StampOf(path));
    EXPECT_TRUE(cache.Flush());
  }
};
