#include "catalog_access.h"

#include "progress.h"
#include "text_rules.h"

#include "module/module_lists.h"

namespace qvmodcat {

namespace {

constexpr wchar_t kManagerProgId[] = L"QvLiteModCat.MMCatalogManager";
constexpr wchar_t kModuleProgId[] = L"QvModCat.MergeModule2";

template <class Getter>
std::wstring GetText(const wchar_t* what, Getter getter) {
  UniqueBstr text;
  Invoke(what, [&] { return getter(text.Put()); });
  return TextOf(text);
}

template <class Number, class Getter>
Number GetNumber(const wchar_t* what, Getter getter) {
  Number value = 0;
  Invoke(what, [&] { return getter(&value); });
  return value;
}

template <class T>
ComRef<T> Query(IUnknown* object, const wchar_t* what) {
  ComRef<T> typed;
  if (!object) throw ComError(what, E_POINTER, L"", L"The component handed out no object.");
  Invoke(what, [&] { return object->QueryInterface(__uuidof(T), typed.PutVoid()); });
  return typed;
}

ComRef<IUnknown> CreateByProgId(const wchar_t* progId, const IID& iid) {
  CLSID clsid;
  Invoke(L"CLSIDFromProgID", [&] { return CLSIDFromProgID(progId, &clsid); });
  ComRef<IUnknown> object;
  Invoke(progId, [&] {
    return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, object.PutVoid());
  });
  return object;
}

// Every item of a detail collection (Count, then Item by position), as its item interface.
template <class CollectionInterface, class ItemInterface, class Fill>
void ForEachItem(IDispatch* collection, const wchar_t* what, Fill fill) {
  const ComRef<CollectionInterface> items = Query<CollectionInterface>(collection, what);
  const long count = GetNumber<long>(what, [&](long* n) { return items->get_Count(n); });
  for (long position = 1; position <= count; ++position) {
    const IntegerVariant index(position);
    ComRef<IDispatch> item;
    Invoke(what, [&] { return items->Item(index.Get(), item.Put()); });
    fill(*Query<ItemInterface>(item.Get(), what).Get());
  }
}

// A list property of a module object: the collection it hands out.
template <class Getter>
ComRef<IDispatch> GetList(const wchar_t* what, Getter getter) {
  ComRef<IDispatch> list;
  Invoke(what, [&] { return getter(list.Put()); });
  return list;
}

bool IsMissingFile(HRESULT result) {
  return result == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) ||
         result == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
}

}  // namespace

std::wstring FileEntry::LongName() const { return TextOf(LongFileName(FileName.c_str())); }

ModuleIdentity ReadIdentity(IMergeModule2* m) {
  return {GetText(L"MergeModule2.Key", [&](BSTR* t) { return m->get_Key(t); }),
          GetText(L"MergeModule2.Path", [&](BSTR* t) { return m->get_Path(t); }),
          GetText(L"MergeModule2.Version", [&](BSTR* t) { return m->get_Version(t); })};
}

ModuleSummary ReadSummary(IMergeModule2* m) {
  ModuleSummary s;
  s.Key = GetText(L"MergeModule2.Key", [&](BSTR* t) { return m->get_Key(t); });
  s.ModuleID = GetText(L"MergeModule2.ModuleID", [&](BSTR* t) { return m->get_ModuleID(t); });
  s.Language = GetNumber<long>(L"MergeModule2.Language", [&](long* n) { return m->get_Language(n); });
  s.Version = GetText(L"MergeModule2.Version", [&](BSTR* t) { return m->get_Version(t); });
  s.DisplayName =
      GetText(L"MergeModule2.DisplayName", [&](BSTR* t) { return m->get_DisplayName(t); });
  s.Name = GetText(L"MergeModule2.Name", [&](BSTR* t) { return m->get_Name(t); });
  s.Path = GetText(L"MergeModule2.Path", [&](BSTR* t) { return m->get_Path(t); });
  s.Author = GetText(L"MergeModule2.Author", [&](BSTR* t) { return m->get_Author(t); });
  s.Subject = GetText(L"MergeModule2.Subject", [&](BSTR* t) { return m->get_Subject(t); });
  s.Comments = GetText(L"MergeModule2.Comments", [&](BSTR* t) { return m->get_Comments(t); });
  s.IsInstalled = GetNumber<VARIANT_BOOL>(L"MergeModule2.IsInstalled",
                                          [&](VARIANT_BOOL* b) { return m->get_IsInstalled(b); }) != 0;
  s.NeedsDownload = GetNumber<VARIANT_BOOL>(
                        L"MergeModule2.NeedsDownload",
                        [&](VARIANT_BOOL* b) { return m->get_NeedsDownload(b); }) != 0;
  return s;
}

