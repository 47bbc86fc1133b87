// Ctrl+C, Ctrl+Break and a closed console end the tool at once: whatever the run changed is
// put back first.  The process then ends without unloading its libraries, so that nothing
// runs down the component while the main thread is still inside it.
#pragma once

namespace qvmodcat {

// Exit code of an interrupted run, as shells give it.
constexpr int kInterrupted = 130;

// Something the run changed and puts back itself, or on an interrupt.
class InterruptCleanup {
 public:
  virtual void Undo() noexcept = 0;

 protected:
  ~InterruptCleanup() = default;
};

// Installs the console handler; once, at the start.
void HandleInterrupts();

// While registered, the cleanup runs when the run is interrupted (the latest first).  Its
// own changes are made under InterruptLock, so an interrupt never sees them half made.
void RegisterCleanup(InterruptCleanup* cleanup);
void UnregisterCleanup(InterruptCleanup* cleanup);

class InterruptLock {
 public:
  InterruptLock();
  ~InterruptLock();
  InterruptLock(const InterruptLock&) = delete;
  InterruptLock& operator=(const InterruptLock&) = delete;
};

}  // namespace qvmodcat
