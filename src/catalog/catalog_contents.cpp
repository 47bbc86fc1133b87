#include "catalog/catalog_contents.h"

#include "common/path.h"
#include "common/unique_handle.h"
#include "common/version_rules.h"
#include "module/gallery_descriptor.h"

#include <shlwapi.h>

#include <string>

namespace {

// A file name without its extension, by the file system's ANSI rules.
WideString WithoutExtension(const char* fileName) {
  std::string name = fileName;
  if (!name.empty()) PathRemoveExtensionA(&name[0]);
  return WideString::FromAnsi(name.c_str());
}

}  // namespace

bool RefreshStoreAndFolders(const FolderSources& sources) {
  bool changed = RefreshFolderStore(sources);
  for (auto& entry : ModuleFolderStore())
    if (RefreshFolder(*entry.second)) changed = true;
  return changed;
}

void AddStoreRecords(MergeModuleCollection& collection) {
  for (const auto& folder : ModuleFolderStore())
    for (const auto& record : folder.second->Modules) collection.AddRecord(record.second);
}

void AddGalleryRecords(MergeModuleCollection& collection, const WideString& productFolder,
                       GalleryRecords& gallery) {
  const WideString folder = JoinPath(productFolder, L"ObjectGallery");
  const WideString pattern = JoinPath(folder, L"*.ini");

  WIN32_FIND_DATAA item = {};
  const FindHandle search(FindFirstFileA(pattern.Ansi(), &item));
  if (!search) return;  // no gallery
  do {
    if (item.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    const WideString fileName = WideString::FromAnsi(item.cFileName);

    GalleryDescriptor probe;
    probe.SetNames(WithoutExtension(item.cFileName), WideString());
    const WideString moduleId = probe.DescriptorModuleID();
    if (moduleId.IsEmpty()) continue;
    const WideString key = MakeModuleKey(moduleId, probe.DescriptorLanguage());
    if (collection.Find(key)) continue;  // a package with the same key takes precedence

    auto record = std::make_shared<ModuleRecord>();
    record->InitFromDescriptor(JoinPath(folder, fileName));
    record->SetPackageTime(item.ftLastWriteTime.dwLowDateTime,
                           item.ftLastWriteTime.dwHighDateTime);
    gallery.insert_or_assign(fileName, record);
    collection.AddRecord(record);
  } while (FindNextFileA(search.Get(), &item));
}
