// A module record as a snapshot and back: what a package record has read, kept beyond the
// process (the package cache), and a record made again from it that answers as the read one.
#include "module/module_record.h"

#include "common/version_rules.h"

#include <utility>

namespace {

template <class Item, class Map>
std::vector<Item> ValuesOf(const Map& map) {
  std::vector<Item> values;
  values.reserve(map.size());
  for (const auto& entry : map) values.push_back(entry.second);
  return values;
}

}  // namespace

bool ModuleRecord::TakeSnapshot(ModuleRecordSnapshot& snapshot) const {
  if (fromGallery_ || !identityComplete_) return false;
  snapshot = ModuleRecordSnapshot{};
  snapshot.PackagePath = packagePath_;
  snapshot.ModuleID = moduleId_;
  snapshot.Version = version_;
  snapshot.Author = author_;
  snapshot.Name = name_;
  snapshot.Comments = comments_;
  snapshot.Subject = subject_;
  snapshot.Language = language_;
  snapshot.PackageTime = packageTime_;
  if (dialogsState_ == ListState::Complete) snapshot.Dialogs = dialogs_;
  if (customActionsState_ == ListState::Complete) snapshot.CustomActions = customActions_;
  if (dependenciesState_ == ListState::Complete)
    snapshot.Dependencies = ValuesOf<DependencyRecord>(dependencies_);
  if (exclusionsState_ == ListState::Complete)
    snapshot.Exclusions = ValuesOf<ExclusionRecord>(exclusions_);
  if (filesState_ == ListState::Complete) snapshot.Files = ValuesOf<FileRecord>(files_);
  return true;
}

void ModuleRecord::InitFromSnapshot(const ModuleRecordSnapshot& snapshot) {
  packagePath_ = snapshot.PackagePath;
  moduleId_ = snapshot.ModuleID;
  version_ = snapshot.Version;
  author_ = snapshot.Author;
  name_ = snapshot.Name;
  comments_ = snapshot.Comments;
  subject_ = snapshot.Subject;
  language_ = snapshot.Language;
  packageTime_ = snapshot.PackageTime;
  moduleKey_ = MakeModuleKey(moduleId_, language_);
  SetNames(name_, version_);
  ResolveDisplayName();
  identityComplete_ = true;

  // Through the same stores as a read, with the derived texts made again.
  if (snapshot.Dialogs) {
    dialogs_ = *snapshot.Dialogs;
    dialogsState_ = ListState::Complete;
  }
  if (snapshot.CustomActions) {
    customActions_ = *snapshot.CustomActions;
    customActionsState_ = ListState::Complete;
  }
  if (snapshot.Dependencies) {
    for (const DependencyRecord& d : *snapshot.Dependencies)
      AddDependency(dependencies_, Signature(), d.RequiredID, d.RequiredLanguage,
                    d.RequiredVersion);
    dependenciesState_ = ListState::Complete;
  }
  if (snapshot.Exclusions) {
    for (const ExclusionRecord& e : *snapshot.Exclusions)
      AddExclusion(exclusions_, e.ExcludedID, e.ExcludedLanguage, e.ExcludedMinVersion,
                   e.ExcludedMaxVersion);
    exclusionsState_ = ListState::Complete;
  }
  if (snapshot.Files) {
    for (const FileRecord& file : *snapshot.Files) AddFile(files_, file);
    filesState_ = ListState::Complete;
  }
}
