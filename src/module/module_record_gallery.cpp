// A module record built from a gallery descriptor: its identity from section "MergeModule",
// its lists from the descriptor's "Dependency", "Exclusions" and "Files" entries.  Such a
// record has no dialogs and no custom actions.
#include "module/module_record.h"

#include "common/version_rules.h"

#include <shlwapi.h>

#include <string>
#include <utility>

namespace {

// The file name of a path without folder and extension, as the file system's ANSI rules
// find them.
WideString BaseNameOf(const WideString& path) {
  std::string name = PathFindFileNameA(path.Ansi());
  if (!name.empty()) PathRemoveExtensionA(&name[0]);
  return WideString::FromAnsi(name.c_str());
}

}  // namespace

void ModuleRecord::InitFromDescriptor(const WideString& descriptorPath) {
  fromGallery_ = true;
  SetNames(BaseNameOf(descriptorPath), WideString());
  packagePath_ = GetPackagePathFromDescriptor();
  language_ = DescriptorLanguage();
  moduleId_ = DescriptorModuleID();
  version_ = DescriptorVersion();
  moduleKey_ = MakeModuleKey(moduleId_, language_);
  author_ = DescriptorAuthor();
  comments_ = DescriptorComments();
  name_ = descriptorName_;
  subject_ = DescriptorSubject();
  ResolveDisplayName();
}

void ModuleRecord::ReadDescriptorDependencies() {
  const int count = CountDependencies();
  const ModuleSignature self = Signature();
  for (int index = 0; index < count; ++index) {
    DescriptorDependency entry;
    ReadDependency(index, entry);
    AddDependency(dependencies_, self, entry.ID, entry.Language, entry.Version);
  }
}

void ModuleRecord::ReadDescriptorExclusions() {
  const int count = CountExclusions();
  for (int index = 0; index < count; ++index) {
    DescriptorExclusion entry;
    ReadExclusion(index, entry);
    AddExclusion(exclusions_, entry.ID, entry.Language, entry.MinVersion, entry.MaxVersion);
  }
}

void ModuleRecord::ReadDescriptorFiles() {
  const int count = CountFiles();
  for (int index = 0; index < count; ++index) {
    DescriptorFile entry;
    ReadFile(index, entry);
    FileRecord file;
    file.File = std::move(entry.Key);
    file.FileName = std::move(entry.FileName);
    file.Version = std::move(entry.Version);
    file.FileSize = static_cast<ULONG>(entry.FileSize);
    file.Language = WideString::Format(L"%d", static_cast<int>(entry.Language));
    AddFile(files_, std::move(file));
  }
}
