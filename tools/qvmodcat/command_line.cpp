#include "command_line.h"

#include "host_paths.h"

#include <cerrno>
#include <cwchar>

namespace qvmodcat {

namespace {

// Command options a command accepts.
enum CommandOption : unsigned {
  kVersion = 1,
  kLanguage = 2,
  kInFolder = 4,
  kResolve = 8,
  kAll = 16,
};

struct CommandInfo {
  const wchar_t* Name;
  const wchar_t* Usage;
  size_t MinArguments;
  size_t MaxArguments;
  unsigned Accepts;
  const wchar_t* Help;
};

const CommandInfo kCommands[] = {
    {L"list", L"qvmodcat [options] list", 0, 0, 0,
     L"Lists every module of the catalog in catalog order: key, version, language, status\n"
     L"(installed, update available, needs download, not available), display name, and\n"
     L"the package it was read from or \"gallery\" for a module known only from its gallery\n"
     L"descriptor.\n"
     L"Exit code 0 when the catalog holds modules, 1 when it is empty.\n"},
    {L"folders", L"qvmodcat [options] folders", 0, 0, 0,
     L"Lists the module folders in store order (ascending path) with their kind and the\n"
     L"number of modules read from each: \"search\" folders come from the search-path lists and\n"
     L"are scanned for *.msm; \"entry\" folders come from ModuleFolder<n> and are taken as one\n"
     L"package entry each.\n"
     L"Exit code 0 when there is a folder, 1 when there is none.\n"},
    {L"show", L"qvmodcat [options] show KEY [--language LANG] [--resolve]\n"
              L"       qvmodcat [options] show --all [--resolve]",
     0, 1, kLanguage | kResolve | kAll,
     L"Shows a module's properties and every detail list: dependencies, exclusions, files\n"
     L"with their directory keys, dialogs, custom actions and download files.  KEY is\n"
     L"ModuleID:Language; the catalog finds it with GetModule, so ID:0 picks a language the\n"
     L"way the environment gets one (the preferred language, else --language, else the lowest).\n"
     L"--all shows every module of the catalog.\n"
     L"--resolve adds each file's target folder, walked through the package's Directory table\n"
     L"by the rules of the component's folder lookup, and asks the catalog to confirm it with\n"
     L"FindModuleForFileInFolder where the folder is written with a folder token.\n"
     L"A package without gallery descriptor has no download files: shown as \"none (no\n"
     L"gallery descriptor)\".\n"
     L"Exit code 0 when the module is there, 1 when the catalog has no module of that key.\n"},
    {L"find-file",
     L"qvmodcat [options] find-file DESTINATION [--version V] [--language L] [--in-folder]", 1, 1,
     kVersion | kLanguage | kInFolder,
     L"Asks the catalog which module delivers a file, as the environment asks it.  DESTINATION\n"
     L"is a file name or a folder and file in the active project type's notation:\n"
     L"\"[SystemFolder]viewer.dll\" (project type 0) or \"<WINSYSDIR>\\viewer.dll\" (type 1).\n"
     L"Without --in-folder: FindModuleForFile, which compares versions and folders only when\n"
     L"the environment's MatchVersion and MatchFolder are set (--match-version,\n"
     L"--match-folder).  With --in-folder: FindModuleForFileInFolder, which always compares\n"
     L"the folder, and the version when --version is given.  --language is the file's language\n"
     L"(empty: 0).  After the packages and the gallery, FilesToModules.ini is consulted.\n"
     L"Exit code 0 when the catalog reports the file found, 1 when not.\n"},
    {L"key-for-file", L"qvmodcat [options] key-for-file FILE", 1, 1, 0,
     L"Prints the module key that FilesToModules.ini lists for a file name (entries for every\n"
     L"version, qualifier 0, only), as GetModuleKeyForFile answers.\n"
     L"Exit code 0 when a key is listed, 1 when not.\n"},
    {L"display-name", L"qvmodcat [options] display-name KEY", 1, 1, 0,
     L"Prints a module's display name as GetModuleDisplayName answers it: the modules.ini entry\n"
     L"of the key, else the key itself.\n"
     L"Exit code 0 when modules.ini names the key, 1 when the answer is the key itself.\n"},
    {L"deps", L"qvmodcat [options] deps KEY [--language LANG]", 1, 1, kLanguage,
     L"Resolves the module's required modules, and theirs, against the catalog with GetModule\n"
     L"(a language-neutral requirement ID:0 takes the catalog's language fallback, preferring\n"
     L"the requiring module's language).  Each requirement is marked found, older (the found\n"
     L"version is below the required one; versions compared as the component does: four\n"
     L"dot-separated numbers of 16 bits) or missing.  Then every exclusion of a module in the\n"
     L"closure is checked against the other modules in it (language 0: any; a negative\n"
     L"language: any other; versions between the minimum and maximum, an empty bound open).\n"
     L"Exit code 0 when every requirement is found in a recent enough version and nothing\n"
     L"conflicts, 1 when the module is missing or the closure is incomplete or conflicting.\n"},
    {L"inspect", L"qvmodcat [options] inspect PACKAGE.msm [--resolve]", 1, 1, kResolve,
     L"Reads one package on its own with MergeModule2.Load and shows what it holds, as show\n"
     L"does, and whether the catalog shows this package for its key, another one (two\n"
     L"packages with one key: the catalog keeps the one in the later path), or none.\n"
     L"Exit code 0 when the package was read.\n"},
    {L"help", L"qvmodcat help [COMMAND]", 0, 1, 0, L"Prints the help, or a command's help.\n"},
};

const CommandInfo* FindCommand(const std::wstring& name) {
  for (const CommandInfo& command : kCommands)
    if (name == command.Name) return &command;
  return nullptr;
}

constexpr wchar_t kOverview[] =
    L"Inspects the merge module catalog of the registered QvModCat2 component: the modules,\n"
    L"folders and answers the authoring environment gets, asked through the component's\n"
    L"automation interfaces the way the environment asks.\n";

constexpr wchar_t kCommandList[] =
    L"Commands:\n"
    L"  list                    every module: key, version, language, status, name, package\n"
    L"  folders                 module folders in store order, with kind and module count\n"
    L"  show KEY | --all        a module's properties and detail lists (--resolve: folders)\n"
    L"  find-file DESTINATION   the module that delivers a file (\"[SystemFolder]viewer.dll\")\n"
    L"  key-for-file FILE       the module key FilesToModules.ini lists for a file\n"
    L"  display-name KEY        a module's display name\n"
    L"  deps KEY                required modules, transitively, and exclusion conflicts\n"
    L"  inspect PACKAGE.msm     what one package holds, read on its own\n"
    L"  help [COMMAND]          this text, or a command's\n";

constexpr wchar_t kCommonOptions[] =
    L"Output:\n"
    L"  --json                  machine-readable output (UTF-8) on standard output\n"
    L"\n"
    L"Environment, written to the stand-ins' registry values before the catalog is created\n"
    L"and restored when the run ends (options not given leave the values as they are):\n"
    L"  --search-path LIST      SearchPathList: comma-separated folders scanned for *.msm\n"
    L"  --extra-path LIST       ExtraSearchPathList: folders placed before the search path\n"
    L"  --module-folder DIR     ModuleFolder0, 1, ... (repeatable): entries taken as one\n"
    L"                          package each; the list ends after the last one given\n"
    L"  --product-folder DIR    ProductFolder: holds ObjectGallery\\*.ini\n"
    L"  --modules-ini DIR       ModulesIniFolder: the folder of modules.ini\n"
    L"  --files-ini DIR         FilesIniFolder: the folder of FilesToModules.ini\n"
    L"  --exclude PATTERNS      ExcludedFilePatterns: comma-separated file names file lookups skip\n"
    L"  --match-version, --no-match-version    MatchVersion: file lookups compare versions\n"
    L"  --match-folder, --no-match-folder      MatchFolder: file lookups compare folders\n"
    L"  --preferred-language LANG              PreferredLanguage for ID:0 lookups\n"
    L"  --project-type N        ActiveProjectType (0: \"[SystemFolder]\" notation, 1:\n"
    L"                          \"<WINSYSDIR>\"), and the type the catalog is asked for (9 and\n"
    L"                          10 give the edition catalog, which answers nothing)\n"
    L"Folders may be Windows paths, relative paths, or under Wine Unix paths (\"/srv/msm\" is\n"
    L"taken as Wine's \"Z:\\srv\\msm\"); list entries holding %VARIABLES% are passed as they\n"
    L"are.  The key is HKCU\\Software\\Quorvane\\Showloom\\StandIn, or HKCU\\<QV_STANDIN_KEY>.\n"
    L"\n"
    L"Exit codes: 0 found, 1 not found, 2 error (with the error's source and description).\n";

bool ParseNumber(const std::wstring& text, long& value) {
  if (text.empty()) return false;
  wchar_t* end = nullptr;
  errno = 0;
  value = wcstol(text.c_str(), &end, 10);
  return errno == 0 && end && *end == L'\0';
}

StandInSetting TextSetting(const wchar_t* name, std::wstring text) {
  StandInSetting setting;
  setting.Name = name;
  setting.Text = std::move(text);
  return setting;
}

StandInSetting NumberSetting(const wchar_t* name, DWORD number) {
  StandInSetting setting;
  setting.Name = name;
  setting.Type = REG_DWORD;
  setting.Number = number;
  return setting;
}

}  // namespace

std::wstring UsageLines(const std::wstring& command) {
  if (const CommandInfo* info = FindCommand(command))
    return std::wstring(L"usage: ") + info->Usage + L"\n";
  return L"usage: qvmodcat [options] <command> [arguments]   (qvmodcat --help)\n";
}

std::wstring HelpText() {
  return std::wstring(L"usage: qvmodcat [options] <command> [arguments]\n\n") + kOverview +
         L"\n" + kCommandList + L"\n" + kCommonOptions + L"\nqvmodcat help COMMAND tells more.\n";
}

std::wstring CommandHelp(const std::wstring& command) {
  const CommandInfo* info = FindCommand(command);
  if (!info) return L"";
  return std::wstring(L"usage: ") + info->Usage + L"\n\n" + info->Help + L"\n" + kCommonOptions;
}

std::wstring ParseCommandLine(int count, wchar_t** arguments, Options& options) {
  int moduleFolders = 0;
  unsigned used = 0;
  for (int i = 0; i < count; ++i) {
    std::wstring argument = arguments[i];
    std::wstring inlineValue;
    bool hasInlineValue = false;
    if (argument.size() > 2 && argument.compare(0, 2, L"--") == 0) {
      const size_t equals = argument.find(L'=');
      if (equals != std::wstring::npos) {
        inlineValue = argument.substr(equals + 1);
        argument.resize(equals);
        hasInlineValue = true;
      }
    }
    // The value of an option that takes one.
    std::wstring value;
    const auto takeValue = [&]() -> bool {
      if (hasInlineValue) {
        value = inlineValue;
        return true;
      }
      if (i + 1 >= count) return false;
      value = arguments[++i];
      return true;
    };
    const auto needsValue = [&](const std::wstring& option) {
      return L"option " + option + L" needs a value";
    };
    const auto flag = [&]() { return !hasInlineValue; };

    if (argument == L"--help" || argument == L"-h" || argument == L"/?") {
      options.Help = true;
    } else if (argument == L"--json" && flag()) {
      options.Json = true;
    } else if (argument == L"--version") {
      if (!takeValue()) return needsValue(argument);
      options.Version = value;
      used |= kVersion;
    } else if (argument == L"--language") {
      if (!takeValue()) return needsValue(argument);
      options.Language = value;
      used |= kLanguage;
    } else if (argument == L"--in-folder" && flag()) {
      options.InFolder = true;
      used |= kInFolder;
    } else if (argument == L"--resolve" && flag()) {
      options.Resolve = true;
      used |= kResolve;
    } else if (argument == L"--all" && flag()) {
      options.All = true;
      used |= kAll;
    } else if (argument == L"--search-path" || argument == L"--extra-path") {
      if (!takeValue()) return needsValue(argument);
      options.Settings.push_back(TextSetting(
          argument == L"--search-path" ? L"SearchPathList" : L"ExtraSearchPathList",
          FullWindowsPathList(value)));
    } else if (argument == L"--module-folder") {
      if (!takeValue()) return needsValue(argument);
      const std::wstring name = L"ModuleFolder" + std::to_wstring(moduleFolders++);
      options.Settings.push_back(TextSetting(name.c_str(), FullWindowsPath(value)));
    } else if (argument == L"--product-folder" || argument == L"--modules-ini" ||
               argument == L"--files-ini") {
      if (!takeValue()) return needsValue(argument);
      const wchar_t* name = argument == L"--product-folder" ? L"ProductFolder"
                            : argument == L"--modules-ini"  ? L"ModulesIniFolder"
                                                            : L"FilesIniFolder";
      options.Settings.push_back(TextSetting(name, FullWindowsPath(value)));
    } else if (argument == L"--exclude") {
      if (!takeValue()) return needsValue(argument);
      options.Settings.push_back(TextSetting(L"ExcludedFilePatterns", value));
    } else if (argument == L"--preferred-language") {
      if (!takeValue()) return needsValue(argument);
      options.Settings.push_back(TextSetting(L"PreferredLanguage", value));
    } else if ((argument == L"--match-version" || argument == L"--no-match-version") && flag()) {
      options.Settings.push_back(NumberSetting(L"MatchVersion", argument == L"--match-version"));
    } else if ((argument == L"--match-folder" || argument == L"--no-match-folder") && flag()) {
      options.Settings.push_back(NumberSetting(L"MatchFolder", argument == L"--match-folder"));
    } else if (argument == L"--project-type") {
      long type = 0;
      if (!takeValue()) return needsValue(argument);
      if (!ParseNumber(value, type)) return L"--project-type needs a number, not \"" + value + L"\"";
      options.ProjectType = type;
      options.Settings.push_back(NumberSetting(L"ActiveProjectType", static_cast<DWORD>(type)));
    } else if (argument.size() > 1 && argument[0] == L'-' && argument != L"-") {
      return L"unknown option " + argument;
    } else if (options.Command.empty()) {
      options.Command = argument;
    } else {
      options.Arguments.push_back(argument);
    }
  }
  // The ModuleFolder<n> list ends after the folders given.
  if (moduleFolders > 0) {
    StandInSetting end;
    end.Name = L"ModuleFolder" + std::to_wstring(moduleFolders);
    end.Remove = true;
    options.Settings.push_back(end);
  }

  if (options.Command.empty()) return options.Help ? L"" : L"no command given";
  const CommandInfo* info = FindCommand(options.Command);
  if (!info) return L"unknown command \"" + options.Command + L"\"";
  if (options.Help) return L"";
  const unsigned refused = used & ~info->Accepts;
  if (refused) {
    const wchar_t* names[] = {L"--version", L"--language", L"--in-folder", L"--resolve", L"--all"};
    for (unsigned bit = 0; bit < 5; ++bit)
      if (refused & (1u << bit)) return names[bit] + std::wstring(L" does not apply to ") + info->Name;
  }
  const size_t given = options.Arguments.size();
  if (options.Command == L"show") {
    if (options.All == (given == 1)) return L"show needs a KEY or --all, not both";
    if (options.All && options.Language) return L"--language does not apply to show --all";
  } else if (given < info->MinArguments) {
    return std::wstring(info->Name) + L" needs " +
           (info->MinArguments == 1 ? L"an argument" : L"more arguments");
  }
  if (given > info->MaxArguments) return L"too many arguments for " + std::wstring(info->Name);
  return L"";
}

}  // namespace qvmodcat
