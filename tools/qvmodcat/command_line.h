// The inspector's command line: one command with its arguments, options that set the
// environment for the run, and the help texts.
#pragma once

#include "standin_environment.h"

#include <optional>
#include <string>
#include <vector>

namespace qvmodcat {

struct Options {
  std::wstring Command;                   // empty: no command given
  std::vector<std::wstring> Arguments;    // the command's positional arguments
  bool Json = false;
  bool Help = false;
  // Command options.
  std::optional<std::wstring> Version;    // find-file
  std::optional<std::wstring> Language;   // find-file: the file's; show, deps: the fallback's
  bool InFolder = false;                  // find-file
  bool Resolve = false;                   // show, inspect
  bool All = false;                       // show
  // Environment options, in the order given.
  std::vector<StandInSetting> Settings;
  std::optional<long> ProjectType;
};

// Parses the arguments after the program name.  Returns an error message for a wrong command
// line (empty when it is right).
std::wstring ParseCommandLine(int count, wchar_t** arguments, Options& options);

// The general help, or the help of one command (empty when there is no such command).
std::wstring HelpText();
std::wstring CommandHelp(const std::wstring& command);
// "usage: ..." lines of one command, or of all commands.
std::wstring UsageLines(const std::wstring& command);

}  // namespace qvmodcat
