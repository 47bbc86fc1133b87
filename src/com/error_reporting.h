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

// One reporter per creatable class; the collection and item classes report as the class that
// hands them out.
extern const ErrorReporter MMCatalogErrors;
extern const ErrorReporter MMCatalogProErrors;
extern const ErrorReporter MergeModule2Errors;
extern const ErrorReporter MMCatalogManagerErrors;
