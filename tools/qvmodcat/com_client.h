// What the inspector needs to be a plain automation client: owners of BSTRs and VARIANTs, the
// one error type, and the check that turns a failing call into it with the error information
// the component left on the thread.
#pragma once

#include "common/com_ref.h"  // header-only

#include <windows.h>
#include <oleauto.h>

#include <stdexcept>
#include <string>
#include <utility>

namespace qvmodcat {

// Owns one BSTR.
class Bstr {
 public:
  Bstr() noexcept = default;
  explicit Bstr(const std::wstring& text) : text_(SysAllocStringLen(text.data(), Size(text))) {
    if (!text_) throw std::bad_alloc();
  }
  Bstr(Bstr&& other) noexcept : text_(std::exchange(other.text_, nullptr)) {}
  Bstr& operator=(Bstr&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.text_, nullptr));
    return *this;
  }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  ~Bstr() { Reset(); }

  void Reset(BSTR owned = nullptr) noexcept {
    if (text_) SysFreeString(text_);
    text_ = owned;
  }
  BSTR* Put() noexcept {
    Reset();
    return &text_;
  }
  BSTR Get() const noexcept { return text_; }
  std::wstring Text() const { return text_ ? std::wstring(text_, SysStringLen(text_)) : L""; }

 private:
  static UINT Size(const std::wstring& text) { return static_cast<UINT>(text.size()); }
  BSTR text_ = nullptr;
};

// Owns one VARIANT (a collection position here), cleared when it goes away.
class Variant {
 public:
  Variant() noexcept { VariantInit(&value_); }
  explicit Variant(long number) noexcept {
    VariantInit(&value_);
    value_.vt = VT_I4;
    value_.lVal = number;
  }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  ~Variant() { VariantClear(&value_); }

  const VARIANT& Get() const noexcept { return value_; }

 private:
  VARIANT value_;
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
