#include "dependency_closure.h"

#include "common/version_rules.h"

#include <set>

namespace qvmodcat {

namespace {

struct Member {
  ModuleSummary Summary;
  std::vector<ExclusionEntry> Exclusions;
};

// The same module object twice: one key from one package (or descriptor).
std::wstring Identity(const ModuleSummary& module) { return module.Key + L"|" + module.Path; }

class ClosureWalk {
 public:
  ClosureWalk(Catalog& catalog, Closure& closure) : catalog_(catalog), closure_(closure) {}

  void Visit(IMergeModule2* module, const ModuleSummary& summary, int depth) {
    members_.push_back(Member{summary, ReadExclusions(module)});
    for (const DependencyEntry& wanted : ReadDependencies(module)) {
      Requirement requirement;
      requirement.RequiredBy = summary.Key;
      requirement.Depth = depth;
      requirement.Wanted = wanted;
      // The requiring module's language decides between languages of a neutral requirement.
      const ComRef<IMergeModule2> found =
          catalog_.GetModule(wanted.Key, std::to_wstring(summary.Language));
      if (!found) {
        closure_.Requirements.push_back(std::move(requirement));
        continue;
      }
      const ModuleSummary foundSummary = catalog_.Summary(found.Get());
      requirement.Module = foundSummary;
      requirement.Status = CompareVersions(foundSummary.Version.c_str(), wanted.Version.c_str()) < 0
                               ? Requirement::State::Older
                               : Requirement::State::Found;
      const bool first = visited_.insert(Identity(foundSummary)).second;
      requirement.Repeated = !first;
      closure_.Requirements.push_back(std::move(requirement));
      if (first) Visit(found.Get(), foundSummary, depth + 1);
    }
  }

  void Start(IMergeModule2* root, const ModuleSummary& summary) {
    visited_.insert(Identity(summary));
    Visit(root, summary, 1);
  }

  void FindConflicts() {
    for (const Member& excluding : members_) {
      for (const ExclusionEntry& exclusion : excluding.Exclusions) {
        for (const Member& other : members_) {
          if (Identity(other.Summary) == Identity(excluding.Summary)) continue;
          if (ExclusionApplies(exclusion, other.Summary))
            closure_.Conflicts.push_back(Conflict{excluding.Summary.Key, exclusion, other.Summary});
        }
      }
    }
  }

 private:
  Catalog& catalog_;
  Closure& closure_;
  std::set<std::wstring> visited_;
  std::vector<Member> members_;
};

}  // namespace

const wchar_t* StateName(Requirement::State state) {
  switch (state) {
    case Requirement::State::Found: return L"found";
    case Requirement::State::Older: return L"older";
    case Requirement::State::Missing: return L"missing";
  }
  return L"";
}

bool ExclusionApplies(const ExclusionEntry& exclusion, const ModuleSummary& module) {
  if (exclusion.ModuleID != module.ModuleID) return false;
  const long language = ParseLeadingInteger(exclusion.Language.c_str());
  if (language > 0 && module.Language != language) return false;
  if (language < 0 && module.Language == -language) return false;
  const WideString version = module.Version.c_str();
  if (!exclusion.MinVersion.empty() && CompareVersions(version, exclusion.MinVersion.c_str()) < 0)
    return false;
  if (!exclusion.MaxVersion.empty() && CompareVersions(version, exclusion.MaxVersion.c_str()) > 0)
    return false;
  return true;
}

bool Closure::Complete() const {
  for (const Requirement& requirement : Requirements)
    if (requirement.Status != Requirement::State::Found) return false;
  return Conflicts.empty();
}

Closure ResolveClosure(Catalog& catalog, IMergeModule2* root) {
  Closure closure;
  closure.Root = catalog.Summary(root);
  ClosureWalk walk(catalog, closure);
  walk.Start(root, closure.Root);
  walk.FindConflicts();
  return closure;
}

}  // namespace qvmodcat
