#include "catalog/folder_collection.h"

#include "catalog/collection_enumerator.h"
#include "catalog/module_collection.h"
#include "com/boundary.h"
#include "common/variant.h"

namespace {

// An index that designates nothing to remove: empty, null, missing, an empty text or zero.
bool IsZeroIndex(const VARIANT& index) {
  UniqueVariant value;
  if (FAILED(VariantCopyInd(value.Put(), const_cast<VARIANT*>(&index)))) return false;
  switch (value.Type()) {
    case VT_EMPTY:
    case VT_NULL:
    case VT_ERROR:
      return true;
    case VT_BSTR:
      return SysStringLen(V_BSTR(&value.Get())) == 0;
    case VT_DISPATCH:
    case VT_UNKNOWN:
      return V_UNKNOWN(&value.Get()) == nullptr;
    default: {
      UniqueVariant number;
      return SUCCEEDED(VariantChangeType(number.Put(), &value.Get(), 0, VT_R8)) &&
             V_R8(&number.Get()) == 0.0;
    }
  }
}

}  // namespace

// --- ModuleFolderItem ----------------------------------------------------------------------

ModuleFolderItem::ModuleFolderItem(ModuleFolderRef folder)
    : path_(folder->Path),
      name_(folder->Name),
      folderText_(folder->Path),
      kind_(static_cast<unsigned short>(folder->Kind)),
      folder_(std::move(folder)) {}

const QueryTable<ModuleFolderItem>& ModuleFolderItem::Interfaces() {
  return DualInterfaces<ModuleFolderItem, IModuleFolderItem>();
}

STDMETHODIMP ModuleFolderItem::get_Modules(IUnknown** modules) {
  if (!modules) return E_POINTER;
  *modules = nullptr;
  return ComBoundary(Reporter(), [&] {
    MergeModuleCollection* collection = nullptr;
    const ComRef<IMergeModuleCollection> result = MergeModuleCollection::Create(&collection);
    for (const auto& entry : folder_->Modules) collection->AddRecord(entry.second);
    return result->QueryInterface(__uuidof(IMergeModuleCollection),
                                  reinterpret_cast<void**>(modules));
  });
}

STDMETHODIMP ModuleFolderItem::get_Path(BSTR* path) { return path_.CopyTo(path); }
STDMETHODIMP ModuleFolderItem::get_Name(BSTR* name) { return name_.CopyTo(name); }
STDMETHODIMP ModuleFolderItem::get_Folder(BSTR* folder) { return folderText_.CopyTo(folder); }

STDMETHODIMP ModuleFolderItem::put_Name(BSTR* name) {
  if (!name) return E_POINTER;
  name_ = WideString::FromBstr(*name);
  return S_OK;
}

STDMETHODIMP ModuleFolderItem::put_Folder(BSTR* folder) {
  if (!folder) return E_POINTER;
  folderText_ = WideString::FromBstr(*folder);
  return S_OK;
}

STDMETHODIMP ModuleFolderItem::get_Kind(short* kind) {
  if (!kind) return E_POINTER;
  *kind = static_cast<short>(kind_);
  return S_OK;
}

STDMETHODIMP ModuleFolderItem::put_Kind(short* kind) {
  if (!kind) return E_POINTER;
  kind_ = static_cast<unsigned short>(*kind);
  return S_OK;
}

STDMETHODIMP ModuleFolderItem::InterfaceSupportsErrorInfo(REFIID iid) {
  return iid == __uuidof(IModuleFolderItem) ? S_OK : S_FALSE;
}

// --- ModuleFolderCollection ----------------------------------------------------------------

const QueryTable<ModuleFolderCollection>& ModuleFolderCollection::Interfaces() {
  return DualInterfaces<ModuleFolderCollection, IModuleFolderCollection>();
}

void ModuleFolderCollection::AddFolderItem(const ModuleFolderRef& folder) {
  const ComRef<IModuleFolderItem> item =
      MakeComponentObject<ModuleFolderItem, IModuleFolderItem>(folder);
  items_.AddNext(item.Get());
}

size_t ModuleFolderCollection::RequirePosition(const VARIANT& index) const {
  const size_t position = items_.Resolve(index);
  if (position == 0)
    ThrowComError(E_INVALIDARG, "The folder collection has no folder with this index or key.");
  return position;
}

STDMETHODIMP ModuleFolderCollection::Item(VARIANT index, IDispatch** item) {
  if (!item) return E_POINTER;
  *item = nullptr;
  return ComBoundary(Reporter(),
                     [&] { return items_.At(RequirePosition(index)).Object.CopyTo(item); });
}

STDMETHODIMP ModuleFolderCollection::get_Count(long* count) {
  if (!count) return E_POINTER;
  *count = static_cast<long>(items_.Count());
  return S_OK;
}

STDMETHODIMP ModuleFolderCollection::Reserved3(long, long, long) { return E_NOTIMPL; }

STDMETHODIMP ModuleFolderCollection::AddFolder(BSTR folderPath) {
  return ComBoundary(Reporter(), [&] {
    AddSearchPathFolder(WideString::FromBstr(folderPath));
    return S_OK;
  });
}

STDMETHODIMP ModuleFolderCollection::RemoveFolder(VARIANT index, long* result) {
  if (!result) return E_POINTER;
  *result = 0;
  return ComBoundary(Reporter(), [&] {
    if (IsZeroIndex(index)) return S_OK;
    const size_t position = RequirePosition(index);
    // Held while the list is edited: the entry goes last.
    const ComRef<IDispatch> held = items_.At(position).Object;
    const auto* item = static_cast<ModuleFolderItem*>(static_cast<IModuleFolderItem*>(held.Get()));
    // An indexed folder comes from the environment's own list, which stays as it is.
    if (item->Kind() == FolderKind::SearchPath) RemoveSearchPathFolder(item->Folder());
    items_.RemoveAt(position);
    return S_OK;
  });
}

STDMETHODIMP ModuleFolderCollection::get_NewEnum(IUnknown** enumerator) {
  return CollectionEnumerator::Create(static_cast<IModuleFolderCollection*>(this), &items_,
                                      enumerator);
}

STDMETHODIMP ModuleFolderCollection::Enumerator(IUnknown** enumerator) {
  return CollectionEnumerator::Create(static_cast<IModuleFolderCollection*>(this), &items_,
                                      enumerator);
}

STDMETHODIMP ModuleFolderCollection::InterfaceSupportsErrorInfo(REFIID iid) {
  return iid == __uuidof(IModuleFolderCollection) ? S_OK : S_FALSE;
}
