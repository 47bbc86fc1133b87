// The modules a module needs, transitively, as the catalog resolves each requirement, and the
// exclusions that modules of that set declare against each other.
#pragma once

#include "catalog_access.h"

#include <optional>
#include <string>
#include <vector>

namespace qvmodcat {

struct Requirement {
  enum class State { Found, Older, Missing };
  std::wstring RequiredBy;  // key of the requiring module
  int Depth = 1;            // 1: a requirement of the module asked about
  DependencyEntry Wanted;
  State Status = State::Missing;
  std::optional<ModuleSummary> Module;  // what GetModule answered
  bool Repeated = false;    // that module's own requirements are listed where it first came
};

// "found", "older", "missing".
const wchar_t* StateName(Requirement::State state);

struct Conflict {
  std::wstring ExcludingKey;  // the module that declares the exclusion
  ExclusionEntry Exclusion;
  ModuleSummary Excluded;     // the module of the closure it hits
};

struct Closure {
  ModuleSummary Root;
  std::vector<Requirement> Requirements;  // depth-first, in each module's dependency order
  std::vector<Conflict> Conflicts;
  bool Complete() const;  // everything found in a recent enough version, nothing conflicting
};

Closure ResolveClosure(Catalog& catalog, IMergeModule2* root);

// Whether an exclusion hits a module: its ModuleID, its language (exclusion language 0: any;
// negative: any but that one) and its version between the bounds (an empty bound is open).
bool ExclusionApplies(const ExclusionEntry& exclusion, const ModuleSummary& module);

}  // namespace qvmodcat
