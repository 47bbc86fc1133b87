// Captures what the code under test writes with OutputDebugStringA, piece by piece.
//
// OutputDebugStringA raises DBG_PRINTEXCEPTION_C before it looks for a debugger (on Windows
// and under Wine); a vectored handler sees each piece first.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class DebugOutputCapture {
 public:
  DebugOutputCapture();
  ~DebugOutputCapture();
  DebugOutputCapture(const DebugOutputCapture&) = delete;
  DebugOutputCapture& operator=(const DebugOutputCapture&) = delete;

  const std::vector<std::string>& Pieces() const { return pieces_; }
  std::string Joined() const;

 private:
  static LONG CALLBACK Handler(EXCEPTION_POINTERS* info);
  static DebugOutputCapture* active_;
  void* handle_;
  std::vector<std::string> pieces_;
};
