// catalog_bench: the catalog's costs measured against the platform's floor.
//
//   catalog_bench [--sizes 100,500,2000] [--quick] [--lookups K] [--rebuild-pool]
//
// Builds (once, into a pool kept under %TEMP%\qvmodcat-bench) merge modules of 20 files with a
// Directory tree and dependencies, and for each size N copies N of them into a folder and
// starts a fresh process of itself (the module store lives per process) that measures, through
// the registered component (CoCreateInstance of MMCatalogManager, then GetCatalog):
//   cold creation, warm refresh, refresh after one package changed, FindModuleForFile (first
//   call, warm with folders off and on), GetModule (key, language fallback), memory per package
// beside the floors: the same packages read directly through msi.dll, a bare folder listing
// and the Directory walks made directly.  That process runs with the package cache off; three
// more start with it (an empty file, the file the first left, a damaged file), and the
// inspector runs twice over the folder.  Prints every size and a table of ratios and growth.
// Nothing here asserts a time; a wrong answer from the catalog ends the run with exit code 2.
#include "bench_support.h"
#include "cache/cache_settings.h"
#include "catalog_measure.h"
#include "package_set.h"
#include "report_table.h"

#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

using namespace bench;

struct Options {
  std::vector<int> sizes = {100, 500, 2000};
  int lookups = 1000;
  bool rebuildPool = false;
  int child = 0;  // a measuring process: the size it measures
  std::wstring phase;  // with the package cache: fill, valid or invalid (empty: cache off)
  std::wstring results;
};

[[noreturn]] void Usage() {
  std::fprintf(stderr,
               "usage: catalog_bench [--sizes N,N,...] [--quick] [--lookups K] [--rebuild-pool]\n");
  std::exit(2);
}

std::vector<int> ParseSizes(const std::wstring& text) {
  std::vector<int> sizes;
  for (size_t start = 0; start <= text.size();) {
    const size_t comma = std::min(text.find(L',', start), text.size());
    const int size = _wtoi(text.substr(start, comma - start).c_str());
    if (size < 1) Usage();
    sizes.push_back(size);
    start = comma + 1;
  }
  return sizes;
}

Options Parse(int argc, wchar_t** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    auto next = [&]() -> std::wstring {
      if (i + 1 >= argc) Usage();
      return argv[++i];
    };
    if (arg == L"--sizes") {
      options.sizes = ParseSizes(next());
    } else if (arg == L"--quick") {
      options.sizes = {50};
      options.lookups = 200;
    } else if (arg == L"--lookups") {
      options.lookups = _wtoi(next().c_str());
      if (options.lookups < 1) Usage();
    } else if (arg == L"--rebuild-pool") {
      options.rebuildPool = true;
    } else if (arg == L"--child") {
      options.child = _wtoi(next().c_str());
    } else if (arg == L"--phase") {
      options.phase = next();
    } else if (arg == L"--results") {
      options.results = next();
    } else {
      Usage();
    }
  }
  return options;
}

std::wstring ScratchRoot() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  std::wstring root = temp;
  if (!root.empty() && root.back() == L'\\') root.pop_back();
  return root + L"\\qvmodcat-bench";
}

std::wstring OwnPath() {
  wchar_t own[MAX_PATH];
  GetModuleFileNameW(nullptr, own, MAX_PATH);
  return own;
}

int RunChild(const Options& options) {
  Check(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), "CoInitializeEx");
  MeasureOptions measure;
  measure.packages = options.child;
  measure.root = ScratchRoot();
  measure.pool = measure.root + L"\\pool";
  measure.folder = measure.root + L"\\catalog";
  measure.lookups = options.lookups;
  const Results results =
      options.phase.empty()       ? MeasureCatalog(measure)
      : options.phase == L"fill"  ? MeasureCachedStart(measure, CachePhase::Fill)
      : options.phase == L"valid" ? MeasureCachedStart(measure, CachePhase::Valid)
                                  : MeasureCachedStart(measure, CachePhase::Invalid);
  CoUninitialize();
  return WriteResults(options.results, results) ? 0 : 2;
}

// Runs a command line to its end (its output to `output`, or inherited); its exit code.
DWORD RunProcess(std::wstring command, HANDLE output = nullptr) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  if (output) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = output;
  }
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                      &startup, &process)) {
    Fail("starting " + std::string(command.begin(), command.end()),
         HRESULT_FROM_WIN32(GetLastError()));
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD exitCode = 1;
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return exitCode;
}

// A fresh process for one size: the module store and the installer object are per process.
Results MeasureInChild(const Options& options, int size, const std::wstring& root,
                       const wchar_t* phase = L"") {
  const std::wstring results = root + L"\\results.txt";
  DeleteFileW(results.c_str());
  std::wstring command = L"\"" + OwnPath() + L"\" --child " + std::to_wstring(size) +
                         L" --lookups " + std::to_wstring(options.lookups) + L" --results \"" +
                         results + L"\"";
  if (*phase) command += std::wstring(L" --phase ") + phase;
  if (RunProcess(command) != 0) Fail("the measuring process for " + std::to_string(size), E_FAIL);
  return ReadResults(results);
}

