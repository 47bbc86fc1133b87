// Restores the thread's last-error value when it goes out of scope.
#pragma once

#include <windows.h>

class LastErrorGuard {
 public:
  LastErrorGuard() noexcept : saved_(GetLastError()) {}
  ~LastErrorGuard() { SetLastError(saved_); }
  LastErrorGuard(const LastErrorGuard&) = delete;
  LastErrorGuard& operator=(const LastErrorGuard&) = delete;

 private:
  DWORD saved_;
};
