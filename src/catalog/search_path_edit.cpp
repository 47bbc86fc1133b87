// AddFolder and RemoveFolder of the folder collection: edits of the environment's search-path
// list through the application-services component.  Both hold a FolderSources pair for the
// duration of the edit, so the shared store is emptied at the end when no catalog is alive.
#include "catalog/folder_collection.h"

#include "common/bstr.h"
#include "common/com_exception.h"
#include "common/text.h"
#include "environment/companion_loader.h"

#include <algorithm>

namespace {

ComRef<IAppServices> NewAppServices() {
  ComRef<IAppServices> services;
  ThrowIfFailed(CreateAppServices(services));
  return services;
}

WideString SearchPathList(IAppServices* services) {
  WideString list;
  ThrowIfFailed(services->GetSearchPathList(OutBstr(list)));
  return list;
}

// What makes two texts name the same folder: environment references expanded, the path made
// full ("." and ".." resolved, relative paths against the current folder), trailing
// backslashes dropped, and the case folded.
WideString FolderIdentity(const WideString& folder) {
  char expanded[1024] = {};
  const DWORD length = ExpandEnvironmentStringsA(folder.Ansi(), expanded, sizeof expanded);
  std::string text = length > 0 && length <= sizeof expanded ? expanded : folder.Ansi();
  char full[1024] = {};
  const DWORD fullLength = GetFullPathNameA(text.c_str(), sizeof full, full, nullptr);
  if (fullLength > 0 && fullLength < sizeof full) text = full;
  while (!text.empty() && text.back() == '\\') text.pop_back();
  return WideString::FromAnsi(LowerAnsi(text).c_str());
}

}  // namespace

void AddSearchPathFolder(const WideString& folder) {
  WideString withBackslash = folder;
  if (withBackslash.LastChar() != L'\\') withBackslash.Append(L'\\');
  const WideString lowered = LowerThroughAnsi(withBackslash);

  const ComRef<IAppServices> services = NewAppServices();
  WideString list = SearchPathList(services.Get());
  const FolderSources sources;
  const std::vector<WideString> entries = SplitFolderList(list);

  const WideString wanted = FolderIdentity(withBackslash);
  const bool present = std::any_of(entries.begin(), entries.end(), [&](const WideString& entry) {
    return FolderIdentity(entry) == wanted;
  });
  if (present) return;
  list = list.IsEmpty() ? lowered : list + L"," + lowered;
  ThrowIfFailed(services->SetSearchPathList(list.Bstr()));
}

void RemoveSearchPathFolder(const WideString& folder) {
  const ComRef<IAppServices> services = NewAppServices();
  const WideString list = SearchPathList(services.Get());
  const FolderSources sources;
  const WideString target = LowerThroughAnsi(folder);

  // The list is written back from its expanded entries: references and entries that name no
  // folder are gone afterwards.
  WideString rewritten;
  for (const WideString& entry : SplitFolderList(list)) {
    const WideString lowered = LowerThroughAnsi(entry);
    if (EqualsIgnoringCase(lowered, target)) continue;
    rewritten.Append(lowered);
    rewritten.Append(L',');
  }
  if (!rewritten.IsEmpty()) rewritten = rewritten.Substring(0, rewritten.Length() - 1);
  ThrowIfFailed(services->SetSearchPathList(LowerThroughAnsi(rewritten).Bstr()));
}
