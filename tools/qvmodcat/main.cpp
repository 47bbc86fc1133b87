// qvmodcat: a command-line inspector of the merge module catalog, a client of the registered
// QvModCat2 component through its automation interfaces (see README.md).
//
// Exit codes: 0 found or clean, 1 not found or problems found, 2 error, 130 interrupted.
#include "cache/cache_settings.h"
#include "command_line.h"
#include "commands.h"
#include "console.h"
#include "interrupt.h"
#include "progress.h"
#include "standin_environment.h"
#include "suggestions.h"
#include "text_rules.h"
#include "text_table.h"

#include <windows.h>

#include <cstring>
#include <new>

using namespace qvmodcat;

namespace {

int Dispatch(const Options& options) {
  if (options.ShowVersion) return RunVersion(options);
  const std::wstring& command = options.Command;
  if (command == L"check") return RunCheck(options);
  if (command == L"list") return RunList(options);
  if (command == L"folders") return RunFolders(options);
  if (command == L"show") return RunShow(options);
  if (command == L"find-file") return RunFindFile(options);
  if (command == L"key-for-file") return RunKeyForFile(options);
  if (command == L"display-name") return RunDisplayName(options);
  if (command == L"deps") return RunDeps(options);
  if (command == L"rdeps") return RunRdeps(options);
  if (command == L"inspect") return RunInspect(options);
  if (command == L"cache") return RunCache(options);
  return kFailed;
}

int ReportError(const Options& options, const ComError& error) {
  // The component's text may span lines (the installer's messages do): one line here.
  const std::wstring description = OneLine(error.Description());
  std::wstring text = L"qvmodcat: " + error.Call() + L" failed: " + description + L"\n  ";
  if (!error.Source().empty()) text += L"source " + error.Source() + L", ";
  text += L"result " + HexResult(error.Result()) + L"\n";
  if (error.Result() == CO_E_CLASSSTRING || error.Result() == REGDB_E_CLASSNOTREG)
    text += L"  Is QvModCat2.dll registered (regsvr32 QvModCat2.dll)?\n";
  WriteError(text);
  if (options.Json) {
    Json json = Json::Object();
    Json& detail = json.Set("error", Json::Object());
    detail.Set("call", error.Call());
    detail.Set("result", HexResult(error.Result()));
    detail.Set("source", error.Source());
    detail.Set("description", description);
    WriteOutUtf8(json.Write() + "\n");
  }
  return kFailed;
}

int ReportUsage(const Options& options, const std::wstring& problem) {
  const std::wstring usage = UsageLines(options.Command);
  WriteError(L"qvmodcat: " + problem + L"\n" + usage);
  if (options.Json) {
    Json json = Json::Object();
    Json& detail = json.Set("error", Json::Object());
    detail.Set("call", L"command line");
    detail.Set("description", problem);
    detail.Set("usage", usage.substr(0, usage.size() - 1));
    WriteOutUtf8(json.Write() + "\n");
  }
  return kFailed;
}

int Help(const Options& options) {
  const std::wstring topic =
      options.Command == L"help" ? (options.Arguments.empty() ? L"" : options.Arguments[0])
                                 : options.Command;
  if (topic.empty()) {
    WriteOut(HelpText());
    return kFound;
  }
  const std::wstring help = TopicHelp(topic);
  if (help.empty())
    return ReportUsage(options, L"no help on \"" + topic + L"\"" +
                                    DidYouMean(ClosestNames(topic, CommandNames())));
  WriteOut(help);
  return kFound;
}

int Run(int argc, wchar_t** argv) {
  HandleInterrupts();
  Options options;
  const std::wstring problem = ParseCommandLine(argc - 1, argv + 1, options);
  if (!problem.empty()) return ReportUsage(options, problem);
  if (!options.ShowVersion && (options.Command == L"help" || options.Help)) return Help(options);
  SetLineWidth(options.Wide ? 0 : 100);
  // Read by the component as it loads into this process.
  if (options.NoCache) SetEnvironmentVariableW(kPackageCacheVariable, L"off");
  try {
    // The environment is set before the catalog exists and restored after COM is gone.
    StandInEnvironment environment(options.Settings, options.Isolated);
    ComApartment apartment;
    Progress progress(L"qvmodcat " + (options.ShowVersion ? L"--version" : options.Command));
    return Dispatch(options);
  } catch (const ComError& error) {
    return ReportError(options, error);
  } catch (const std::bad_alloc&) {
    WriteError(L"qvmodcat: out of memory\n");
  } catch (const std::exception& error) {
    WriteError(L"qvmodcat: " + std::wstring(error.what(), error.what() + strlen(error.what())) +
               L"\n");
  }
  return kFailed;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int code = Run(argc, argv);
  if (const unsigned long lost = LostOutputError()) {
    WriteError(L"qvmodcat: the answer could not be written to standard output: " +
               SystemMessage(HRESULT_FROM_WIN32(lost)) + L"\n");
    return kFailed;
  }
  return code;
}
