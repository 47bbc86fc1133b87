#include "catalog_measure.h"

#include "cache/cache_settings.h"

#include "class_ids.h"
#include "package_set.h"
#include "platform_floors.h"
#include "qvmodcat.h"

#include <windows.h>
#include <oleauto.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace bench {

namespace {

class Bstr {
 public:
  explicit Bstr(const std::string& text) : text_(SysAllocString(Widen(text).c_str())) {}
  ~Bstr() { SysFreeString(text_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  Bstr(Bstr&& other) noexcept : text_(other.text_) { other.text_ = nullptr; }
  BSTR Get() const { return text_; }

 private:
  BSTR text_;
};

template <class T>
void Release(T*& object) {
  if (object) object->Release();
  object = nullptr;
}

struct Catalog {
  IMMCatalogManager* manager = nullptr;
  IMMCatalog* catalog = nullptr;
  ~Catalog() {
    Release(catalog);
    Release(manager);
  }
};

// What the environment does: the manager from the registration, then its catalog.
void CreateCatalog(Catalog& made) {
  Check(CoCreateInstance(kClsidMMCatalogManager, nullptr, CLSCTX_INPROC_SERVER,
                         __uuidof(IMMCatalogManager), reinterpret_cast<void**>(&made.manager)),
        "CoCreateInstance(MMCatalogManager)");
  IUnknown* unknown = nullptr;
  Check(made.manager->GetCatalog(1, &unknown), "GetCatalog");
  Check(unknown->QueryInterface(__uuidof(IMMCatalog), reinterpret_cast<void**>(&made.catalog)),
        "IMMCatalog");
  unknown->Release();
}

IUnknown* Modules(IMMCatalog* catalog) {
  IUnknown* list = nullptr;
  Check(catalog->GetModules(&list), "GetModules");
  return list;
}

long ModuleCount(IUnknown* list) {
  IMergeModuleCollection* collection = nullptr;
  Check(list->QueryInterface(__uuidof(IMergeModuleCollection),
                             reinterpret_cast<void**>(&collection)),
        "IMergeModuleCollection");
  long count = 0;
  Check(collection->get_Count(&count), "Count");
  collection->Release();
  return count;
}

std::string ModuleVersion(IMMCatalog* catalog, int index) {
  const Bstr key(ModuleKey(index)), language("");
  IDispatch* found = nullptr;
  Check(catalog->GetModule(key.Get(), language.Get(), &found), "GetModule");
  if (!found) Fail("GetModule found no module for " + ModuleKey(index), E_FAIL);
  IMergeModule2* module = nullptr;
  Check(found->QueryInterface(__uuidof(IMergeModule2), reinterpret_cast<void**>(&module)),
        "IMergeModule2");
  BSTR version = nullptr;
  Check(module->get_Version(&version), "Version");
  const std::wstring text(version, SysStringLen(version));
  SysFreeString(version);
  module->Release();
  found->Release();
  return std::string(text.begin(), text.end());
}

struct Lookup {
  int package;
  int file;
  std::string destination;
};

// `count` file names spread evenly over the packages, each with its real destination.
std::vector<Lookup> Lookups(int packages, int count) {
  std::vector<Lookup> lookups;
  for (int c = 0; c < count; ++c) {
    const int package = static_cast<int>(static_cast<long long>(c) * packages / count);
    const int file = (c * 7) % kFilesPerPackage;
    const std::string folder = FileFolder(package, file);
    const std::string separator = folder.back() == ']' ? "" : "\\";
    lookups.push_back({package, file, folder + separator + FileLongName(package, file)});
  }
  return lookups;
}

void FindModule(IMMCatalog* catalog, const Bstr& destination, const Bstr& language,
                int expectedPackage) {
  const BSTR noVersion = nullptr;  // an empty version; versions are not compared here
  IDispatch* module = nullptr;
  long found = 0;
  Check(catalog->FindModuleForFile(destination.Get(), noVersion, language.Get(), &module,
                                   &found),
        "FindModuleForFile");
  if (!found || !module) {
    Fail("FindModuleForFile found nothing for package " + std::to_string(expectedPackage),
         E_FAIL);
  }
  module->Release();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void SetCatalogStandIns(const MeasureOptions& options) {
  SetStandInText(L"ProductFolder", options.root);
  SetStandInText(L"ModulesIniFolder", options.root);
  SetStandInText(L"FilesIniFolder", options.root);
  SetStandInNumber(L"MatchFolder", 0);
  SetStandInNumber(L"MatchVersion", 0);
}

// The cache file's own costs, outside the catalog: loading it whole, and writing it again after
// one entry changed (every entry's package is asked for its stamp, then the file is replaced).
void MeasureCacheFile(const MeasureOptions& options, Results& results) {
  PackageCache cache(ReadPackageCacheFolder());
  double start = Seconds();
  if (cache.EntryCount() != static_cast<size_t>(options.packages))
    Fail("the cache holds " + std::to_string(cache.EntryCount()) + " entries", E_FAIL);
  results["cache.load"] = Seconds() - start;
  const WideString path = (options.folder + L"\\" + PackageFileName(0)).c_str();
  PackageStamp stamp;
  ReadPackageStamp(path, stamp);
  ModuleRecord record;
  record.InitFromPackage(path);
  start = Seconds();
  cache.Remember(record, stamp);
  if (!cache.Flush()) Fail("the cache file could not be written", E_FAIL);
  results["cache.write"] = Seconds() - start;
}

}  // namespace

Results MeasureCatalog(const MeasureOptions& options) {
  Results results;
  const int n = options.packages;
  results["packages"] = n;
  const std::wstring empty = options.root + L"\\empty";
  CreateDirectoryW(empty.c_str(), nullptr);
  SetCatalogStandIns(options);

  // Loading is not what is measured: the component and its companions (on an empty folder),
  // msi.dll and the installer automation object's type information are loaded once first.
  // Releasing that catalog empties the module store again.
  SetStandInText(L"SearchPathList", empty);
  {
    Catalog warmUp;
    CreateCatalog(warmUp);
    Release(warmUp.catalog);
  }
  RawPackageRead(options.folder + L"\\" + PackageFileName(0));
  AutomationPackageReadOnce(options.folder + L"\\" + PackageFileName(0));

  // 1. Cold creation, and memory before and after the first one.  The machine is shared, so
  // the creation and its floors are measured side by side in rounds (the best of each
  // counts); a released catalog empties the module store, so every round reads every package.
  SetStandInText(L"SearchPathList", options.folder);
  Catalog made;
  double coldBest = 0, rawBest = 0, automationBest = 0;
  for (int round = 0; round < options.coldRounds; ++round) {
    const double raw = RawPackageReads(options.folder);
    const double automation = AutomationPackageReads(options.folder);
    Release(made.catalog);
    Release(made.manager);
    const MemorySnapshot before = ProcessMemory();
    const double start = Seconds();
    CreateCatalog(made);
    const double cold = Seconds() - start;
    if (round == 0) {
      const MemorySnapshot after = ProcessMemory();
      results["cold.first"] = cold;
      results["mem.private_per_package"] = (after.privateBytes - before.privateBytes) / n;
      results["mem.ws_per_package"] = (after.workingSet - before.workingSet) / n;
      results["mem.heap_per_package"] = (after.heapBytes - before.heapBytes) / n;
    }
    coldBest = round == 0 ? cold : std::min(coldBest, cold);
    rawBest = round == 0 ? raw : std::min(rawBest, raw);
    automationBest = round == 0 ? automation : std::min(automationBest, automation);
  }
  results["cold"] = coldBest;
  results["floor.read_all"] = rawBest;
  results["floor.read_all_automation"] = automationBest;
  const MemorySnapshot afterCold = ProcessMemory();
  IMMCatalog* catalog = made.catalog;
  IUnknown* list = Modules(catalog);
  if (ModuleCount(list) != n) Fail("the catalog lists " + std::to_string(ModuleCount(list)) +
                                   " modules instead of " + std::to_string(n), E_FAIL);

  // 4a. The first file lookup reads every file list: a name of the last package.
  const Bstr language("1033");
  {
    const int file = 3;
    const std::string folder = FileFolder(n - 1, file);
    const Bstr destination(folder + "\\" + FileLongName(n - 1, file));
    const double start = Seconds();
    FindModule(catalog, destination, language, n - 1);
    results["find.first"] = Seconds() - start;
  }
  const MemorySnapshot afterFiles = ProcessMemory();
  results["mem.private_files_per_package"] = (afterFiles.privateBytes - afterCold.privateBytes) / n;
  results["mem.ws_files_per_package"] = (afterFiles.workingSet - afterCold.workingSet) / n;
  results["mem.heap_files_per_package"] = (afterFiles.heapBytes - afterCold.heapBytes) / n;

  // 2. Warm refresh.  An unchanged collection object means nothing was read or rebuilt: any
  // package read (a new or newer file) marks the catalog dirty and rebuilds the collection.
  const int refreshes = 50;
  int rebuilt = 0;
  results["warm_refresh"] = PerCall(refreshes, [&](int) {
    IUnknown* again = Modules(catalog);
    if (again != list) ++rebuilt;
    again->Release();
  });
  results["warm_refresh.rebuilds"] = rebuilt;
  int listed = 0;
  results["floor.listing"] =
      PerCall(refreshes, [&](int) { listed = ListPackages(options.folder); });
  if (listed != n) Fail("the bare listing found " + std::to_string(listed) + " packages", E_FAIL);
  results["floor.standin_calls"] = StandInCalls(StandInWork::Refresh, refreshes);
  results["floor.standin_lookup_calls"] = StandInCalls(StandInWork::FileLookup, refreshes);

  // 5. GetModule with a full key, and with ":0" (the language fallback enumerates the modules).
  {
    std::vector<Bstr> full, neutral;
    for (int i = 0; i < 100; ++i) {
      const int package = i * n / 100;
      full.emplace_back(ModuleKey(package));
      neutral.emplace_back(ModuleId(package) + ":0");
    }
    const Bstr noLanguage("");
    auto get = [&](const Bstr& key) {
      IDispatch* module = nullptr;
      Check(catalog->GetModule(key.Get(), noLanguage.Get(), &module), "GetModule");
      if (!module) Fail("GetModule found nothing", E_FAIL);
      module->Release();
    };
    results["getmodule.key"] = PerCall(1000, [&](int i) { get(full[i % 100]); });
    results["getmodule.fallback"] = PerCall(200, [&](int i) { get(neutral[i % 100]); });
  }

  // 4b. Warm file lookups, folders off and on, over names spread evenly over the packages.
  const std::vector<Lookup> lookups = Lookups(n, options.lookups);
  std::vector<Bstr> destinations;
  for (const Lookup& lookup : lookups) destinations.emplace_back(lookup.destination);
  results["find.warm_off"] = PerCall(static_cast<int>(lookups.size()), [&](int i) {
    FindModule(catalog, destinations[i], language, lookups[i].package);
  });
  {
    // A name of the first package costs what every lookup costs before its scan (switches,
    // destination split, folder store refresh); one of the last package adds the scan over
    // every file list.  Timed alternately so that both see the same machine.
    const int file = 5;
    const Bstr first(FileFolder(0, file) + "\\" + FileLongName(0, file));
    const Bstr last(FileFolder(n - 1, file) + "\\" + FileLongName(n - 1, file));
    double firstTotal = 0, lastTotal = 0;
    for (int i = 0; i < 100; ++i) {
      double start = Seconds();
      FindModule(catalog, first, language, 0);
      firstTotal += Seconds() - start;
      start = Seconds();
      FindModule(catalog, last, language, n - 1);
      lastTotal += Seconds() - start;
    }
    results["find.warm_off_first"] = firstTotal / 100;
    results["find.warm_off_last"] = lastTotal / 100;
  }
  SetStandInNumber(L"MatchFolder", 1);
  results["find.warm_on"] = PerCall(static_cast<int>(lookups.size()), [&](int i) {
    FindModule(catalog, destinations[i], language, lookups[i].package);
  });
  SetStandInNumber(L"MatchFolder", 0);
  std::vector<FolderProbe> probes;
  for (const Lookup& lookup : lookups) {
    probes.push_back({options.folder + L"\\" + PackageFileName(lookup.package),
                      FileDirectoryKey(lookup.package, lookup.file),
                      FileFolder(lookup.package, lookup.file)});
  }
  results["floor.walk"] = RawDirectoryWalks(probes);

  // 3. Refresh after one package was rewritten (the rewrite itself is not timed).
  std::vector<double> changed, oneRead;
  for (int revision = 1; revision <= 3; ++revision) {
    RewritePackage(options.folder, 0, revision);
    double start = Seconds();
    IUnknown* again = Modules(catalog);
    changed.push_back(Seconds() - start);
    if (again == list) Fail("the collection was not rebuilt after a package changed", E_FAIL);
    Release(list);
    list = again;
    if (ModuleVersion(catalog, 0) != PackageVersion(0, revision)) {
      Fail("the rewritten package was not read again", E_FAIL);
    }
    start = Seconds();
    ListPackages(options.folder);
    RawPackageRead(options.folder + L"\\" + PackageFileName(0));
    oneRead.push_back(Seconds() - start);
  }
  results["changed_refresh"] = Median(changed);
  results["floor.changed"] = Median(oneRead);
  Release(list);
  return results;
}

Results MeasureCachedStart(const MeasureOptions& options, CachePhase phase) {
  Results results;
  const int n = options.packages;
  SetCatalogStandIns(options);
  // Loading the libraries is not measured (as for the cold creation): an empty folder first.
  const std::wstring empty = options.root + L"\\empty";
  CreateDirectoryW(empty.c_str(), nullptr);
  SetStandInText(L"SearchPathList", empty);
  {
    Catalog warmUp;
    CreateCatalog(warmUp);
  }
  SetStandInText(L"SearchPathList", options.folder);
  // The processes that read every package are compared with the automation floor measured
  // beside them, in the same process, just before.
  if (phase != CachePhase::Valid)
    results[phase == CachePhase::Fill ? "cache.floor_empty" : "cache.floor_invalid"] =
        AutomationPackageReads(options.folder);
  const char* name = phase == CachePhase::Fill    ? "cache.cold_empty"
                     : phase == CachePhase::Valid ? "cache.cold_valid"
                                                  : "cache.cold_invalid";
  Catalog made;
  double start = Seconds();
  CreateCatalog(made);
  results[name] = Seconds() - start;
  IUnknown* list = Modules(made.catalog);
  const long count = ModuleCount(list);
  list->Release();
  if (count != n) Fail("the catalog lists " + std::to_string(count) + " modules", E_FAIL);
  if (phase == CachePhase::Invalid) return results;

  const Bstr destination(FileFolder(n - 1, 3) + "\\" + FileLongName(n - 1, 3)), language("1033");
  start = Seconds();
  FindModule(made.catalog, destination, language, n - 1);
  results[phase == CachePhase::Fill ? "cache.find_first_empty" : "cache.find_first_valid"] =
      Seconds() - start;
  if (phase == CachePhase::Valid) MeasureCacheFile(options, results);
  return results;
}

}  // namespace bench
