// MMCatalog: the automation object through which the environment sees the merge modules it
// can offer to a project.
//
// Each catalog owns its module collection, its gallery records and its settings; the module
// folders and their records live in the process-wide store (folder_store.h) that all catalogs
// share.  A catalog refreshes itself when it is created and at the start of GetModules; a
// refresh that finds the store or a folder changed marks every live catalog dirty, so each one
// rebuilds its collection at its own next refresh.
//
// MMCatalogPro (catalog_pro.h) derives from this class: same state and construction, its own
// answers.  Shared bodies report through the virtual ReportComException, so errors carry the
// ProgID of the class the client created.
#pragma once

#include "catalog/file_match.h"
#include "com/com_object.h"
#include "com/dispatch.h"
#include "com/server_module.h"
#include "common/com_exception.h"
#include "module/component_identity.h"

#include "qvmodcat.h"

#include <vector>

class MMCatalog : public DispatchImpl<IMMCatalog>, public ISupportErrorInfo, public ObjectLock {
 public:
  MMCatalog();
  virtual ~MMCatalog();
  MMCatalog(const MMCatalog&) = delete;
  MMCatalog& operator=(const MMCatalog&) = delete;

  static const QueryTable<MMCatalog>& Interfaces();
  static const ErrorReporter& Reporter() { return MMCatalogErrors; }

  // Run once after construction, before the object is handed out: settings, the lookup files
  // (once per process), the first refresh, the preferred language.
  virtual HRESULT Initialize();
  // The error information and HRESULT a failing member returns, under this class's ProgID.
  virtual HRESULT ReportComException(const com_exception& error) const noexcept;

  // IMMCatalog
  STDMETHODIMP Reserved1(long first, long second, long* value) override;
  STDMETHODIMP Reserved2(long first, long* value) override;
  STDMETHODIMP Reserved3(long* value) override;
  STDMETHODIMP GetModuleFolders(IUnknown** folders) override;
  STDMETHODIMP GetModules(IUnknown** modules) override;
  STDMETHODIMP FindModuleForFile(BSTR destination, BSTR version, BSTR language,
                                 IDispatch** module, long* found) override;
  STDMETHODIMP Reserved7(long* value) override;
  STDMETHODIMP Reserved8(long first, long* value) override;
  STDMETHODIMP Reserved9(long first) override;
  STDMETHODIMP GetModule(BSTR key, BSTR language, IDispatch** module) override;
  STDMETHODIMP FindModuleForFileInFolder(BSTR destination, BSTR version, BSTR language,
                                         IDispatch** module, long* found) override;
  STDMETHODIMP GetModuleKeyForFile(BSTR file, BSTR* key) override;
  STDMETHODIMP GetModuleDisplayName(BSTR key, BSTR* name) override;
  STDMETHODIMP SupportsProject(IUnknown* project, VARIANT_BOOL* supported) override;
  STDMETHODIMP put_AutoRefresh(VARIANT_BOOL enabled) override;

  // ISupportErrorInfo: the three catalog identifiers.
  STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override;

  // Brings the shared store up to date, rescans every folder and rebuilds the module
  // collection when this catalog is dirty.  Does nothing while AutoRefresh is off.  Raises
  // com_exception.
  void RefreshCatalog();
  void MarkDirty() noexcept { dirty_ = true; }
  bool IsDirty() const noexcept { return dirty_; }
  // The catalogs alive in the process, in creation order.
  static const std::vector<MMCatalog*>& LiveCatalogs() noexcept;
  // Sets Dirty on every live catalog.
  static void MarkAllDirty() noexcept;

 protected:
  // The shared part of both file lookups (file_lookup.cpp).
  HRESULT FindModuleForFileCore(const FileQuery& query, IDispatch** module, long* found);
  // SupportsProject for the project types `accepts` takes; reported under this class.
  HRESULT SupportsProjectOfTypes(IUnknown* project, VARIANT_BOOL* supported,
                                 bool (*accepts)(long projectType));

  FolderSources folderSources_;
  ComRef<IMergeModuleCollection> modules_;
  MergeModuleCollection* moduleList_ = nullptr;  // the object behind modules_
  bool dirty_ = true;
  WideString preferredLanguage_;
  std::vector<WideString> excludedFilePatterns_;
  ComRef<IAppServices> appServices_;
  GalleryRecords galleryRecords_;
  bool autoRefresh_ = true;
};
