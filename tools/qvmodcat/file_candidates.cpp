#include "file_candidates.h"

#include "commands.h"
#include "directory_walk.h"
#include "progress.h"
#include "text_rules.h"

#include <algorithm>
#include <map>

namespace qvmodcat {

namespace {

// "*" and "?" against a name, without case, as the shell's file name patterns match.
bool MatchesPattern(const wchar_t* name, const wchar_t* pattern) {
  for (; *pattern; ++pattern, ++name) {
    if (*pattern == L'*') {
      for (const wchar_t* rest = name;; ++rest) {
        if (MatchesPattern(rest, pattern + 1)) return true;
        if (!*rest) return false;
      }
    }
    if (!*name) return false;
    if (*pattern != L'?' && towupper(*pattern) != towupper(*name)) return false;
  }
  return !*name;
}

std::wstring Trimmed(const std::wstring& text) {
  const size_t first = text.find_first_not_of(L" \t\n");
  if (first == std::wstring::npos) return L"";
  return text.substr(first, text.find_last_not_of(L" \t\n") - first + 1);
}

// The destination's folder and file in the active notation ("[X]" for project type 0, "<X>"
// for 1); false when it is written in neither.
bool Split(const std::wstring& path, long projectType, std::wstring& folder, std::wstring& file) {
  const wchar_t open = projectType == 1 ? L'<' : L'[', close = projectType == 1 ? L'>' : L']';
  const size_t closing = path.rfind(close), opening = path.find(open);
  if (closing == std::wstring::npos || opening == std::wstring::npos || opening >= closing)
    return false;
  const size_t backslash = path.rfind(L'\\');
  folder = backslash == std::wstring::npos ? path.substr(0, closing + 1) : path.substr(0, backslash);
  file = backslash == std::wstring::npos ? path.substr(closing + 1) : path.substr(backslash + 1);
  return true;
}

class Judge {
 public:
  Judge(Catalog& catalog, const FileQuestion& question, FileCandidates& result)
      : question_(question), result_(result) {
    EnvironmentServices& environment = catalog.Environment();
    matchVersion_ = question.InFolder ? !question.Version.empty() : environment.MatchVersion();
    matchFolder_ = question.InFolder || environment.MatchFolder();
  }

  void Weigh(FileCandidate& candidate) {
    const FileEntry& file = candidate.File;
    const bool package = candidate.Source != ModuleSource::Gallery;
    // A package file's language is compared with "0" when none is asked for.
    const std::wstring language =
        package && question_.Language.empty() ? L"0" : question_.Language;
    std::vector<std::wstring> misses;
    if (matchVersion_ && !SameTextIgnoringCase(question_.Version, file.Version))
      misses.push_back(L"version " + Shown(file.Version) + L", asked for " + Shown(question_.Version));
    if (matchFolder_ && !result_.Folder.empty() &&
        !(candidate.Folder && SameTextIgnoringCase(*candidate.Folder, result_.Folder)))
      misses.push_back(L"goes to " + (candidate.Folder ? Shown(*candidate.Folder) : L"no folder to compare") +
                       L", asked for " + result_.Folder);
    if (language != file.Language)
      misses.push_back(L"language " + Shown(file.Language) + L", asked for " + Shown(language));
    if (!result_.ExcludedBy.empty()) {
      candidate.Reason = L"the name is excluded (" + result_.ExcludedBy + L")";
    } else if (!misses.empty()) {
      for (const std::wstring& miss : misses)
        candidate.Reason += (candidate.Reason.empty() ? L"" : L"; ") + miss;
    } else {
      candidate.Matches = true;
      if (!first_) {
        first_ = &candidate;
        candidate.Reason = L"matches";
      } else if (first_->Module.Key == candidate.Module.Key &&
                 first_->Module.Path == candidate.Module.Path) {
        candidate.Reason = L"matches too, but an earlier file of the module comes first";
      } else {
        candidate.Reason = L"matches too, but " + first_->Module.Key + L" comes first";
      }
    }
  }

 private:
  static std::wstring Shown(const std::wstring& text) { return text.empty() ? L"none" : text; }

  const FileQuestion& question_;
  FileCandidates& result_;
  bool matchVersion_ = false;
  bool matchFolder_ = false;
  const FileCandidate* first_ = nullptr;  // the match the catalog answers with
};

}  // namespace

FileCandidates FindFileCandidates(Catalog& catalog, const CatalogSurvey& survey,
                                  const FileQuestion& question) {
  FileCandidates result;
  std::wstring file;
  if (!Split(question.Destination, question.ProjectType, result.Folder, file)) {
    result.Folder.clear();
    if (!question.InFolder) file = question.Destination;  // no folder: the whole is the name
  }
  result.Name = file.substr(file.rfind(L'\\') + 1);
  const std::wstring patterns = catalog.Environment().ExcludedFilePatterns();
  for (size_t start = 0; start <= patterns.size() && result.ExcludedBy.empty();) {
    const size_t comma = std::min(patterns.find(L',', start), patterns.size());
    const std::wstring pattern = Trimmed(patterns.substr(start, comma - start));
    if (!pattern.empty() && MatchesPattern(result.Name.c_str(), pattern.c_str()))
      result.ExcludedBy = pattern;
    start = comma + 1;
  }
  if (result.Name.empty()) return result;

  const auto addFiles = [&](IMergeModule2* module, ModuleSource source) {
    const ModuleSummary summary = ReadSummary(module);
    std::optional<PackageDirectories> directories;
    bool opened = false;
    for (const FileEntry& entry : ReadFiles(module)) {
      if (!SameTextIgnoringCase(entry.LongName(), result.Name)) continue;
      FileCandidate candidate{summary, source, entry, std::nullopt, false, L""};
      if (source != ModuleSource::Gallery && !opened) {
        opened = true;
        try {
          directories.emplace(summary.Path);
        } catch (const ComError&) {
          // Its folders stay unknown; the catalog could not compare them either.
        }
      }
      if (directories) candidate.Folder = directories->Resolve(entry.Directory);
      result.Candidates.push_back(std::move(candidate));
    }
  };
  // The packages' modules, then the gallery's by descriptor file name.
  std::vector<std::pair<ComRef<IMergeModule2>, ModuleSource>> modules;
  for (const SurveyFolder& folder : survey.Folders())
    for (const PackageFile& package : folder.Packages)
      if (package.Module) modules.emplace_back(package.Module, ModuleSource::Package);
  const PackageModules packages(catalog);
  std::vector<std::pair<std::wstring, ComRef<IMergeModule2>>> gallery;
  for (const auto& module : catalog.Modules()) {
    const ModuleSummary summary = ReadSummary(module.Get());
    if (packages.SourceOf(summary) == ModuleSource::Gallery)
      gallery.emplace_back(summary.Name + L".ini", module);
  }
  std::sort(gallery.begin(), gallery.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& [name, module] : gallery) modules.emplace_back(module, ModuleSource::Gallery);
  ProgressPhase(L"reading the modules' files", modules.size(), L"modules");
  for (size_t i = 0; i < modules.size(); ++i) {
    addFiles(modules[i].first.Get(), modules[i].second);
    ProgressAdvance(i + 1);
  }

  Judge judge(catalog, question, result);
  for (FileCandidate& candidate : result.Candidates) judge.Weigh(candidate);
  return result;
}

}  // namespace qvmodcat
