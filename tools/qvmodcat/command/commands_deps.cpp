// deps and rdeps: what a module requires, and who requires it.
#include "commands.h"

#include "catalog_graph.h"
#include "console.h"
#include "dependency_closure.h"
#include "graph_dot.h"
#include "progress.h"
#include "text_table.h"

#include <cwchar>
#include <functional>
#include <optional>
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

// Whether a key the catalog lacks answers a requirement: the same ModuleID, and the same
// language or either one 0 (any).
bool Answers(const std::wstring& key, const DependencyEntry& wanted) {
  const size_t colon = key.rfind(L':');
  const long language = wcstol(key.c_str() + colon + 1, nullptr, 10);
  return key.compare(0, colon, wanted.ModuleID) == 0 &&
         (language == 0 || wanted.Language == 0 || language == wanted.Language);
}

}  // namespace

int RunDeps(const Options& options) {
  Catalog catalog(CatalogProjectType(options));
  const ComRef<IMergeModule2> root = FindModule(options, catalog);
  if (!root) return NoSuchModule(options, catalog, options.Arguments[0]);
  ProgressPhase(L"resolving requirements");
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
  std::wstring key = ResolveKey(options, catalog);
  const ComRef<IMergeModule2> root = catalog.GetModule(key, options.Language.value_or(L""));
  const PackageModules packages(catalog);
  const CatalogGraph graph(catalog, packages, false);
  const auto& modules = graph.Modules();
  std::optional<ModuleSummary> target;
  if (root) {
    target = catalog.Summary(root.Get());
  } else {
    // A module nobody has: who needs it matters most then.  Its key may be a shortened one.
    std::vector<std::wstring> missing;
    for (const GraphEdge& edge : graph.Edges())
      if (!edge.To) missing.push_back(edge.Wanted.Key);
    key = TakeKey(key, missing);
  }
  std::optional<size_t> targetIndex;
  if (target) targetIndex = graph.Find(*target);

  Json json = Json::Object();
  json.Set("module", target ? SummaryJson(*target, packages.SourceOf(*target)) : Json());
  Json& requirers = json.Set("required_by", Json::Array());
  TextTable table;
  std::set<size_t> shown;
  // Upwards from the module: who requires it, then who requires those.
  const std::function<void(const GraphEdge&, const std::wstring&, int)> add =
      [&](const GraphEdge& edge, const std::wstring& required, int depth) {
        const ModuleSummary& by = modules[edge.From].Summary;
        const bool first = shown.insert(edge.From).second;
        Json item = Json::Object();
        item.Set("key", by.Key);
        item.Set("version", by.Version);
        item.Set("depth", depth);
        item.Set("requires", required);
        item.Set("required_key", edge.Wanted.Key);
        item.Set("required_version", edge.Wanted.Version);
        item.Set("status", StateName(edge.Status));
        item.Set("repeated", !first);
        requirers.Append(std::move(item));
        table.Add({std::wstring(static_cast<size_t>(depth) * 2, L' ') + by.Key, by.Version,
                   L"requires " + RequirementText(edge.Wanted), StateName(edge.Status),
                   first ? L"" : L"see above"});
        if (!first) return;
        for (const GraphEdge& next : graph.Edges())
          if (next.To == edge.From) add(next, by.Key, depth + 1);
      };
  shown.insert(targetIndex.value_or(modules.size()));
  for (const GraphEdge& edge : graph.Edges())
    if (target ? targetIndex && edge.To == *targetIndex : !edge.To && Answers(key, edge.Wanted))
      add(edge, target ? target->Key : edge.Wanted.Key, 1);
  if (!target && table.Empty()) return NoSuchModule(options, catalog, key);

  std::wstring text = target ? target->Key + L" " + target->Version + L"  " + target->DisplayName + L"\n"
                             : key + L"  missing: the catalog has no such module\n";
  text += table.Empty() ? L"  no module of the catalog requires it\n" : table.Render();
  Answer(options, json, text);
  return table.Empty() ? kNotFound : kFound;
}

}  // namespace qvmodcat
