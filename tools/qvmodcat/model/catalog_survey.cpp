#include "catalog_survey.h"

#include "host_paths.h"
#include "package_probe.h"
#include "progress.h"
#include "text_rules.h"
#include "text_table.h"
#include "common/version_rules.h"

#include "common/unique_handle.h"  // header-only

#include <algorithm>
#include <map>

namespace qvmodcat {

namespace {

// The *.msm files of a search folder, as the catalog lists them: files only, full paths.
std::vector<std::wstring> PackageFilesIn(const std::wstring& folder) {
  std::vector<std::wstring> paths;
  const std::wstring prefix = !folder.empty() && folder.back() == L'\\' ? folder : folder + L"\\";
  WIN32_FIND_DATAW item = {};
  const FindHandle search(FindFirstFileW((prefix + L"*.msm").c_str(), &item));
  if (!search) return paths;
  do {
    if (!(item.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) paths.push_back(prefix + item.cFileName);
  } while (FindNextFileW(search.Get(), &item));
  return paths;
}

constexpr wchar_t kFolderProblem[] = L"is a folder, not a package file";

// Why the catalog did not take a package file: its own flaw, or what the installer says.
void Probe(PackageFile& file) {
  if (const auto problem = PackageFileFlaw(file.Path)) {
    file.Problem = *problem;
    return;
  }
  try {
    file.Module = LoadPackage(file.Path);
    const ModuleIdentity identity = ReadIdentity(file.Module.Get());
    file.Key = identity.Key;
    file.Version = identity.Version;
  } catch (const ComError& error) {
    if (error.Result() == HRESULT_FROM_WIN32(ERROR_INSTALL_PACKAGE_INVALID)) {
      file.Problem = L"damaged: " + OneLine(error.Description());
      return;
    }
    // Only the component's answer: msi.dll asked directly has crashed on such files.
    file.Problem = L"the installer refuses it: " + OneLine(error.Description()) + L" (" +
                   HexResult(error.Result()) + L")";
  }
}

}  // namespace

CatalogSurvey::CatalogSurvey(Catalog& catalog) {
  if (catalog.IsEdition()) return;  // it has no folders
  std::vector<std::vector<std::wstring>> paths;
  size_t total = 0, done = 0;
  for (FolderEntry& entry : catalog.Folders()) {
    std::vector<std::wstring> files;
    if (entry.Kind == 1)
      files.push_back(entry.Path);  // the entry itself is the package
    else
      files = PackageFilesIn(entry.Path);
    for (const FolderModule& module : entry.Modules)
      if (std::find(files.begin(), files.end(), module.Path) == files.end()) files.push_back(module.Path);
    std::sort(files.begin(), files.end());  // code unit order, as the catalog's map keeps them
    total += files.size();
    paths.push_back(std::move(files));
    folders_.push_back({std::move(entry), {}});
  }
  ProgressPhase(L"comparing the folders with the catalog", total, L"packages");
  for (size_t i = 0; i < folders_.size(); ++i) ReadFolder(folders_[i], paths[i], done);
  FindSharedKeys(catalog);
  CheckLists(catalog.Environment());
}

void CatalogSurvey::ReadFolder(SurveyFolder& folder, const std::vector<std::wstring>& paths,
                               size_t& done) {
  std::map<std::wstring, const FolderModule*> listed;
  for (const FolderModule& module : folder.Entry.Modules) listed[module.Path] = &module;
  for (const std::wstring& path : paths) {
    ProgressAdvance(++done);
    PackageFile file;
    file.Path = path;
    const auto found = listed.find(path);
    if (found != listed.end()) {
      file.Key = found->second->Key;
      file.Version = found->second->Version;
      file.Module = found->second->Module;
      file.Listed = true;
    } else if (!FitsCodePage(path)) {
      outsideCodePage_.push_back({path, L"package file"});
    } else {
      Probe(file);
      if (folder.Entry.Kind == 1 && file.Problem == kFolderProblem)
        file.Problem = L"a module folder entry is taken as one package file, and this is a folder";
    }
    folder.Packages.push_back(std::move(file));
  }
}

void CatalogSurvey::FindSharedKeys(Catalog& catalog) {
  std::map<std::wstring, std::wstring> shownPaths;  // key: the path of the module shown
  for (const auto& module : catalog.Modules()) {
    const ModuleIdentity identity = ReadIdentity(module.Get());
    shownPaths[identity.Key] = identity.Path;
  }
  std::map<std::wstring, std::vector<PackageFile*>> byKey;
  std::vector<std::wstring> order;
  for (SurveyFolder& folder : folders_)
    for (PackageFile& file : folder.Packages)
      if (!file.Key.empty()) {
        auto& packages = byKey[file.Key];
        if (packages.empty()) order.push_back(file.Key);
        packages.push_back(&file);
      }
  for (const std::wstring& key : order) {
    const auto& packages = byKey[key];
    const auto shown = shownPaths.find(key);
    SharedKey shared{key, nullptr, {}, false};
    for (PackageFile* file : packages) {
      if (shown != shownPaths.end() && file->Path == shown->second)
        shared.Shown = file;
      else
        shared.Hidden.push_back(file);
    }
    if (!shared.Shown) {
      // Read on its own, yet the catalog shows no package of that key.
      for (PackageFile* file : packages)
        if (!file->Listed)
          file->Problem = L"the catalog did not take it, though it reads as " + key + L" " +
                          file->Version + L" on its own";
      continue;
    }
    if (shared.Hidden.empty()) continue;
    for (const PackageFile* file : shared.Hidden)
      shared.NewerHidden =
          shared.NewerHidden ||
          CompareVersions(file->Version.c_str(), shared.Shown->Version.c_str()) > 0;
    sharedKeys_.push_back(std::move(shared));
  }
}

void CatalogSurvey::CheckLists(EnvironmentServices& environment) {
  const auto check = [&](const wchar_t* list, const std::wstring& entry, bool expand) {
    std::wstring path = entry;
    if (expand) {
      wchar_t expanded[1024];
      const DWORD length = ExpandEnvironmentStringsW(entry.c_str(), expanded, 1024);
      if (length == 0 || length > 1024) {
        entryProblems_.push_back({list, entry, L"too long once its variables are expanded"});
        return;
      }
      path = expanded;
      if (path.size() > 1 && path.back() == L'\\') path.pop_back();
    }
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
      entryProblems_.push_back({list, entry, L"no such folder"});
    else if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
      entryProblems_.push_back({list, entry, L"a file, not a folder"});
    else if (!FitsCodePage(path))
      outsideCodePage_.push_back({path, list});
  };
  const auto checkList = [&](const wchar_t* list, const std::wstring& text) {
    size_t start = 0;
    for (;;) {
      const size_t comma = text.find(L',', start);
      const std::wstring entry = text.substr(start, comma - start);
      if (!entry.empty()) check(list, entry, true);
      if (comma == std::wstring::npos) break;
      start = comma + 1;
    }
  };
  checkList(L"extra search path", environment.ExtraSearchPathList());
  checkList(L"search path", environment.SearchPathList());
  for (const std::wstring& entry : environment.ModuleFolderEntries())
    check(L"module folder", entry, false);
}

std::vector<const PackageFile*> CatalogSurvey::NotRead() const {
  std::vector<const PackageFile*> files;
  for (const SurveyFolder& folder : folders_)
    for (const PackageFile& file : folder.Packages)
      if (!file.Problem.empty()) files.push_back(&file);
  return files;
}

size_t CatalogSurvey::PackageCount() const {
  size_t count = 0;
  for (const SurveyFolder& folder : folders_) count += folder.Packages.size();
  return count;
}

std::wstring CatalogSurvey::SummaryLine() const {
  std::vector<std::wstring> parts;
  if (const size_t n = NotRead().size()) parts.push_back(Counted(n, L"package not read", L"packages not read"));
  if (const size_t n = sharedKeys_.size()) parts.push_back(Counted(n, L"key shadowed", L"keys shadowed"));
  if (const size_t n = entryProblems_.size()) parts.push_back(Counted(n, L"folder missing", L"folders missing"));
  const size_t outside = outsideCodePage_.size();
  if (outside) parts.push_back(Counted(outside, L"path outside the code page", L"paths outside the code page"));
  if (parts.empty()) return L"";
  std::wstring line;
  for (const std::wstring& part : parts) line += (line.empty() ? L"" : L", ") + part;
  line += L": see `qvmodcat check`\n";
  if (!outside) return line;
  std::wstring advice = CodePageAdvice(Counted(outside, L"path", L"paths")) + L".";
  advice[0] = L'T';
  return line + Wrap(advice, L"");
}

}  // namespace qvmodcat
