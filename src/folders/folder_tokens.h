// The two notations in which the authoring environment writes destination folders, and the
// splitting of a destination path into its folder and file name.
//
//   0  installer-property notation:  [SystemFolder]viewer.dll
//   1  script notation:              <WINSYSDIR>\viewer.dll
//
// The notation in force follows the host's active project type, asked on every call.
#pragma once

#include "common/wide_string.h"

#include <vector>

class FolderTokenDialect {
 public:
  constexpr FolderTokenDialect(wchar_t opening, wchar_t closing)
      : opening_(opening), closing_(closing) {}
  wchar_t Opening() const { return opening_; }
  wchar_t Closing() const { return closing_; }

 private:
  wchar_t opening_;
  wchar_t closing_;
};

// The process-wide list, installer-property notation first.
const std::vector<FolderTokenDialect>& FolderTokenDialects();

// The notation of a project type, and of the host's active one.  Types other than 0 and 1 (and
// a missing host) select the installer-property notation, the one Windows Installer itself uses.
const FolderTokenDialect& FolderTokenDialectOf(long projectType);
const FolderTokenDialect& GetActiveFolderTokenDialect();

// Splits a destination in a notation (the active one when not given).  True with folder and
// file set when the path holds the notation's closing token after an opening one; false
// (outputs untouched) otherwise.
bool SplitDestinationPath(const FolderTokenDialect& dialect, const WideString& path,
                          WideString& folder, WideString& file);
bool SplitDestinationPath(const WideString& path, WideString& folder, WideString& file);
