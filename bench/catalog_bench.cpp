// catalog_bench: how fast the catalog answers, measured on a folder of generated packages.
//
//   catalog_bench [--packages N] [--files M] [--iterations K] [--keep]
//
// Generates N packages with M files each (through the fixture builder), points the
// application-services stand-in at them, loads QvModCat2.dll from beside this program (no
// registration needed) and times, with QueryPerformanceCounter:
//   - the first catalog: every package scanned and its identity read,
//   - GetModules on an unchanged folder (a warm refresh),
//   - GetModule by key,
//   - FindModuleForFile by name only, for a file of the last package in path order (the first
//     call reads every package's file list),
//   - FindModuleForFile comparing folders (every candidate's package opened read-only),
//   - GetModules after one package was rewritten (an incremental refresh).
// The numbers are for comparing builds on one machine; nothing here asserts a time.
#include "package_builder.h"
#include "qvmodcat.h"
#include "server/class_ids.h"

#include <windows.h>
#include <oleauto.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <functional>
#include <string>

namespace {

struct Options {
  int packages = 300;
  int files = 5;
  int iterations = 50;
  bool keep = false;
};

const wchar_t kStandInKey[] = L"Software\\Quorvane\\Showloom\\StandInBench";

[[noreturn]] void Fail(const char* what, HRESULT code) {
  std::fprintf(stderr, "catalog_bench: %s failed (0x%08lX)\n", what,
               static_cast<unsigned long>(code));
  std::exit(2);
}

void Check(HRESULT code, const char* what) {
  if (FAILED(code)) Fail(what, code);
}

double Seconds() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void Report(const char* operation, int calls, double seconds) {
  std::printf("%-46s %7d %11.1f %12.1f\n", operation, calls, seconds * 1000.0,
              seconds * 1e6 / calls);
}

void Time(const char* operation, int calls, const std::function<void()>& call) {
  const double start = Seconds();
  for (int i = 0; i < calls; ++i) call();
  Report(operation, calls, Seconds() - start);
}

void SetText(HKEY key, const wchar_t* name, const std::wstring& value) {
  RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void SetNumber(HKEY key, const wchar_t* name, DWORD value) {
  RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

std::string Guid(int index) {
  char text[40];
  std::snprintf(text, sizeof text, "6C3D2E1F_0A1B_4C5D_8E9F_%012d", index);
  return text;
}

std::string Description(int index, int files, const std::string& version) {
  const std::string suffix = Guid(index);
  std::string text =
      "summary Subject = Bench module " + std::to_string(index) + "\n"
      "summary Author = Bench\n"
      "summary RevisionNumber = {" + suffix.substr(0, 8) + "-0A1B-4C5D-8E9F-" +
      suffix.substr(24) + "}\n"
      "table ModuleSignature\n"
      "  ModuleID | Language | Version\n"
      "  Bench.Module" + std::to_string(index) + "." + suffix + " | 1033 | " + version + "\n"
      "table Directory\n"
      "  Directory | Directory_Parent | DefaultDir\n"
      "  TARGETDIR | <null> | SourceDir\n"
      "  ProgramFilesFolder | TARGETDIR | PFiles|Program Files\n"
      "  BenchDir." + suffix + " | ProgramFilesFolder | Bench" + std::to_string(index) + "\n"
      "table Component\n"
      "  Component | ComponentId | Directory_ | Attributes\n"
      "  Main." + suffix + " | {" + suffix.substr(0, 8) + "-1111-4C5D-8E9F-" +
      suffix.substr(24) + "} | BenchDir." + suffix + " | 0\n"
      "table File\n"
      "  File | Component_ | FileName | FileSize | Version | Language | Attributes | Sequence\n";
  for (int f = 0; f < files; ++f) {
    const std::string name = "file" + std::to_string(index) + "_" + std::to_string(f) + ".dll";
    text += "  " + name + "." + suffix + " | Main." + suffix + " | " + name + " | 1000 | " +
            version + " | 1033 | 0 | " + std::to_string(f + 1) + "\n";
  }
  return text;
}

std::wstring PackagePath(const std::wstring& folder, int index) {
  wchar_t name[32];
  std::swprintf(name, 32, L"bench%05d.msm", index);
  return folder + L"\\" + name;
}

void Generate(const Options& options, const std::wstring& folder) {
  CreateDirectoryW(folder.c_str(), nullptr);
  const double start = Seconds();
  for (int i = 0; i < options.packages; ++i) {
    const auto result = msmbuild::BuildPackageFromText(
        Description(i, options.files, "1.0.0." + std::to_string(i)), PackagePath(folder, i));
    if (!result.ok) {
      std::fprintf(stderr, "catalog_bench: %s\n", result.error.c_str());
      std::exit(2);
    }
  }
  Report("generate packages (fixture builder)", options.packages, Seconds() - start);
}

Options Parse(int argc, wchar_t** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    auto next = [&] { return i + 1 < argc ? _wtoi(argv[++i]) : 0; };
    if (arg == L"--packages") options.packages = next();
    else if (arg == L"--files") options.files = next();
    else if (arg == L"--iterations") options.iterations = next();
    else if (arg == L"--keep") options.keep = true;
    else {
      std::fprintf(stderr,
                   "usage: catalog_bench [--packages N] [--files M] [--iterations K] [--keep]\n");
      std::exit(2);
    }
  }
  if (options.packages < 1 || options.files < 1 || options.iterations < 1) {
    std::fprintf(stderr, "catalog_bench: counts must be positive\n");
    std::exit(2);
  }
  return options;
}

IClassFactory* CatalogFactory() {
  wchar_t own[MAX_PATH];
  GetModuleFileNameW(nullptr, own, MAX_PATH);
  std::wstring dll = own;
  dll = dll.substr(0, dll.rfind(L'\\') + 1) + L"QvModCat2.dll";
  HMODULE library = LoadLibraryW(dll.c_str());
  if (!library) Fail("loading QvModCat2.dll", HRESULT_FROM_WIN32(GetLastError()));
  auto getClassObject = reinterpret_cast<HRESULT(WINAPI*)(REFCLSID, REFIID, void**)>(
      GetProcAddress(library, "DllGetClassObject"));
  if (!getClassObject) Fail("finding DllGetClassObject", E_NOINTERFACE);
  IClassFactory* factory = nullptr;
  Check(getClassObject(kClsidMMCatalog, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
        "DllGetClassObject");
  return factory;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const Options options = Parse(argc, argv);
  Check(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), "CoInitializeEx");
  SetEnvironmentVariableW(L"QV_STANDIN_KEY", kStandInKey);

  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring root = std::wstring(temp) + L"qvmodcat-bench";
  const std::wstring modules = root + L"\\modules";
  CreateDirectoryW(root.c_str(), nullptr);

  std::printf("%d packages, %d files each\n\n", options.packages, options.files);
  std::printf("%-46s %7s %11s %12s\n", "operation", "calls", "total ms", "per call us");
  Generate(options, modules);

  HKEY key = nullptr;
  RegCreateKeyExW(HKEY_CURRENT_USER, kStandInKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                  nullptr);
  SetText(key, L"SearchPathList", modules);
  SetText(key, L"ProductFolder", root);
  SetText(key, L"ModulesIniFolder", root);
  SetText(key, L"FilesIniFolder", root);
  SetNumber(key, L"MatchFolder", 0);

  IClassFactory* factory = CatalogFactory();
  IMMCatalog* catalog = nullptr;
  const double start = Seconds();
  Check(factory->CreateInstance(nullptr, __uuidof(IMMCatalog), reinterpret_cast<void**>(&catalog)),
        "creating the catalog");
  Report("first catalog (scan and read every package)", 1, Seconds() - start);

  Time("GetModules, folder unchanged", options.iterations, [&] {
    IUnknown* list = nullptr;
    Check(catalog->GetModules(&list), "GetModules");
    list->Release();
  });

  const int last = options.packages - 1;
  const std::string lastGuid = Guid(last);
  BSTR key0 = SysAllocString((L"Bench.Module" + std::to_wstring(last) + L"." +
                              std::wstring(lastGuid.begin(), lastGuid.end()) + L":1033")
                                 .c_str());
  BSTR empty = SysAllocString(L"");
  Time("GetModule by key", options.iterations, [&] {
    IDispatch* module = nullptr;
    Check(catalog->GetModule(key0, empty, &module), "GetModule");
    if (module) module->Release();
  });

  const std::wstring fileName = L"file" + std::to_wstring(last) + L"_0.dll";
  BSTR byName = SysAllocString((L"[SystemFolder]" + fileName).c_str());
  BSTR inFolder = SysAllocString(
      (L"[ProgramFilesFolder]Bench" + std::to_wstring(last) + L"\\" + fileName).c_str());
  BSTR version = SysAllocString((L"1.0.0." + std::to_wstring(last)).c_str());
  BSTR language = SysAllocString(L"1033");
  auto find = [&](BSTR destination, const char* what) {
    IDispatch* module = nullptr;
    long found = 0;
    Check(catalog->FindModuleForFile(destination, version, language, &module, &found), what);
    if (!found) Fail(what, E_FAIL);
    if (module) module->Release();
  };
  Time("FindModuleForFile by name, first (file lists)", 1,
       [&] { find(byName, "FindModuleForFile by name"); });
  Time("FindModuleForFile by name (last package)", options.iterations,
       [&] { find(byName, "FindModuleForFile by name"); });
  SetNumber(key, L"MatchFolder", 1);
  Time("FindModuleForFile comparing folders", options.iterations,
       [&] { find(inFolder, "FindModuleForFile in folder"); });

  // A rewritten package (newer time) is read again; the others are not.
  Sleep(1100);
  const auto rewritten = msmbuild::BuildPackageFromText(
      Description(0, options.files, "2.0.0.0"), PackagePath(modules, 0));
  if (!rewritten.ok) Fail("rewriting a package", E_FAIL);
  Time("GetModules after one package changed", 1, [&] {
    IUnknown* list = nullptr;
    Check(catalog->GetModules(&list), "GetModules");
    list->Release();
  });

  catalog->Release();
  factory->Release();
  for (BSTR text : {key0, empty, byName, inFolder, version, language}) SysFreeString(text);
  RegCloseKey(key);
  RegDeleteKeyW(HKEY_CURRENT_USER, kStandInKey);
  if (!options.keep) {
    for (int i = 0; i < options.packages; ++i) DeleteFileW(PackagePath(modules, i).c_str());
    RemoveDirectoryW(modules.c_str());
    RemoveDirectoryW(root.c_str());
  }
  CoUninitialize();
  return 0;
}
