// MergeModule2: the automation object through which clients see one merge module.
//
// It presents a ModuleRecord, which it shares (ModuleRecordRef): the catalog hands an object
// its record with SetRecord; a client points an object at a package with Load.  Properties
// read the record; list properties build a fresh detail collection on every call.  Members
// used before the object has a module fail with E_UNEXPECTED and an explaining text.  A Load
// that fails still replaces the module: the object then presents the partly read record.
#pragma once

#include "com/com_object.h"
#include "com/dispatch.h"
#include "com/server_module.h"
#include "module/component_identity.h"
#include "module/module_record.h"

#include "qvmodcat.h"

class MergeModule2 : public DispatchImpl<IMergeModule2>,
                     public ISupportErrorInfo,
                     public ObjectLock {
 public:
  static const QueryTable<MergeModule2>& Interfaces();
  static const ErrorReporter& Reporter() { return MergeModule2Errors; }

  // Not an automation member: the catalog hands the object the record it presents.
  void SetRecord(ModuleRecordRef record) noexcept { record_ = std::move(record); }

  // IMergeModule2
  STDMETHODIMP get_Dialogs(IDispatch** dialogs) override;
  STDMETHODIMP get_CustomActions(IDispatch** customActions) override;
  STDMETHODIMP get_Name(BSTR* name) override;
  STDMETHODIMP get_ModuleID(BSTR* moduleId) override;
  STDMETHODIMP get_Key(BSTR* key) override;
  STDMETHODIMP get_Path(BSTR* path) override;
  STDMETHODIMP get_Comments(BSTR* comments) override;
  STDMETHODIMP get_Subject(BSTR* subject) override;
  STDMETHODIMP get_Author(BSTR* author) override;
  STDMETHODIMP get_Language(long* language) override;
  STDMETHODIMP get_Version(BSTR* version) override;
  STDMETHODIMP get_Dependencies(IDispatch** dependencies) override;
  STDMETHODIMP get_Exclusions(IDispatch** exclusions) override;
  STDMETHODIMP get_Files(IDispatch** files) override;
  STDMETHODIMP get_DisplayName(BSTR* displayName) override;
  STDMETHODIMP Load(BSTR packagePath) override;
  STDMETHODIMP get_IsInstalled(VARIANT_BOOL* installed) override;
  STDMETHODIMP get_NeedsDownload(VARIANT_BOOL* needsDownload) override;
  STDMETHODIMP get_DownloadFiles(IDispatch** downloadFiles) override;

  // ISupportErrorInfo: only the first of the three module identifiers.
  STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override;

 private:
  // The record, or com_exception E_UNEXPECTED when the object has no module yet.
  ModuleRecord& RequireRecord() const;
  HRESULT Text(BSTR* out, WideString (ModuleRecord::*field)() const);

  ModuleRecordRef record_;
};
