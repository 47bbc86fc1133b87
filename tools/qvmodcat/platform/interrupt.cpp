#include "interrupt.h"

#include "console.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace qvmodcat {

namespace {

CRITICAL_SECTION& Lock() {
  static CRITICAL_SECTION lock = [] {
    CRITICAL_SECTION section;
    InitializeCriticalSection(&section);
    return section;
  }();
  return lock;
}

std::vector<InterruptCleanup*>& Cleanups() {
  static std::vector<InterruptCleanup*> cleanups;
  return cleanups;
}

BOOL WINAPI OnConsoleEvent(DWORD) {
  EnterCriticalSection(&Lock());
  for (auto it = Cleanups().rbegin(); it != Cleanups().rend(); ++it) (*it)->Undo();
  WriteStatus(L"\nqvmodcat: interrupted\n");
  TerminateProcess(GetCurrentProcess(), kInterrupted);
  return TRUE;
}

}  // namespace

void HandleInterrupts() {
  Lock();
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

void RegisterCleanup(InterruptCleanup* cleanup) {
  InterruptLock lock;
  Cleanups().push_back(cleanup);
}

void UnregisterCleanup(InterruptCleanup* cleanup) {
  InterruptLock lock;
  auto& cleanups = Cleanups();
  cleanups.erase(std::remove(cleanups.begin(), cleanups.end(), cleanup), cleanups.end());
}

InterruptLock::InterruptLock() { EnterCriticalSection(&Lock()); }
InterruptLock::~InterruptLock() { LeaveCriticalSection(&Lock()); }

}  // namespace qvmodcat
