// list, folders, find-file, key-for-file, display-name: the catalog's own answers.
#include "commands.h"

#include "console.h"
#include "standin_environment.h"
#include "text_table.h"

#include "common/unique_handle.h"  // header-only

#include <cstring>

namespace qvmodcat {

namespace {

std::wstring Identity(const std::wstring& key, const std::wstring& path) {
  return key + L"|" + path;
}

const wchar_t* FolderKindName(short kind) { return kind == 1 ? L"entry" : L"search"; }

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
  if (options.Json)
    WriteOutUtf8(json.Write() + "\n");
  else
    WriteOut(text);
}

bool IsModuleKey(const std::wstring& key) { return key.find(L':') != std::wstring::npos; }

int NotAModuleKey(const std::wstring& key) {
  WriteError(L"qvmodcat: \"" + key + L"\" is no module key: a key is ModuleID:Language "
             L"(ModuleID:0 for any language)\n");
  return kFailed;
}

int RunList(const Options& options) {
  Catalog catalog(CatalogProjectType(options));
  const auto modules = catalog.Modules();
  const PackageModules packages(catalog);
  std::vector<std::pair<ModuleSummary, ModuleSource>> summaries;
  Json json = Json::Array();
  size_t fromGallery = 0;
  for (const auto& module : modules) {
    ModuleSummary summary = ReadSummary(module.Get());
    const ModuleSource source = packages.SourceOf(summary);
    fromGallery += source == ModuleSource::Gallery;
    json.Append(SummaryJson(summary, source));
    summaries.emplace_back(std::move(summary), source);
  }
  std::wstring text;
  if (summaries.empty()) {
    text = L"The catalog holds no modules.\n";
  } else {
    text = SummaryListText(summaries) + std::to_wstring(summaries.size()) + L" modules: " +
           std::to_wstring(summaries.size() - fromGallery) + L" from packages, " +
           std::to_wstring(fromGallery) + L" from gallery descriptors\n";
  }
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
  Answer(options, json,
         folders.empty() ? L"The catalog has no module folders.\n" : table.Render());
  return folders.empty() ? kNotFound : kFound;
}

int RunFindFile(const Options& options) {
  Catalog catalog(CatalogProjectType(options));
  const std::wstring& destination = options.Arguments[0];
  const std::wstring version = options.Version.value_or(L"");
  const std::wstring language = options.Language.value_or(L"");
  const FileQueryResult result =
      catalog.FindModuleForFile(destination, version, language, options.InFolder);

  Json json = Json::Object();
  json.Set("destination", destination);
  json.Set("version", version);
  json.Set("language", language);
  json.Set("in_folder", options.InFolder);
  json.Set("found", result.Found);
  std::wstring text;
  if (result.Module) {
    const ModuleSummary summary = ReadSummary(result.Module.Get());
    const PackageModules packages(catalog);
    json.Set("module", SummaryJson(summary, packages.SourceOf(summary)));
    text = L"found: " + summary.Key + L" " + summary.Version + L"  " + summary.DisplayName + L"\n";
    text += packages.SourceOf(summary) == ModuleSource::Package
                ? L"  package " + summary.Path + L"\n"
                : L"  gallery descriptor, " + StatusText(summary) + L"\n";
  } else {
    json.Set("module", nullptr);
    if (result.Found) {
      // FilesToModules.ini names the file's module, which the catalog does not have.
      const size_t slash = destination.find_last_of(L"\\]>");
      const auto listed = catalog.KeyForFile(
          slash == std::wstring::npos ? destination : destination.substr(slash + 1));
      json.Set("listed_key", listed ? Json(*listed) : Json());
      text = L"found: FilesToModules.ini lists the file for " +
             (listed ? *listed : std::wstring(L"a module")) +
             L", which the catalog does not have\n";
    } else {
      text = L"not found\n";
    }
  }
  Answer(options, json, text);
  return result.Found ? kFound : kNotFound;
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
  const std::wstring& key = options.Arguments[0];
  Catalog catalog(CatalogProjectType(options));
  const std::wstring name = catalog.DisplayName(key);
  // The component answers with the key itself when modules.ini has no name for it.
  const bool listed = name != key;
  Json json = Json::Object();
  json.Set("key", key);
  json.Set("display_name", name);
  json.Set("listed", listed);
  Answer(options, json, name + L"\n");
  return listed ? kFound : kNotFound;
}

}  // namespace qvmodcat
