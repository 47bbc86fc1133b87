// MergeModuleCollection: module objects keyed by their ModuleKey.  The catalog's own
// collection (rebuilt by each refresh) and the one a folder item makes for one folder's
// modules.  A key it lacks is no error: Item gives S_OK and no object.
#pragma once

#include "catalog/keyed_object_list.h"
#include "com/com_object.h"
#include "com/dispatch.h"
#include "com/server_module.h"
#include "module/component_identity.h"
#include "module/module_record.h"

#include "qvmodcat.h"

class MergeModuleCollection : public DispatchImpl<IMergeModuleCollection>,
                              public ISupportErrorInfo,
                              public ObjectLock {
 public:
  static const QueryTable<MergeModuleCollection>& Interfaces();
  static const ErrorReporter& Reporter() { return MMCatalogErrors; }

  // A new, empty collection and the object behind it (raises com_exception).
  static ComRef<IMergeModuleCollection> Create(MergeModuleCollection** object);

  // Not automation members: filling and lookup by the catalog.
  void Add(const WideString& key, IDispatch* module) { modules_.Add(key, module); }
  // A module object for `record` added under its Key (a later one replaces an earlier one in
  // place).
  void AddRecord(const ModuleRecordRef& record);
  void RemoveAt(size_t position) { modules_.RemoveAt(position); }
  IDispatch* Find(const WideString& key) const { return modules_.Find(key); }
  const KeyedObjectList& Modules() const noexcept { return modules_; }

  // IMergeModuleCollection
  STDMETHODIMP Item(VARIANT index, IDispatch** module) override;
  STDMETHODIMP get_Count(long* count) override;
  STDMETHODIMP get_NewEnum(IUnknown** enumerator) override;
  STDMETHODIMP Enumerator(IUnknown** enumerator) override;

  STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override;

 private:
  KeyedObjectList modules_;
};

// A new MergeModule2 object presenting `record` (raises com_exception).
ComRef<IMergeModule2> NewModuleObject(const ModuleRecordRef& record);
