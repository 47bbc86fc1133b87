// The inspector's command line: one command with its arguments, options that set the
// environment for the run, and the help texts.
#pragma once

#include "standin_environment.h"

#include <optional>
#include <string>
#include <vector>

namespace qvmodcat {

enum class OutputFormat { Text, Json, Dot };

struct Options {
  std::wstring Command;                   // empty: no command given
  std::vector<std::wstring> Arguments;    // the command's positional arguments
  OutputFormat Format = OutputFormat::Text;
  bool Json = false;                      // Format is Json
  bool Help = false;
  bool ShowVersion = false;               // --version before any command
  bool Wide = false;                      // no shortening to 100 columns
  bool NoCache = false;                   // the component reads every package
  // Command options.
  std::optional<std::wstring> Version;    // find-file
  std::optional<std::wstring> Language;   // find-file: the file's; show, deps: the fallback's
  bool InFolder = false;                  // find-file
  bool Resolve = false;                   // show, inspect
  bool All = false;                       // show
  // Environment options, in the order given.
  std::vector<StandInSetting> Settings;
  bool Isolated = false;                  // an empty stand-in key of the run's own
  std::optional<long> ProjectType;
};

// Parses the arguments after the program name.  Returns an error message for a wrong command
// line (empty when it is right).  Even then `options` tells whether JSON was asked for.
std::wstring ParseCommandLine(int count, wchar_t** arguments, Options& options);

// A module key is ModuleID:Language, the language a decimal number from 0 to 65535.
bool IsModuleKey(const std::wstring& key);

// The general help, the environment options, or one command's help (empty when there is no
// such command or topic).
std::wstring HelpText();
std::wstring TopicHelp(const std::wstring& topic);
// "usage: ..." lines of one command, or of all commands.
std::wstring UsageLines(const std::wstring& command);

// Command names, for suggestions.
std::vector<std::wstring> CommandNames();

}  // namespace qvmodcat
