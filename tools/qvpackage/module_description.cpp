#include "module_description.h"

#include "common/text.h"
#include "description_text.h"
#include "registration_rows.h"

#include <cctype>
#include <stdexcept>

namespace qvpackage {
namespace {

// Standard actions and their places in the installer's suggested sequence: the registry
// values and the files, in both directions.
const struct {
  const char* Action;
  int Sequence;
} kExecuteActions[] = {
    {"RemoveRegistryValues", 2600}, {"RemoveFiles", 3500},
    {"InstallFiles", 4000},         {"WriteRegistryValues", 5000},
};

// Custom action type 51: sets a property (here a directory) to a formatted text.
constexpr int kSetDirectoryAction = 51;

// An 8.3 name for the File table: "QvModCat2.dll" gives "QVMODC~1.DLL".
std::string ShortName(const std::string& longName) {
  const size_t dot = longName.rfind('.');
  std::string stem, extension;
  for (char c : longName.substr(0, dot))
    if (std::isalnum(static_cast<unsigned char>(c)) && stem.size() < 6)
      stem += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (char c : dot == std::string::npos ? "" : longName.substr(dot + 1))
    if (extension.size() < 3) extension += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return stem + "~1" + (extension.empty() ? "" : "." + extension);
}

std::string Underscored(std::string guid) {
  for (char& c : guid)
    if (c == '-') c = '_';
  return guid;
}

}  // namespace

const ModuleIdentity& ThisArchitecture() {
#ifdef _WIN64
  static constexpr ModuleIdentity identity{"12F75B24-3330-4ED2-B34B-AA3FB82800DF",
                                           "83D530E5-9920-4E84-95DA-99BAE8D121B5", "x64", 256,
                                           "CommonFiles64Folder", IMAGE_FILE_MACHINE_AMD64};
#else
  static constexpr ModuleIdentity identity{"44CBA3A3-CDFF-4630-AA5E-07FF166681D7",
                                           "17F50313-FD0A-4EE5-90D2-6A744FE7CD75", "Intel", 0,
                                           "CommonFilesFolder", IMAGE_FILE_MACHINE_I386};
#endif
  return identity;
}

ModuleKeys::ModuleKeys(const ModuleIdentity& identity)
    : Suffix("." + Underscored(identity.ModuleGuid)),
      ModuleId(Keyed("QvModCat2")),
      Component(Keyed("QvModCat2")),
      File(Keyed("QvModCat2.dll")),
      Folder(Keyed("Showloom")) {}

std::string DescribeModule(const ComponentFile& file, const std::string& cabinetFile) {
  const ModuleIdentity& identity = ThisArchitecture();
  if (file.Machine != identity.Machine)
    throw std::runtime_error(Utf8FromWide(file.Path) +
                             " is built for another architecture than this tool");
  const ModuleKeys keys(identity);
  const std::string moduleGuid = std::string("{") + identity.ModuleGuid + "}";

  DescriptionText text;
  text.Comment("QvModCat2 " + file.Version + " as a merge module (" + identity.Platform +
               "), made by qvpackage from the built library and the component's class table.");
  text.Summary("Title", "Merge Module");
  text.Summary("Subject", "QvModCat2");
  text.Summary("Author", "Quorvane");
  text.Summary("Keywords", "MergeModule, MSI, database");
  text.Summary("Comments", "The merge module catalog of the Quorvane authoring environment, a COM "
                           "automation server registered by the installer");
  text.Summary("Template", std::string(identity.Platform) + ";0");
  text.Summary("RevisionNumber", moduleGuid);
  text.Summary("PageCount", "200");
  text.Summary("WordCount", "2");  // long file names, files in the cabinet
  text.Summary("Security", "2");
  text.Summary("AppName", "qvpackage");

  text.Table("ModuleSignature", {"ModuleID", "Language", "Version"});
  text.Row({keys.ModuleId, "0", file.Version});
  // The C++ runtime is linked in and the library imports only system libraries.
  text.Table("ModuleDependency", {"ModuleID", "ModuleLanguage", "RequiredID", "RequiredLanguage"});

  // [CommonFilesFolder]Quorvane\Showloom: the environment's own folder, which the companion
  // loader searches for the environment's libraries.  A module never names a predefined
  // folder itself (the product's Directory table may hold it already): its alias, keyed like
  // the module's own rows, is set to the real folder by a directory action of the same name
  // before the installer resolves the folders, the form merge tools recognise (and otherwise
  // generate themselves).
  const std::string commonFiles = keys.Keyed(identity.CommonFilesFolder);
  text.Table("Directory", {"Directory", "Directory_Parent", "DefaultDir"});
  text.Row({"TARGETDIR", "", "SourceDir"});
  text.Row({commonFiles, "TARGETDIR", "."});
  text.Row({keys.Keyed("Quorvane"), commonFiles, "Quorvane"});
  text.Row({keys.Folder, keys.Keyed("Quorvane"), "Showloom"});
  text.Table("CustomAction", {"Action", "Type", "Source", "Target"});
  text.Row({commonFiles, std::to_string(kSetDirectoryAction), commonFiles,
            std::string("[") + identity.CommonFilesFolder + "]"});

  text.Table("Component", {"Component", "ComponentId", "Directory_", "Attributes", "KeyPath"});
  text.Row({keys.Component, std::string("{") + identity.ComponentGuid + "}", keys.Folder,
            std::to_string(identity.ComponentAttributes), keys.File});
  text.Table("ModuleComponents", {"Component", "ModuleID", "Language"});
  text.Row({keys.Component, keys.ModuleId, "0"});

  text.Table("File", {"File", "Component_", "FileName", "FileSize", "Version", "Language",
                      "Attributes", "Sequence"});
  text.Row({keys.File, keys.Component, ShortName(file.FileName) + "|" + file.FileName, std::to_string(file.Size),
            file.Version, file.Language, "512" /* vital */, "1"});

  AddRegistrationTables(text, file, keys);

  // The module's sequences, each with the empty product table a merge tool takes the schema
  // from; the folder action comes before CostInitialize wherever folders are resolved.
  for (const char* sequence : {"InstallExecuteSequence", "InstallUISequence"}) {
    text.Table(std::string("Module") + sequence, {"Action", "Sequence", "BaseAction", "After"});
    text.Row({"CostInitialize", "800", "", ""});
    text.Row({commonFiles, "", "CostInitialize", "0"});
    if (std::string(sequence) == "InstallExecuteSequence")
      for (const auto& action : kExecuteActions)
        text.Row({action.Action, std::to_string(action.Sequence), "", ""});
    text.Table(sequence, {"Action", "Sequence"});
  }
  // Merge tools take the schema of FeatureComponents from here when the product has none.
  text.Table("FeatureComponents", {"Feature_", "Component_"});

  text.Directive("validation");
  text.Directive(std::string("stream ") + CabinetStream + " = " + cabinetFile);
  return text.Text();
}

}  // namespace qvpackage
