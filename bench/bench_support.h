// Small helpers shared by the benchmark's parts: failing loudly, a monotonic clock, process
// memory, the stand-in's state key and the numbers one measuring process hands back.
#pragma once

#include <windows.h>

#include <map>
#include <string>

namespace bench {

[[noreturn]] void Fail(const std::string& what, HRESULT code);
void Check(HRESULT code, const char* what);
void CheckMsi(UINT code, const char* what);

// Seconds from an arbitrary origin (QueryPerformanceCounter).
double Seconds();

// Times `calls` calls of `call`; returns seconds per call.
template <class Call>
double PerCall(int calls, Call&& call) {
  const double start = Seconds();
  for (int i = 0; i < calls; ++i) call(i);
  return (Seconds() - start) / calls;
}

// Bytes.  Wine leaves PrivateUsage of the memory counters at zero, so private bytes are
// summed from the committed private regions (VirtualQuery), and heap bytes from the busy
// blocks of every process heap (HeapWalk): what the allocations themselves hold.
struct MemorySnapshot {
  double workingSet = 0;
  double privateBytes = 0;
  double heapBytes = 0;
};
MemorySnapshot ProcessMemory();

// Values under the stand-in key this benchmark process uses (QV_STANDIN_KEY).
void SetStandInText(const wchar_t* name, const std::wstring& value);
void SetStandInNumber(const wchar_t* name, DWORD value);
const wchar_t* StandInKey();
void RemoveStandInKey();

// Named numbers handed from a measuring process to the one that prints the table.
using Results = std::map<std::string, double>;
bool WriteResults(const std::wstring& path, const Results& results);
Results ReadResults(const std::wstring& path);

std::wstring Widen(const std::string& text);

}  // namespace bench