std::vector<DependencyEntry> ReadDependencies(IMergeModule2* m) {
  std::vector<DependencyEntry> list;
  const wchar_t* what = L"MergeModule2.Dependencies";
  ForEachItem<IDependencyCollection, IDependencyItem>(
      GetList(what, [&](IDispatch** l) { return m->get_Dependencies(l); }).Get(), what,
      [&](IDependencyItem& item) {
        DependencyEntry e;
        e.Key = GetText(what, [&](BSTR* t) { return item.get_Key(t); });
        e.ModuleID = GetText(what, [&](BSTR* t) { return item.get_ModuleID(t); });
        e.Version = GetText(what, [&](BSTR* t) { return item.get_Version(t); });
        e.Language = GetNumber<long>(what, [&](long* n) { return item.get_Language(n); });
        list.push_back(std::move(e));
      });
  return list;
}

std::vector<ExclusionEntry> ReadExclusions(IMergeModule2* m) {
  std::vector<ExclusionEntry> list;
  const wchar_t* what = L"MergeModule2.Exclusions";
  ForEachItem<IExclusionCollection, IExclusionItem>(
      GetList(what, [&](IDispatch** l) { return m->get_Exclusions(l); }).Get(), what,
      [&](IExclusionItem& item) {
        ExclusionEntry e;
        e.Key = GetText(what, [&](BSTR* t) { return item.get_Key(t); });
        e.ModuleID = GetText(what, [&](BSTR* t) { return item.get_ModuleID(t); });
        e.MinVersion = GetText(what, [&](BSTR* t) { return item.get_MinVersion(t); });
        e.MaxVersion = GetText(what, [&](BSTR* t) { return item.get_MaxVersion(t); });
        e.Language = GetText(what, [&](BSTR* t) { return item.get_Language(t); });
        list.push_back(std::move(e));
      });
  return list;
}

std::vector<FileEntry> ReadFiles(IMergeModule2* m) {
  std::vector<FileEntry> files;
  const wchar_t* what = L"MergeModule2.Files";
  ForEachItem<IFileCollection, IFileItem>(
      GetList(what, [&](IDispatch** l) { return m->get_Files(l); }).Get(), what,
      [&](IFileItem& item) {
        FileEntry e;
        e.Directory = GetText(what, [&](BSTR* t) { return item.get_Directory(t); });
        e.File = GetText(what, [&](BSTR* t) { return item.get_File(t); });
        e.FileSize = GetNumber<long>(what, [&](long* n) { return item.get_FileSize(n); });
        e.FileName = GetText(what, [&](BSTR* t) { return item.get_FileName(t); });
        e.Version = GetText(what, [&](BSTR* t) { return item.get_Version(t); });
        e.Language = GetText(what, [&](BSTR* t) { return item.get_Language(t); });
        e.Sequence = GetNumber<long>(what, [&](long* n) { return item.get_Sequence(n); });
        files.push_back(std::move(e));
      });
  return files;
}

ModuleDetails ReadDetails(IMergeModule2* m) {
  ModuleDetails d;
  d.Summary = ReadSummary(m);

  const wchar_t* what = L"MergeModule2.Dialogs";
  ForEachItem<IDialogCollection, IDialogItem>(
      GetList(what, [&](IDispatch** l) { return m->get_Dialogs(l); }).Get(), what,
      [&](IDialogItem& item) {
        d.Dialogs.push_back(GetText(L"Dialog.Name", [&](BSTR* t) { return item.get_Name(t); }));
      });

  what = L"MergeModule2.CustomActions";
  ForEachItem<ICustomActionCollection, ICustomActionItem>(
      GetList(what, [&](IDispatch** l) { return m->get_CustomActions(l); }).Get(), what,
      [&](ICustomActionItem& item) {
        d.CustomActions.push_back(
            GetText(L"CustomAction.Name", [&](BSTR* t) { return item.get_Name(t); }));
      });

  d.Dependencies = ReadDependencies(m);
  d.Exclusions = ReadExclusions(m);

  d.Files = ReadFiles(m);

  what = L"MergeModule2.DownloadFiles";
  ComRef<IDispatch> downloads;
  try {
    downloads = GetList(what, [&](IDispatch** l) { return m->get_DownloadFiles(l); });
  } catch (const ComError& error) {
    // The descriptor of a package-built module is named by its package code; most packages
    // have none, and reading a descriptor that is not there fails.
    if (!IsMissingFile(error.Result())) throw;
    d.HasDescriptor = false;
  }
  if (downloads) {
    ForEachItem<IDownloadFileCollection, IDownloadFileItem>(
        downloads.Get(), what, [&](IDownloadFileItem& item) {
          DownloadEntry e;
          e.Location = GetText(what, [&](BSTR* t) { return item.get_Location(t); });
          e.MediaLocation = GetText(what, [&](BSTR* t) { return item.get_MediaLocation(t); });
          e.InternetLocation =
              GetText(what, [&](BSTR* t) { return item.get_InternetLocation(t); });
          e.FileSize = GetNumber<long>(what, [&](long* n) { return item.get_FileSize(n); });
          e.CheckSum = GetText(what, [&](BSTR* t) { return item.get_CheckSum(t); });
          d.DownloadFiles.push_back(std::move(e));
        });
  }
  return d;
}

