// The catalog object: identity, construction, initialisation, refresh, destruction and the
// list of live catalogs.
#include "catalog/mm_catalog.h"

#include "catalog/lookup_tables.h"
#include "class_ids.h"
#include "com/boundary.h"
#include "common/bstr.h"
#include "environment/companion_loader.h"

#include <algorithm>

namespace {

std::vector<MMCatalog*>& Catalogs() noexcept {
  static std::vector<MMCatalog*> catalogs;
  return catalogs;
}

}  // namespace

const std::vector<MMCatalog*>& MMCatalog::LiveCatalogs() noexcept { return Catalogs(); }

void MMCatalog::MarkAllDirty() noexcept {
  for (MMCatalog* catalog : Catalogs()) catalog->MarkDirty();
}

MMCatalog::MMCatalog() { Catalogs().push_back(this); }

MMCatalog::~MMCatalog() {
  std::vector<MMCatalog*>& catalogs = Catalogs();
  const auto self = std::find(catalogs.begin(), catalogs.end(), this);
  if (self != catalogs.end()) catalogs.erase(self);
  galleryRecords_.clear();
  SavePackageCache();  // lists the client had modules read since the last refresh
  // The other members go in reverse order of declaration; FolderSources last, which empties
  // the shared store when this was the last pair.
}

const QueryTable<MMCatalog>& MMCatalog::Interfaces() {
  return DualInterfaces<MMCatalog, IMMCatalog, kIidMMCatalogAlt2, kIidMMCatalogAlt3>();
}

HRESULT MMCatalog::ReportComException(const com_exception& error) const noexcept {
  return MMCatalogErrors.ReportComException(error);
}

STDMETHODIMP MMCatalog::InterfaceSupportsErrorInfo(REFIID iid) {
  return iid == __uuidof(IMMCatalog) || iid == kIidMMCatalogAlt2 || iid == kIidMMCatalogAlt3
             ? S_OK
             : S_FALSE;
}

HRESULT MMCatalog::Initialize() {
  return ComBoundary(*this, [&] {
    ThrowIfFailed(CreateAppServices(appServices_));
    ComRef<IAppFolders> folders;
    ThrowIfFailed(appServices_.QueryTo(kIidAppFolders, folders));

    WideString patterns;
    ThrowIfFailed(folders->GetExcludedFilePatterns(OutBstr(patterns)));
    excludedFilePatterns_ = SplitExcludedPatterns(patterns);

    modules_ = nullptr;
    moduleList_ = nullptr;
    LoadLookupFilesOnce(folders.Get());  // the first catalog of the process reads them
    RefreshCatalog();
    ThrowIfFailed(appServices_->GetPreferredLanguage(OutBstr(preferredLanguage_)));
    return S_OK;
  });
}

void MMCatalog::RefreshCatalog() {
  if (!autoRefresh_) return;
  if (RefreshStoreAndFolders(folderSources_)) MarkAllDirty();
  SavePackageCache();
  if (!dirty_) return;

  dirty_ = false;
  modules_ = nullptr;
  moduleList_ = nullptr;
  modules_ = MergeModuleCollection::Create(&moduleList_);
  AddStoreRecords(*moduleList_);
  ComRef<IAppFolders> folders;
  ThrowIfFailed(appServices_.QueryTo(kIidAppFolders, folders));
  WideString productFolder;
  ThrowIfFailed(folders->GetProductFolder(OutBstr(productFolder)));
  AddGalleryRecords(*moduleList_, productFolder, galleryRecords_);
}
