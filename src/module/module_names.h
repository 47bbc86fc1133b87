// The process-wide table of module display names ("modules.ini", section "modules"): module
// key to display name.  Records choose their display name from it; the catalog fills it once
// per process and keeps it until unload.
#pragma once

#include "common/wide_string.h"

#include <map>

// Key text to display name, keys compared code unit by code unit.
using ModuleNameTable = std::map<WideString, WideString>;

ModuleNameTable& ModuleNames() noexcept;

// True and the display name when the module name table holds `key` exactly.
bool LookupDisplayName(const WideString& key, WideString& name);
