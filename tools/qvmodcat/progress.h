// Progress of a long run on standard error, only at a terminal: after two seconds one line,
// rewritten in place ("qvmodcat check: reading packages 812 of 2000, 14 s"), and wiped when
// the run ends or is interrupted.
#pragma once

#include "interrupt.h"

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace qvmodcat {

class Progress : private InterruptCleanup {
 public:
  // Shows nothing unless standard error is a terminal.
  explicit Progress(std::wstring title);
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // What the run does now, and how many steps it has (0: not counted).
  void Phase(const std::wstring& what, size_t total = 0);
  void Advance(size_t done);
  // The line goes; before the answer is written.
  void Finish();

 private:
  void Run();
  void Wipe();  // under mutex_
  void Undo() noexcept override;

  std::wstring title_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::wstring what_;
  size_t done_ = 0;
  size_t total_ = 0;
  size_t shownLength_ = 0;
  bool stop_ = false;
  std::thread thread_;
};

}  // namespace qvmodcat
