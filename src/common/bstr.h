// BSTR ownership and the adapters that let automation calls write into a WideString.
#pragma once

#include "common/wide_string.h"

#include <oleauto.h>

#include <string>
#include <utility>

// Owns one BSTR and frees it when it goes away.
class UniqueBstr {
 public:
  UniqueBstr() noexcept = default;
  explicit UniqueBstr(BSTR owned) noexcept : text_(owned) {}
  UniqueBstr(UniqueBstr&& other) noexcept : text_(std::exchange(other.text_, nullptr)) {}
  UniqueBstr& operator=(UniqueBstr&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.text_, nullptr));
    return *this;
  }
  UniqueBstr(const UniqueBstr&) = delete;
  UniqueBstr& operator=(const UniqueBstr&) = delete;
  ~UniqueBstr() { Reset(); }

  void Reset(BSTR owned = nullptr) noexcept {
    if (text_) SysFreeString(text_);
    text_ = owned;
  }
  BSTR* Put() noexcept {
    Reset();
    return &text_;
  }
  BSTR Get() const noexcept { return text_; }
  BSTR Detach() noexcept { return std::exchange(text_, nullptr); }
  UINT Length() const noexcept { return text_ ? SysStringLen(text_) : 0; }
  WideString ToWide() const { return WideString(text_, Length()); }

 private:
  BSTR text_ = nullptr;
};

// Lends a WideString to an automation call as an out BSTR:  Call(OutBstr(text)).
// When the adapter goes away, the BSTR the call returned (null counts as empty) replaces the
// string's text and is freed.
class OutBstr {
 public:
  explicit OutBstr(WideString& target) noexcept : target_(target) {}
  OutBstr(const OutBstr&) = delete;
  OutBstr& operator=(const OutBstr&) = delete;
  ~OutBstr() {
    target_ = WideString(text_, text_ ? SysStringLen(text_) : 0);
    if (text_) SysFreeString(text_);
  }
  operator BSTR*() noexcept { return &text_; }  // NOLINT: the adapter's purpose

 private:
  WideString& target_;
  BSTR text_ = nullptr;
};

// Lends a WideString to a call that writes ANSI text into a caller's buffer of fixed size:
//   GetThingA(OutAnsi<MAX_PATH>(text), MAX_PATH).
// When the adapter goes away, the buffer's text (up to its first null) replaces the string's.
template <size_t Size>
class OutAnsi {
 public:
  explicit OutAnsi(WideString& target) noexcept : target_(target) {}
  OutAnsi(const OutAnsi&) = delete;
  OutAnsi& operator=(const OutAnsi&) = delete;
  ~OutAnsi() {
    buffer_[Size - 1] = '\0';
    target_ = WideString::FromAnsi(buffer_);
  }
  operator char*() noexcept { return buffer_; }  // NOLINT: the adapter's purpose
  static constexpr size_t size() { return Size; }

 private:
  WideString& target_;
  char buffer_[Size] = {};
};
