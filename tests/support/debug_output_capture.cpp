#include "support/debug_output_capture.h"

#ifndef DBG_PRINTEXCEPTION_C
#define DBG_PRINTEXCEPTION_C 0x40010006
#endif

DebugOutputCapture* DebugOutputCapture::active_ = nullptr;

DebugOutputCapture::DebugOutputCapture() {
  active_ = this;
  handle_ = AddVectoredExceptionHandler(1, &DebugOutputCapture::Handler);
}

DebugOutputCapture::~DebugOutputCapture() {
  RemoveVectoredExceptionHandler(handle_);
  active_ = nullptr;
}

std::string DebugOutputCapture::Joined() const {
  std::string all;
  for (const auto& piece : pieces_) all += piece;
  return all;
}

LONG CALLBACK DebugOutputCapture::Handler(EXCEPTION_POINTERS* info) {
  const EXCEPTION_RECORD* record = info->ExceptionRecord;
  if (record->ExceptionCode != DBG_PRINTEXCEPTION_C || !active_ || record->NumberParameters < 2)
    return EXCEPTION_CONTINUE_SEARCH;
  const auto length = static_cast<size_t>(record->ExceptionInformation[0]);
  const auto* text = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
  // The length counts the terminating null.
  active_->pieces_.emplace_back(text, length ? length - 1 : 0);
  return EXCEPTION_CONTINUE_EXECUTION;
}
