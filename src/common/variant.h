// VARIANT ownership.
#pragma once

#include "common/wide_string.h"

#include <oleauto.h>

// The types a collection's Item takes as a 1-based position (2- and 4-byte integers, signed or
// unsigned); every other index is looked up as a key text.
inline bool IsPositionIndexType(VARTYPE type) {
  return type == VT_I2 || type == VT_I4 || type == VT_UI2 || type == VT_UI4;
}

// Owns one VARIANT and clears it when it goes away.
class UniqueVariant {
 public:
  UniqueVariant() noexcept { VariantInit(&value_); }
  UniqueVariant(const UniqueVariant&) = delete;
  UniqueVariant& operator=(const UniqueVariant&) = delete;
  ~UniqueVariant() { VariantClear(&value_); }

  VARIANT* Put() noexcept {
    VariantClear(&value_);
    return &value_;
  }
  VARIANT& Get() noexcept { return value_; }
  // Hands the value over to the caller, who then owns it; this one is left Empty.
  VARIANT Detach() noexcept {
    const VARIANT value = value_;
    VariantInit(&value_);
    return value;
  }
  const VARIANT& Get() const noexcept { return value_; }
  VARIANT* operator&() noexcept { return &value_; }  // NOLINT: lets it stand in for VARIANT*
  VARTYPE Type() const noexcept { return V_VT(&value_); }

 protected:
  VARIANT value_;
};

// A VT_BSTR variant made from wide text.  When the copy cannot be allocated it becomes a
// VT_ERROR variant carrying E_OUTOFMEMORY, so the callee sees the failure.
class StringVariant : public UniqueVariant {
 public:
  explicit StringVariant(const WideString& text) noexcept {
    BSTR copy = SysAllocStringLen(text.c_str(), static_cast<UINT>(text.Length()));
    if (copy) {
      V_VT(&value_) = VT_BSTR;
      V_BSTR(&value_) = copy;
    } else {
      V_VT(&value_) = VT_ERROR;
      V_ERROR(&value_) = E_OUTOFMEMORY;
    }
  }
};

// A VT_I4 variant.
class IntegerVariant : public UniqueVariant {
 public:
  explicit IntegerVariant(LONG number) noexcept {
    V_VT(&value_) = VT_I4;
    V_I4(&value_) = number;
  }
};
