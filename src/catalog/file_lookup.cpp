// FindModuleForFile and FindModuleForFileInFolder: the client's arguments made into a query
// (file_match.h) and its answer into a module object.
#include "catalog/file_match.h"
#include "catalog/mm_catalog.h"
#include "com/boundary.h"
#include "folders/folder_tokens.h"

HRESULT MMCatalog::FindModuleForFileCore(const FileQuery& query, IDispatch** module,
                                         long* found) {
  *found = 0;
  if (IsExcludedFile(excludedFilePatterns_, query.Name)) return S_OK;

  RefreshFolderStore(folderSources_);
  const FileMatch match = MatchFile(query, galleryRecords_);
  SavePackageCache();  // the first lookup reads every module's file list
  if (match.Record) {
    const ComRef<IMergeModule2> object = NewModuleObject(match.Record);
    if (*module) {
      (*module)->Release();
      *module = nullptr;
    }
    ThrowIfFailed(
        object->QueryInterface(__uuidof(IMergeModule2), reinterpret_cast<void**>(module)));
  } else if (match.Listed) {
    // GetModule reports its own failures; they do not fail the lookup.
    const WideString language = query.Language.IsEmpty() ? WideString(L"0") : query.Language;
    ComRef<IDispatch> listedModule;
    GetModule(match.ListedKey.Bstr(), language.Bstr(), listedModule.Put());
    if (listedModule)
      listedModule->QueryInterface(__uuidof(IMergeModule2), reinterpret_cast<void**>(module));
  } else {
    return S_OK;
  }
  *found = -1;
  return S_OK;
}

namespace {

FileQuery MakeFileQuery(const WideString& file, BSTR version, BSTR language) {
  FileQuery query;
  const size_t backslash = file.FindLast(L'\\');
  query.Name = backslash == WideString::npos ? file : file.Substring(backslash + 1);
  query.Version = WideString::FromBstr(version);
  query.Language = WideString::FromBstr(language);
  return query;
}

}  // namespace

STDMETHODIMP MMCatalog::FindModuleForFile(BSTR destination, BSTR version, BSTR language,
                                          IDispatch** module, long* found) {
  if (!module || !found) return E_POINTER;
  return ComBoundary(*this, [&] {
    bool matchVersion = false, matchFolder = false;
    if (appServices_) {
      long switchValue = 0;
      ThrowIfFailed(appServices_->GetMatchVersion(&switchValue));
      matchVersion = switchValue != 0;
      ThrowIfFailed(appServices_->GetMatchFolder(&switchValue));
      matchFolder = switchValue != 0;
    }
    const WideString path = WideString::FromBstr(destination);
    WideString folder, file;
    if (!SplitDestinationPath(path, folder, file)) file = path;  // no folder token: a bare name
    FileQuery query = MakeFileQuery(file, version, language);
    query.MatchVersion = matchVersion;
    query.MatchFolder = matchFolder;
    query.Folder = folder;
    return FindModuleForFileCore(query, module, found);
  });
}

STDMETHODIMP MMCatalog::FindModuleForFileInFolder(BSTR destination, BSTR version, BSTR language,
                                                  IDispatch** module, long* found) {
  if (!module || !found) return E_POINTER;
  return ComBoundary(*this, [&] {
    // Without a folder token both parts stay empty: there is no file to look for in a folder.
    WideString folder, file;
    SplitDestinationPath(WideString::FromBstr(destination), folder, file);
    FileQuery query = MakeFileQuery(file, version, language);
    query.MatchVersion = SysStringLen(version) != 0;
    query.MatchFolder = true;
    query.Folder = folder;
    return FindModuleForFileCore(query, module, found);
  });
}
