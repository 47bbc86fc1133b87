// list, folders, key-for-file, display-name: the catalog's own answers; and what the
// commands share.
#include "commands.h"

#include "catalog_survey.h"
#include "console.h"
#include "module_keys.h"
#include "standin_environment.h"
#include "suggestions.h"
#include "text_rules.h"
#include "text_table.h"

#include "common/unique_handle.h"  // header-only

#include <algorithm>
#include <cstring>

namespace qvmodcat {

namespace {

std::wstring Identity(const std::wstring& key, const std::wstring& path) {
  return key + L"|" + path;
}

const wchar_t* FolderKindName(short kind) { return kind == 1 ? L"entry" : L"search"; }

void WriteSummaryLine(const Options& options, const std::wstring& line, std::wstring& text) {
  if (line.empty()) return;
  if (options.Json)
    WriteError(L"qvmodcat: " + line);
  else
    text += line;
}

}  // namespace

long CatalogProjectType(const Options& options) {
  if (options.ProjectType) return *options.ProjectType;
  RegKey key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, StandInKeyPath().c_str(), 0, KEY_QUERY_VALUE, key.Put()) !=
      ERROR_SUCCESS)
    return 0;
  DWORD type = 0;
  wchar_t data[64] = {};
  DWORD size = sizeof data - sizeof(wchar_t);
  if (RegQueryValueExW(key.Get(), L"ActiveProjectType", nullptr, &type,
                       reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS)
    return 0;
  if (type == REG_DWORD) {
    DWORD number = 0;
    memcpy(&number, data, sizeof number);
    return static_cast<long>(number);
  }
  if (type == REG_SZ) return wcstol(data, nullptr, 0);
  return 0;
}

PackageModules::PackageModules(Catalog& catalog) {
  for (const FolderEntry& folder : catalog.Folders())
    for (const FolderModule& module : folder.Modules)
      modules_.insert(Identity(module.Key, module.Path));
}

ModuleSource PackageModules::SourceOf(const ModuleSummary& module) const {
  return modules_.count(Identity(module.Key, module.Path)) ? ModuleSource::Package
                                                           : ModuleSource::Gallery;
}

void Answer(const Options& options, const Json& json, const std::wstring& text) {
  if (options.Json) {
    WriteOutUtf8(json.Write() + "\n");
    return;
  }
  std::wstring fitted;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find(L'\n', start);
    fitted += FitLine(text.substr(start, end - start)) + L"\n";
    if (end == std::wstring::npos) break;
    start = end + 1;
  }
  WriteOut(fitted);
}

int FailOnFile(const Options& options, const std::wstring& path, const std::wstring& message) {
  WriteError(L"qvmodcat: " + path + L": " + message + L"\n");
  if (options.Json) {
    Json json = Json::Object();
    Json& detail = json.Set("error", Json::Object());
    detail.Set("path", path);
    detail.Set("description", message);
    WriteOutUtf8(json.Write() + "\n");
  }
  return kFailed;
}

std::vector<std::wstring> CatalogKeys(Catalog& catalog) {
  std::vector<std::wstring> keys;
  for (const auto& module : catalog.Modules()) keys.push_back(ReadIdentity(module.Get()).Key);
  return keys;
}

int NoSuchModule(const Options& options, Catalog& catalog, const std::wstring& key) {
  if (options.Json) {
    Answer(options, Json(), L"");
    return kNotFound;
  }
  // Keys whole, never shortened: they are there to be pasted.
  const std::vector<std::wstring> similar = SimilarKeys(key, CatalogKeys(catalog));
  std::wstring text = L"The catalog has no module " + key + L".\n";
  const std::wstring oneLine = L"Did you mean " + NameList(similar) + L"?";
  if (!similar.empty() && oneLine.size() <= 100) {
    text += oneLine + L"\n";
  } else if (!similar.empty()) {
    text += L"Did you mean one of these?\n";
    for (const std::wstring& name : similar) text += L"  " + name + L"\n";
  }
  WriteOut(text);
  return kNotFound;
}

std::wstring TakeKey(const std::wstring& given, const std::vector<std::wstring>& keys) {
  const auto key = ExpandKey(given, keys);
  if (!key) return given;
  WriteError(L"qvmodcat: taking " + *key + L" for " + given + L"\n");
  return *key;
}

std::wstring ResolveKey(const Options& options, Catalog& catalog) {
  const std::wstring& given = options.Arguments[0];
  if (catalog.GetModule(given, options.Language.value_or(L""))) return given;
  return TakeKey(given, CatalogKeys(catalog));
}

ComRef<IMergeModule2> FindModule(const Options& options, Catalog& catalog) {
  return catalog.GetModule(ResolveKey(options, catalog), options.Language.value_or(L""));
}

