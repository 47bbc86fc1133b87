// Every module of the catalog with what it requires and excludes, each requirement resolved
// the way the catalog resolves it (GetModule with the requiring module's language): the
// requirement graph that check, rdeps and the Graphviz output walk.
#pragma once

#include "catalog_access.h"
#include "dependency_closure.h"
#include "module_report.h"

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace qvmodcat {

class PackageModules;

struct GraphModule {
  ModuleSummary Summary;
  ModuleSource Source = ModuleSource::Package;
  std::vector<DependencyEntry> Requires;
  std::vector<ExclusionEntry> Excludes;
  std::vector<FileEntry> Files;                      // packages only, with WithFiles
  std::vector<std::optional<std::wstring>> Folders;  // each file's folder
};

struct GraphEdge {
  size_t From = 0;
  DependencyEntry Wanted;
  std::optional<size_t> To;  // the module the catalog answers, if any
  Requirement::State Status = Requirement::State::Missing;
};

class CatalogGraph {
 public:
  // Package modules' tables are read from their packages directly (see package_tables.h),
  // gallery modules' lists from the component.  Files only when asked for.  Reports to the
  // run's progress.
  CatalogGraph(Catalog& catalog, const PackageModules& packages, bool withFiles);

  const std::vector<GraphModule>& Modules() const noexcept { return modules_; }
  const std::vector<GraphEdge>& Edges() const noexcept { return edges_; }

  // The module with that key and package path, if the catalog holds it.
  std::optional<size_t> Find(const ModuleSummary& module) const;
  // Modules that require `target`, directly or through others (nearest first), each once.
  std::vector<size_t> RequiredBy(size_t target) const;
  // Modules whose requirements, themselves included, take in both a and b.
  std::vector<size_t> NeededTogetherBy(size_t a, size_t b) const;

 private:
  std::set<size_t> Reaching(size_t target) const;  // target and everything that requires it

  std::vector<GraphModule> modules_;
  std::vector<GraphEdge> edges_;
  std::vector<std::vector<size_t>> requirers_;  // by module: the modules whose edges reach it
};

}  // namespace qvmodcat