// The cache file in `folder` (there is one file per architecture); empty when there is none.
std::wstring FindCacheFile(const std::wstring& folder) {
  WIN32_FIND_DATAW item = {};
  const HANDLE search = FindFirstFileW((folder + L"\\PackageCache.*.bin").c_str(), &item);
  if (search == INVALID_HANDLE_VALUE) return L"";
  FindClose(search);
  return folder + L"\\" + item.cFileName;
}

std::wstring CacheFile(const std::wstring& folder) {
  const std::wstring file = FindCacheFile(folder);
  if (file.empty()) Fail("no cache file was written", E_FAIL);
  return file;
}

// The inspector's second run of a command over the catalog folder, process start included:
// the first run leaves in the cache what the second needs.
double QvmodcatSecondRun(const std::wstring& folder, const wchar_t* command) {
  std::wstring tool = OwnPath();
  tool = tool.substr(0, tool.find_last_of(L'\\') + 1) + L"qvmodcat.exe";
  const std::wstring line = L"\"" + tool + L"\" --isolated --search-path \"" + folder + L"\" " + command;
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  const HANDLE nul = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit,
                                 OPEN_EXISTING, 0, nullptr);
  double start = 0;
  for (int run = 0; run < 2; ++run) {
    start = Seconds();
    if (RunProcess(line, nul) > 1) Fail("qvmodcat failed", E_FAIL);
  }
  const double second = Seconds() - start;
  CloseHandle(nul);
  return second;
}

// The rows with the package cache: a process filling it, one starting from it, the inspector's
// second runs, and a process finding the file damaged (one byte of its body flipped).
void MeasureWithCache(const Options& options, int size, const std::wstring& root,
                      const std::wstring& folder, Results& results) {
  const std::wstring cache = root + L"\\cache";
  CreateDirectoryW(cache.c_str(), nullptr);
  for (std::wstring old; !(old = FindCacheFile(cache)).empty();) DeleteFileW(old.c_str());
  SetEnvironmentVariableW(kPackageCacheVariable, cache.c_str());
  results.merge(MeasureInChild(options, size, root, L"fill"));
  WIN32_FILE_ATTRIBUTE_DATA file = {};
  GetFileAttributesExW(CacheFile(cache).c_str(), GetFileExInfoStandard, &file);
  results["cache.bytes_per_package"] = double(file.nFileSizeLow) / size;
  results.merge(MeasureInChild(options, size, root, L"valid"));
  results["qvmodcat.list_second"] = QvmodcatSecondRun(folder, L"list");
  results["qvmodcat.check_second"] = QvmodcatSecondRun(folder, L"check");

  const HANDLE damaged = CreateFileW(CacheFile(cache).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                     nullptr, OPEN_EXISTING, 0, nullptr);
  char byte = 0;
  DWORD done = 0;
  SetFilePointer(damaged, file.nFileSizeLow / 2, nullptr, FILE_BEGIN);
  ReadFile(damaged, &byte, 1, &done, nullptr);
  byte ^= 0x10;
  SetFilePointer(damaged, file.nFileSizeLow / 2, nullptr, FILE_BEGIN);
  WriteFile(damaged, &byte, 1, &done, nullptr);
  CloseHandle(damaged);
  results.merge(MeasureInChild(options, size, root, L"invalid"));
  SetEnvironmentVariableW(kPackageCacheVariable, L"off");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const Options options = Parse(argc, argv);
  // Every process of this run keeps its stand-in state under the benchmark's own key.
  SetEnvironmentVariableW(L"QV_STANDIN_KEY", StandInKey());
  if (options.child) return RunChild(options);
  // The rows without the cache read every package in every process.
  SetEnvironmentVariableW(kPackageCacheVariable, L"off");

  const std::wstring root = ScratchRoot();
  const std::wstring pool = root + L"\\pool", folder = root + L"\\catalog";
  const int largest = *std::max_element(options.sizes.begin(), options.sizes.end());
  std::printf("catalog benchmark: sizes");
  for (int size : options.sizes) std::printf(" %d", size);
  std::printf(", %d files per package, %d file lookups\n", kFilesPerPackage, options.lookups);
  std::fflush(stdout);
  EnsurePool(pool, largest, options.rebuildPool);

  std::vector<Results> measured;
  for (int size : options.sizes) {
    FillCatalogFolder(pool, folder, size);
    measured.push_back(MeasureInChild(options, size, root));
    MeasureWithCache(options, size, root, folder, measured.back());
    PrintSize(measured.back());
  }
  PrintTable(measured);
  EmptyCatalogFolder(folder);
  RemoveStandInKey();
  return 0;
}
