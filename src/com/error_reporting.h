// Turning a caught com_exception into what an automation client sees: a debugger trace,
// the thread's error information (source = the reporting class's versioned ProgID) and the
// HRESULT the method returns.
#pragma once

#include "common/com_exception.h"

#include <windows.h>

class ErrorReporter {
 public:
  constexpr explicit ErrorReporter(const CLSID& reportingClass) : class_(reportingClass) {}

  // Writes the trace "\nException caught: <code> = <description>" (in four pieces), installs
  // error information for the calling thread and returns the exception's code.
  HRESULT ReportComException(const com_exception& error) const noexcept;

 private:
  CLSID class_;
};

// Each creatable class has one reporter, defined by the layer that owns the class; the
// collection and item classes report as the class that hands them out.
