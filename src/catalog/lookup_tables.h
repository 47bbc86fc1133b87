// The process-wide lookup tables read from the environment's "modules.ini" (module key to
// display name, the table of module/module_names.h) and "FilesToModules.ini" (lower-cased file
// name to the entry naming the module that delivers it).  Filled once per process by the first
// catalog, kept until unload.
#pragma once

#include "common/wide_string.h"
#include "module/module_names.h"
#include "qv_environment.h"

#include <map>

// Lower-cased file name to its entry text ("<qualifier>:<module>").
using FileModuleTable = std::map<WideString, WideString>;

FileModuleTable& FileModules() noexcept;

// Read section "modules" of <folder>\modules.ini, and section "FilesToModules" of
// <folder>\FilesToModules.ini (its keys lower-cased through the ANSI code page), into the
// tables; a later key replaces an earlier one.  A file the profile reader cannot open leaves
// the table as it is, silently.  Any other failure raises com_exception; what was stored
// before it stays.
void LoadModuleNameTable(const WideString& folder);
void LoadFileModuleTable(const WideString& folder);

// The lookup files are read at most once per process: the first catalog's initialisation
// calls LoadLookupFilesOnce with its IAppFolders reference.  That sets LookupFilesLoaded
// before reading, then loads "modules.ini" from GetModulesIniFolder and "FilesToModules.ini"
// from GetFilesIniFolder, in that order.  A failure of any call raises com_exception and ends
// the loading there (a failure in "modules.ini" leaves "FilesToModules.ini" unread); as the
// flag is already set, no later call reads either file again.  Later calls do nothing.
void LoadLookupFilesOnce(IAppFolders* folders);
// The two loads of LoadLookupFilesOnce, in its order, without the flag.
void LoadLookupFiles(IAppFolders* folders);

// One value of the file-to-module table, "<qualifier>:<module>".  The qualifier is "0" for an
// entry that holds for every version of the file, else the one file version it holds for.
// The module is "<ModuleID>:<Language>" or a bare ModuleID, which means language 0.
struct FileModuleEntry {
  WideString Qualifier;
  WideString ModuleKey;  // "<ModuleID>:<Language>", ":0" added to a bare ModuleID
  bool ForEveryVersion() const { return Qualifier == L"0"; }
};
// Splits an entry at its first colon; false (and `parsed` untouched) when it has none, as
// such an entry names no module.  "X:" names the key ":0".
bool ParseFileModuleEntry(const WideString& entry, FileModuleEntry& parsed);
