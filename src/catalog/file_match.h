// Which module delivers a file, as a plain function over the shared folder store, a catalog's
// gallery records and a query: the file lists of the package records are searched first (in
// store order), then those of the gallery records, then the environment's
// "FilesToModules.ini".  The catalog's file lookups turn the answer into a module object.
#pragma once

#include "catalog/catalog_contents.h"
#include "module/file_rules.h"

#include <vector>

// What the lookups compare a file of a record with.
struct FileQuery {
  WideString Name;     // long file name, compared without case
  WideString Version;  // compared without case; exactly with a "FilesToModules.ini" entry
  WideString Language;  // as the caller gave it; empty means "0" for package records
  WideString Folder;    // compared without case with the file's resolved folder
  bool MatchVersion = false;
  bool MatchFolder = false;
};

struct FileMatch {
  // The first record with a matching file, or none.
  ModuleRecordRef Record;
  // Without such a record, whether "FilesToModules.ini" lists a module for the file, and its
  // key; the catalog may not have that module, which still counts as a match.
  bool Listed = false;
  WideString ListedKey;
};

// The answer for `query`.  Raises com_exception when a folder comparison needs a package that
// can no longer be opened.
FileMatch MatchFile(const FileQuery& query, const GalleryRecords& gallery);
