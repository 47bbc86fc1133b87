// qvmodcat: a command-line inspector of the merge module catalog, a client of the registered
// QvModCat2 component through its automation interfaces (see README.md).
//
// Exit codes: 0 found, 1 not found, 2 error.
#include "command_line.h"
#include "commands.h"
#include "console.h"
#include "standin_environment.h"

#include <windows.h>

#include <cstring>
#include <new>

using namespace qvmodcat;

namespace {

int Dispatch(const Options& options) {
  const std::wstring& command = options.Command;
  if (command == L"list") return RunList(options);
  if (command == L"folders") return RunFolders(options);
  if (command == L"show") return RunShow(options);
  if (command == L"find-file") return RunFindFile(options);
  if (command == L"key-for-file") return RunKeyForFile(options);
  if (command == L"display-name") return RunDisplayName(options);
  if (command == L"deps") return RunDeps(options);
  if (command == L"inspect") return RunInspect(options);
  return kFailed;
}

int ReportError(const Options& options, const ComError& error) {
  std::wstring text = L"qvmodcat: " + error.Call() + L" failed: " + error.Description() + L"\n  ";
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
    detail.Set("description", error.Description());
    WriteOutUtf8(json.Write() + "\n");
  }
  return kFailed;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Options options;
  const std::wstring problem = ParseCommandLine(argc - 1, argv + 1, options);
  if (!problem.empty()) {
    WriteError(L"qvmodcat: " + problem + L"\n" + UsageLines(options.Command));
    return kFailed;
  }
  if (options.Command == L"help" || options.Help) {
    const std::wstring topic =
        options.Command == L"help" ? (options.Arguments.empty() ? L"" : options.Arguments[0])
                                   : options.Command;
    if (topic.empty()) {
      WriteOut(HelpText());
      return kFound;
    }
    const std::wstring help = CommandHelp(topic);
    if (help.empty()) {
      WriteError(L"qvmodcat: unknown command \"" + topic + L"\"\n" + UsageLines(L""));
      return kFailed;
    }
    WriteOut(help);
    return kFound;
  }
  try {
    // The environment is set before the catalog exists and restored after COM is gone.
    StandInEnvironment environment(options.Settings);
    ComApartment apartment;
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
