#include "report_table.h"

#include <cstdio>
#include <string>

namespace bench {

namespace {

double Value(const Results& results, const std::string& name) {
  const auto found = results.find(name);
  return found == results.end() ? 0.0 : found->second;
}

struct Row {
  const char* label;
  const char* measured;
  const char* less;     // subtracted from the measured value when set
  const char* floor;    // nullptr: no floor, the value itself is shown
  const char* floor2;   // added to the floor when set
  double scale;         // shown unit per second (or per byte)
  const char* unit;
  const char* target;
};

const Row kRows[] = {
    {"1 cold creation / raw msi reads", "cold", nullptr, "floor.read_all", nullptr, 1e3, "ms",
     "<= 1.3x"},
    {"1 cold creation / automation reads", "cold", nullptr, "floor.read_all_automation",
     nullptr, 1e3, "ms", ""},
    {"2 warm refresh / bare listing", "warm_refresh", nullptr, "floor.listing", nullptr, 1e6,
     "us", "<= 1.5x"},
    {"2 warm refresh / listing + stand-in calls", "warm_refresh", nullptr, "floor.listing",
     "floor.standin_calls", 1e6, "us", ""},
    {"3 refresh, one changed / listing + 1 read", "changed_refresh", nullptr, "floor.changed",
     nullptr, 1e3, "ms", ""},
    {"4 first FindModuleForFile (file lists)", "find.first", nullptr, nullptr, nullptr, 1e3,
     "ms", ""},
    {"4 warm FindModuleForFile, folders off", "find.warm_off", nullptr, nullptr, nullptr, 1e6,
     "us", ""},
    {"4 ... less the stand-ins' own time", "find.warm_off", "floor.standin_lookup_calls",
     nullptr, nullptr, 1e6, "us", "< 2000 us"},
    {"4 ... name in the first package", "find.warm_off_first", nullptr, nullptr, nullptr, 1e6,
     "us", ""},
    {"4 ... name in the last package", "find.warm_off_last", nullptr, nullptr, nullptr, 1e6,
     "us", ""},
    {"4 ... scan of every file list (last - first)", "find.warm_off_last", "find.warm_off_first",
     nullptr, nullptr, 1e6, "us", ""},
    {"4 warm FindModuleForFile, folders on / walk", "find.warm_on", nullptr, "floor.walk",
     nullptr, 1e6, "us", ""},
    {"4 ... / walk + warm lookup, folders off", "find.warm_on", nullptr, "floor.walk",
     "find.warm_off", 1e6, "us", ""},
    {"5 GetModule by full key", "getmodule.key", nullptr, nullptr, nullptr, 1e6, "us", ""},
    {"5 GetModule, language fallback", "getmodule.fallback", nullptr, nullptr, nullptr, 1e6,
     "us", ""},
    {"6 heap bytes per package record", "mem.heap_per_package", nullptr, nullptr, nullptr,
     1.0 / 1024, "KiB", "< 4 KiB"},
    {"6 private bytes per package record", "mem.private_per_package", nullptr, nullptr, nullptr,
     1.0 / 1024, "KiB", ""},
    {"6 working set per package record", "mem.ws_per_package", nullptr, nullptr, nullptr,
     1.0 / 1024, "KiB", ""},
    {"6 heap bytes per file list (20 files)", "mem.heap_files_per_package", nullptr, nullptr,
     nullptr, 1.0 / 1024, "KiB", ""},
    {"6 private bytes per file list (20 files)", "mem.private_files_per_package", nullptr,
     nullptr, nullptr, 1.0 / 1024, "KiB", ""},
    {"7 cold creation, valid cache / automation", "cache.cold_valid", nullptr,
     "floor.read_all_automation", nullptr, 1e3, "ms", "<= 0.05x"},
    {"7 ... / bare listing", "cache.cold_valid", nullptr, "floor.listing", nullptr, 1e3, "ms",
     ""},
    {"7 first FindModuleForFile, cached / read", "cache.find_first_valid", nullptr,
     "find.first", nullptr, 1e3, "ms", "<= 0.05x"},
    {"7 cold creation, damaged cache / automation", "cache.cold_invalid", nullptr,
     "cache.floor_invalid", nullptr, 1e3, "ms", "<= 1.1x"},
    {"7 cold creation, empty cache / automation", "cache.cold_empty", nullptr,
     "cache.floor_empty", nullptr, 1e3, "ms", ""},
    {"7 cache file load", "cache.load", nullptr, nullptr, nullptr, 1e3, "ms", ""},
    {"7 cache file write", "cache.write", nullptr, nullptr, nullptr, 1e3, "ms", ""},
    {"7 cache file bytes per package", "cache.bytes_per_package", nullptr, nullptr, nullptr,
     1.0 / 1024, "KiB", ""},
    {"7 qvmodcat list, second run", "qvmodcat.list_second", nullptr, nullptr, nullptr, 1.0, "s",
     "<= 2 s"},
    {"7 qvmodcat check, second run", "qvmodcat.check_second", nullptr, nullptr, nullptr, 1.0,
     "s", "<= 2 s"},
};

double MeasuredOf(const Row& row, const Results& results) {
  return Value(results, row.measured) - (row.less ? Value(results, row.less) : 0.0);
}

double FloorOf(const Row& row, const Results& results) {
  if (!row.floor) return 0;
  return Value(results, row.floor) + (row.floor2 ? Value(results, row.floor2) : 0.0);
}

}  // namespace

void PrintSize(const Results& r) {
  const int n = static_cast<int>(Value(r, "packages"));
  std::printf("\n%d packages\n", n);
  std::printf("  cold creation            %10.1f ms   raw msi reads %10.1f ms   "
              "automation reads %.1f ms   (best of rounds; first creation %.1f ms)\n",
              Value(r, "cold") * 1e3, Value(r, "floor.read_all") * 1e3,
              Value(r, "floor.read_all_automation") * 1e3, Value(r, "cold.first") * 1e3);
  std::printf("  warm refresh             %10.1f us   bare listing  %10.1f us   "
              "stand-in calls %.1f us (file lookup %.1f us)   rebuilds %g\n",
              Value(r, "warm_refresh") * 1e6, Value(r, "floor.listing") * 1e6,
              Value(r, "floor.standin_calls") * 1e6, Value(r, "floor.standin_lookup_calls") * 1e6,
              Value(r, "warm_refresh.rebuilds"));
  std::printf("  refresh, one changed     %10.1f ms   listing+read  %10.1f ms\n",
              Value(r, "changed_refresh") * 1e3, Value(r, "floor.changed") * 1e3);
  std::printf("  FindModuleForFile first  %10.1f ms   warm off %.1f us (first package %.1f us, "
              "last %.1f us)   warm on %.1f us   walk %.1f us\n",
              Value(r, "find.first") * 1e3, Value(r, "find.warm_off") * 1e6,
              Value(r, "find.warm_off_first") * 1e6, Value(r, "find.warm_off_last") * 1e6,
              Value(r, "find.warm_on") * 1e6,
              Value(r, "floor.walk") * 1e6);
  std::printf("  GetModule                %10.2f us   fallback %.1f us\n",
              Value(r, "getmodule.key") * 1e6, Value(r, "getmodule.fallback") * 1e6);
  std::printf("  package cache            cold creation: empty %.1f ms, valid %.1f ms, damaged "
              "%.1f ms; first FindModuleForFile: empty %.1f ms, valid %.1f ms; file load %.1f ms, "
              "write %.1f ms, %.2f KiB per package; qvmodcat second run: list %.2f s, check "
              "%.2f s\n",
              Value(r, "cache.cold_empty") * 1e3, Value(r, "cache.cold_valid") * 1e3,
              Value(r, "cache.cold_invalid") * 1e3, Value(r, "cache.find_first_empty") * 1e3,
              Value(r, "cache.find_first_valid") * 1e3, Value(r, "cache.load") * 1e3,
              Value(r, "cache.write") * 1e3, Value(r, "cache.bytes_per_package") / 1024,
              Value(r, "qvmodcat.list_second"), Value(r, "qvmodcat.check_second"));
  std::printf("  memory per package       record: heap %.2f KiB, private %.2f KiB, working set "
              "%.2f KiB; file list: heap %.2f KiB, private %.2f KiB, working set %.2f KiB\n",
              Value(r, "mem.heap_per_package") / 1024, Value(r, "mem.private_per_package") / 1024,
              Value(r, "mem.ws_per_package") / 1024, Value(r, "mem.heap_files_per_package") / 1024,
              Value(r, "mem.private_files_per_package") / 1024,
              Value(r, "mem.ws_files_per_package") / 1024);
  std::fflush(stdout);
}

void PrintTable(const std::vector<Results>& sizes) {
  if (sizes.empty()) return;
  std::printf("\n%-44s", "operation (value, ratio to floor)");
  for (const Results& r : sizes) std::printf(" %19s", ("N=" + std::to_string(
      static_cast<int>(Value(r, "packages")))).c_str());
  const double first = Value(sizes.front(), "packages"), last = Value(sizes.back(), "packages");
  std::printf("  growth (N x%.0f)  target\n", last / first);
  for (const Row& row : kRows) {
    std::printf("%-44s", row.label);
    for (const Results& r : sizes) {
      const double value = MeasuredOf(row, r);
      char cell[64];
      if (row.floor) {
        std::snprintf(cell, sizeof cell, "%.4g %s %5.2fx", value * row.scale, row.unit,
                      value / FloorOf(row, r));
      } else {
        std::snprintf(cell, sizeof cell, "%.4g %s", value * row.scale, row.unit);
      }
      std::printf(" %19s", cell);
    }
    const double grownFrom = MeasuredOf(row, sizes.front());
    const double grownTo = MeasuredOf(row, sizes.back());
    std::printf("  %8.2fx         %s\n", grownFrom > 0 ? grownTo / grownFrom : 0.0, row.target);
  }
  std::fflush(stdout);
}

}  // namespace bench
