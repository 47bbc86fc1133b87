#include "bench_support.h"

#include <psapi.h>

#include <cstdio>
#include <cstdlib>

namespace bench {

namespace {
const wchar_t kStandInKey[] = L"Software\\Quorvane\\Showloom\\StandInBench";
}

void Fail(const std::string& what, HRESULT code) {
  std::fprintf(stderr, "catalog_bench: %s failed (0x%08lX)\n", what.c_str(),
               static_cast<unsigned long>(code));
  std::fflush(stderr);
  std::exit(2);
}

void Check(HRESULT code, const char* what) {
  if (FAILED(code)) Fail(what, code);
}

void CheckMsi(UINT code, const char* what) {
  if (code != ERROR_SUCCESS) Fail(what, HRESULT_FROM_WIN32(code));
}

double Seconds() {
  static const LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

MemorySnapshot ProcessMemory() {
  PROCESS_MEMORY_COUNTERS_EX counters = {};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(GetCurrentProcess(),
                            reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                            sizeof counters)) {
    Fail("GetProcessMemoryInfo", HRESULT_FROM_WIN32(GetLastError()));
  }
  MemorySnapshot snapshot;
  snapshot.workingSet = static_cast<double>(counters.WorkingSetSize);

  MEMORY_BASIC_INFORMATION region;
  for (const char* address = nullptr;
       VirtualQuery(address, &region, sizeof region) == sizeof region;
       address = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) {
      snapshot.privateBytes += static_cast<double>(region.RegionSize);
    }
  }

  HANDLE heaps[256];
  const DWORD heapCount = GetProcessHeaps(256, heaps);
  for (DWORD h = 0; h < heapCount && h < 256; ++h) {
    if (!HeapLock(heaps[h])) continue;
    PROCESS_HEAP_ENTRY entry = {};
    while (HeapWalk(heaps[h], &entry)) {
      if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) snapshot.heapBytes += entry.cbData;
    }
    HeapUnlock(heaps[h]);
  }
  return snapshot;
}

const wchar_t* StandInKey() { return kStandInKey; }

namespace {
void SetValue(const wchar_t* name, DWORD type, const void* data, DWORD size) {
  HKEY key = nullptr;
  Check(HRESULT_FROM_WIN32(RegCreateKeyExW(HKEY_CURRENT_USER, kStandInKey, 0, nullptr, 0,
                                           KEY_SET_VALUE, nullptr, &key, nullptr)),
        "opening the stand-in key");
  const LONG written = RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
  RegCloseKey(key);
  Check(HRESULT_FROM_WIN32(written), "writing a stand-in value");
}
}  // namespace

void SetStandInText(const wchar_t* name, const std::wstring& value) {
  SetValue(name, REG_SZ, value.c_str(), static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void SetStandInNumber(const wchar_t* name, DWORD value) {
  SetValue(name, REG_DWORD, &value, sizeof value);
}

void RemoveStandInKey() { RegDeleteKeyW(HKEY_CURRENT_USER, kStandInKey); }

bool WriteResults(const std::wstring& path, const Results& results) {
  FILE* file = _wfopen(path.c_str(), L"w");
  if (!file) return false;
  for (const auto& [name, value] : results) std::fprintf(file, "%s %.9g\n", name.c_str(), value);
  return std::fclose(file) == 0;
}

Results ReadResults(const std::wstring& path) {
  Results results;
  FILE* file = _wfopen(path.c_str(), L"r");
  if (!file) return results;
  char name[128];
  double value = 0;
  while (std::fscanf(file, "%127s %lf", name, &value) == 2) results[name] = value;
  std::fclose(file);
  return results;
}

std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

}  // namespace bench
