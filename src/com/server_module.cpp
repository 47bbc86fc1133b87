#include "com/server_module.h"

#include "com/class_table.h"
#include "common/component_instance.h"

ServerModule::ServerModule() noexcept
    : instance_(ComponentInstance()) {
  InitializeCriticalSection(&typeInfoLock_);
  InitializeCriticalSection(&classTableLock_);
}

void ServerModule::AddTermination(TerminationCallback callback, void* argument) {
  terminations_.emplace_front(callback, argument);
}

void ServerModule::ProcessAttach(HINSTANCE instance, ClassTable& classes) noexcept {
  instance_ = instance;
  classes_ = &classes;
  lockCount_ = 0;
  for (ClassEntry& entry : classes) entry.StartStop(true);
  DisableThreadLibraryCalls(instance);
}

void ServerModule::ProcessDetach() noexcept {
  if (classes_) {
    for (ClassEntry& entry : *classes_) {
      if (IUnknown* factory = entry.CachedFactory) {
        entry.CachedFactory = nullptr;
        factory->Release();
      }
      entry.StartStop(false);
    }
  }
  if (locksAlive_) {
    locksAlive_ = false;
    DeleteCriticalSection(&typeInfoLock_);
    DeleteCriticalSection(&classTableLock_);
  }
  for (auto& [callback, argument] : terminations_) callback(argument);
  terminations_.clear();
}

ServerModule& Server() noexcept {
  static ServerModule module;
  return module;
}
