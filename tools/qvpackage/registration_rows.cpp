#include "registration_rows.h"

#include "common/text.h"
#include "description_text.h"
#include "module_description.h"
#include "server/class_names.h"

#include <objbase.h>

namespace qvpackage {
namespace {

std::string ClsidText(const CLSID& clsid) {
  wchar_t text[40] = {};
  StringFromGUID2(clsid, text, 40);
  return Utf8FromWide(std::wstring(text));
}

// HKEY_CLASSES_ROOT in the Registry table; the installer writes it per machine (ALLUSERS=1),
// where DllRegisterServer writes.
constexpr char kClassesRoot[] = "0";

// Registry rows of the module's component, each keyed by its name and the module suffix.
class RegistryRows {
 public:
  RegistryRows(DescriptionText& text, const ModuleKeys& keys) : text_(text), keys_(keys) {
    text_.Table("Registry", {"Registry", "Root", "Key", "Name", "Value", "Component_"});
  }
  // A value; an empty name is the key's default value.
  void Value(const std::string& row, const std::string& key, const std::string& name,
             const std::string& value) {
    text_.Row({keys_.Keyed(row), kClassesRoot, key, name, value, keys_.Component});
  }

 private:
  DescriptionText& text_;
  const ModuleKeys& keys_;
};

}  // namespace

// Per class, DllRegisterServer writes the ProgID and version-independent ProgID keys (the
// description, CLSID subkey) and CLSID\{clsid} (the description, ProgID,
// VersionIndependentProgID, InprocServer32 with the library path and ThreadingModel); then
// RegisterTypeLib writes TypeLib\{libid}\<version> (the help string, the path under
// <locale>\win32 or win64, FLAGS, HELPDIR, the library's folder).  The installer resolves
// [#file] to the installed library's path and [directory] to its folder with a trailing
// backslash, as DllRegisterServer writes them.
void AddRegistrationTables(DescriptionText& text, const ComponentFile& file,
                           const ModuleKeys& keys) {
  const std::string path = "[#" + keys.File + "]";
  RegistryRows registry(text, keys);
  int position = 0;
  for (const ClassNames& names : kComponentClassNames) {
    const std::string number = std::to_string(++position);
    const std::string clsid = ClsidText(*names.Clsid);
    const std::string classKey = "CLSID\\" + clsid;
    const struct {
      const char* Row;
      const char* ProgId;
    } progIds[] = {{"ProgID", names.ProgId},
                   {"VersionIndependentProgID", names.VersionIndependentProgId}};
    for (const auto& progId : progIds) {
      if (!progId.ProgId || !*progId.ProgId) continue;
      const std::string row = progId.Row;
      registry.Value(row + number, progId.ProgId, "", file.ClassDescription);
      registry.Value(row + "Clsid" + number, progId.ProgId + std::string("\\CLSID"), "", clsid);
      // The class's subkey is named like the row: ProgID, VersionIndependentProgID.
      registry.Value("Class" + row + number, classKey + "\\" + row, "", progId.ProgId);
    }
    registry.Value("Class" + number, classKey, "", file.ClassDescription);
    registry.Value("InprocServer" + number, classKey + "\\InprocServer32", "", path);
    registry.Value("ThreadingModel" + number, classKey + "\\InprocServer32", "ThreadingModel",
                   "Apartment");
  }

  const TypeLibraryFacts& library = file.TypeLibrary;
  const std::string libraryKey = "TypeLib\\" + library.LibId + "\\" + library.VersionKey;
  registry.Value("TypeLib", libraryKey, "", library.HelpString);
  registry.Value("TypeLibPath", libraryKey + "\\" + library.LocaleKey + "\\" + library.PlatformKey,
                 "", path);
  registry.Value("TypeLibFlags", libraryKey + "\\FLAGS", "", library.Flags);
  registry.Value("TypeLibHelpDir", libraryKey + "\\HELPDIR", "", "[" + keys.Folder + "]");
}

}  // namespace qvpackage
