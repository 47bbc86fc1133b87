#include "command_line.h"

#include "command_table.h"
#include "host_paths.h"
#include "suggestions.h"

#include <cerrno>
#include <cwchar>
#include <functional>
#include <set>

namespace qvmodcat {

namespace {

const wchar_t* const kFlags[] = {L"--help",          L"--json",           L"--wide",
                                 L"--isolated",      L"--in-folder",      L"--resolve",
                                 L"--all",           L"--match-version",  L"--no-match-version",
                                 L"--match-folder",  L"--no-match-folder", L"--no-cache"};
const wchar_t* const kValued[] = {L"--format",      L"--version",        L"--language",
                                  L"--search-path", L"--extra-path",     L"--module-folder",
                                  L"--product-folder", L"--modules-ini", L"--files-ini",
                                  L"--exclude",     L"--preferred-language", L"--project-type"};

std::vector<std::wstring> OptionNames() {
  std::vector<std::wstring> names(std::begin(kFlags), std::end(kFlags));
  names.insert(names.end(), std::begin(kValued), std::end(kValued));
  return names;
}

bool Among(const std::wstring& name, const wchar_t* const* begin, const wchar_t* const* end) {
  for (auto it = begin; it != end; ++it)
    if (name == *it) return true;
  return false;
}

// A decimal number within the range of a 32-bit long.
bool ParseNumber(const std::wstring& text, long& value) {
  if (text.empty() || !(iswdigit(text[0]) || (text[0] == L'-' && text.size() > 1))) return false;
  wchar_t* end = nullptr;
  errno = 0;
  value = wcstol(text.c_str(), &end, 10);
  return errno == 0 && end && *end == L'\0';
}

// A language number, wherever one is given (keys, --language, a file's languages): a
// Windows language identifier, 0 for none or any.
bool IsLanguage(const std::wstring& text) {
  long number = 0;
  return ParseNumber(text, number) && number >= 0 && number <= 65535;
}

constexpr wchar_t kLanguageRule[] = L"a language number from 0 to 65535 such as 1033";

// A file's language list as the installer writes it: numbers separated by commas.
bool IsLanguageList(const std::wstring& text) {
  size_t start = 0;
  for (;;) {
    const size_t comma = text.find(L',', start);
    if (!IsLanguage(text.substr(start, comma - start))) return false;
    if (comma == std::wstring::npos) return true;
    start = comma + 1;
  }
}

// One to four dot-separated numbers of 0 to 65535.
bool IsVersion(const std::wstring& text) {
  size_t start = 0;
  for (int piece = 0; piece < 4; ++piece) {
    const size_t dot = text.find(L'.', start);
    const std::wstring digits = text.substr(start, dot - start);
    long number = 0;
    if (digits.empty() || !iswdigit(digits[0]) || !ParseNumber(digits, number) || number > 65535)
      return false;
    if (dot == std::wstring::npos) return true;
    start = dot + 1;
  }
  return false;
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

// What an option sets, so that setting it twice is noticed.
std::wstring Identity(const std::wstring& option) {
  if (option == L"--json") return L"--format";
  if (option == L"--no-match-version") return L"--match-version";
  if (option == L"--no-match-folder") return L"--match-folder";
  return option;
}

bool WantsJson(int count, wchar_t** arguments) {
  for (int i = 0; i < count; ++i) {
    const std::wstring argument = arguments[i];
    if (argument == L"--json" || argument == L"--format=json") return true;
    if (argument == L"--format" && i + 1 < count && std::wstring(arguments[i + 1]) == L"json")
      return true;
  }
  return false;
}

class Parser {
 public:
  explicit Parser(Options& options) : options_(options) {}

  // One option; `value` is taken when the option needs one.  Returns an error or empty.
  std::wstring Option(const std::wstring& name, const std::function<bool(std::wstring&)>& value);
  std::wstring Finish();

 private:
  std::wstring Setting(const std::wstring& name, const std::wstring& value);

  Options& options_;
  std::set<std::wstring> seen_;
  unsigned used_ = 0;
  int moduleFolders_ = 0;
};

std::wstring Parser::Option(const std::wstring& name,
                            const std::function<bool(std::wstring&)>& takeValue) {
  const bool valued = Among(name, std::begin(kValued), std::end(kValued));
  if (!valued && !Among(name, std::begin(kFlags), std::end(kFlags)))
    return L"unknown option " + name + DidYouMean(ClosestNames(name, OptionNames()));
  // --version before a command, or after one that takes no file version: the tool's version.
  if (name == L"--version" && options_.Command != L"find-file") {
    options_.ShowVersion = true;
    return L"";
  }
  if (name != L"--module-folder" && !seen_.insert(Identity(name)).second)
    return name + L" is given twice: give it once";
  std::wstring value;
  if (valued && !takeValue(value)) return L"option " + name + L" needs a value";
  if (!valued) {
    if (name == L"--help") options_.Help = true;
    if (name == L"--json") options_.Format = OutputFormat::Json;
    if (name == L"--wide") options_.Wide = true;
    if (name == L"--no-cache") options_.NoCache = true;
    if (name == L"--isolated") options_.Isolated = true;
    if (name == L"--in-folder") options_.InFolder = true, used_ |= kInFolder;
    if (name == L"--resolve") options_.Resolve = true, used_ |= kResolve;
    if (name == L"--all") options_.All = true, used_ |= kAll;
    if (name == L"--match-version" || name == L"--no-match-version")
      options_.Settings.push_back(NumberSetting(L"MatchVersion", name == L"--match-version"));
    if (name == L"--match-folder" || name == L"--no-match-folder")
      options_.Settings.push_back(NumberSetting(L"MatchFolder", name == L"--match-folder"));
    return L"";
  }
  if (name == L"--format") {
    if (value == L"text") options_.Format = OutputFormat::Text;
    else if (value == L"json") options_.Format = OutputFormat::Json;
    else if (value == L"dot") options_.Format = OutputFormat::Dot, used_ |= kDot;
    else return L"--format takes text, json or dot, not \"" + value + L"\"";
    return L"";
  }
  if (name == L"--version") {
    if (!IsVersion(value))
      return L"--version takes a file version such as 1.2.0.5, not \"" + value + L"\"";
    options_.Version = value;
    used_ |= kVersion;
    return L"";
  }
  if (name == L"--language") {
    const bool fileLanguage = options_.Command == L"find-file";
    if (fileLanguage ? !IsLanguageList(value) : !IsLanguage(value))
      return L"--language takes " + std::wstring(kLanguageRule) +
             (fileLanguage ? L" (or a list, 1033,1031)" : L"") + L", not \"" + value + L"\"";
    options_.Language = value;
    used_ |= kLanguage;
    return L"";
  }
  return Setting(name, value);
}

std::wstring Parser::Setting(const std::wstring& name, const std::wstring& value) {
  long number = 0;
  if (name == L"--search-path" || name == L"--extra-path") {
    options_.Settings.push_back(
        TextSetting(name == L"--search-path" ? L"SearchPathList" : L"ExtraSearchPathList",
                    FullWindowsPathList(value)));
  } else if (name == L"--module-folder") {
    if (value.empty()) return L"--module-folder needs a folder";
    const std::wstring setting = L"ModuleFolder" + std::to_wstring(moduleFolders_++);
    options_.Settings.push_back(TextSetting(setting.c_str(), FullWindowsPath(value)));
  } else if (name == L"--product-folder" || name == L"--modules-ini" || name == L"--files-ini") {
    const wchar_t* setting = name == L"--product-folder" ? L"ProductFolder"
                             : name == L"--modules-ini"  ? L"ModulesIniFolder"
                                                         : L"FilesIniFolder";
    options_.Settings.push_back(TextSetting(setting, FullWindowsPath(value)));
  } else if (name == L"--exclude") {
    options_.Settings.push_back(TextSetting(L"ExcludedFilePatterns", value));
  } else if (name == L"--preferred-language") {
    if (!value.empty() && !IsLanguage(value))
      return L"--preferred-language takes " + std::wstring(kLanguageRule) +
             L" (or \"\" for none), not \"" + value + L"\"";
    options_.Settings.push_back(TextSetting(L"PreferredLanguage", value));
  } else if (name == L"--project-type") {
    if (!ParseNumber(value, number) ||
        !(number == 0 || number == 1 || number == 3 || number == 9 || number == 10))
      return L"--project-type takes 0, 1, 3, 9 or 10 (qvmodcat help environment), not \"" +
             value + L"\"";
    options_.ProjectType = number;
    options_.Settings.push_back(NumberSetting(L"ActiveProjectType", static_cast<DWORD>(number)));
  }
  return L"";
}

std::wstring Parser::Finish() {
  // The ModuleFolder<n> list ends after the folders given.
  if (moduleFolders_ > 0) {
    StandInSetting end;
    end.Name = L"ModuleFolder" + std::to_wstring(moduleFolders_);
    end.Remove = true;
    options_.Settings.push_back(end);
  }
  if (options_.ShowVersion) return L"";
  const std::wstring& command = options_.Command;
  if (command.empty()) return options_.Help ? L"" : L"no command given";
  const CommandInfo* info = FindCommand(command);
  if (!info)
    return L"unknown command \"" + command + L"\"" + DidYouMean(ClosestNames(command, CommandNames()));
  if (options_.Help) return L"";
  const unsigned refused = used_ & ~info->Accepts;
  const wchar_t* names[] = {L"--version", L"--language", L"--in-folder", L"--resolve", L"--all",
                            L"--format dot"};
  for (unsigned bit = 0; bit < 6; ++bit)
    if (refused & (1u << bit)) return names[bit] + std::wstring(L" does not apply to ") + info->Name;

  const auto& arguments = options_.Arguments;
  if (command == L"show") {
    if (options_.All && !arguments.empty()) return L"show takes a KEY or --all, not both";
    if (!options_.All && arguments.empty()) return L"show needs a KEY, or --all for every module";
    if (options_.All && options_.Language) return L"--language does not apply to show --all";
  } else if (arguments.size() < info->MinArguments) {
    return std::wstring(info->Name) + L" needs a " + info->Argument;
  }
  if (arguments.size() > info->MaxArguments)
    return std::wstring(info->Name) + L" takes " +
           (info->MaxArguments ? L"one argument" : L"no argument") + L": \"" +
           arguments[info->MaxArguments] + L"\" is one too many";
  const bool takesKey =
      command == L"show" || command == L"deps" || command == L"rdeps" || command == L"display-name";
  if (takesKey && !arguments.empty() && !IsModuleKey(arguments[0])) {
    const std::wstring& key = arguments[0];
    const size_t colon = key.rfind(L':');
    const std::wstring id = colon == std::wstring::npos ? key : key.substr(0, colon);
    return L"\"" + key + L"\" is no module key: a key is ModuleID:Language with " +
           std::wstring(kLanguageRule) + L" (" + id + L":1033, or " + id + L":0 for any language)";
  }
  return L"";
}

}  // namespace

bool IsModuleKey(const std::wstring& key) {
  const size_t colon = key.rfind(L':');
  return colon != std::wstring::npos && colon > 0 && IsLanguage(key.substr(colon + 1));
}

std::wstring ParseCommandLine(int count, wchar_t** arguments, Options& options) {
  if (WantsJson(count, arguments)) options.Format = OutputFormat::Json;
  Parser parser(options);
  std::wstring problem;
  for (int i = 0; i < count && problem.empty(); ++i) {
    std::wstring argument = arguments[i];
    if (argument == L"-h" || argument == L"/?") argument = L"--help";
    if (argument.size() < 2 || argument[0] != L'-' ||
        (argument[1] != L'-' && !iswalpha(argument[1]))) {
      // A positional argument ("-" alone and "-1" too: a negative number is no option).
      if (options.Command.empty())
        options.Command = argument;
      else
        options.Arguments.push_back(argument);
      continue;
    }
    std::wstring inlineValue;
    bool hasInlineValue = false;
    const size_t equals = argument.find(L'=');
    if (equals != std::wstring::npos) {
      inlineValue = argument.substr(equals + 1);
      argument.resize(equals);
      hasInlineValue = true;
    }
    if (hasInlineValue && Among(argument, std::begin(kFlags), std::end(kFlags))) {
      problem = L"option " + argument + L" takes no value";
      break;
    }
    problem = parser.Option(argument, [&](std::wstring& value) {
      if (hasInlineValue) {
        value = inlineValue;
        return true;
      }
      if (i + 1 >= count) return false;
      value = arguments[++i];
      return true;
    });
  }
  if (problem.empty()) problem = parser.Finish();
  options.Json = options.Format == OutputFormat::Json;
  return problem;
}

}  // namespace qvmodcat
