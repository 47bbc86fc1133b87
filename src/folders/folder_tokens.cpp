#include "folders/folder_tokens.h"

#include "environment/host_library.h"

#include <utility>

namespace {

// Built at library load, before any object exists.
const std::vector<FolderTokenDialect> dialects = {FolderTokenDialect(L'[', L']'),
                                                   FolderTokenDialect(L'<', L'>')};

}  // namespace

const std::vector<FolderTokenDialect>& FolderTokenDialects() { return dialects; }

const FolderTokenDialect& FolderTokenDialectOf(long projectType) {
  const auto& list = FolderTokenDialects();
  return projectType >= 0 && static_cast<size_t>(projectType) < list.size() ? list[projectType]
                                                                            : list[0];
}

const FolderTokenDialect& GetActiveFolderTokenDialect() {
  return FolderTokenDialectOf(GetActiveProjectType());
}

bool SplitDestinationPath(const WideString& path, WideString& folder, WideString& file) {
  return SplitDestinationPath(GetActiveFolderTokenDialect(), path, folder, file);
}

bool SplitDestinationPath(const FolderTokenDialect& dialect, const WideString& path,
                          WideString& folder, WideString& file) {
  const size_t closing = path.FindLast(dialect.Closing());
  if (closing == WideString::npos) return false;
  const size_t opening = path.Find(dialect.Opening());
  if (opening == WideString::npos || opening >= closing) return false;
  const size_t backslash = path.FindLast(L'\\');
  if (backslash == WideString::npos) {
    folder = path.Substring(0, closing + 1);
    file = path.Substring(closing + 1);
  } else {
    folder = path.Substring(0, backslash);
    file = path.Substring(backslash + 1);
  }
  return true;
}
