// The inspector's commands as the command line and the help know them.
#pragma once

#include <string>

namespace qvmodcat {

// Command options a command accepts.
enum CommandOption : unsigned {
  kVersion = 1,
  kLanguage = 2,
  kInFolder = 4,
  kResolve = 8,
  kAll = 16,
  kDot = 32,  // --format dot
};

struct CommandInfo {
  const wchar_t* Name;
  const wchar_t* Usage;
  size_t MinArguments;
  size_t MaxArguments;
  const wchar_t* Argument;  // what its argument is called ("KEY"), or null
  unsigned Accepts;
  const wchar_t* Help;  // what it does, an example, its exit codes
};

// The command of that name, or null.
const CommandInfo* FindCommand(const std::wstring& name);

}  // namespace qvmodcat