int RunList(const Options& options) {
  Catalog catalog(CatalogProjectType(options));
  const auto modules = catalog.Modules();
  const PackageModules packages(catalog);
  std::vector<std::pair<ModuleSummary, ModuleSource>> summaries;
  Json json = Json::Array();
  size_t fromGallery = 0;
  for (const auto& module : modules) {
    ModuleSummary summary = catalog.Summary(module.Get());
    const ModuleSource source = packages.SourceOf(summary);
    fromGallery += source == ModuleSource::Gallery;
    json.Append(SummaryJson(summary, source));
    summaries.emplace_back(std::move(summary), source);
  }
  std::wstring text;
  if (summaries.empty()) {
    text = L"The catalog holds no modules.\n";
  } else {
    text = SummaryListText(summaries) + Counted(summaries.size(), L"module", L"modules") + L": " +
           std::to_wstring(summaries.size() - fromGallery) + L" from packages, " +
           std::to_wstring(fromGallery) + L" from gallery descriptors\n";
  }
  // JSON keeps its shape (an array of modules): the counts go with the summary line.
  const CatalogSurvey survey(catalog);
  if (const auto hits = ComponentCacheHits(); hits && survey.PackageCount())
    WriteSummaryLine(options,
                     Counted(survey.PackageCount(), L"package file", L"package files") + L": " +
                         PackageCountsText(survey.PackageCount(), *hits) + L"\n",
                     text);
  WriteSummaryLine(options, survey.SummaryLine(), text);
  Answer(options, json, text);
  return summaries.empty() ? kNotFound : kFound;
}

int RunFolders(const Options& options) {
  Catalog catalog(CatalogProjectType(options));
  const auto folders = catalog.Folders();
  Json json = Json::Array();
  TextTable table;
  table.Add({L"#", L"KIND", L"MODULES", L"FOLDER"});
  long position = 0;
  for (const FolderEntry& folder : folders) {
    ++position;
    Json item = Json::Object();
    item.Set("position", position);
    item.Set("path", folder.Path);
    item.Set("name", folder.Name);
    item.Set("folder", folder.Folder);
    item.Set("kind", static_cast<int>(folder.Kind));
    item.Set("kind_name", FolderKindName(folder.Kind));
    item.Set("module_count", static_cast<long>(folder.Modules.size()));
    Json& keys = item.Set("modules", Json::Array());
    for (const FolderModule& module : folder.Modules) keys.Append(module.Key);
    json.Append(std::move(item));
    table.Add({std::to_wstring(position), FolderKindName(folder.Kind),
               std::to_wstring(folder.Modules.size()), folder.Path});
  }
  std::wstring text = folders.empty() ? L"The catalog has no module folders.\n" : table.Render();
  WriteSummaryLine(options, CatalogSurvey(catalog).SummaryLine(), text);
  Answer(options, json, text);
  return folders.empty() ? kNotFound : kFound;
}

int RunKeyForFile(const Options& options) {
  Catalog catalog(CatalogProjectType(options));
  const auto key = catalog.KeyForFile(options.Arguments[0]);
  Json json = Json::Object();
  json.Set("file", options.Arguments[0]);
  json.Set("key", key ? Json(*key) : Json());
  Answer(options, json, key ? *key + L"\n" : L"not listed\n");
  return key ? kFound : kNotFound;
}

int RunDisplayName(const Options& options) {
  Catalog catalog(CatalogProjectType(options));
  // The component answers with the key itself when modules.ini has no name for it.
  std::wstring key = options.Arguments[0];
  if (catalog.DisplayName(key) == key) key = TakeKey(key, CatalogKeys(catalog));
  const std::wstring listedName = catalog.DisplayName(key);
  const bool listed = listedName != key;
  // The module of exactly this key, whose name list shows (ID:0 names no other language).
  std::optional<ModuleSummary> module;
  if (const auto found = catalog.GetModule(key, L"")) {
    ModuleSummary summary = ReadSummary(found.Get());
    if (summary.Key == key) module = std::move(summary);
  }
  if (!module && !listed) return NoSuchModule(options, catalog, key);
  std::wstring name = listedName, source = L"modules.ini";
  if (module && !listed) {
    name = module->DisplayName;
    source = !module->Subject.empty() && name == module->Subject ? L"subject" : L"path";
  }
  Json json = Json::Object();
  json.Set("key", key);
  json.Set("display_name", name);
  json.Set("source", source);
  json.Set("listed", listed);
  json.Set("in_catalog", module.has_value());
  std::wstring text = name + L"\n  from ";
  if (source == L"modules.ini")
    text += module ? L"modules.ini\n" : L"modules.ini; the catalog has no module " + key + L"\n";
  else
    text += source == L"subject" ? L"the module's subject (modules.ini does not name it)\n"
                                 : L"the module's package path (no modules.ini name, no subject)\n";
  Answer(options, json, text);
  return kFound;
}

}  // namespace qvmodcat
