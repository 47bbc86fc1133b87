#include "file_candidates.h"

#include "commands.h"
#include "directory_walk.h"
#include "progress.h"

#include "common/text.h"
#include "folders/folder_tokens.h"
#include "module/file_rules.h"

#include <algorithm>
#include <map>

namespace qvmodcat {

namespace {

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
    if (matchVersion_ && !EqualsIgnoringCase(question_.Version.c_str(), file.Version.c_str()))
      misses.push_back(L"version " + Shown(file.Version) + L", asked for " + Shown(question_.Version));
    if (matchFolder_ && !result_.Folder.empty() &&
        !(candidate.Folder &&
          EqualsIgnoringCase(candidate.Folder->c_str(), result_.Folder.c_str())))
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
  WideString folder, file;
  const WideString destination = question.Destination.c_str();
  if (SplitDestinationPath(FolderTokenDialectOf(question.ProjectType), destination, folder, file))
    result.Folder = TextOf(folder);
  else if (!question.InFolder)
    file = destination;  // no folder: the whole is the name
  result.Name = TextOf(file.Substring(file.FindLast(L'\\') + 1));
  const WideString patterns = catalog.Environment().ExcludedFilePatterns().c_str();
  const auto excludedBy = ExcludingPattern(SplitExcludedPatterns(patterns), result.Name.c_str());
  if (excludedBy) result.ExcludedBy = TextOf(*excludedBy);
  if (result.Name.empty()) return result;

  const auto addFiles = [&](IMergeModule2* module, ModuleSource source) {
    const ModuleSummary summary = ReadSummary(module);
    std::optional<PackageDirectories> directories;
    bool opened = false;
    for (const FileEntry& entry : ReadFiles(module)) {
      if (!EqualsIgnoringCase(entry.LongName().c_str(), result.Name.c_str())) continue;
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
