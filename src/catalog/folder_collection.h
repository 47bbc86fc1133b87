// ModuleFolderCollection and ModuleFolderItem: the catalog's module folders as GetModuleFolders
// hands them out, keyed by position ("1", "2", ...), and the editing of the environment's
// search-path list through AddFolder and RemoveFolder.  Unlike the module collection, a key
// or position the collection lacks is an error here (E_INVALIDARG).
#pragma once

#include "catalog/folder_store.h"
#include "catalog/keyed_object_list.h"
#include "com/com_object.h"
#include "com/dispatch.h"
#include "com/server_module.h"
#include "module/component_identity.h"

#include "qvmodcat.h"

class ModuleFolderItem : public DispatchImpl<IModuleFolderItem>,
                         public ISupportErrorInfo,
                         public ObjectLock {
 public:
  // The item copies the folder's texts and kind; the put members change only these copies.
  // It keeps the folder alive, so Modules answers after the store dropped the folder.
  explicit ModuleFolderItem(ModuleFolderRef folder);

  static const QueryTable<ModuleFolderItem>& Interfaces();
  static const ErrorReporter& Reporter() { return MMCatalogErrors; }

  FolderKind Kind() const noexcept { return static_cast<FolderKind>(kind_); }
  const WideString& Folder() const noexcept { return folderText_; }

  // IModuleFolderItem
  STDMETHODIMP get_Modules(IUnknown** modules) override;
  STDMETHODIMP get_Path(BSTR* path) override;
  STDMETHODIMP get_Name(BSTR* name) override;
  STDMETHODIMP put_Name(BSTR* name) override;
  STDMETHODIMP get_Folder(BSTR* folder) override;
  STDMETHODIMP put_Folder(BSTR* folder) override;
  STDMETHODIMP get_Kind(short* kind) override;
  STDMETHODIMP put_Kind(short* kind) override;

  STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override;

 private:
  WideString path_;
  WideString name_;
  WideString folderText_;
  unsigned short kind_;
  ModuleFolderRef folder_;
};

class ModuleFolderCollection : public DispatchImpl<IModuleFolderCollection>,
                               public ISupportErrorInfo,
                               public ObjectLock {
 public:
  static const QueryTable<ModuleFolderCollection>& Interfaces();
  static const ErrorReporter& Reporter() { return MMCatalogErrors; }

  // Not an automation member: GetModuleFolders adds an item per folder of the store.
  void AddFolderItem(const ModuleFolderRef& folder);
  const KeyedObjectList& Items() const noexcept { return items_; }

  // IModuleFolderCollection
  STDMETHODIMP Item(VARIANT index, IDispatch** item) override;
  STDMETHODIMP get_Count(long* count) override;
  STDMETHODIMP Reserved3(long first, long second, long third) override;
  STDMETHODIMP AddFolder(BSTR folderPath) override;
  STDMETHODIMP RemoveFolder(VARIANT index, long* result) override;
  STDMETHODIMP get_NewEnum(IUnknown** enumerator) override;
  STDMETHODIMP Enumerator(IUnknown** enumerator) override;

  STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override;

 private:
  // The position an Item index designates; E_INVALIDARG (reported) when there is none.
  size_t RequirePosition(const VARIANT& index) const;

  KeyedObjectList items_;
};

// The search-path list edits behind AddFolder and RemoveFolder, on the environment's list
// (raise com_exception).
//
// AddFolder appends the folder, with a trailing backslash and lower-cased, unless an entry of
// the list already names the same folder: compared after expanding environment references,
// making the path full (GetFullPathNameA), dropping trailing backslashes and ignoring case.
void AddSearchPathFolder(const WideString& folder);
// RemoveFolder rewrites the list lower-cased from its expanded entries that name existing
// folders, leaving out those equal to `folder` ignoring case.
void RemoveSearchPathFolder(const WideString& folder);
