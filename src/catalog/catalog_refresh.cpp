// A catalog's refresh: the shared store brought up to date, every folder rescanned, and the
// module collection rebuilt from the store and the gallery descriptors when anything changed.
#include "catalog/mm_catalog.h"

#include "common/bstr.h"
#include "common/path.h"
#include "common/unique_handle.h"
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

void MMCatalog::RefreshCatalog() {
  if (!autoRefresh_) return;

  const bool storeChanged = RefreshFolderStore(folderSources_);
  bool folderChanged = false;
  for (auto& entry : ModuleFolderStore())
    if (RefreshFolder(*entry.second)) folderChanged = true;
  if (storeChanged || folderChanged) MarkAllDirty();
  if (!dirty_) return;

  dirty_ = false;
  modules_ = nullptr;
  moduleList_ = nullptr;
  modules_ = MergeModuleCollection::Create(&moduleList_);
  // Folders and records in ascending path order: of two packages with the same key, the one
  // met last wins, at the position of the first.
  for (const auto& folder : ModuleFolderStore())
    for (const auto& record : folder.second->Modules) moduleList_->AddRecord(record.second);
  RefreshGallery();
}

void MMCatalog::RefreshGallery() {
  ComRef<IAppFolders> folders;
  ThrowIfFailed(appServices_.QueryTo(kIidAppFolders, folders));
  WideString productFolder;
  ThrowIfFailed(folders->GetProductFolder(OutBstr(productFolder)));
  const WideString gallery = JoinPath(productFolder, L"ObjectGallery");
  const WideString pattern = JoinPath(gallery, L"*.ini");

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
    const WideString key = WideString::Format(L"%s:%d", moduleId.c_str(),
                                              static_cast<int>(probe.DescriptorLanguage()));
    if (moduleList_->Find(key)) continue;  // a package with the same key takes precedence

    auto record = std::make_shared<ModuleRecord>();
    record->InitFromDescriptor(JoinPath(gallery, fileName));
    record->SetPackageTime(item.ftLastWriteTime.dwLowDateTime,
                           item.ftLastWriteTime.dwHighDateTime);
    galleryRecords_.insert_or_assign(fileName, record);
    moduleList_->AddRecord(record);
  } while (FindNextFileA(search.Get(), &item));
}
