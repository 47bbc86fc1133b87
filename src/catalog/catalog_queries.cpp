// The catalog's answers: its collections, and the members that look modules up.
#include "catalog/folder_collection.h"
#include "catalog/mm_catalog.h"
#include "server/boundary.h"

STDMETHODIMP MMCatalog::GetModuleFolders(IUnknown** folders) {
  if (!folders) return E_POINTER;
  return ComBoundary(*this, [&] {
    const ComRef<IModuleFolderCollection> collection =
        MakeComponentObject<ModuleFolderCollection, IModuleFolderCollection>();
    ModuleFolderCollection* items = ImplementationOf<ModuleFolderCollection>(collection.Get());
    // Folders added now are scanned as they join; the others are not rescanned.
    RefreshFolderStore(folderSources_);
    for (const auto& folder : ModuleFolderStore()) items->AddFolderItem(folder.second);
    if (*folders) {
      (*folders)->Release();
      *folders = nullptr;
    }
    collection->QueryInterface(__uuidof(IModuleFolderCollection),
                               reinterpret_cast<void**>(folders));
    return S_OK;
  });
}

STDMETHODIMP MMCatalog::GetModules(IUnknown** modules) {
  if (!modules) return E_POINTER;
  return ComBoundary(*this, [&] {
    RefreshCatalog();
    if (*modules) {
      (*modules)->Release();
      *modules = nullptr;
    }
    if (modules_)
      modules_->QueryInterface(__uuidof(IMergeModuleCollection),
                               reinterpret_cast<void**>(modules));
    return S_OK;
  });
}

STDMETHODIMP MMCatalog::put_AutoRefresh(VARIANT_BOOL enabled) {
  autoRefresh_ = enabled != 0;
  return S_OK;
}

// Answered in full by the next revision of the catalog.
STDMETHODIMP MMCatalog::Reserved1(long, long, long*) { return E_NOTIMPL; }
STDMETHODIMP MMCatalog::Reserved2(long, long*) { return E_NOTIMPL; }
STDMETHODIMP MMCatalog::Reserved3(long*) { return E_NOTIMPL; }
STDMETHODIMP MMCatalog::Reserved7(long*) { return E_NOTIMPL; }
STDMETHODIMP MMCatalog::Reserved8(long, long*) { return E_NOTIMPL; }
STDMETHODIMP MMCatalog::Reserved9(long) { return E_NOTIMPL; }
STDMETHODIMP MMCatalog::FindModuleForFile(BSTR, BSTR, BSTR, IDispatch**, long*) {
  return E_NOTIMPL;
}
STDMETHODIMP MMCatalog::FindModuleForFileInFolder(BSTR, BSTR, BSTR, IDispatch**, long*) {
  return E_NOTIMPL;
}
STDMETHODIMP MMCatalog::GetModule(BSTR, BSTR, IDispatch**) { return E_NOTIMPL; }
STDMETHODIMP MMCatalog::GetModuleKeyForFile(BSTR, BSTR*) { return E_NOTIMPL; }
STDMETHODIMP MMCatalog::GetModuleDisplayName(BSTR, BSTR*) { return E_NOTIMPL; }
STDMETHODIMP MMCatalog::SupportsProject(IUnknown*, VARIANT_BOOL*) { return E_NOTIMPL; }
