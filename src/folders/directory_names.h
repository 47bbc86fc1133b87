// Text rules of the Directory table walk: which keys are standard system folders, module
// suffixes on keys, and the target long name of a DefaultDir value.  All text here is ANSI,
// as the walk reads it from the installer library.
#pragma once

#include <string>

// True when the key, upper-cased with the system's ANSI rules, is one of the 21 standard folder
// properties that end a walk (ProgramFilesFolder, SystemFolder, ...; not the 64-bit ones).
bool IsSystemFolderName(const std::string& key);

// The key without its module suffix: the text from the last '.' when exactly 36 characters
// follow it (a module identifier appended by the module's author); otherwise the key itself.
std::string RemoveModuleSuffix(const std::string& key);

// The target long name of a DefaultDir value: the part before the first ':' (the source part
// is dropped), then the part after the first '|' (the short name is dropped).
std::string SplitDefaultDir(const std::string& defaultDir);
