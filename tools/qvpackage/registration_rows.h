// The component's COM registration as installer data: the Class, ProgId, TypeLib and Registry
// rows that make the installer write what DllRegisterServer writes (src/server/registration.cpp),
// derived from the same class table, the library's own description string and type library.
#pragma once

#include "component_file.h"

struct ClassTable;

namespace qvpackage {

class DescriptionText;
struct ModuleKeys;

void AddRegistrationTables(DescriptionText& text, ClassTable& classes,
                           const ComponentFile& file, const ModuleKeys& keys);

}  // namespace qvpackage
