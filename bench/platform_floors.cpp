#include "platform_floors.h"

#include "bench_support.h"
#include "qv_environment.h"

#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace bench {

namespace {

// MSIDBOPEN_READONLY, typed for the wide call.
const LPCWSTR kReadOnly = nullptr;

class Handle {
 public:
  Handle() = default;
  ~Handle() {
    if (handle_) MsiCloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  MSIHANDLE* Put() { return &handle_; }
  MSIHANDLE Get() const { return handle_; }

 private:
  MSIHANDLE handle_ = 0;
};

std::wstring ReadRecordString(MSIHANDLE record, UINT field) {
  wchar_t buffer[260];
  DWORD length = 260;
  CheckMsi(MsiRecordGetStringW(record, field, buffer, &length), "MsiRecordGetStringW");
  return std::wstring(buffer, length);
}

std::string ReadRecordAnsi(MSIHANDLE record, UINT field) {
  char buffer[260];
  DWORD length = 260;
  CheckMsi(MsiRecordGetStringA(record, field, buffer, &length), "MsiRecordGetStringA");
  return std::string(buffer, length);
}

bool IsStandardFolder(const std::string& key) {
  static const char* const names[] = {
      "AdminToolsFolder", "AppDataFolder",    "CommonAppDataFolder", "CommonFilesFolder",
      "DesktopFolder",    "FavoritesFolder",  "FontsFolder",         "LocalAppDataFolder",
      "MyPicturesFolder", "PersonalFolder",   "ProgramFilesFolder",  "ProgramMenuFolder",
      "SendToFolder",     "StartMenuFolder",  "StartupFolder",       "System16Folder",
      "SystemFolder",     "TempFolder",       "TemplateFolder",      "WindowsFolder",
      "WindowsVolume"};
  return std::any_of(std::begin(names), std::end(names),
                     [&](const char* name) { return _stricmp(name, key.c_str()) == 0; });
}

std::string WithoutModuleSuffix(const std::string& key) {
  const size_t dot = key.rfind('.');
  return dot != std::string::npos && key.size() - dot - 1 == 36 ? key.substr(0, dot) : key;
}

// The long target name of a DefaultDir value.
std::string TargetName(std::string value) {
  value = value.substr(0, value.find(':'));
  const size_t bar = value.find('|');
  return bar == std::string::npos ? value : value.substr(bar + 1);
}

std::string WalkDirectory(MSIHANDLE database, const std::string& startKey) {
  Handle view, parameters;
  CheckMsi(MsiDatabaseOpenViewA(database,
                                "SELECT `Directory_Parent`,`DefaultDir` FROM `Directory` "
                                "WHERE `Directory`=?",
                                view.Put()),
           "MsiDatabaseOpenView(Directory)");
  *parameters.Put() = MsiCreateRecord(1);
  std::string key = startKey, path;
  for (;;) {
    MsiRecordSetStringA(parameters.Get(), 1, key.c_str());
    CheckMsi(MsiViewExecute(view.Get(), parameters.Get()), "MsiViewExecute(Directory)");
    Handle row;
    CheckMsi(MsiViewFetch(view.Get(), row.Put()), "MsiViewFetch(Directory)");
    const std::string parent = ReadRecordAnsi(row.Get(), 1);
    const std::string defaultDir = ReadRecordAnsi(row.Get(), 2);
    MsiViewClose(view.Get());
    const std::string bare = WithoutModuleSuffix(key);
    if (IsStandardFolder(bare)) return "[" + bare + "]" + path;
    const std::string name = TargetName(defaultDir);
    if (parent.empty()) return path;  // the root
    if (name != ".") path = path.empty() ? name : name + "\\" + path;
    key = parent;
  }
}

// IDispatch::Invoke with VT_I4/VT_BSTR arguments given first to last.
class Automation {
 public:
  static VARIANT Invoke(IDispatch* object, DISPID member, WORD kind,
                        std::vector<VARIANT> arguments = {}) {
    std::reverse(arguments.begin(), arguments.end());
    DISPPARAMS parameters = {arguments.empty() ? nullptr : arguments.data(), nullptr,
                             static_cast<UINT>(arguments.size()), 0};
    VARIANT result;
    VariantInit(&result);
    Check(object->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, kind, &parameters, &result,
                         nullptr, nullptr),
          "an installer automation call");
    return result;
  }
  static VARIANT Integer(LONG value) {
    VARIANT v;
    V_VT(&v) = VT_I4;
    V_I4(&v) = value;
    return v;
  }
  static IDispatch* Object(VARIANT result) {
    if (V_VT(&result) != VT_DISPATCH || !V_DISPATCH(&result)) Fail("no object", E_FAIL);
    return V_DISPATCH(&result);
  }
};

IDispatch* OpenAutomationDatabase(IDispatch* installer, BSTR path) {
  VARIANT pathArgument;
  V_VT(&pathArgument) = VT_BSTR;
  V_BSTR(&pathArgument) = path;
  return Automation::Object(Automation::Invoke(installer, 4, DISPATCH_METHOD,
                                               {pathArgument, Automation::Integer(0)}));
}

void AutomationPackageRead(IDispatch* installer, const std::wstring& path) {
  BSTR pathText = SysAllocString(path.c_str());
  {
    IDispatch* database = OpenAutomationDatabase(installer, pathText);
    VARIANT sql;
    V_VT(&sql) = VT_BSTR;
    V_BSTR(&sql) = SysAllocString(L"SELECT * FROM ModuleSignature");
    IDispatch* view = Automation::Object(Automation::Invoke(database, 3, DISPATCH_METHOD, {sql}));
    VariantClear(&sql);
    VARIANT noRecord;
    V_VT(&noRecord) = VT_DISPATCH;
    V_DISPATCH(&noRecord) = nullptr;
    Automation::Invoke(view, 1, DISPATCH_METHOD, {noRecord});
    IDispatch* record = Automation::Object(Automation::Invoke(view, 2, DISPATCH_METHOD));
    for (LONG field : {2, 1, 3}) {
      VARIANT value = Automation::Invoke(record, field == 2 ? 2 : 1, DISPATCH_PROPERTYGET,
                                         {Automation::Integer(field)});
      VariantClear(&value);
    }
    record->Release();
    Automation::Invoke(view, 4, DISPATCH_METHOD);
    view->Release();
    database->Release();
  }
  IDispatch* database = OpenAutomationDatabase(installer, pathText);
  IDispatch* summary = Automation::Object(
      Automation::Invoke(database, 2, DISPATCH_PROPERTYGET, {Automation::Integer(0)}));
  for (LONG property : {4, 6, 9, 3}) {
    VARIANT value = Automation::Invoke(summary, 1, DISPATCH_PROPERTYGET,
                                       {Automation::Integer(property)});
    VariantClear(&value);
  }
  summary->Release();
  database->Release();
  SysFreeString(pathText);
}

IDispatch* CreateInstaller() {
  CLSID installerClass;
  Check(CLSIDFromProgID(L"WindowsInstaller.Installer", &installerClass), "CLSIDFromProgID");
  IDispatch* installer = nullptr;
  Check(CoCreateInstance(installerClass, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                         reinterpret_cast<void**>(&installer)),
        "creating the installer automation object");
  return installer;
}

}  // namespace

