// The catalog's answers: its collections, a module by key, display names, the module key
// listed for a file, project support, the refresh switch and the reserved members.  The file
// lookups are in file_lookup.cpp.
#include "catalog/folder_collection.h"
#include "catalog/lookup_tables.h"
#include "catalog/mm_catalog.h"
#include "catalog/project_types.h"
#include "com/boundary.h"
#include "common/bstr.h"
#include "common/text.h"
#include "common/variant.h"
#include "common/version_rules.h"

#include <shlwapi.h>

#include <map>

namespace {

void ReleaseInto(IUnknown** slot) {
  if (*slot) {
    (*slot)->Release();
    *slot = nullptr;
  }
}

}  // namespace

STDMETHODIMP MMCatalog::GetModuleFolders(IUnknown** folders) {
  if (!folders) return E_POINTER;
  return ComBoundary(*this, [&] {
    const ComRef<IModuleFolderCollection> collection =
        MakeComponentObject<ModuleFolderCollection, IModuleFolderCollection>();
    ModuleFolderCollection* items = ImplementationOf<ModuleFolderCollection>(collection.Get());
    // Folders added now are scanned as they join; the others are not rescanned.
    RefreshFolderStore(folderSources_);
    for (const auto& folder : ModuleFolderStore()) items->AddFolderItem(folder.second);
    ReleaseInto(folders);
    collection->QueryInterface(__uuidof(IModuleFolderCollection),
                               reinterpret_cast<void**>(folders));
    return S_OK;
  });
}

STDMETHODIMP MMCatalog::GetModules(IUnknown** modules) {
  if (!modules) return E_POINTER;
  return ComBoundary(*this, [&] {
    RefreshCatalog();
    ReleaseInto(modules);
    if (modules_)
      modules_->QueryInterface(__uuidof(IMergeModuleCollection),
                               reinterpret_cast<void**>(modules));
    return S_OK;
  });
}

STDMETHODIMP MMCatalog::GetModule(BSTR key, BSTR language, IDispatch** module) {
  if (!module) return E_POINTER;
  WideString wanted = WideString::FromBstr(key);
  const size_t colon = wanted.FindLast(L':');
  if (colon == WideString::npos) return E_FAIL;  // not a module key; no error information
  return ComBoundary(*this, [&] {
    if (wanted.Substring(colon + 1) == L"0" && moduleList_) {
      // Language-neutral request: the catalog's languages of that module, in text order.
      const WideString id = wanted.Substring(0, colon);
      std::map<WideString, long> languages;  // by the language's text
      const KeyedObjectList& list = moduleList_->Modules();
      for (size_t position = 1; position <= list.Count(); ++position) {
        ComRef<IMergeModule2> candidate;
        ThrowIfFailed(list.At(position).Object.QueryTo(__uuidof(IMergeModule2), candidate));
        WideString moduleId;
        ThrowIfFailed(candidate->get_ModuleID(OutBstr(moduleId)));
        if (moduleId != id) continue;
        long moduleLanguage = 0;
        ThrowIfFailed(candidate->get_Language(&moduleLanguage));
        languages[WideString::Format(L"%d", static_cast<int>(moduleLanguage))] = moduleLanguage;
      }
      if (languages.size() == 1) {
        wanted = MakeModuleKey(id, languages.begin()->second);
      } else if (languages.size() > 1) {
        const WideString preferred = preferredLanguage_.IsEmpty() ? WideString::FromBstr(language)
                                                                  : preferredLanguage_;
        if (IDispatch* match = moduleList_->Find(id + L":" + preferred))
          return match->QueryInterface(__uuidof(IMergeModule2), reinterpret_cast<void**>(module));
        wanted = MakeModuleKey(id, languages.begin()->second);
      }
    }
    if (!moduleList_) {
      *module = nullptr;
      return S_OK;
    }
    const StringVariant index(wanted);
    ThrowIfFailed(moduleList_->Item(index.Get(), module));
    return S_OK;
  });
}

STDMETHODIMP MMCatalog::GetModuleKeyForFile(BSTR file, BSTR* key) {
  return ComBoundary(*this, [&] {
    const WideString path = WideString::FromBstr(file);
    if (path.IsEmpty()) return S_OK;
    const WideString name =
        LowerThroughAnsi(WideString::FromAnsi(PathFindFileNameA(path.Ansi())));
    const FileModuleTable& table = FileModules();
    const auto listed = table.find(name);
    if (listed == table.end()) return S_OK;
    // Only entries that hold for every version of the file name a module here.
    FileModuleEntry entry;
    if (!ParseFileModuleEntry(listed->second, entry) || !entry.ForEveryVersion()) return S_OK;
    return key ? entry.ModuleKey.CopyTo(key) : S_OK;
  });
}

STDMETHODIMP MMCatalog::GetModuleDisplayName(BSTR key, BSTR* name) {
  return ComBoundary(*this, [&] {
    const WideString wanted = WideString::FromBstr(key);
    if (wanted.IsEmpty()) return S_OK;
    WideString text;
    if (!LookupDisplayName(wanted, text)) text = wanted;
    return name ? text.CopyTo(name) : S_OK;
  });
}

HRESULT MMCatalog::SupportsProjectOfTypes(IUnknown* project, VARIANT_BOOL* supported,
                                          bool (*accepts)(long projectType)) {
  if (!supported) return E_INVALIDARG;
  return ComBoundary(*this, [&] {
    // A failure the client is told about, like every other one.
    if (!project) ThrowComError(E_POINTER, "No project object was given.");
    *supported = VARIANT_TRUE;
    // The project type lies two objects deep in the environment's project object.
    ComRef<IProjectObject> projectObject;
    ThrowIfFailed(project->QueryInterface(kIidProjectObject, projectObject.PutVoid()));
    ComRef<IUnknown> settings;
    ThrowIfFailed(projectObject->GetProjectSettings(settings.Put()));
    if (!settings) ThrowComError(E_POINTER, "The project gave no settings object.");
    long projectType = 0;
    ThrowIfFailed(static_cast<IProjectSettings*>(settings.Get())->GetProjectType(&projectType));
    if (!accepts(projectType)) *supported = VARIANT_FALSE;
    return S_OK;
  });
}

STDMETHODIMP MMCatalog::SupportsProject(IUnknown* project, VARIANT_BOOL* supported) {
  return SupportsProjectOfTypes(project, supported, &IsCatalogProjectType);
}

STDMETHODIMP MMCatalog::put_AutoRefresh(VARIANT_BOOL enabled) {
  autoRefresh_ = enabled != 0;
  return S_OK;
}

// Members kept for the interface's layout: they read nothing and change nothing.
STDMETHODIMP MMCatalog::Reserved1(long, long, long* value) {
  if (!value) return E_POINTER;
  *value = 0;
  return S_OK;
}
STDMETHODIMP MMCatalog::Reserved2(long, long* value) {
  if (!value) return E_POINTER;
  *value = 0;
  return S_OK;
}
STDMETHODIMP MMCatalog::Reserved3(long* value) {
  if (!value) return E_POINTER;
  *value = 0;
  return S_OK;
}
STDMETHODIMP MMCatalog::Reserved7(long* value) {
  if (!value) return E_POINTER;
  *value = 0;
  return S_OK;
}
STDMETHODIMP MMCatalog::Reserved8(long, long* value) {
  if (!value) return E_POINTER;
  *value = 0;
  return S_OK;
}
STDMETHODIMP MMCatalog::Reserved9(long) { return S_OK; }
