// show, inspect, deps: what modules hold and need.
#include "commands.h"

#include "directory_walk.h"
#include "host_paths.h"
#include "package_probe.h"
#include "progress.h"
#include "text_rules.h"
#include "text_table.h"

namespace qvmodcat {

namespace {

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
      folder.Detail = kPlainFolder;
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

}  // namespace

int RunShow(const Options& options) {
  const long projectType = CatalogProjectType(options);
  Catalog catalog(projectType);
  std::vector<ComRef<IMergeModule2>> modules;
  if (options.All) {
    modules = catalog.Modules();
  } else {
    const ComRef<IMergeModule2> module = FindModule(options, catalog);
    if (!module) return NoSuchModule(options, catalog, options.Arguments[0]);
    modules.push_back(module);
  }
  const PackageModules packages(catalog);
  Json json = Json::Array();
  std::wstring text;
  if (options.All) ProgressPhase(L"reading the modules", modules.size(), L"modules");
  for (const auto& module : modules) {
    ProgressAdvance(static_cast<size_t>(&module - modules.data()) + 1);
    ModuleDetails details = ReadDetails(module.Get());
    details.Summary = catalog.Summary(module.Get());
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
  const std::wstring& given = options.Arguments[0];
  const std::wstring path = FullWindowsPath(given);
  // Plain flaws are named before the component is asked; its answer would not tell them.
  if (const auto problem = PackageFileFlaw(path)) return FailOnFile(options, given, *problem);
  if (!FitsCodePage(path)) return FailOnFile(options, given, CodePageAdvice(L"this path"));
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

}  // namespace qvmodcat
