// A module's requirement, exclusion and file lists and the rules they keep, whoever reads the
// rows: the module record (a package through the installer object, or a gallery descriptor)
// and the inspector, which reads many packages' tables directly.
#pragma once

#include "common/wide_string.h"

#include <windows.h>

#include <map>

struct DependencyRecord {
  WideString RequiredID;
  WideString Key;  // RequiredID:RequiredLanguage
  WideString RequiredVersion;
  long RequiredLanguage = 0;
};

struct ExclusionRecord {
  WideString ExcludedMinVersion;
  WideString ExcludedMaxVersion;
  WideString Key;  // ExcludedID:ExcludedLanguage
  WideString ExcludedID;
  long ExcludedLanguage = 0;
};

struct FileRecord {
  WideString FileName;  // as stored: "short|long" or one name
  WideString LongName;  // text after the first '|', or the whole name
  WideString Version;
  WideString Language;
  WideString Directory;  // Directory_ of the file's component; empty for gallery records
  WideString File;       // the file key
  ULONG FileSize = 0;
  ULONG Sequence = 0;
};

// Ordered by key, code unit by code unit; a later entry with the same key replaces the earlier.
using DependencyMap = std::map<WideString, DependencyRecord>;
using ExclusionMap = std::map<WideString, ExclusionRecord>;
using FileMap = std::map<WideString, FileRecord>;

// The module whose lists they are, as far as the lists' rules ask.
struct ModuleSignature {
  WideString ModuleID;
  long Language = 0;
  WideString Version;
};

// Each adds an entry under its key ("ID:language"; a file under its file key).  A module never
// requires itself: a dependency with its identifier, language and version is left out.
void AddDependency(DependencyMap& list, const ModuleSignature& module, const WideString& id,
                   long language, const WideString& version);
void AddExclusion(ExclusionMap& list, const WideString& id, long language,
                  const WideString& minVersion, const WideString& maxVersion);
// Sets the file's LongName from its FileName.
void AddFile(FileMap& list, FileRecord file);
// The text after the first '|' of a stored file name ("short|long"), or the whole name.
WideString LongFileName(const WideString& fileName);
