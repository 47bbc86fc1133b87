// The one boundary idiom of every automation method:
//
//   STDMETHODIMP Thing::Method(BSTR* out) {
//     return ComBoundary(MergeModule2Errors, [&] { ...; return S_OK; });
//   }
//
// A com_exception becomes the reporter's HRESULT with error information.  No other C++
// exception may cross the COM boundary either: allocation failures become E_OUTOFMEMORY and
// anything else E_UNEXPECTED, both reported the same way.
#pragma once

#include "common/com_exception.h"

#include <windows.h>

#include <exception>
#include <new>

template <class Reporter, class Body>
HRESULT ComBoundary(const Reporter& reporter, Body&& body) noexcept {
  try {
    return body();
  } catch (const com_exception& error) {
    return reporter.ReportComException(error);
  } catch (const std::bad_alloc&) {
    return reporter.ReportComException(com_exception(E_OUTOFMEMORY, "Out of memory."));
  } catch (const std::exception& error) {
    return reporter.ReportComException(com_exception(E_UNEXPECTED, error.what()));
  } catch (...) {
    return reporter.ReportComException(com_exception(E_UNEXPECTED, "Unexpected internal error."));
  }
}
