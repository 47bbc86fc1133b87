#include "module/merge_module2.h"

#include "class_ids.h"
#include "com/boundary.h"
#include "common/text.h"
#include "module/module_detail_collection.h"
#include "module/module_detail_items.h"

namespace {

// Builds a detail collection of interface I: `fill` adds the items in walk order, each under
// the next position key.
template <class I, class Fill>
HRESULT BuildCollection(IDispatch** result, Fill&& fill) {
  ComRef<I> collection = MakeComponentObject<ModuleDetailCollection<I>, I>();
  fill(*ImplementationOf<ModuleDetailCollection<I>>(collection.Get()));
  // The collection interface is dual: its pointer serves as the IDispatch result.
  const HRESULT queried = collection->QueryInterface(__uuidof(I), reinterpret_cast<void**>(result));
  ThrowIfFailed(queried);
  return queried;
}

template <class Item, class ItemInterface, class Collection, class... Args>
void AddItem(Collection& collection, Args&&... args) {
  ComRef<ItemInterface> item =
      MakeComponentObject<Item, ItemInterface>(std::forward<Args>(args)...);
  collection.AddNext(item.Get());
}

}  // namespace

const QueryTable<MergeModule2>& MergeModule2::Interfaces() {
  return DualInterfaces<MergeModule2, IMergeModule2, kIidMergeModule2Alt1,
                        kIidMergeModule2Alt2>();
}

ModuleRecord& MergeModule2::RequireRecord() const {
  if (!record_)
    ThrowComError(E_UNEXPECTED, "The module object has no module; call Load first.");
  return *record_;
}

HRESULT MergeModule2::Text(BSTR* out, WideString (ModuleRecord::*field)() const) {
  if (!out) return E_POINTER;
  *out = nullptr;
  return ComBoundary(Reporter(), [&] { return (RequireRecord().*field)().CopyTo(out); });
}

STDMETHODIMP MergeModule2::get_Name(BSTR* name) { return Text(name, &ModuleRecord::Name); }
STDMETHODIMP MergeModule2::get_ModuleID(BSTR* id) { return Text(id, &ModuleRecord::ModuleID); }
STDMETHODIMP MergeModule2::get_Key(BSTR* key) { return Text(key, &ModuleRecord::ModuleKey); }
STDMETHODIMP MergeModule2::get_Path(BSTR* path) { return Text(path, &ModuleRecord::PackagePath); }
STDMETHODIMP MergeModule2::get_Comments(BSTR* text) { return Text(text, &ModuleRecord::Comments); }
STDMETHODIMP MergeModule2::get_Subject(BSTR* text) { return Text(text, &ModuleRecord::Subject); }
STDMETHODIMP MergeModule2::get_Author(BSTR* text) { return Text(text, &ModuleRecord::Author); }
STDMETHODIMP MergeModule2::get_Version(BSTR* text) { return Text(text, &ModuleRecord::Version); }
STDMETHODIMP MergeModule2::get_DisplayName(BSTR* text) {
  return Text(text, &ModuleRecord::DisplayName);
}

STDMETHODIMP MergeModule2::get_Language(long* language) {
  if (!language) return E_POINTER;
  return ComBoundary(Reporter(), [&] {
    *language = RequireRecord().Language();
    return S_OK;
  });
}

STDMETHODIMP MergeModule2::get_IsInstalled(VARIANT_BOOL* installed) {
  if (!installed) return E_POINTER;
  return ComBoundary(Reporter(), [&] { return RequireRecord().GetIsInstalled(installed); });
}

STDMETHODIMP MergeModule2::get_NeedsDownload(VARIANT_BOOL* needsDownload) {
  if (!needsDownload) return E_POINTER;
  return ComBoundary(Reporter(),
                     [&] { return RequireRecord().GetNeedsDownload(needsDownload); });
}

