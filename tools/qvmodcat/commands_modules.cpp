// show, inspect, deps: what modules hold and need.
#include "commands.h"

#include "dependency_closure.h"
#include "directory_walk.h"
#include "host_paths.h"
#include "text_table.h"

namespace qvmodcat {

namespace {

bool SameTextIgnoringCase(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// Two paths that name one file (compared by the file system, so that C:\x and Z:\x or
// different spellings of one folder agree).
bool SameFile(const std::wstring& a, const std::wstring& b) {
  if (SameTextIgnoringCase(a, b)) return true;
  const auto identify = [](const std::wstring& path, BY_HANDLE_FILE_INFORMATION& info) {
    const HANDLE file = CreateFileW(path.c_str(), 0,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool known = GetFileInformationByHandle(file, &info) != 0;
    CloseHandle(file);
    return known;
  };
  BY_HANDLE_FILE_INFORMATION first{}, second{};
  return identify(a, first) && identify(b, second) &&
         first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
         first.nFileIndexHigh == second.nFileIndexHigh &&
         first.nFileIndexLow == second.nFileIndexLow;
}

// Target folders of a module's files, walked in its package.  With a catalog, each folder
// written with a folder token is put to FindModuleForFileInFolder.
std::vector<FileFolder> ResolveFolders(const ModuleDetails& module, ModuleSource source,
                                       Catalog* catalog, long projectType) {
  std::vector<FileFolder> folders(module.Files.size());
  if (source == ModuleSource::Gallery) {
    for (FileFolder& folder : folders) folder.NoPackage = true;
    return folders;
  }
  const PackageDirectories directories(module.Summary.Path);
  for (size_t i = 0; i < module.Files.size(); ++i) {
    const FileEntry& file = module.Files[i];
    FileFolder& folder = folders[i];
    folder.Folder = directories.Resolve(file.Directory);
    if (!catalog || !folder.Folder) continue;
    const std::wstring& path = *folder.Folder;
    if (path.empty() || path[0] != L'[') {
      folder.CatalogCheck = FileFolder::Check::NotCheckable;
      folder.Detail = L"no folder token to ask the catalog with";
    } else if (projectType == 1) {
      folder.CatalogCheck = FileFolder::Check::NotCheckable;
      folder.Detail = L"the active project type writes folders as <TOKEN>";
    } else if (file.Language.empty()) {
      folder.CatalogCheck = FileFolder::Check::NotCheckable;
      folder.Detail = L"file lookups never match an empty file language";
    } else {
      // "[SystemFolder]" is a folder ending in a separator; other folders take one.
      const std::wstring destination =
          path.back() == L']' ? path + file.LongName() : path + L"\\" + file.LongName();
      const FileQueryResult answer =
          catalog->FindModuleForFile(destination, file.Version, file.Language, true);
      if (!answer.Module) {
        folder.CatalogCheck = FileFolder::Check::NotFound;
        continue;
      }
      const ModuleSummary found = ReadSummary(answer.Module.Get());
      if (found.Key == module.Summary.Key && found.Path == module.Summary.Path) {
        folder.CatalogCheck = FileFolder::Check::Confirmed;
      } else {
        folder.CatalogCheck = FileFolder::Check::OtherModule;
        folder.Detail = found.Key + L" (" + found.Path + L")";
      }
    }
  }
  return folders;
}

std::wstring StateName(Requirement::State state) {
  switch (state) {
    case Requirement::State::Found: return L"found";
    case Requirement::State::Older: return L"older";
    case Requirement::State::Missing: return L"missing";
  }
  return L"";
}

std::wstring RequirementText(const DependencyEntry& wanted) {
  return wanted.Version.empty() ? wanted.Key : wanted.Key + L" >= " + wanted.Version;
}

std::wstring ExclusionRange(const ExclusionEntry& e) {
  if (e.MinVersion.empty() && e.MaxVersion.empty()) return L"any version";
  if (e.MaxVersion.empty()) return L"versions from " + e.MinVersion;
  if (e.MinVersion.empty()) return L"versions up to " + e.MaxVersion;
  return L"versions " + e.MinVersion + L" to " + e.MaxVersion;
}

}  // namespace

int RunShow(const Options& options) {
  const long projectType = CatalogProjectType(options);
  Catalog catalog(projectType);
  std::vector<ComRef<IMergeModule2>> modules;
  if (options.All) {
    modules = catalog.Modules();
  } else {
    const std::wstring& key = options.Arguments[0];
    if (!IsModuleKey(key)) return NotAModuleKey(key);
    const ComRef<IMergeModule2> module = catalog.GetModule(key, options.Language.value_or(L""));
    if (!module) {
      Answer(options, Json(), L"The catalog has no module " + key + L".\n");
      return kNotFound;
    }
    modules.push_back(module);
  }
  const PackageModules packages(catalog);
  Json json = Json::Array();
  std::wstring text;
  for (const auto& module : modules) {
    const ModuleDetails details = ReadDetails(module.Get());
    const ModuleSource source = packages.SourceOf(details.Summary);
    std::vector<FileFolder> folders;
    if (options.Resolve) folders = ResolveFolders(details, source, &catalog, projectType);
    const std::vector<FileFolder>* resolved = options.Resolve ? &folders : nullptr;
    json.Append(DetailsJson(details, source, resolved));
    if (!text.empty()) text += L"\n";
    text += DetailsText(details, source, resolved);
  }
  if (options.All) {
    Answer(options, json, text.empty() ? L"The catalog holds no modules.\n" : text);
    return modules.empty() ? kNotFound : kFound;
  }
  Answer(options, json.Items()[0], text);
  return kFound;
}

int RunInspect(const Options& options) {
  const std::wstring path = FullWindowsPath(options.Arguments[0]);
  const ComRef<IMergeModule2> module = LoadPackage(path);
  const ModuleDetails details = ReadDetails(module.Get());
  std::vector<FileFolder> folders;
  if (options.Resolve) folders = ResolveFolders(details, ModuleSource::Loaded, nullptr, 0);
  const std::vector<FileFolder>* resolved = options.Resolve ? &folders : nullptr;
  Json json = DetailsJson(details, ModuleSource::Loaded, resolved);
  std::wstring text = DetailsText(details, ModuleSource::Loaded, resolved);

  // Which module the catalog shows for this key: two packages with one key leave only one.
  Json standing = Json::Object();
  try {
    Catalog catalog(CatalogProjectType(options));
    ComRef<IMergeModule2> shown;
    ModuleSummary shownSummary;
    for (const auto& candidate : catalog.Modules()) {
      ModuleSummary summary = ReadSummary(candidate.Get());
      if (summary.Key != details.Summary.Key) continue;
      shown = candidate;
      shownSummary = std::move(summary);
      break;
    }
    if (!shown) {
      standing.Set("state", L"absent");
      text += L"Catalog: has no module " + details.Summary.Key + L"\n";
    } else if (PackageModules(catalog).SourceOf(shownSummary) == ModuleSource::Gallery) {
      standing.Set("state", L"gallery");
      standing.Set("path", shownSummary.Path);
      text += L"Catalog: shows " + shownSummary.Key + L" from its gallery descriptor\n";
    } else if (SameFile(shownSummary.Path, details.Summary.Path)) {
      standing.Set("state", L"this-package");
      standing.Set("path", shownSummary.Path);
      text += L"Catalog: shows this package for " + shownSummary.Key + L"\n";
    } else {
      standing.Set("state", L"other-package");
      standing.Set("path", shownSummary.Path);
      standing.Set("version", shownSummary.Version);
      text += L"Catalog: shows " + shownSummary.Key + L" from another package, " +
              shownSummary.Version + L": " + shownSummary.Path + L"\n";
    }
  } catch (const ComError& error) {
    standing.Set("state", L"unavailable");
    standing.Set("error", error.Description());
    text += L"Catalog: unavailable (" + error.Call() + L": " + error.Description() + L")\n";
  }
  json.Set("catalog", std::move(standing));
  Answer(options, json, text);
  return kFound;
}

int RunDeps(const Options& options) {
  const std::wstring& key = options.Arguments[0];
  if (!IsModuleKey(key)) return NotAModuleKey(key);
  Catalog catalog(CatalogProjectType(options));
  const ComRef<IMergeModule2> root = catalog.GetModule(key, options.Language.value_or(L""));
  if (!root) {
    Answer(options, Json(), L"The catalog has no module " + key + L".\n");
    return kNotFound;
  }
  const Closure closure = ResolveClosure(catalog, root.Get());
  const PackageModules packages(catalog);

  Json json = Json::Object();
  json.Set("module", SummaryJson(closure.Root, packages.SourceOf(closure.Root)));
  Json& requirements = json.Set("requirements", Json::Array());
  std::wstring text = closure.Root.Key + L" " + closure.Root.Version + L"  " +
                      closure.Root.DisplayName + L"\n";
  TextTable table;
  size_t missing = 0, older = 0;
  for (const Requirement& r : closure.Requirements) {
    missing += r.Status == Requirement::State::Missing;
    older += r.Status == Requirement::State::Older;
    Json item = Json::Object();
    item.Set("required_by", r.RequiredBy);
    item.Set("depth", r.Depth);
    item.Set("key", r.Wanted.Key);
    item.Set("module_id", r.Wanted.ModuleID);
    item.Set("language", r.Wanted.Language);
    item.Set("version", r.Wanted.Version);
    item.Set("status", StateName(r.Status));
    item.Set("module", r.Module ? SummaryJson(*r.Module, packages.SourceOf(*r.Module)) : Json());
    item.Set("repeated", r.Repeated);
    requirements.Append(std::move(item));

    std::wstring answer;
    if (r.Module) {
      answer = r.Module->Key + L" " + r.Module->Version;
      if (!r.Module->IsInstalled || r.Module->NeedsDownload)
        answer += L" (" + StatusText(*r.Module) + L")";
      if (r.Repeated) answer += L", see above";
    }
    table.Add({std::wstring(static_cast<size_t>(r.Depth) * 2, L' ') + RequirementText(r.Wanted),
               StateName(r.Status), answer});
  }
  if (closure.Requirements.empty())
    text += L"  requires no other module\n";
  else
    text += table.Render();

  Json& conflicts = json.Set("conflicts", Json::Array());
  for (const Conflict& c : closure.Conflicts) {
    Json item = Json::Object();
    item.Set("module", c.ExcludingKey);
    item.Set("excludes", c.Exclusion.Key);
    item.Set("min_version", c.Exclusion.MinVersion);
    item.Set("max_version", c.Exclusion.MaxVersion);
    item.Set("language", c.Exclusion.Language);
    item.Set("conflicting", c.Excluded.Key);
    item.Set("conflicting_version", c.Excluded.Version);
    conflicts.Append(std::move(item));
  }
  if (!closure.Conflicts.empty()) {
    text += L"Conflicts:\n";
    for (const Conflict& c : closure.Conflicts)
      text += L"  " + c.ExcludingKey + L" excludes " + c.Exclusion.Key + L" " +
              ExclusionRange(c.Exclusion) + L": " + c.Excluded.Key + L" " + c.Excluded.Version +
              L" is in the closure\n";
  }
  const bool complete = closure.Complete();
  json.Set("complete", complete);
  if (complete) {
    text += L"Complete: every required module is there, nothing conflicts.\n";
  } else {
    text += L"Incomplete: " + std::to_wstring(missing) + L" missing, " + std::to_wstring(older) +
            L" older than required, " + std::to_wstring(closure.Conflicts.size()) +
            L" conflicting.\n";
  }
  Answer(options, json, text);
  return complete ? kFound : kNotFound;
}

}  // namespace qvmodcat
