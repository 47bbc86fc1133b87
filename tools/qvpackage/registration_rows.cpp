#include "registration_rows.h"

#include "common/text.h"
#include "description_text.h"
#include "module_description.h"
#include "server/class_table.h"

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

}  // namespace

// Per class, DllRegisterServer writes the ProgID and version-independent ProgID keys (the
// description, CLSID subkey) and CLSID\{clsid} (the description, ProgID,
// VersionIndependentProgID, InprocServer32 with the library path and ThreadingModel).  The
// Class and ProgId tables make the installer write all of that but two entries, which the
// Registry table adds.  The version-independent ProgID gets no parent row: the installer would
// give it a CurVer key, which the library does not write.
void AddRegistrationTables(DescriptionText& text, ClassTable& classes,
                           const ComponentFile& file, const ModuleKeys& keys) {
  text.Table("Class", {"CLSID", "Context", "Component_", "ProgId_Default", "Description", "Feature_"});
  for (const ClassEntry& entry : classes)
    text.Row({ClsidText(*entry.Clsid), "InprocServer32", keys.Component, entry.ProgId,
              file.ClassDescription, ModuleFeature});

  text.Table("ProgId", {"ProgId", "Class_", "Description"});
  for (const ClassEntry& entry : classes)
    for (const char* progId : {entry.ProgId, entry.VersionIndependentProgId})
      if (progId && *progId) text.Row({progId, ClsidText(*entry.Clsid), file.ClassDescription});

  text.Table("Registry", {"Registry", "Root", "Key", "Name", "Value", "Component_"});
  int position = 0;
  for (const ClassEntry& entry : classes) {
    const std::string number = std::to_string(++position);
    const std::string classKey = "CLSID\\" + ClsidText(*entry.Clsid);
    text.Row({keys.Keyed("ThreadingModel" + number), kClassesRoot, classKey + "\\InprocServer32",
              "ThreadingModel", "Apartment", keys.Component});
    if (entry.VersionIndependentProgId && *entry.VersionIndependentProgId)
      text.Row({keys.Keyed("VersionIndependentProgID" + number), kClassesRoot,
                classKey + "\\VersionIndependentProgID", "", entry.VersionIndependentProgId,
                keys.Component});
  }

  // The installer registers the library's type library under the file's path with the file's
  // folder as help folder, as DllRegisterServer does.
  const TypeLibraryFacts& library = file.TypeLibrary;
  text.Table("TypeLib", {"LibID", "Language", "Component_", "Version", "Description", "Directory_",
                         "Feature_"});
  text.Row({library.LibId, std::to_string(library.Language), keys.Component,
            std::to_string(library.MajorVersion * 256 + library.MinorVersion), library.HelpString,
            keys.Folder, ModuleFeature});
}

}  // namespace qvpackage
