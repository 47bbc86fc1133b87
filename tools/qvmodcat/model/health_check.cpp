#include "health_check.h"

#include "common/unique_handle.h"  // header-only
#include "text_rules.h"
#include "common/version_rules.h"

#include <map>
#include <set>

namespace qvmodcat {

namespace {

std::vector<ExclusionConflict> FindConflicts(const CatalogGraph& graph) {
  const auto& modules = graph.Modules();
  std::multimap<std::wstring, size_t> byId;
  for (size_t i = 0; i < modules.size(); ++i) byId.emplace(modules[i].Summary.ModuleID, i);
  std::vector<ExclusionConflict> conflicts;
  for (size_t excluding = 0; excluding < modules.size(); ++excluding) {
    for (const ExclusionEntry& exclusion : modules[excluding].Excludes) {
      const auto range = byId.equal_range(exclusion.ModuleID);
      for (auto it = range.first; it != range.second; ++it) {
        if (it->second == excluding || !ExclusionApplies(exclusion, modules[it->second].Summary))
          continue;
        conflicts.push_back({excluding, exclusion, it->second,
                             graph.NeededTogetherBy(excluding, it->second)});
      }
    }
  }
  return conflicts;
}

std::wstring Value(const ProfileSection& section, const wchar_t* name) {
  for (const auto& [key, value] : section)
    if (SameTextIgnoringCase(key, name)) return value;
  return L"";
}

std::vector<GalleryPackageProblem> FindMissingGalleryPackages(Catalog& catalog) {
  std::vector<GalleryPackageProblem> problems;
  EnvironmentServices& environment = catalog.Environment();
  const std::wstring product = environment.ProductFolder();
  const std::wstring gallery = JoinPath(product, L"ObjectGallery");
  WIN32_FIND_DATAW item = {};
  const FindHandle search(FindFirstFileW(JoinPath(gallery, L"*.ini").c_str(), &item));
  if (!search) return problems;
  std::vector<std::wstring> names;
  do {
    if (!(item.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(item.cFileName);
  } while (FindNextFileW(search.Get(), &item));
  for (const std::wstring& name : names) {
    const std::wstring path = JoinPath(gallery, name);
    const auto module = environment.ReadSection(path, L"MergeModule");
    if (!module) continue;
    const std::wstring id = Value(*module, L"ModuleID"), packageSection = Value(*module, L"FileName");
    if (id.empty() || packageSection.empty()) continue;  // ignored, or names no package file
    const auto package = environment.ReadSection(path, packageSection);
    const std::wstring location = package ? Value(*package, L"Location") : L"";
    const long language = ParseLeadingInteger(Value(*module, L"Language").c_str());
    GalleryPackageProblem problem{name, TextOf(MakeModuleKey(id.c_str(), language)), L"", L""};
    if (location.empty()) {
      problem.Problem = L"names no package location";
    } else {
      problem.Package = JoinPath(product, location);
      if (GetFileAttributesW(problem.Package.c_str()) != INVALID_FILE_ATTRIBUTES) continue;
      problem.Problem = L"its package is missing";
    }
    problems.push_back(std::move(problem));
  }
  return problems;
}

std::vector<FilesIniProblem> FindFilesIniProblems(Catalog& catalog) {
  std::vector<FilesIniProblem> problems;
  EnvironmentServices& environment = catalog.Environment();
  const auto entries = environment.ReadSection(
      JoinPath(environment.FilesIniFolder(), L"FilesToModules.ini"), L"FilesToModules");
  if (!entries) return problems;
  std::map<std::wstring, bool> known;  // key: the catalog has it
  for (const auto& [file, entry] : *entries) {
    const size_t colon = entry.find(L':');
    if (colon == std::wstring::npos) {
      problems.push_back({file, entry, L""});  // names no module at all
      continue;
    }
    std::wstring key = entry.substr(colon + 1);
    if (key.find(L':') == std::wstring::npos) key += L":0";
    auto found = known.find(key);
    if (found == known.end()) found = known.emplace(key, bool(catalog.GetModule(key, L""))).first;
    if (!found->second) problems.push_back({file, entry, key});
  }
  return problems;
}

std::vector<SharedFiles> FindSharedFiles(const CatalogGraph& graph) {
  const auto& modules = graph.Modules();
  struct Destination {
    std::wstring Text;
    std::set<size_t> Modules;
  };
  std::map<std::wstring, Destination> byDestination;  // by the destination without case
  for (size_t m = 0; m < modules.size(); ++m) {
    for (size_t f = 0; f < modules[m].Files.size(); ++f) {
      const auto& folder = modules[m].Folders[f];
      if (!folder) continue;
      // "[SystemFolder]" stands for a folder that ends in a separator.
      const std::wstring text =
          (folder->empty() || folder->back() == L']' ? *folder : *folder + L"\\") +
          modules[m].Files[f].LongName();
      Destination& destination = byDestination[FoldCase(text)];
      if (destination.Text.empty()) destination.Text = text;
      destination.Modules.insert(m);
    }
  }
  std::map<std::set<size_t>, SharedFiles> byModules;
  for (auto& [key, destination] : byDestination) {
    std::set<std::wstring> ids;  // languages of one module are alternatives, not rivals
    for (const size_t m : destination.Modules) ids.insert(modules[m].Summary.ModuleID);
    if (ids.size() < 2) continue;
    SharedFiles& shared = byModules[destination.Modules];
    shared.Modules.assign(destination.Modules.begin(), destination.Modules.end());
    shared.Destinations.push_back(destination.Text);
  }
  std::vector<SharedFiles> shared;
  for (auto& [set, files] : byModules) shared.push_back(std::move(files));
  return shared;
}

}  // namespace

HealthFindings CheckHealth(const CatalogGraph& graph, Catalog& catalog) {
  HealthFindings findings;
  for (const GraphEdge& edge : graph.Edges())
    if (edge.Status != Requirement::State::Found) findings.UnmetRequirements.push_back(&edge);
  findings.Conflicts = FindConflicts(graph);
  findings.GalleryPackages = FindMissingGalleryPackages(catalog);
  findings.FilesIniEntries = FindFilesIniProblems(catalog);
  findings.SharedFiles = FindSharedFiles(graph);
  return findings;
}

}  // namespace qvmodcat
