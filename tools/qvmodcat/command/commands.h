// The inspector's commands.  Each runs with the environment already set for the run and COM
// initialised, writes its answer (text, or JSON with --json) and returns the exit code.
#pragma once

#include "catalog_access.h"
#include "command_line.h"
#include "json.h"
#include "module_report.h"

#include <set>
#include <string>
#include <vector>

namespace qvmodcat {

enum ExitCode : int { kFound = 0, kNotFound = 1, kFailed = 2 };

int RunCheck(const Options& options);
int RunList(const Options& options);
int RunFolders(const Options& options);
int RunFindFile(const Options& options);
int RunKeyForFile(const Options& options);
int RunDisplayName(const Options& options);
int RunShow(const Options& options);
int RunInspect(const Options& options);
int RunDeps(const Options& options);
int RunRdeps(const Options& options);
int RunVersion(const Options& options);
int RunCache(const Options& options);

// Shared by the commands.

// The project type the catalog is asked for: --project-type, else the environment's active
// project type (the stand-in's ActiveProjectType), else 0.
long CatalogProjectType(const Options& options);

// The modules read from packages of the catalog's folders, as "key|path", to tell them from
// modules known only from gallery descriptors.
class PackageModules {
 public:
  explicit PackageModules(Catalog& catalog);
  ModuleSource SourceOf(const ModuleSummary& module) const;

 private:
  std::set<std::wstring> modules_;
};

// Writes a JSON answer or a text answer (each line fitted to the line width), whichever the
// options ask for.
void Answer(const Options& options, const Json& json, const std::wstring& text);

// A file the command cannot use (exit code 2): "qvmodcat: path: message" on standard error,
// the path as it was given, and with --json an error object on standard output.
int FailOnFile(const Options& options, const std::wstring& path, const std::wstring& message);

// The catalog has no module of that key: says so, with the keys it may have meant, whole
// (JSON: null).  Returns kNotFound.
int NoSuchModule(const Options& options, Catalog& catalog, const std::wstring& key);

// Of a catalog's package files, how many were opened and how many were taken from the package
// cache (the component's hits): "2 opened, 0 from the package cache".
std::wstring PackageCountsText(size_t packageFiles, unsigned long cacheHits);
// "packages_read" and "packages_from_cache" (null when the component does not say).
void SetPackageCounts(Json& json, size_t packageFiles, const std::optional<unsigned long>& cacheHits);

// The keys of the catalog's modules, in catalog order.
std::vector<std::wstring> CatalogKeys(Catalog& catalog);
// The key of `keys` that a shortened or prefix form stands for (ExpandKey), said on standard
// error; otherwise the key as given.
std::wstring TakeKey(const std::wstring& given, const std::vector<std::wstring>& keys);
// The key the command's argument names: as given when the catalog has it, else TakeKey.
std::wstring ResolveKey(const Options& options, Catalog& catalog);
// The catalog's module of the argument's key (GetModule, with the language fallback of ID:0,
// after ResolveKey), or null.
ComRef<IMergeModule2> FindModule(const Options& options, Catalog& catalog);

}  // namespace qvmodcat
