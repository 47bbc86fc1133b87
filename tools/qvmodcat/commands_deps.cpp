// deps and rdeps: what a module requires, and who requires it.
#include "commands.h"

#include "catalog_graph.h"
#include "console.h"
#include "dependency_closure.h"
#include "graph_dot.h"
#include "progress.h"
#include "text_table.h"

#include <functional>
#include <set>

namespace qvmodcat {

namespace {

std::wstring ClosureDot(const Closure& closure, const PackageModules& packages) {
  std::vector<DotNode> nodes;
  std::vector<DotEdge> edges;
  std::set<std::wstring> known;
  const auto add = [&](const ModuleSummary& module, bool root) {
    if (!known.insert(module.Key).second) return;
    nodes.push_back({module.Key, module.Key + L"\n" + module.Version,
                     packages.SourceOf(module) == ModuleSource::Gallery, false, root});
  };
  add(closure.Root, true);
  for (const Requirement& r : closure.Requirements) {
    DotEdge edge{r.RequiredBy, L"", r.Wanted.Version.empty() ? L"" : L">= " + r.Wanted.Version,
                 DotEdge::Kind::Requires};
    if (r.Module) {
      add(*r.Module, false);
      edge.To = r.Module->Key;
      if (r.Status == Requirement::State::Older) edge.Type = DotEdge::Kind::Older;
    } else {
      edge.To = r.Wanted.Key + L" (missing)";
      edge.Type = DotEdge::Kind::Missing;
      if (known.insert(edge.To).second)
        nodes.push_back({edge.To, r.Wanted.Key + L"\nmissing", false, true, false});
    }
    edges.push_back(std::move(edge));
  }
  for (const Conflict& c : closure.Conflicts)
    edges.push_back({c.ExcludingKey, c.Excluded.Key, L"excludes", DotEdge::Kind::Conflict});
  return WriteDot(closure.Root.Key, nodes, edges);
}

}  // namespace

int RunDeps(const Options& options) {
  Catalog catalog(CatalogProjectType(options));
  const ComRef<IMergeModule2> root = FindModule(options, catalog);
  if (!root) return NoSuchModule(options, catalog, options.Arguments[0]);
  const Closure closure = ResolveClosure(catalog, root.Get());
  const PackageModules packages(catalog);
  if (options.Format == OutputFormat::Dot) {
    WriteOut(ClosureDot(closure, packages));
    return closure.Complete() ? kFound : kNotFound;
  }

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

int RunRdeps(const Options& options) {
  Catalog catalog(CatalogProjectType(options));
  const ComRef<IMergeModule2> root = FindModule(options, catalog);
  if (!root) return NoSuchModule(options, catalog, options.Arguments[0]);
  const PackageModules packages(catalog);
  Progress progress(L"qvmodcat rdeps");
  const CatalogGraph graph(catalog, packages, false, &progress);
  progress.Finish();
  const ModuleSummary target = catalog.Summary(root.Get());
  const auto targetIndex = graph.Find(target);
  const auto& modules = graph.Modules();

  Json json = Json::Object();
  json.Set("module", SummaryJson(target, packages.SourceOf(target)));
  Json& requirers = json.Set("required_by", Json::Array());
  TextTable table;
  std::set<size_t> shown;
  // Upwards from the module: who requires it, then who requires those.
  const std::function<void(size_t, int)> visit = [&](size_t module, int depth) {
    for (const GraphEdge& edge : graph.Edges()) {
      if (edge.To != module) continue;
      const ModuleSummary& by = modules[edge.From].Summary;
      const bool first = shown.insert(edge.From).second;
      Json item = Json::Object();
      item.Set("key", by.Key);
      item.Set("version", by.Version);
      item.Set("depth", depth);
      item.Set("requires", modules[module].Summary.Key);
      item.Set("required_key", edge.Wanted.Key);
      item.Set("required_version", edge.Wanted.Version);
      item.Set("status", StateName(edge.Status));
      item.Set("repeated", !first);
      requirers.Append(std::move(item));
      table.Add({std::wstring(static_cast<size_t>(depth) * 2, L' ') + by.Key + L" " + by.Version,
                 L"requires " + RequirementText(edge.Wanted), StateName(edge.Status),
                 first ? L"" : L"see above"});
      if (first) visit(edge.From, depth + 1);
    }
  };
  shown.insert(targetIndex.value_or(modules.size()));
  if (targetIndex) visit(*targetIndex, 1);
  std::wstring text = target.Key + L" " + target.Version + L"  " + target.DisplayName + L"\n";
  text += table.Empty() ? L"  no module of the catalog requires it\n" : table.Render();
  Answer(options, json, text);
  return table.Empty() ? kNotFound : kFound;
}

}  // namespace qvmodcat
