// What the module takes from the built QvModCat2.dll itself: its size, version, language and
// machine, the description its registration writes (string table), and its type library.
#pragma once

#include <windows.h>

#include <string>

namespace qvpackage {

struct TypeLibraryFacts {
  std::string LibId;        // braced, upper case
  int Language = 0;         // LCID of the library
  int MajorVersion = 0;
  int MinorVersion = 0;
  std::string HelpString;
  // The key names and the FLAGS value RegisterTypeLib writes: "<major>.<minor>" and the
  // locale in hex, "win32" or "win64" after the library's system kind.
  std::string VersionKey;
  std::string LocaleKey;
  std::string PlatformKey;
  std::string Flags;
};

struct ComponentFile {
  std::wstring Path;
  std::string FileName;     // long name
  long long Size = 0;
  std::string Version;      // "a.b.c.d" of the fixed file information
  std::string Language;     // the first translation of the version resource, decimal
  WORD Machine = 0;         // IMAGE_FILE_MACHINE_*
  std::string ClassDescription;
  TypeLibraryFacts TypeLibrary;
};

// Reads the facts from the library file (loaded as data, never run).  Throws std::runtime_error
// naming what could not be read.
ComponentFile ReadComponentFile(const std::wstring& path);

}  // namespace qvpackage
