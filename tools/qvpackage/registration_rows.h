// The component's COM registration as installer data: the Registry rows that make the installer
// write what DllRegisterServer writes (src/server/registration.cpp), derived from the class
// names the server registers (server/class_names.h), the library's own description string and
// type library.  No Class, ProgId or TypeLib rows: those are advertisement data, which on
// Windows adds an installer descriptor beside the path and routes activation through the
// installer.
#pragma once

#include "component_file.h"

namespace qvpackage {

class DescriptionText;
struct ModuleKeys;

void AddRegistrationTables(DescriptionText& text, const ComponentFile& file,
                           const ModuleKeys& keys);

}  // namespace qvpackage
