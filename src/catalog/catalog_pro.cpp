#include "catalog/catalog_pro.h"

#include "class_ids.h"

namespace {

bool IsEditionProjectType(long projectType) { return projectType == 9; }

}  // namespace

const QueryTable<MMCatalogPro>& MMCatalogPro::Interfaces() {
  static constexpr InterfaceEntry<MMCatalogPro> entries[] = {
      {&__uuidof(IMMCatalog), &InterfaceOf<MMCatalogPro, IMMCatalog>},
      {&kIidMMCatalogAlt2, &InterfaceOf<MMCatalogPro, IMMCatalog>},
      {&kIidMMCatalogAlt3, &InterfaceOf<MMCatalogPro, IMMCatalog>},
      {&IID_IDispatch, &InterfaceOf<MMCatalogPro, IMMCatalog>},
      {&IID_ISupportErrorInfo, &InterfaceOf<MMCatalogPro, ISupportErrorInfo>}};
  static constexpr QueryTable<MMCatalogPro> table{entries};
  return table;
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
  return SupportsProjectOfTypes(project, supported, &IsEditionProjectType);
}