STDMETHODIMP MergeModule2::Load(BSTR packagePath) {
  return ComBoundary(Reporter(), [&] {
    // The previous module goes first: a Load that fails leaves the object without one.
    record_.reset();
    const std::string ansi =
        AnsiFromWide(packagePath, packagePath ? SysStringLen(packagePath) : 0);
    auto record = std::make_shared<ModuleRecord>();
    record->InitFromPackage(WideString::FromAnsi(ansi.c_str(), ansi.size()));
    record_ = std::move(record);
    return S_OK;
  });
}

STDMETHODIMP MergeModule2::get_Dialogs(IDispatch** dialogs) {
  if (!dialogs) return E_POINTER;
  *dialogs = nullptr;
  return ComBoundary(Reporter(), [&] {
    ModuleRecord& record = RequireRecord();
    return BuildCollection<IDialogCollection>(dialogs, [&](auto& collection) {
      for (const WideString& name : record.Dialogs())
        AddItem<DialogItem, IDialogItem>(collection, name);
    });
  });
}

STDMETHODIMP MergeModule2::get_CustomActions(IDispatch** customActions) {
  if (!customActions) return E_POINTER;
  *customActions = nullptr;
  return ComBoundary(Reporter(), [&] {
    ModuleRecord& record = RequireRecord();
    return BuildCollection<ICustomActionCollection>(customActions, [&](auto& collection) {
      for (const WideString& name : record.CustomActions()) {
        // Custom action names pass through the ANSI code page; what it lacks is lost.
        const std::string ansi = AnsiFromWide(name);
        AddItem<CustomActionItem, ICustomActionItem>(
            collection, WideString::FromAnsi(ansi.c_str(), ansi.size()));
      }
    });
  });
}

STDMETHODIMP MergeModule2::get_Dependencies(IDispatch** dependencies) {
  if (!dependencies) return E_POINTER;
  *dependencies = nullptr;
  return ComBoundary(Reporter(), [&] {
    ModuleRecord& record = RequireRecord();
    return BuildCollection<IDependencyCollection>(dependencies, [&](auto& collection) {
      for (const auto& entry : record.Dependencies())
        AddItem<DependencyItem, IDependencyItem>(collection, entry.second);
    });
  });
}

STDMETHODIMP MergeModule2::get_Exclusions(IDispatch** exclusions) {
  if (!exclusions) return E_POINTER;
  *exclusions = nullptr;
  return ComBoundary(Reporter(), [&] {
    ModuleRecord& record = RequireRecord();
    return BuildCollection<IExclusionCollection>(exclusions, [&](auto& collection) {
      for (const auto& entry : record.Exclusions())
        AddItem<ExclusionItem, IExclusionItem>(collection, entry.second);
    });
  });
}

STDMETHODIMP MergeModule2::get_Files(IDispatch** files) {
  if (!files) return E_POINTER;
  *files = nullptr;
  return ComBoundary(Reporter(), [&] {
    ModuleRecord& record = RequireRecord();
    return BuildCollection<IFileCollection>(files, [&](auto& collection) {
      for (const auto& entry : record.Files())
        AddItem<FileItem, IFileItem>(collection, entry.second);
    });
  });
}

STDMETHODIMP MergeModule2::get_DownloadFiles(IDispatch** downloadFiles) {
  if (!downloadFiles) return E_POINTER;
  *downloadFiles = nullptr;
  return ComBoundary(Reporter(), [&] {
    ModuleRecord& record = RequireRecord();
    return BuildCollection<IDownloadFileCollection>(downloadFiles, [&](auto& collection) {
      const int count = record.CountDownloadFiles();
      for (int i = 0; i < count; ++i) {
        DownloadFileInfo file;
        record.ReadDownloadFile(i, file);
        AddItem<DownloadFileItem, IDownloadFileItem>(collection, std::move(file));
      }
    });
  });
}

STDMETHODIMP MergeModule2::InterfaceSupportsErrorInfo(REFIID iid) {
  return iid == kIidMergeModule2Alt1 ? S_OK : S_FALSE;
}
