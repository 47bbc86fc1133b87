// ServerModule: the process-wide state of the component server.
//
// One per process, filled at library load (ProcessAttach) and torn down at unload
// (ProcessDetach).  Every automation object counts itself in ModuleLockCount from construction
// to destruction (ObjectLock); server locks and handed-out class factories count there too.
// DllCanUnloadNow answers from that count.
#pragma once

#include <windows.h>

#include <forward_list>
#include <utility>

struct ClassTable;

class ServerModule {
 public:
  using TerminationCallback = void (*)(void* argument);

  ServerModule() noexcept;
  ~ServerModule() = default;  // the locks are deleted by ProcessDetach, not at C++ exit
  ServerModule(const ServerModule&) = delete;
  ServerModule& operator=(const ServerModule&) = delete;

  HINSTANCE Instance() const noexcept { return instance_; }
  const GUID& TypeLibraryId() const noexcept { return libid_; }

  LONG Lock() noexcept { return InterlockedIncrement(&lockCount_); }
  LONG Unlock() noexcept { return InterlockedDecrement(&lockCount_); }
  LONG LockCount() const noexcept { return lockCount_; }

  CRITICAL_SECTION& TypeInfoLock() noexcept { return typeInfoLock_; }
  CRITICAL_SECTION& ClassTableLock() noexcept { return classTableLock_; }

  // Runs `callback(argument)` at unload.  Callers hold the type information lock.
  void AddTermination(TerminationCallback callback, void* argument);

  // The composition root hands in its class table (start and stop hooks, cached factories).
  void ProcessAttach(HINSTANCE instance, ClassTable& classes) noexcept;
  // The registered type library the interfaces' type information comes from.  Given from
  // static initialisation by the layer that defines the classes, so that programs that create
  // objects without the library entry (test programs) have it too.
  void UseTypeLibrary(const GUID& libid) noexcept { libid_ = libid; }
  void ProcessDetach() noexcept;

 private:
  HINSTANCE instance_ = nullptr;
  ClassTable* classes_ = nullptr;
  volatile LONG lockCount_ = 0;
  CRITICAL_SECTION typeInfoLock_;
  CRITICAL_SECTION classTableLock_;
  std::forward_list<std::pair<TerminationCallback, void*>> terminations_;
  GUID libid_{};
  bool locksAlive_ = true;
};

// The component's one ServerModule.  Usable from static initialisation on (test programs that
// link the component have no library entry).
ServerModule& Server() noexcept;

// Holds one count in ModuleLockCount for as long as it lives; a base of every automation
// object, so that the count follows construction and destruction.
class ObjectLock {
 public:
  ObjectLock() noexcept { Server().Lock(); }
  ObjectLock(const ObjectLock&) noexcept { Server().Lock(); }
  ObjectLock& operator=(const ObjectLock&) noexcept { return *this; }
  ~ObjectLock() { Server().Unlock(); }
};

// Critical section guard.
class CriticalSectionGuard {
 public:
  explicit CriticalSectionGuard(CRITICAL_SECTION& section) noexcept : section_(section) {
    EnterCriticalSection(&section_);
  }
  ~CriticalSectionGuard() { LeaveCriticalSection(&section_); }
  CriticalSectionGuard(const CriticalSectionGuard&) = delete;
  CriticalSectionGuard& operator=(const CriticalSectionGuard&) = delete;

 private:
  CRITICAL_SECTION& section_;
};
