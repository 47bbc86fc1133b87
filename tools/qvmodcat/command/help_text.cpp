// The help: a page for the whole tool, one per command, and one for the environment options.
#include "command_line.h"
#include "command_table.h"

namespace qvmodcat {

namespace {

const CommandInfo kCommands[] = {
    {L"check", L"qvmodcat [options] check [--format text|json|dot]", 0, 0, nullptr, kDot,
     L"Looks for what keeps the catalog from offering what its folders hold:\n"
     L"  - package files the catalog did not read, and why (empty, cut short, not a package,\n"
     L"    or what the installer said);\n"
     L"  - module keys that more than one package serves: the catalog shows one of them, and\n"
     L"    a newer package may be hidden behind an older one;\n"
     L"  - required modules that are missing, or older than required;\n"
     L"  - modules of the catalog that exclude each other, and which modules need both;\n"
     L"  - gallery descriptors whose package file is missing;\n"
     L"  - FilesToModules.ini entries for modules the catalog does not have;\n"
     L"  - files that two modules deliver to the same folder;\n"
     L"  - search-path and module folder entries that are not folders.\n"
     L"--format dot writes the catalog's requirement graph for Graphviz instead, with the\n"
     L"missing and older requirements and the conflicts marked.\n"
     L"\n"
     L"Example:\n"
     L"  qvmodcat --search-path /srv/msm check\n"
     L"  qvmodcat check --format dot | dot -Tsvg > catalog.svg\n"
     L"\n"
     L"Exit code 0 when nothing was found, 1 when there are problems, 2 on an error.\n"},
    {L"cache", L"qvmodcat [options] cache [clear]", 0, 1, nullptr, 0,
     L"Tells where the component keeps what it read from packages (the package cache), how\n"
     L"big the file is, how many packages it holds and when the least recently used one was\n"
     L"last used, and how many packages of this run's catalog were read and how many came\n"
     L"from the cache.  \"cache clear\" removes the file: the next run reads every package.\n"
     L"--no-cache (before any command) runs one command with the cache off.\n"
     L"\n"
     L"Example:\n"
     L"  qvmodcat --search-path /srv/msm cache\n"
     L"  qvmodcat --no-cache --search-path /srv/msm check\n"
     L"\n"
     L"Exit code 0, or 2 when the file cannot be removed.\n"},
    {L"list", L"qvmodcat [options] list", 0, 0, nullptr, 0,
     L"Lists every module of the catalog in the catalog's order: key, version, language,\n"
     L"status (installed; update available, with the version offered; needs download; not\n"
     L"available), display name, and the package it was read from or its gallery descriptor.\n"
     L"A last line says when package files were not read or keys are shadowed.\n"
     L"\n"
     L"Example:\n"
     L"  qvmodcat --search-path /srv/msm list\n"
     L"\n"
     L"Exit code 0 when the catalog holds modules, 1 when it is empty.\n"},
    {L"folders", L"qvmodcat [options] folders", 0, 0, nullptr, 0,
     L"Lists the catalog's module folders (sorted by path) with how many modules each gave.\n"
     L"\"search\" folders come from the search-path lists and are scanned for *.msm;\n"
     L"\"entry\" folders come one by one from the environment (--module-folder) and are each\n"
     L"taken as a single package.  A last line says when something was skipped.\n"
     L"\n"
     L"Example:\n"
     L"  qvmodcat --search-path /srv/msm,/srv/vendor folders\n"
     L"\n"
     L"Exit code 0 when there is a folder, 1 when there is none.\n"},
    {L"show",
     L"qvmodcat [options] show KEY [--language LANG] [--resolve]\n"
     L"       qvmodcat [options] show --all [--resolve]",
     0, 1, L"KEY", kLanguage | kResolve | kAll,
     L"Shows everything about a module: its properties, the modules it requires and\n"
     L"excludes, its files, dialogs, custom actions and download files.  KEY is\n"
     L"ModuleID:Language.  ModuleID:0 picks a language the way the environment does: the\n"
     L"preferred language, else --language, else the lowest.  --all shows every module.\n"
     L"--resolve adds the folder each file goes to, and whether the catalog agrees.\n"
     L"\n"
     L"Example:\n"
     L"  qvmodcat show Acme.Viewer:0 --language 1033 --resolve\n"
     L"\n"
     L"Exit code 0 when the module is there, 1 when the catalog has no module of that key.\n"},
    {L"find-file",
     L"qvmodcat [options] find-file DESTINATION [--language L] [--version V] [--in-folder]", 1,
     1, L"DESTINATION", kVersion | kLanguage | kInFolder,
     L"Asks the catalog which module delivers a file, the way the environment asks, and lists\n"
     L"every module that has a file of that name (any language, any version) in the order the\n"
     L"catalog searches them, saying why each one does or does not answer.\n"
     L"DESTINATION is a file name, or a folder and a file in the project's notation:\n"
     L"\"[SystemFolder]viewer.dll\", or \"<WINSYSDIR>\\viewer.dll\" with --project-type 1.\n"
     L"--language is the file's language (none: 0): a file marked 1033 answers only a question\n"
     L"for 1033.  --version is its version.  Versions and folders are compared only when the\n"
     L"environment asks for it (--match-version, --match-folder), or with --in-folder, which\n"
     L"always compares the folder.  Real merge modules name their system folders by keys of\n"
     L"their own (SystemFolder.<GUID>, modularized): the catalog resolves no [SystemFolder]\n"
     L"for those, as designed, so --in-folder never matches their files (show KEY --resolve\n"
     L"shows where each file goes).\n"
     L"\n"
     L"Example:\n"
     L"  qvmodcat find-file msvcr90.dll --language 1033\n"
     L"  qvmodcat find-file \"[SystemFolder]viewer.dll\" --in-folder --language 1033\n"
     L"\n"
     L"Exit code 0 when a module of the catalog answers, 1 when none does.\n"},
    {L"key-for-file", L"qvmodcat [options] key-for-file FILE", 1, 1, L"FILE", 0,
     L"Prints the module key that FilesToModules.ini lists for a file name (only entries that\n"
     L"hold for every version of the file).\n"
     L"\n"
     L"Example:\n"
     L"  qvmodcat key-for-file viewer.dll\n"
     L"\n"
     L"Exit code 0 when a key is listed, 1 when not.\n"},
    {L"display-name", L"qvmodcat [options] display-name KEY", 1, 1, L"KEY", 0,
     L"Prints the display name the catalog shows for a module, as list shows it, and where\n"
     L"it comes from: modules.ini, the package's subject, or its path.  For a key the\n"
     L"catalog does not have, the name modules.ini gives it, if any.\n"
     L"\n"
     L"Example:\n"
     L"  qvmodcat display-name Acme.Viewer:1033\n"
     L"\n"
     L"Exit code 0 when the module or a modules.ini name is there, 1 when neither is.\n"},
    {L"deps", L"qvmodcat [options] deps KEY [--language LANG] [--format text|json|dot]", 1, 1, L"KEY",
     kLanguage | kDot,
     L"Shows the modules a module requires, and theirs, as the catalog finds them: each one\n"
     L"found, older than required, or missing.  Then the exclusions among all of them: a\n"
     L"module that excludes another one of the set cannot be merged with it.\n"
     L"--format dot writes the same as a Graphviz graph.\n"
     L"\n"
     L"Example:\n"
     L"  qvmodcat deps Borealis.Charts:1033\n"
     L"  qvmodcat deps Borealis.Charts:1033 --format dot | dot -Tsvg > charts.svg\n"
     L"\n"
     L"Exit code 0 when everything required is there and nothing conflicts, 1 otherwise.\n"},
    {L"rdeps", L"qvmodcat [options] rdeps KEY [--language LANG]", 1, 1, L"KEY", kLanguage,
     L"Shows which modules of the catalog require a module, directly and through others, and\n"
     L"whether the version they ask for is met; for a module the catalog does not have, the\n"
     L"modules that miss it.\n"
     L"\n"
     L"Example:\n"
     L"  qvmodcat rdeps Acme.Core:0\n"
     L"\n"
     L"Exit code 0 when some module requires it, 1 when none does.\n"},
    {L"inspect", L"qvmodcat [options] inspect PACKAGE.msm [--resolve]", 1, 1, L"PACKAGE.msm", kResolve,
     L"Reads one package file on its own and shows what it holds, as show does, and whether\n"
     L"the catalog shows this package for its key, another one, or none.  A file that is\n"
     L"missing, a folder, empty or no installer package is named as such.\n"
     L"\n"
     L"Example:\n"
     L"  qvmodcat inspect ~/msm/TortoiseOverlays-win32.msm\n"
     L"\n"
     L"Exit code 0 when the package was read, 2 when it cannot be.\n"},
    {L"help", L"qvmodcat help [COMMAND | environment]", 0, 1, L"COMMAND", 0,
     L"Prints the help, a command's help, or the environment options.\n"
     L"\n"
     L"Example:\n"
     L"  qvmodcat help environment\n"},
};

constexpr wchar_t kOverview[] =
    L"usage: qvmodcat [options] <command> [arguments]\n"
    L"\n"
    L"Shows the merge module catalog as the authoring environment sees it: which modules it\n"
    L"offers and from where, what they need, and what it left out.  It asks the registered\n"
    L"QvModCat2 component, as the environment does.\n"
    L"\n"
    L"Commands:\n"
    L"  check                   what is wrong with the catalog's folders (start here)\n"
    L"  list                    every module: key, version, language, status, name\n"
    L"  folders                 the module folders and how many modules each gave\n"
    L"  show KEY | --all        everything about a module (--resolve: where its files go)\n"
    L"  find-file NAME          which modules deliver a file, and which one the catalog names\n"
    L"  key-for-file FILE       the module FilesToModules.ini names for a file\n"
    L"  display-name KEY        a module's display name and where it comes from\n"
    L"  deps KEY                what a module requires, all the way down\n"
    L"  rdeps KEY               which modules require a module\n"
    L"  inspect PACKAGE.msm     one package file read on its own\n"
    L"  cache [clear]           the package cache: where, how big, how this run used it\n"
    L"  help [COMMAND]          this text, or a command's\n"
    L"\n"
    L"Output:\n"
    L"  --json                  machine-readable output (UTF-8), like --format json\n"
    L"  --format FORMAT         text (the default), json, or dot (Graphviz: check, deps)\n"
    L"  --wide                  full keys and texts; without it lines fit 100 columns\n"
    L"  --version               the versions of qvmodcat and of the registered component\n"
    L"  --no-cache              the component reads every package (its cache is off)\n"
    L"\n"
    L"KEY is ModuleID:Language.  A key as the tables shorten it (Name.8B2C1E5F\x2026:0), or the\n"
    L"start of a ModuleID (Name.8B2C:0), stands for the one module it fits.\n"
    L"\n"
    L"Which folders the catalog reads is set by the environment options, explained by\n"
    L"\"qvmodcat help environment\": --search-path, --isolated and others.\n"
    L"\n"
    L"Example:\n"
    L"  qvmodcat --isolated --search-path /srv/msm check\n"
    L"\n"
    L"Exit codes: 0 found or clean, 1 not found or problems found, 2 error, 130 interrupted.\n"
    L"\"qvmodcat help COMMAND\" tells more about a command.\n";

constexpr wchar_t kEnvironment[] =
    L"usage: qvmodcat [environment options] <command> [arguments]\n"
    L"\n"
    L"The catalog takes its folders and settings from the authoring environment.  Here the\n"
    L"environment is played by stand-ins that read registry values (the key\n"
    L"HKCU\\Software\\Quorvane\\Showloom\\StandIn, or HKCU\\<QV_STANDIN_KEY>).  These options\n"
    L"write those values for one run and put every value back afterwards, also after an\n"
    L"error or Ctrl+C.  Options not given leave the values as they are, unless --isolated.\n"
    L"\n"
    L"  --isolated              start from no values at all: only the options given count\n"
    L"                          (the run uses an empty key of its own, removed afterwards)\n"
    L"  --search-path LIST      comma-separated folders scanned for *.msm\n"
    L"  --extra-path LIST       more such folders, placed before the search path\n"
    L"  --module-folder DIR     a folder handed out on its own (repeat for more); each is\n"
    L"                          taken as one package entry\n"
    L"  --product-folder DIR    the environment's folder; its ObjectGallery subfolder holds\n"
    L"                          the gallery descriptors (*.ini)\n"
    L"  --modules-ini DIR       the folder of modules.ini (display names)\n"
    L"  --files-ini DIR         the folder of FilesToModules.ini (which module has a file)\n"
    L"  --exclude PATTERNS      comma-separated file names that file lookups skip (*.txt)\n"
    L"  --match-version, --no-match-version   file lookups compare versions, or not\n"
    L"  --match-folder, --no-match-folder     file lookups compare folders, or not\n"
    L"  --preferred-language LANG   the language ModuleID:0 prefers (a number, or \"\")\n"
    L"  --project-type N        0: folders written \"[SystemFolder]\"; 1: \"<WINSYSDIR>\";\n"
    L"                          3: a project the catalog supports; 9, 10: the edition\n"
    L"                          catalog, which answers nothing\n"
    L"\n"
    L"Each option may be given once (--module-folder as often as needed).  Folders may be\n"
    L"Windows paths, relative paths, or under Wine Unix paths (\"/srv/msm\" is Wine's\n"
    L"\"Z:\\srv\\msm\"); entries holding %VARIABLES% are passed on as they are.\n"
    L"\n"
    L"The qvmodcat launcher script runs every command --isolated in a Wine prefix of its own\n"
    L"(QVMODCAT_ISOLATED=0 keeps the values stored there).\n"
    L"\n"
    L"Example:\n"
    L"  qvmodcat --isolated --search-path /srv/msm --product-folder /srv/product list\n";

}  // namespace

const CommandInfo* FindCommand(const std::wstring& name) {
  for (const CommandInfo& command : kCommands)
    if (name == command.Name) return &command;
  return nullptr;
}

std::vector<std::wstring> CommandNames() {
  std::vector<std::wstring> names;
  for (const CommandInfo& command : kCommands) names.push_back(command.Name);
  names.push_back(L"environment");
  return names;
}

std::wstring UsageLines(const std::wstring& command) {
  if (const CommandInfo* info = FindCommand(command))
    return std::wstring(L"usage: ") + info->Usage + L"\n";
  return L"usage: qvmodcat [options] <command> [arguments]   (qvmodcat --help)\n";
}

std::wstring HelpText() { return kOverview; }

std::wstring TopicHelp(const std::wstring& topic) {
  if (topic == L"environment") return kEnvironment;
  const CommandInfo* info = FindCommand(topic);
  if (!info) return L"";
  return std::wstring(L"usage: ") + info->Usage + L"\n\n" + info->Help +
         L"\nEnvironment options (--search-path, --isolated, ...): qvmodcat help environment\n";
}

}  // namespace qvmodcat
