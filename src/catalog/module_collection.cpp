#include "catalog/module_collection.h"

#include "catalog/collection_enumerator.h"
#include "com/boundary.h"
#include "common/bstr.h"
#include "module/merge_module2.h"

ComRef<IMergeModule2> NewModuleObject(const ModuleRecordRef& record) {
  ComRef<IMergeModule2> module = MakeComponentObject<MergeModule2, IMergeModule2>();
  ImplementationOf<MergeModule2>(module.Get())->SetRecord(record);
  return module;
}

const QueryTable<MergeModuleCollection>& MergeModuleCollection::Interfaces() {
  return DualInterfaces<MergeModuleCollection, IMergeModuleCollection>();
}

ComRef<IMergeModuleCollection> MergeModuleCollection::Create(MergeModuleCollection** object) {
  ComRef<IMergeModuleCollection> collection =
      MakeComponentObject<MergeModuleCollection, IMergeModuleCollection>();
  if (object) *object = ImplementationOf<MergeModuleCollection>(collection.Get());
  return collection;
}

void MergeModuleCollection::AddRecord(const ModuleRecordRef& record) {
  const ComRef<IMergeModule2> module = NewModuleObject(record);
  WideString key;
  ThrowIfFailed(module->get_Key(OutBstr(key)));
  Add(key, module.Get());
}

STDMETHODIMP MergeModuleCollection::Item(VARIANT index, IDispatch** module) {
  if (!module) return E_POINTER;
  *module = nullptr;
  return ComBoundary(Reporter(), [&] {
    const size_t position = modules_.Resolve(index);
    if (position == 0) return S_OK;  // no such module: nothing, and no error
    return modules_.At(position).Object.CopyTo(module);
  });
}

STDMETHODIMP MergeModuleCollection::get_Count(long* count) {
  if (!count) return E_POINTER;
  *count = static_cast<long>(modules_.Count());
  return S_OK;
}

STDMETHODIMP MergeModuleCollection::get_NewEnum(IUnknown** enumerator) {
  return CollectionEnumerator::Create(static_cast<IMergeModuleCollection*>(this), &modules_,
                                      enumerator);
}

STDMETHODIMP MergeModuleCollection::Enumerator(IUnknown** enumerator) {
  return CollectionEnumerator::Create(static_cast<IMergeModuleCollection*>(this), &modules_,
                                      enumerator);
}

STDMETHODIMP MergeModuleCollection::InterfaceSupportsErrorInfo(REFIID iid) {
  return iid == __uuidof(IMergeModuleCollection) ? S_OK : S_FALSE;
}
