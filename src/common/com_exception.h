// com_exception: the one error type inside the component, and ThrowIfFailed, which raises it.
//
// Every HRESULT that a COM, automation, installer or companion call returns goes through
// ThrowIfFailed.  Automation methods catch com_exception at their boundary (com/boundary.h)
// and turn it into an HRESULT with error information for the client.
#pragma once

#include <windows.h>

#include <exception>
#include <string>

// Where a failure came from, for the few places that treat some failures differently: the
// package scan skips packages whose installer automation calls fail.
enum class ErrorOrigin { Component, InstallerAutomation };

class com_exception : public std::exception {
 public:
  com_exception(HRESULT code, std::string description, const GUID& interfaceId = GUID{},
                ErrorOrigin origin = ErrorOrigin::Component);

  const char* what() const noexcept override { return description_.c_str(); }
  const std::string& Description() const noexcept { return description_; }
  HRESULT Code() const noexcept { return code_; }
  const GUID& InterfaceId() const noexcept { return interfaceId_; }
  ErrorOrigin Origin() const noexcept { return origin_; }

 private:
  std::string description_;
  HRESULT code_;
  GUID interfaceId_;
  ErrorOrigin origin_;
};

// Raises com_exception for a failing (negative) HRESULT.  The description is taken from the
// thread's error information when there is some (which this also clears), else from the
// system's message text for the code, else "Unknown error".
void ThrowIfFailed(HRESULT code, ErrorOrigin origin = ErrorOrigin::Component);

// Raises com_exception with a description of our own; the thread's error information is left
// alone.
[[noreturn]] void ThrowComError(HRESULT code, const std::string& description);

// The system's message text for an HRESULT (FormatMessageA, from the system tables, inserts
// ignored); empty when the system has none.
std::string SystemMessageText(HRESULT code);

// The Win32 facility HRESULT of a positive error code (low 16 bits); a negative code is taken
// as an HRESULT already and 0 stays 0.
HRESULT HresultFromWin32Code(long code) noexcept;
