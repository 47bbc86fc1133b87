#include "catalog/catalog_pro.h"

#include "catalog/project_types.h"
#include "class_ids.h"

const ErrorReporter MMCatalogProErrors(kClsidMMCatalogPro);

const QueryTable<MMCatalogPro>& MMCatalogPro::Interfaces() {
  return DualInterfaces<MMCatalogPro, IMMCatalog, kIidMMCatalogAlt2, kIidMMCatalogAlt3>();
}

HRESULT MMCatalogPro::ReportComException(const com_exception& error) const noexcept {
  return MMCatalogProErrors.ReportComException(error);
}

STDMETHODIMP MMCatalogPro::Reserved7(long*) { return S_OK; }
STDMETHODIMP MMCatalogPro::Reserved8(long, long*) { return S_OK; }
STDMETHODIMP MMCatalogPro::GetModuleFolders(IUnknown**) { return S_OK; }
STDMETHODIMP MMCatalogPro::GetModules(IUnknown**) { return S_OK; }
STDMETHODIMP MMCatalogPro::FindModuleForFile(BSTR, BSTR, BSTR, IDispatch**, long*) {
  return S_OK;
}
STDMETHODIMP MMCatalogPro::GetModule(BSTR, BSTR, IDispatch**) { return S_OK; }
STDMETHODIMP MMCatalogPro::FindModuleForFileInFolder(BSTR, BSTR, BSTR, IDispatch**, long*) {
  return S_OK;
}
STDMETHODIMP MMCatalogPro::GetModuleKeyForFile(BSTR, BSTR*) { return S_OK; }
STDMETHODIMP MMCatalogPro::GetModuleDisplayName(BSTR, BSTR*) { return S_OK; }

STDMETHODIMP MMCatalogPro::SupportsProject(IUnknown* project, VARIANT_BOOL* supported) {
  return SupportsProjectOfTypes(project, supported, &IsEditionCatalogProjectType);
}