ComRef<IUnknown> CreateCatalogManager() {
  return CreateByProgId(kManagerProgId, __uuidof(IMMCatalogManager));
}

Catalog::Catalog(long projectType) : projectType_(projectType) {
  const ComRef<IUnknown> manager = CreateCatalogManager();
  manager_ = Query<IMMCatalogManager>(manager.Get(), L"MMCatalogManager");
  // One call that reads every package: nothing to count from outside.
  ProgressPhase(L"the catalog reads its packages");
  ComRef<IUnknown> catalog;
  Invoke(L"MMCatalogManager.GetCatalog",
         [&] { return manager_->GetCatalog(projectType, catalog.Put()); });
  catalog_ = Query<IMMCatalog>(catalog.Get(), L"MMCatalogManager.GetCatalog");
}

std::vector<ComRef<IMergeModule2>> Catalog::Modules() {
  std::vector<ComRef<IMergeModule2>> modules;
  ComRef<IUnknown> list;
  Invoke(L"MMCatalog.GetModules", [&] { return catalog_->GetModules(list.Put()); });
  if (!list) return modules;  // the edition catalog hands out nothing
  const auto collection = Query<IMergeModuleCollection>(list.Get(), L"MMCatalog.GetModules");
  const long count = GetNumber<long>(L"MergeModuleCollection.Count",
                                     [&](long* n) { return collection->get_Count(n); });
  for (long position = 1; position <= count; ++position) {
    const IntegerVariant index(position);
    ComRef<IDispatch> item;
    Invoke(L"MergeModuleCollection.Item",
           [&] { return collection->Item(index.Get(), item.Put()); });
    if (item) modules.push_back(Query<IMergeModule2>(item.Get(), L"MergeModuleCollection.Item"));
  }
  return modules;
}

std::vector<FolderEntry> Catalog::Folders() {
  std::vector<FolderEntry> folders;
  ComRef<IUnknown> list;
  Invoke(L"MMCatalog.GetModuleFolders", [&] { return catalog_->GetModuleFolders(list.Put()); });
  if (!list) return folders;
  const auto collection =
      Query<IModuleFolderCollection>(list.Get(), L"MMCatalog.GetModuleFolders");
  const long count = GetNumber<long>(L"ModuleFolderCollection.Count",
                                     [&](long* n) { return collection->get_Count(n); });
  for (long position = 1; position <= count; ++position) {
    const IntegerVariant index(position);
    ComRef<IDispatch> item;
    Invoke(L"ModuleFolderCollection.Item",
           [&] { return collection->Item(index.Get(), item.Put()); });
    const auto folder = Query<IModuleFolderItem>(item.Get(), L"ModuleFolderCollection.Item");
    FolderEntry entry;
    entry.Path = GetText(L"ModuleFolderItem.Path", [&](BSTR* t) { return folder->get_Path(t); });
    entry.Name = GetText(L"ModuleFolderItem.Name", [&](BSTR* t) { return folder->get_Name(t); });
    entry.Folder =
        GetText(L"ModuleFolderItem.Folder", [&](BSTR* t) { return folder->get_Folder(t); });
    entry.Kind = GetNumber<short>(L"ModuleFolderItem.Kind",
                                  [&](short* n) { return folder->get_Kind(n); });
    ComRef<IUnknown> modules;
    Invoke(L"ModuleFolderItem.Modules", [&] { return folder->get_Modules(modules.Put()); });
    const auto moduleList =
        Query<IMergeModuleCollection>(modules.Get(), L"ModuleFolderItem.Modules");
    const long moduleCount = GetNumber<long>(L"MergeModuleCollection.Count",
                                             [&](long* n) { return moduleList->get_Count(n); });
    for (long at = 1; at <= moduleCount; ++at) {
      const IntegerVariant moduleIndex(at);
      ComRef<IDispatch> module;
      Invoke(L"MergeModuleCollection.Item",
             [&] { return moduleList->Item(moduleIndex.Get(), module.Put()); });
      if (!module) continue;
      const auto typed = Query<IMergeModule2>(module.Get(), L"MergeModuleCollection.Item");
      ModuleIdentity identity = ReadIdentity(typed.Get());
      entry.Modules.push_back({std::move(identity.Key), std::move(identity.Path),
                               std::move(identity.Version), typed});
    }
    folders.push_back(std::move(entry));
  }
  return folders;
}

