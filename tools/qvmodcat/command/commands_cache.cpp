// cache: the component's package cache as this run finds and leaves it, and its removal.
#include "cache/cache_settings.h"
#include "catalog_survey.h"
#include "commands.h"
#include "console.h"
#include "text_rules.h"

#include <windows.h>

#include <algorithm>

namespace qvmodcat {

namespace {

std::wstring WhyOff(const Options& options) {
  wchar_t value[8] = {};
  if (GetEnvironmentVariableW(kPackageCacheVariable, value, 8) > 0)
    return std::wstring(kPackageCacheVariable) + L"=off" + (options.NoCache ? L" (--no-cache)" : L"");
  return std::wstring(L"PackageCache is 0 under HKCU\\") + kPackageCacheSettingsKey +
         L", or no folder can be named for it";
}

std::wstring Day(ULONGLONG fileTime) {
  const FILETIME time = ToFileTime(fileTime);
  SYSTEMTIME day = {};
  if (!FileTimeToSystemTime(&time, &day)) return L"";
  wchar_t text[16];
  swprintf(text, 16, L"%04u-%02u-%02u", day.wYear, day.wMonth, day.wDay);
  return text;
}

int ClearCache(const Options& options, PackageCache& cache) {
  Json json = Json::Object();
  json.Set("path", std::wstring(cache.FilePath().c_str()));
  if (!cache.Clear()) {
    const std::wstring problem = SystemMessage(HRESULT_FROM_WIN32(GetLastError()));
    WriteError(L"qvmodcat: " + std::wstring(cache.FilePath().c_str()) + L": " + problem + L"\n");
    json.Set("error", problem);
    if (options.Json) WriteOutUtf8(json.Write() + "\n");
    return kFailed;
  }
  json.Set("cleared", true);
  Answer(options, json, L"Removed " + std::wstring(cache.FilePath().c_str()) + L"\n");
  return kFound;
}

// The package files the catalog opened: those it did not take from the cache.
long Opened(size_t packageFiles, unsigned long cacheHits) {
  return static_cast<long>(packageFiles - std::min<size_t>(cacheHits, packageFiles));
}

}  // namespace

std::wstring PackageCountsText(size_t packageFiles, unsigned long cacheHits) {
  return std::to_wstring(Opened(packageFiles, cacheHits)) + L" opened, " +
         std::to_wstring(cacheHits) + L" from the package cache";
}

void SetPackageCounts(Json& json, size_t packageFiles, const std::optional<unsigned long>& cacheHits) {
  json.Set("packages_read", cacheHits ? Json(Opened(packageFiles, *cacheHits)) : Json());
  json.Set("packages_from_cache", cacheHits ? Json(*cacheHits) : Json());
}

int RunCache(const Options& options) {
  const bool clear = !options.Arguments.empty();
  if (clear && options.Arguments[0] != L"clear") {
    WriteError(L"qvmodcat: cache takes \"clear\" or nothing, not \"" + options.Arguments[0] +
               L"\"\n" + UsageLines(L"cache"));
    return kFailed;
  }
  PackageCache cache(ReadPackageCacheFolder());
  Json json = Json::Object();
  json.Set("enabled", cache.Enabled());
  if (!cache.Enabled()) {
    json.Set("reason", WhyOff(options));
    Answer(options, json, L"The package cache is off: " + WhyOff(options) + L".\n");
    return kFound;
  }
  if (clear) return ClearCache(options, cache);

  // The catalog of this run, so that the file is what the component leaves after a start.
  Catalog catalog(CatalogProjectType(options));
  const size_t modules = catalog.Modules().size();
  const size_t packageFiles = CatalogSurvey(catalog).PackageCount();
  const auto hits = ComponentCacheHits();
  WIN32_FILE_ATTRIBUTE_DATA file = {};
  const bool present = GetFileAttributesExW(cache.FilePath().c_str(), GetFileExInfoStandard, &file);
  const ULONGLONG size = present ? (ULONGLONG{file.nFileSizeHigh} << 32) | file.nFileSizeLow : 0;
  const size_t entries = cache.EntryCount();
  const std::wstring oldest = entries ? Day(cache.OldestUse()) : L"";

  json.Set("path", std::wstring(cache.FilePath().c_str()));
  json.Set("size", static_cast<long long>(size));
  json.Set("entries", static_cast<long>(entries));
  json.Set("oldest_use", entries ? Json(oldest) : Json());
  json.Set("catalog_modules", static_cast<long>(modules));
  SetPackageCounts(json, packageFiles, hits);

  std::wstring text = L"Package cache " + std::wstring(cache.FilePath().c_str()) + L"\n";
  text += present ? L"  " + Counted(static_cast<size_t>(size), L"byte", L"bytes") + L", " +
                        Counted(entries, L"package", L"packages") +
                        (entries ? L", the least recently used last used " + oldest : L"") + L"\n"
                  : L"  no file yet: it is written after the component read packages\n";
  if (hits)
    text += L"  this run: " + Counted(modules, L"module", L"modules") + L", " +
            Counted(packageFiles, L"package file", L"package files") + L": " +
            PackageCountsText(packageFiles, *hits) + L"\n";
  Answer(options, json, text);
  return kFound;
}

}  // namespace qvmodcat
