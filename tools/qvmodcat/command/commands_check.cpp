// check: what keeps the catalog from offering what its folders hold.
#include "catalog_survey.h"
#include "commands.h"
#include "console.h"
#include "graph_dot.h"
#include "health_check.h"
#include "host_paths.h"
#include "progress.h"
#include "text_rules.h"
#include "text_table.h"

namespace qvmodcat {

namespace {

struct CheckResult {
  const CatalogSurvey& Survey;
  const CatalogGraph& Graph;
  const HealthFindings& Findings;
  std::optional<unsigned long> CacheHits;

  size_t Problems() const {
    return Survey.NotRead().size() + Survey.SharedKeys().size() + Survey.EntryProblems().size() +
           Survey.OutsideCodePage().size() +
           Findings.UnmetRequirements.size() + Findings.Conflicts.size() +
           Findings.GalleryPackages.size() + Findings.FilesIniEntries.size() +
           Findings.SharedFiles.size();
  }
  const ModuleSummary& Module(size_t index) const { return Graph.Modules()[index].Summary; }
};

std::wstring Heading(const wchar_t* title, size_t count) {
  return std::wstring(title) + L" (" + std::to_wstring(count) + L"):\n";
}

std::wstring KeyList(const CheckResult& r, const std::vector<size_t>& modules) {
  std::wstring text;
  for (const size_t m : modules) text += (text.empty() ? L"" : L", ") + r.Module(m).Key;
  return text;
}

std::wstring PathLine(const std::wstring& indent, const std::wstring& path) {
  return FitLineKeepingEnd(indent + path) + L"\n";
}

std::wstring CheckText(const CheckResult& r) {
  const auto& survey = r.Survey;
  const auto& findings = r.Findings;
  size_t fromPackages = 0;
  for (const GraphModule& m : r.Graph.Modules()) fromPackages += m.Source == ModuleSource::Package;
  std::wstring out = L"Checked " + Counted(survey.Folders().size(), L"folder", L"folders") + L", " +
                     Counted(survey.PackageCount(), L"package file", L"package files") +
                     (r.CacheHits ? L" (" + PackageCountsText(survey.PackageCount(), *r.CacheHits) + L")"
                                  : L"") + L", " +
                     Counted(r.Graph.Modules().size(), L"module", L"modules") + L" (" +
                     std::to_wstring(fromPackages) + L" from packages).\n";
  if (const auto files = survey.NotRead(); !files.empty()) {
    out += L"\n" + Heading(L"Package files not read", files.size());
    for (const PackageFile* file : files) out += PathLine(L"  ", file->Path) + Wrap(file->Problem, L"    ");
  }
  if (!survey.SharedKeys().empty()) {
    out += L"\n" + Heading(L"Keys served by more than one package", survey.SharedKeys().size());
    for (const SharedKey& shared : survey.SharedKeys()) {
      out += VerdictLine(L"  " + shared.Key + L":", L"the catalog shows " + shared.Shown->Version +
                                                       (shared.NewerHidden ? L", a newer package is hidden" : L""));
      TextTable packages(4);
      packages.KeepEnds();
      packages.Add({L"shows", shared.Shown->Version, shared.Shown->Path});
      for (const PackageFile* hidden : shared.Hidden)
        packages.Add({L"hides", hidden->Version, hidden->Path});
      out += packages.Render();
    }
  }
  if (!findings.UnmetRequirements.empty()) {
    out += L"\n" + Heading(L"Requirements not met", findings.UnmetRequirements.size());
    for (const GraphEdge* edge : findings.UnmetRequirements) {
      out += VerdictLine(L"  " + r.Module(edge->From).Key + L" requires " + RequirementText(edge->Wanted) + L":",
                         edge->To ? r.Module(*edge->To).Key + L" " + r.Module(*edge->To).Version + L" is older"
                                  : L"missing");
    }
  }
  if (!findings.Conflicts.empty()) {
    out += L"\n" + Heading(L"Modules that exclude each other", findings.Conflicts.size());
    for (const ExclusionConflict& c : findings.Conflicts) {
      out += VerdictLine(L"  " + r.Module(c.Excluding).Key + L" excludes " + c.Exclusion.Key + L" " +
                             ExclusionRange(c.Exclusion) + L":",
                         L"the catalog has " + r.Module(c.Excluded).Key + L" " + r.Module(c.Excluded).Version);
      if (!c.NeededTogetherBy.empty())
        out += L"    needed together by " + KeyList(r, c.NeededTogetherBy) + L"\n";
    }
  }
  if (!findings.GalleryPackages.empty()) {
    out += L"\n" + Heading(L"Gallery descriptors without their package", findings.GalleryPackages.size());
    for (const GalleryPackageProblem& g : findings.GalleryPackages) {
      out += VerdictLine(L"  " + g.Descriptor + L" (" + g.Key + L"):", g.Problem);
      if (!g.Package.empty()) out += PathLine(L"    ", g.Package);
    }
  }
  if (!findings.FilesIniEntries.empty()) {
    out += L"\n" + Heading(L"FilesToModules.ini entries for modules the catalog lacks",
                           findings.FilesIniEntries.size());
    for (const FilesIniProblem& f : findings.FilesIniEntries)
      out += VerdictLine(L"  " + f.File + L"=" + f.Entry + L":",
                         f.Key.empty() ? L"names no module" : L"no module " + f.Key);
  }
  if (!findings.SharedFiles.empty()) {
    out += L"\n" + Heading(L"Modules that deliver files of one name to one folder",
                           findings.SharedFiles.size());
    for (const SharedFiles& shared : findings.SharedFiles) {
      const size_t count = shared.Destinations.size();
      out += L"  " + Counted(count, L"file", L"files") + L", such as " + shared.Destinations[0] + L":\n";
      TextTable holders(4);
      holders.KeepEnds();
      for (const size_t m : shared.Modules) holders.Add({r.Module(m).Key, r.Module(m).Version, r.Module(m).Path});
      out += holders.Render();
    }
  }
  if (!survey.EntryProblems().empty()) {
    out += L"\n" + Heading(L"Folder list entries that name no folder", survey.EntryProblems().size());
    for (const ListEntryProblem& e : survey.EntryProblems())
      out += VerdictLine(L"  " + e.List + L": " + e.Entry + L":", e.Problem);
  }
  if (const auto& outside = survey.OutsideCodePage(); !outside.empty()) {
    out += L"\n" + Heading(L"Paths the system code page cannot hold", outside.size());
    for (const CodePagePath& path : outside)
      out += PathLine(L"  ", path.Path) + L"    " + path.Kind +
             (path.Kind == L"package file" ? L"\n" : L": none of its packages is read\n");
    std::wstring advice = CodePageAdvice(outside.size() == 1 ? L"this path" : L"these paths") + L".";
    advice[0] = L'T';
    out += Wrap(advice, L"  ");
  }
  const size_t problems = r.Problems();
  out += problems ? L"\n" + std::to_wstring(problems) + (problems == 1 ? L" problem" : L" problems") +
                        L" found.\n"
                  : L"No problems found.\n";
  return out;
}

Json PackageJson(const PackageFile& file) {
  Json json = Json::Object();
  json.Set("path", file.Path);
  json.Set("version", file.Version);
  return json;
}

Json CheckJson(const CheckResult& r) {
  const auto& survey = r.Survey;
  const auto& findings = r.Findings;
  Json json = Json::Object();
  json.Set("folders", static_cast<long>(survey.Folders().size()));
  json.Set("package_files", static_cast<long>(survey.PackageCount()));
  json.Set("modules", static_cast<long>(r.Graph.Modules().size()));
  SetPackageCounts(json, survey.PackageCount(), r.CacheHits);
  Json& notRead = json.Set("packages_not_read", Json::Array());
  for (const PackageFile* file : survey.NotRead()) {
    Json item = Json::Object();
    item.Set("path", file->Path);
    item.Set("reason", file->Problem);
    notRead.Append(std::move(item));
  }
  Json& shared = json.Set("shared_keys", Json::Array());
  for (const SharedKey& key : survey.SharedKeys()) {
    Json item = Json::Object();
    item.Set("key", key.Key);
    item.Set("shown", PackageJson(*key.Shown));
    Json& hidden = item.Set("hidden", Json::Array());
    for (const PackageFile* file : key.Hidden) hidden.Append(PackageJson(*file));
    item.Set("newer_hidden", key.NewerHidden);
    shared.Append(std::move(item));
  }
  Json& unmet = json.Set("requirements_not_met", Json::Array());
  for (const GraphEdge* edge : findings.UnmetRequirements) {
    Json item = Json::Object();
    item.Set("module", r.Module(edge->From).Key);
    item.Set("requires", edge->Wanted.Key);
    item.Set("version", edge->Wanted.Version);
    item.Set("status", edge->To ? L"older" : L"missing");
    item.Set("found_version", edge->To ? Json(r.Module(*edge->To).Version) : Json());
    unmet.Append(std::move(item));
  }
  Json& conflicts = json.Set("exclusion_conflicts", Json::Array());
  for (const ExclusionConflict& c : findings.Conflicts) {
    Json item = Json::Object();
    item.Set("module", r.Module(c.Excluding).Key);
    item.Set("excludes", c.Exclusion.Key);
    item.Set("min_version", c.Exclusion.MinVersion);
    item.Set("max_version", c.Exclusion.MaxVersion);
    item.Set("conflicting", r.Module(c.Excluded).Key);
    item.Set("conflicting_version", r.Module(c.Excluded).Version);
    Json& together = item.Set("needed_together_by", Json::Array());
    for (const size_t m : c.NeededTogetherBy) together.Append(r.Module(m).Key);
    conflicts.Append(std::move(item));
  }
  Json& gallery = json.Set("gallery_packages_missing", Json::Array());
  for (const GalleryPackageProblem& g : findings.GalleryPackages) {
    Json item = Json::Object();
    item.Set("descriptor", g.Descriptor);
    item.Set("key", g.Key);
    item.Set("package", g.Package);
    item.Set("reason", g.Problem);
    gallery.Append(std::move(item));
  }
  Json& filesIni = json.Set("files_ini_entries", Json::Array());
  for (const FilesIniProblem& f : findings.FilesIniEntries) {
    Json item = Json::Object();
    item.Set("file", f.File);
    item.Set("entry", f.Entry);
    item.Set("key", f.Key.empty() ? Json() : Json(f.Key));
    filesIni.Append(std::move(item));
  }
  Json& sharedFiles = json.Set("shared_files", Json::Array());
  for (const SharedFiles& shared : findings.SharedFiles) {
    Json item = Json::Object();
    Json& holders = item.Set("modules", Json::Array());
    for (const size_t m : shared.Modules) {
      Json holder = Json::Object();
      holder.Set("key", r.Module(m).Key);
      holder.Set("version", r.Module(m).Version);
      holder.Set("path", r.Module(m).Path);
      holders.Append(std::move(holder));
    }
    Json& files = item.Set("files", Json::Array());
    for (const std::wstring& destination : shared.Destinations) files.Append(destination);
    sharedFiles.Append(std::move(item));
  }
  Json& outside = json.Set("paths_outside_code_page", Json::Array());
  for (const CodePagePath& path : survey.OutsideCodePage()) {
    Json item = Json::Object();
    item.Set("path", path.Path);
    item.Set("kind", path.Kind);
    outside.Append(std::move(item));
  }
  Json& entries = json.Set("folder_entries", Json::Array());
  for (const ListEntryProblem& e : survey.EntryProblems()) {
    Json item = Json::Object();
    item.Set("list", e.List);
    item.Set("entry", e.Entry);
    item.Set("reason", e.Problem);
    entries.Append(std::move(item));
  }
  json.Set("problems", static_cast<long>(r.Problems()));
  return json;
}

std::wstring CheckDot(const CheckResult& r) {
  std::vector<DotNode> nodes;
  std::vector<DotEdge> edges;
  for (const GraphModule& m : r.Graph.Modules())
    nodes.push_back({m.Summary.Key, m.Summary.Key + L"\n" + m.Summary.Version,
                     m.Source == ModuleSource::Gallery, false, false});
  for (const GraphEdge& edge : r.Graph.Edges()) {
    DotEdge dot{r.Module(edge.From).Key, L"", edge.Wanted.Version.empty() ? L"" : L">= " + edge.Wanted.Version,
                DotEdge::Kind::Requires};
    if (edge.To) {
      dot.To = r.Module(*edge.To).Key;
      if (edge.Status == Requirement::State::Older) dot.Type = DotEdge::Kind::Older;
    } else {
      dot.To = edge.Wanted.Key + L" (missing)";
      dot.Type = DotEdge::Kind::Missing;
      nodes.push_back({dot.To, edge.Wanted.Key + L"\nmissing", false, true, false});
    }
    edges.push_back(std::move(dot));
  }
  for (const ExclusionConflict& c : r.Findings.Conflicts)
    edges.push_back({r.Module(c.Excluding).Key, r.Module(c.Excluded).Key, L"excludes",
                     DotEdge::Kind::Conflict});
  return WriteDot(L"catalog", nodes, edges);
}

}  // namespace

int RunCheck(const Options& options) {
  Catalog catalog(CatalogProjectType(options));
  if (catalog.IsEdition()) {
    Answer(options, Json::Object(), L"The edition catalog (project type 9 or 10) holds nothing.\n");
    return kFound;
  }
  const CatalogSurvey survey(catalog);
  const PackageModules packages(catalog);
  const CatalogGraph graph(catalog, packages, options.Format != OutputFormat::Dot);
  ProgressPhase(L"looking for problems");
  const HealthFindings findings = CheckHealth(graph, catalog);
  const CheckResult result{survey, graph, findings, ComponentCacheHits()};
  if (options.Format == OutputFormat::Dot)
    WriteOut(CheckDot(result));
  else
    Answer(options, CheckJson(result), CheckText(result));
  return result.Problems() ? kNotFound : kFound;
}

}  // namespace qvmodcat