void AutomationPackageReadOnce(const std::wstring& path) {
  IDispatch* installer = CreateInstaller();
  AutomationPackageRead(installer, path);
  installer->Release();
}

double AutomationPackageReads(const std::wstring& folder) {
  IDispatch* installer = CreateInstaller();
  const double start = Seconds();
  const std::string pattern = std::string(folder.begin(), folder.end()) + "\\*.msm";
  WIN32_FIND_DATAA item;
  HANDLE search = FindFirstFileA(pattern.c_str(), &item);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (item.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      AutomationPackageRead(installer, folder + L"\\" + Widen(item.cFileName));
    } while (FindNextFileA(search, &item));
    FindClose(search);
  }
  const double seconds = Seconds() - start;
  installer->Release();
  return seconds;
}

int ListPackages(const std::wstring& folder) {
  const std::string pattern = std::string(folder.begin(), folder.end()) + "\\*.msm";
  WIN32_FIND_DATAA item;
  HANDLE search = FindFirstFileA(pattern.c_str(), &item);
  if (search == INVALID_HANDLE_VALUE) return 0;
  int count = 0;
  do {
    if (!(item.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++count;
  } while (FindNextFileA(search, &item));
  FindClose(search);
  return count;
}

void RawPackageRead(const std::wstring& path) {
  Handle database;
  CheckMsi(MsiOpenDatabaseW(path.c_str(), kReadOnly, database.Put()),
           "MsiOpenDatabaseW");
  {
    Handle view, row;
    CheckMsi(MsiDatabaseOpenViewW(database.Get(), L"SELECT * FROM ModuleSignature", view.Put()),
             "MsiDatabaseOpenView(ModuleSignature)");
    CheckMsi(MsiViewExecute(view.Get(), 0), "MsiViewExecute(ModuleSignature)");
    CheckMsi(MsiViewFetch(view.Get(), row.Put()), "MsiViewFetch(ModuleSignature)");
    const std::wstring id = ReadRecordString(row.Get(), 1);
    const int language = MsiRecordGetInteger(row.Get(), 2);
    const std::wstring version = ReadRecordString(row.Get(), 3);
    if (id.empty() || language != 1033 || version.empty()) Fail("reading ModuleSignature", E_FAIL);
    MsiViewClose(view.Get());
  }
  Handle summary;
  CheckMsi(MsiGetSummaryInformationW(database.Get(), nullptr, 0, summary.Put()),
           "MsiGetSummaryInformationW");
  for (UINT property : {4u, 6u, 9u, 3u}) {
    wchar_t text[260];
    DWORD length = 260;
    UINT type = 0;
    INT number = 0;
    FILETIME time;
    CheckMsi(MsiSummaryInfoGetPropertyW(summary.Get(), property, &type, &number, &time, text,
                                        &length),
             "MsiSummaryInfoGetPropertyW");
  }
}

double RawPackageReads(const std::wstring& folder) {
  const double start = Seconds();
  const std::string pattern = std::string(folder.begin(), folder.end()) + "\\*.msm";
  WIN32_FIND_DATAA item;
  HANDLE search = FindFirstFileA(pattern.c_str(), &item);
  if (search == INVALID_HANDLE_VALUE) return 0;
  do {
    if (item.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    RawPackageRead(folder + L"\\" + Widen(item.cFileName));
  } while (FindNextFileA(search, &item));
  FindClose(search);
  return Seconds() - start;
}

double RawDirectoryWalks(const std::vector<FolderProbe>& probes) {
  const double start = Seconds();
  for (const FolderProbe& probe : probes) {
    Handle database;
    CheckMsi(MsiOpenDatabaseW(probe.package.c_str(), kReadOnly, database.Put()),
             "MsiOpenDatabaseW");
    const std::string folder = WalkDirectory(database.Get(), probe.directoryKey);
    if (folder != probe.expected) Fail("walking " + probe.directoryKey + " gave " + folder, E_FAIL);
  }
  return (Seconds() - start) / static_cast<double>(probes.size());
}

namespace {

HMODULE LoadBeside(const wchar_t* name) {
  wchar_t own[MAX_PATH];
  GetModuleFileNameW(nullptr, own, MAX_PATH);
  std::wstring path = own;
  path = path.substr(0, path.rfind(L'\\') + 1) + name;
  HMODULE library = LoadLibraryW(path.c_str());
  if (!library) Fail("loading a stand-in library", HRESULT_FROM_WIN32(GetLastError()));
  return library;
}

}  // namespace

double StandInCalls(StandInWork work, int repetitions) {
  auto getClassObject = reinterpret_cast<HRESULT(WINAPI*)(REFCLSID, REFIID, void**)>(
      reinterpret_cast<void*>(GetProcAddress(LoadBeside(L"QvAppServices.dll"),
                                             "DllGetClassObject")));
  auto activeProjectType = reinterpret_cast<long(WINAPI*)()>(reinterpret_cast<void*>(
      GetProcAddress(LoadBeside(L"QVObjMgr.DLL"), "_GetActiveProjectType@0")));
  if (!getClassObject || !activeProjectType) Fail("finding the stand-ins' exports", E_NOINTERFACE);
  IClassFactory* factory = nullptr;
  Check(getClassObject(kClsidAppServices, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
        "the stand-in's class object");
  IAppServices* services = nullptr;
  Check(factory->CreateInstance(nullptr, kIidAppServices, reinterpret_cast<void**>(&services)),
        "creating the stand-in");
  IAppFolders* folders = nullptr;
  Check(services->QueryInterface(kIidAppFolders, reinterpret_cast<void**>(&folders)),
        "IAppFolders");
  const double seconds = PerCall(repetitions, [&](int) {
    if (work == StandInWork::FileLookup) {
      long value = 0;
      Check(services->GetMatchVersion(&value), "GetMatchVersion");
      Check(services->GetMatchFolder(&value), "GetMatchFolder");
      activeProjectType();
    }
    BSTR text = nullptr;
    Check(services->GetSearchPathList(&text), "GetSearchPathList");
    SysFreeString(text);
    text = nullptr;
    Check(folders->GetExtraSearchPathList(&text), "GetExtraSearchPathList");
    SysFreeString(text);
    text = nullptr;
    Check(services->GetModuleFolderAt(0, &text), "GetModuleFolderAt");
    SysFreeString(text);
  });
  folders->Release();
  services->Release();
  factory->Release();
  return seconds;
}

}  // namespace bench
