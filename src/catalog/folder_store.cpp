#include "catalog/folder_store.h"

#include "common/com_exception.h"
#include "environment/companion_loader.h"

namespace {

long folderSourceCount = 0;

}  // namespace

ModuleFolderMap& ModuleFolderStore() noexcept {
  static ModuleFolderMap store;
  return store;
}

ModuleFolderMap& RetiredFolderStore() noexcept {
  static ModuleFolderMap retired;
  return retired;
}

long FolderSourceCount() noexcept { return folderSourceCount; }

FolderSources::FolderSources() {
  ThrowIfFailed(CreateAppServices(services_));
  ThrowIfFailed(CreateAppFolders(folders_));
  ++folderSourceCount;
}

FolderSources::~FolderSources() {
  if (--folderSourceCount == 0) {
    // No catalog (and no folder edit in progress) is left: what the store holds is only kept
    // alive further by the module objects and folder items clients still hold.
    ModuleFolderStore().clear();
    RetiredFolderStore().clear();
  }
}
