// Progress of a run on standard error, only at a terminal: after a second one line, rewritten
// in place ("qvmodcat check: reading the modules' tables 812/2000 modules, 14 s"), ended
// before anything else is written and when the run ends or is interrupted.  main makes one
// for the run; the steps of the commands report to it through the functions below.
#pragma once

#include "interrupt.h"

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace qvmodcat {

class Progress : private InterruptCleanup {
 public:
  // Shows nothing unless standard error is a terminal.  The run's progress while it lives.
  explicit Progress(std::wstring title);
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  void Phase(const std::wstring& what, size_t total, const wchar_t* unit);
  void Advance(size_t done);
  // The line goes for good.
  void Finish();

 private:
  void Run();
  void Wipe();  // under mutex_
  void Undo() noexcept override;

  std::wstring title_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::wstring what_;
  std::wstring unit_;
  size_t done_ = 0;
  size_t total_ = 0;
  size_t shownLength_ = 0;
  bool stop_ = false;
  std::thread thread_;
};

// What the run does now and how many of what it counts ("packages"; total 0: not counted).
// Nothing happens without a progress of the run.
void ProgressPhase(const std::wstring& what, size_t total = 0, const wchar_t* unit = L"");
void ProgressAdvance(size_t done);

}  // namespace qvmodcat
