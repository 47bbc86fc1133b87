// The process-wide lookup tables read from the environment's "modules.ini" (module key to
// display name) and "FilesToModules.ini" (lower-cased file name to the entry naming the
// module that delivers it).  Filled once per process by the first catalog, kept until unload.
#pragma once

#include "common/wide_string.h"

#include <map>

// Key text to display name, keys compared code unit by code unit.
using ModuleNameTable = std::map<WideString, WideString>;
// Lower-cased file name to its entry text ("<qualifier>:<module>").
using FileModuleTable = std::map<WideString, WideString>;

ModuleNameTable& ModuleNames() noexcept;
FileModuleTable& FileModules() noexcept;

// True and the display name when the module name table holds `key` exactly.
bool LookupDisplayName(const WideString& key, WideString& name);
