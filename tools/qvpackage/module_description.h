// The merge module that ships QvModCat2.dll, as a description for msmbuild: its identity, the
// folder it installs to, the file in the module's cabinet and the COM registration as data.
#pragma once

#include "component_file.h"

#include <string>

namespace qvpackage {

// The fixed identity of this architecture's module (x86_64 and i686 are separate modules).
struct ModuleIdentity {
  const char* ModuleGuid;         // upper case, unbraced
  const char* ComponentGuid;
  const char* Platform;           // the Template summary property's platform
  int ComponentAttributes;        // msidbComponentAttributes64bit for x86_64
  const char* CommonFilesFolder;  // the Common Files the architecture's companion loader reads
  WORD Machine;
};
const ModuleIdentity& ThisArchitecture();

// The keys of the module's rows: every key of its own ends in the module GUID suffix.
struct ModuleKeys {
  explicit ModuleKeys(const ModuleIdentity& identity);
  std::string Suffix;      // ".44CBA3A3_CDFF_..."
  std::string ModuleId;    // "QvModCat2" + suffix
  std::string Component;
  std::string File;        // also the file's name in the cabinet
  std::string Folder;      // the Showloom directory the file goes to
  std::string Keyed(const std::string& name) const { return name + Suffix; }
};

// The stream a merge module keeps its files in.
constexpr char CabinetStream[] = "MergeModule.CABinet";

// The module's description; its cabinet is `cabinetFile` (relative to the description).
std::string DescribeModule(const ComponentFile& file, const std::string& cabinetFile);

}  // namespace qvpackage
