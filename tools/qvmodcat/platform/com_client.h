// What the inspector needs to be a plain automation client: BSTR text in and out, the one
// error type, and the check that turns a failing call into it with the error information
// the component left on the thread.
#pragma once

#include "common/bstr.h"  // the component's owners (qv_common, linked below qv_module)
#include "common/com_ref.h"
#include "common/variant.h"
#include "common/wide_string.h"

#include <windows.h>
#include <oleauto.h>

#include <stdexcept>
#include <string>
#include <utility>

namespace qvmodcat {

// A BSTR copy of text (owned); throws std::bad_alloc when it cannot be allocated.
UniqueBstr MakeBstr(const std::wstring& text);

// The text of a BSTR (empty for null).
std::wstring TextOf(const UniqueBstr& text);

// The text of the component's own string type, which the rules shared with it take and give.
inline std::wstring TextOf(const WideString& text) {
  return std::wstring(text.c_str(), text.Length());
}

// A VT_BSTR variant holding a copy of text.
class TextVariant : public UniqueVariant {
 public:
  explicit TextVariant(const std::wstring& text) {
    V_BSTR(&value_) = MakeBstr(text).Detach();
    V_VT(&value_) = VT_BSTR;
  }
};

// A failed call: what was asked, its HRESULT, and the error information that came with it
// (source and description; empty when the callee left none).
class ComError : public std::runtime_error {
 public:
  ComError(std::wstring call, HRESULT result, std::wstring source, std::wstring description)
      : std::runtime_error("COM call failed"),
        call_(std::move(call)),
        result_(result),
        source_(std::move(source)),
        description_(std::move(description)) {}

  const std::wstring& Call() const noexcept { return call_; }
  HRESULT Result() const noexcept { return result_; }
  const std::wstring& Source() const noexcept { return source_; }
  // The callee's description, or the system's text for the HRESULT when it gave none.
  const std::wstring& Description() const noexcept { return description_; }

 private:
  std::wstring call_;
  HRESULT result_;
  std::wstring source_;
  std::wstring description_;
};

// Throws ComError for a failing result, with the thread's error information.
void ThrowForResult(const wchar_t* what, HRESULT result);

// Runs one call on the component.  The thread's error information is cleared first, so that
// what GetErrorInfo finds after a failure belongs to this call.
template <class Call>
HRESULT Invoke(const wchar_t* what, Call call) {
  SetErrorInfo(0, nullptr);
  const HRESULT result = call();
  if (FAILED(result)) ThrowForResult(what, result);
  return result;
}

// The system's message for an HRESULT, without the trailing line break; empty when unknown.
std::wstring SystemMessage(HRESULT result);

// "0x80070002"
std::wstring HexResult(HRESULT result);

// COM on this thread for the life of the object (single-threaded apartment, as the
// authoring environment uses the component).
class ComApartment {
 public:
  ComApartment();
  ~ComApartment();
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
};

}  // namespace qvmodcat
