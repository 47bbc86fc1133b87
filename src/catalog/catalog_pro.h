// MMCatalogPro: the edition catalog that the manager hands out for the project types 9 and 10.
// It has the catalog's state and construction (a FolderSources pair, a place among the live
// catalogs) but never initialises them: it reads no lookup files, scans no folder and answers
// every query with nothing.  It serves only project type 9.
#pragma once

#include "catalog/mm_catalog.h"

extern const ErrorReporter MMCatalogProErrors;

class MMCatalogPro : public MMCatalog {
 public:
  static const QueryTable<MMCatalogPro>& Interfaces();
  static const ErrorReporter& Reporter() { return MMCatalogProErrors; }

  HRESULT Initialize() override { return S_OK; }
  HRESULT ReportComException(const com_exception& error) const noexcept override;

  // IMMCatalog: Reserved1 to Reserved3 write their 0 as the catalog's do, AutoRefresh is
  // stored (and never read); the other members leave every argument as it was.
  STDMETHODIMP Reserved7(long* value) override;
  STDMETHODIMP Reserved8(long first, long* value) override;
  STDMETHODIMP GetModuleFolders(IUnknown** folders) override;
  STDMETHODIMP GetModules(IUnknown** modules) override;
  STDMETHODIMP FindModuleForFile(BSTR destination, BSTR version, BSTR language,
                                 IDispatch** module, long* found) override;
  STDMETHODIMP GetModule(BSTR key, BSTR language, IDispatch** module) override;
  STDMETHODIMP FindModuleForFileInFolder(BSTR destination, BSTR version, BSTR language,
                                         IDispatch** module, long* found) override;
  STDMETHODIMP GetModuleKeyForFile(BSTR file, BSTR* key) override;
  STDMETHODIMP GetModuleDisplayName(BSTR key, BSTR* name) override;
  STDMETHODIMP SupportsProject(IUnknown* project, VARIANT_BOOL* supported) override;
};