EnvironmentServices& Catalog::Environment() {
  if (!environment_) environment_.emplace();
  return *environment_;
}

ModuleSummary Catalog::Summary(IMergeModule2* module) {
  ModuleSummary summary = ReadSummary(module);
  if (summary.IsInstalled && summary.NeedsDownload) {
    // The descriptor is named by the module's Name (the package code, or its own base name).
    const std::wstring gallery = JoinPath(Environment().ProductFolder(), L"ObjectGallery");
    if (const auto section =
            Environment().ReadSection(JoinPath(gallery, summary.Name) + L".ini", L"MergeModule"))
      for (const auto& [name, value] : *section)
        if (SameTextIgnoringCase(name, L"Version")) {
          summary.OfferedVersion = value;
          break;
        }
  }
  return summary;
}

ComRef<IMergeModule2> Catalog::GetModule(const std::wstring& key, const std::wstring& language) {
  const UniqueBstr wanted = MakeBstr(key), lang = MakeBstr(language);
  ComRef<IDispatch> module;
  Invoke(L"MMCatalog.GetModule",
         [&] { return catalog_->GetModule(wanted.Get(), lang.Get(), module.Put()); });
  if (!module) return nullptr;
  return Query<IMergeModule2>(module.Get(), L"MMCatalog.GetModule");
}

FileQueryResult Catalog::FindModuleForFile(const std::wstring& destination,
                                           const std::wstring& version,
                                           const std::wstring& language, bool inFolder) {
  const UniqueBstr path = MakeBstr(destination), fileVersion = MakeBstr(version),
                   fileLanguage = MakeBstr(language);
  ComRef<IDispatch> module;
  long found = 0;
  if (inFolder) {
    Invoke(L"MMCatalog.FindModuleForFileInFolder", [&] {
      return catalog_->FindModuleForFileInFolder(path.Get(), fileVersion.Get(),
                                                 fileLanguage.Get(), module.Put(), &found);
    });
  } else {
    Invoke(L"MMCatalog.FindModuleForFile", [&] {
      return catalog_->FindModuleForFile(path.Get(), fileVersion.Get(), fileLanguage.Get(),
                                         module.Put(), &found);
    });
  }
  FileQueryResult result;
  result.Found = found != 0;
  if (module) result.Module = Query<IMergeModule2>(module.Get(), L"MMCatalog.FindModuleForFile");
  return result;
}

std::optional<std::wstring> Catalog::KeyForFile(const std::wstring& file) {
  const UniqueBstr path = MakeBstr(file);
  UniqueBstr key;
  Invoke(L"MMCatalog.GetModuleKeyForFile",
         [&] { return catalog_->GetModuleKeyForFile(path.Get(), key.Put()); });
  if (!key.Get()) return std::nullopt;  // nothing listed: the key is left untouched
  return TextOf(key);
}

std::wstring Catalog::DisplayName(const std::wstring& key) {
  const UniqueBstr wanted = MakeBstr(key);
  UniqueBstr name;
  Invoke(L"MMCatalog.GetModuleDisplayName",
         [&] { return catalog_->GetModuleDisplayName(wanted.Get(), name.Put()); });
  return TextOf(name);
}

ComRef<IMergeModule2> LoadPackage(const std::wstring& path) {
  const ComRef<IUnknown> object = CreateByProgId(kModuleProgId, __uuidof(IMergeModule2));
  auto module = Query<IMergeModule2>(object.Get(), L"MergeModule2");
  const UniqueBstr packagePath = MakeBstr(path);
  Invoke(L"MergeModule2.Load", [&] { return module->Load(packagePath.Get()); });
  return module;
}

std::optional<unsigned long> ComponentCacheHits() {
  using HitsEntry = HRESULT(STDAPICALLTYPE*)(DWORD*);
  const HMODULE component = GetModuleHandleW(L"QvModCat2.dll");
  const auto entry = component ? reinterpret_cast<HitsEntry>(reinterpret_cast<void (*)()>(
                                     GetProcAddress(component, "QvGetPackageCacheHits")))
                               : nullptr;
  DWORD hits = 0;
  if (!entry || FAILED(entry(&hits))) return std::nullopt;
  return hits;
}

}  // namespace qvmodcat
