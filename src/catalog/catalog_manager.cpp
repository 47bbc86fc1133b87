#include "catalog/catalog_manager.h"

#include "catalog/catalog_pro.h"
#include "catalog/project_types.h"
#include "class_ids.h"
#include "com/boundary.h"

const ErrorReporter MMCatalogManagerErrors(kClsidMMCatalogManager);

namespace {

template <class Catalog>
HRESULT MakeCatalogOnce(ComRef<IMMCatalog>& kept) {
  if (kept) return S_OK;
  return CreateComponentInstance<Catalog>(nullptr, __uuidof(IMMCatalog), kept.PutVoid());
}

}  // namespace

const QueryTable<MMCatalogManager>& MMCatalogManager::Interfaces() {
  using Self = MMCatalogManager;
  static constexpr InterfaceEntry<Self> entries[] = {
      {&__uuidof(IMMCatalogManager), &InterfaceOf<Self, IMMCatalogManager>},
      {&IID_ISupportErrorInfo, &InterfaceOf<Self, ISupportErrorInfo>}};
  static constexpr QueryTable<Self> table{entries};
  return table;
}

STDMETHODIMP MMCatalogManager::GetCatalog(long projectType, IUnknown** catalog) {
  if (!catalog) return E_INVALIDARG;
  return ComBoundary(Reporter(), [&] {
    // The catalog comes first whatever is asked for: it reads the lookup files and the folders.
    HRESULT made = MakeCatalogOnce<MMCatalog>(catalog_);
    if (FAILED(made)) return made;
    IMMCatalog* chosen = catalog_.Get();
    if (IsEditionManagerProjectType(projectType)) {
      made = MakeCatalogOnce<MMCatalogPro>(editionCatalog_);
      if (FAILED(made)) return made;
      chosen = editionCatalog_.Get();
    }
    return chosen->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(catalog));
  });
}

STDMETHODIMP MMCatalogManager::InterfaceSupportsErrorInfo(REFIID iid) {
  return iid == __uuidof(IMMCatalogManager) ? S_OK : S_FALSE;
}
