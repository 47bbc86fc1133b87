#include "module/module_lists.h"

#include "common/version_rules.h"

#include <utility>

void AddDependency(DependencyMap& list, const ModuleSignature& module, const WideString& id,
                   long language, const WideString& version) {
  if (id == module.ModuleID && language == module.Language && version == module.Version) return;
  DependencyRecord dependency;
  dependency.RequiredID = id;
  dependency.RequiredLanguage = language;
  dependency.RequiredVersion = version;
  dependency.Key = MakeModuleKey(id, language);
  const WideString key = dependency.Key;
  list.insert_or_assign(key, std::move(dependency));
}

void AddExclusion(ExclusionMap& list, const WideString& id, long language,
                  const WideString& minVersion, const WideString& maxVersion) {
  ExclusionRecord exclusion;
  exclusion.ExcludedID = id;
  exclusion.ExcludedLanguage = language;
  exclusion.ExcludedMinVersion = minVersion;
  exclusion.ExcludedMaxVersion = maxVersion;
  exclusion.Key = MakeModuleKey(id, language);
  const WideString key = exclusion.Key;
  list.insert_or_assign(key, std::move(exclusion));
}

void AddFile(FileMap& list, FileRecord file) {
  file.LongName = LongFileName(file.FileName);
  const WideString key = file.File;
  list.insert_or_assign(key, std::move(file));
}

WideString LongFileName(const WideString& fileName) {
  const size_t bar = fileName.Find(L'|');
  return bar == WideString::npos ? fileName : fileName.Substring(bar + 1);
}
