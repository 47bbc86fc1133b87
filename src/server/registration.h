// Self-registration: the registry keys of the class table's classes and the type library.
#pragma once

#include <windows.h>

struct ClassEntry;
struct ClassTable;

// ProgID, version-independent ProgID and CLSID keys of one class (description string 1009,
// InprocServer32 = the library's path, ThreadingModel "Apartment").
HRESULT RegisterClassEntry(const ClassEntry& entry);
// Deletes the class's ProgID, version-independent ProgID and CLSID key trees.
HRESULT UnregisterClassEntry(const ClassEntry& entry);

// DllRegisterServer / DllUnregisterServer over a class table.
HRESULT RegisterServer(ClassTable& classes);
HRESULT UnregisterServer(ClassTable& classes);

// Deletes `parent`\`name` with every subkey beneath it.
LONG DeleteKeyTree(HKEY parent, const char* name);
