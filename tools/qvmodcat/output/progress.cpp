#include "progress.h"

#include "console.h"

#include <windows.h>

#include <atomic>

namespace qvmodcat {

namespace {

constexpr auto kQuietTime = std::chrono::seconds(1);
constexpr auto kRefresh = std::chrono::milliseconds(250);

std::atomic<Progress*> current{nullptr};

void EndCurrent() {
  if (Progress* progress = current.load()) progress->Finish();
}

// A console (under Wine, a terminal is one).
bool ErrorIsTerminal() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

}  // namespace

Progress::Progress(std::wstring title) : title_(std::move(title)) {
  if (!ErrorIsTerminal()) return;
  RegisterCleanup(this);
  current = this;
  SetBeforeOutput(EndCurrent);
  thread_ = std::thread([this] { Run(); });
}

Progress::~Progress() {
  Finish();
  Progress* self = this;
  current.compare_exchange_strong(self, nullptr);
}

void Progress::Finish() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  thread_.join();
  UnregisterCleanup(this);
}

void Progress::Phase(const std::wstring& what, size_t total, const wchar_t* unit) {
  std::lock_guard<std::mutex> lock(mutex_);
  what_ = what;
  total_ = total;
  unit_ = unit;
  done_ = 0;
}

void Progress::Advance(size_t done) {
  std::lock_guard<std::mutex> lock(mutex_);
  done_ = done;
}

void Progress::Run() {
  const auto start = std::chrono::steady_clock::now();
  std::unique_lock<std::mutex> lock(mutex_);
  if (wake_.wait_for(lock, kQuietTime, [this] { return stop_; })) return;
  std::wstring shown;
  while (!stop_) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
                             std::chrono::steady_clock::now() - start).count();
    std::wstring line = title_ + L": " + what_;
    if (total_)
      line += L" " + std::to_wstring(done_) + L"/" + std::to_wstring(total_) + L" " + unit_;
    line += L", " + std::to_wstring(seconds) + L" s";
    if (line != shown) {
      shown = line;
      const size_t length = line.size();
      if (length < shownLength_) line.append(shownLength_ - length, L' ');
      WriteStatus(L"\r" + line);
      shownLength_ = length;
    }
    wake_.wait_for(lock, kRefresh, [this] { return stop_; });
  }
  Wipe();
}

void Progress::Wipe() {
  if (shownLength_) WriteStatus(L"\r" + std::wstring(shownLength_, L' ') + L"\r");
  shownLength_ = 0;
}

void Progress::Undo() noexcept {
  // The run ends at once: the line goes, the thread with the process.
  if (mutex_.try_lock()) {
    Wipe();
    mutex_.unlock();
  }
}

void ProgressPhase(const std::wstring& what, size_t total, const wchar_t* unit) {
  if (Progress* progress = current.load()) progress->Phase(what, total, unit);
}

void ProgressAdvance(size_t done) {
  if (Progress* progress = current.load()) progress->Advance(done);
}

}  // namespace qvmodcat
