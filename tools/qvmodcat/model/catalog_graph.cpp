#include "catalog_graph.h"

#include "commands.h"
#include "package_tables.h"
#include "progress.h"
#include "common/version_rules.h"

#include <map>

namespace qvmodcat {

namespace {

std::wstring Identity(const std::wstring& key, const std::wstring& path) { return key + L"|" + path; }

}  // namespace

CatalogGraph::CatalogGraph(Catalog& catalog, const PackageModules& packages, bool withFiles) {
  const auto objects = catalog.Modules();
  std::map<std::wstring, size_t> indexes;
  ProgressPhase(L"reading the modules' tables", objects.size(), L"modules");
  for (const auto& object : objects) {
    GraphModule module;
    module.Summary = catalog.Summary(object.Get());
    module.Source = packages.SourceOf(module.Summary);
    bool read = false;
    if (module.Source == ModuleSource::Package) {
      try {
        PackageTables tables = ReadPackageTables(module.Summary.Path, module.Summary);
        module.Requires = std::move(tables.Dependencies);
        module.Excludes = std::move(tables.Exclusions);
        if (withFiles) {
          module.Files = std::move(tables.Files);
          module.Folders = std::move(tables.Folders);
        }
        read = true;
      } catch (const ComError&) {
        // msi.dll would not open it directly: the component's own lists, without folders.
      }
    }
    if (!read) {
      module.Requires = ReadDependencies(object.Get());
      module.Excludes = ReadExclusions(object.Get());
    }
    indexes[Identity(module.Summary.Key, module.Summary.Path)] = modules_.size();
    modules_.push_back(std::move(module));
    ProgressAdvance(modules_.size());
  }

  ProgressPhase(L"resolving requirements", modules_.size(), L"modules");
  requirers_.resize(modules_.size());
  // One question to the catalog per requirement key and requiring language.
  std::map<std::wstring, std::optional<size_t>> answers;
  for (size_t from = 0; from < modules_.size(); ++from) {
    const GraphModule& module = modules_[from];
    for (const DependencyEntry& wanted : module.Requires) {
      const std::wstring language = std::to_wstring(module.Summary.Language);
      const std::wstring question = wanted.Key + L"|" + language;
      auto answer = answers.find(question);
      if (answer == answers.end()) {
        std::optional<size_t> to;
        if (const auto found = catalog.GetModule(wanted.Key, language)) {
          const ModuleIdentity identity = ReadIdentity(found.Get());
          const auto index = indexes.find(Identity(identity.Key, identity.Path));
          if (index != indexes.end()) to = index->second;
        }
        answer = answers.emplace(question, to).first;
      }
      GraphEdge edge{from, wanted, answer->second, Requirement::State::Missing};
      if (edge.To)
        edge.Status = CompareVersions(modules_[*edge.To].Summary.Version.c_str(),
                                      wanted.Version.c_str()) < 0
                          ? Requirement::State::Older
                          : Requirement::State::Found;
      if (edge.To) requirers_[*edge.To].push_back(from);
      edges_.push_back(std::move(edge));
    }
    ProgressAdvance(from + 1);
  }
}

std::optional<size_t> CatalogGraph::Find(const ModuleSummary& module) const {
  for (size_t i = 0; i < modules_.size(); ++i)
    if (modules_[i].Summary.Key == module.Key && modules_[i].Summary.Path == module.Path) return i;
  return std::nullopt;
}

std::vector<size_t> CatalogGraph::RequiredBy(size_t target) const {
  std::vector<size_t> order;
  std::set<size_t> seen{target};
  std::vector<size_t> frontier{target};
  while (!frontier.empty()) {
    std::vector<size_t> next;
    for (const size_t wanted : frontier)
      for (const size_t from : requirers_[wanted])
        if (seen.insert(from).second) {
          order.push_back(from);
          next.push_back(from);
        }
    frontier = std::move(next);
  }
  return order;
}

std::set<size_t> CatalogGraph::Reaching(size_t target) const {
  const std::vector<size_t> requirers = RequiredBy(target);
  std::set<size_t> reaching(requirers.begin(), requirers.end());
  reaching.insert(target);
  return reaching;
}

std::vector<size_t> CatalogGraph::NeededTogetherBy(size_t a, size_t b) const {
  const std::set<size_t> first = Reaching(a), second = Reaching(b);
  std::vector<size_t> both;
  for (const size_t module : first)
    if (second.count(module)) both.push_back(module);
  return both;
}

}  // namespace qvmodcat
