// WideString: the one text type inside the component.
//
// A counted UTF-16 string whose buffer is shared between copies until one of them changes
// (copy on write).  A buffer has at most 255 owners; copying a string whose buffer is that
// crowded makes a fresh buffer.  Buffers come from the automation string allocator, their room
// rounded up to a multiple of 32 characters.  Each string also keeps an ANSI copy (system code
// page) and a BSTR copy of its text, built on request and dropped when the text changes.
//
// Constructing, copying, assigning and destroying a WideString leave the thread's last-error
// value as they found it, so a string can be built between a failing API call and the
// GetLastError() that reads its code.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstddef>
#include <cstdint>
#include <vector>

class WideString {
 public:
  static constexpr size_t npos = static_cast<size_t>(-1);
  static constexpr unsigned MaxOwners = 255;
  static constexpr size_t RoomGranularity = 32;

  WideString() noexcept = default;
  WideString(const wchar_t* text);  // NOLINT: implicit by design; null is empty
  WideString(const wchar_t* text, size_t length);
  // From ANSI text in the system code page; null is empty.
  static WideString FromAnsi(const char* text);
  static WideString FromAnsi(const char* text, size_t length);
  // The text of an automation string, its embedded nulls included; null is empty.
  static WideString FromBstr(BSTR text) { return WideString(text, text ? SysStringLen(text) : 0); }

  WideString(const WideString& other);
  WideString(WideString&& other) noexcept;
  WideString& operator=(const WideString& other);
  WideString& operator=(WideString&& other) noexcept;
  WideString& operator=(const wchar_t* text);
  ~WideString();

  // printf-style formatting with the Microsoft conventions of the wide C runtime:
  // "%s" takes a wide string, "%d" an int.
  static WideString Format(const wchar_t* format, ...);

  size_t Length() const noexcept;
  bool IsEmpty() const noexcept { return Length() == 0; }
  const wchar_t* c_str() const noexcept;  // never null
  wchar_t operator[](size_t index) const noexcept { return c_str()[index]; }
  wchar_t LastChar() const noexcept;  // 0 for an empty string

  WideString& Append(const wchar_t* text, size_t length);
  WideString& Append(const WideString& other) { return Append(other.c_str(), other.Length()); }
  WideString& Append(const wchar_t* text);
  WideString& Append(wchar_t ch) { return Append(&ch, 1); }
  WideString& operator+=(const WideString& other) { return Append(other); }
  WideString& operator+=(const wchar_t* text) { return Append(text); }
  WideString& operator+=(wchar_t ch) { return Append(ch); }

  WideString Substring(size_t position, size_t count = npos) const;
  size_t Find(wchar_t ch, size_t from = 0) const noexcept;
  size_t Find(const WideString& text, size_t from = 0) const noexcept;
  size_t FindLast(wchar_t ch) const noexcept;

  // Code unit by code unit; a prefix sorts first.  Negative, zero or positive.
  int Compare(const WideString& other) const noexcept;
  bool operator==(const WideString& other) const noexcept;
  bool operator!=(const WideString& other) const noexcept { return !(*this == other); }
  bool operator<(const WideString& other) const noexcept { return Compare(other) < 0; }

  // ANSI copy of the text in the system code page, valid until the string changes.
  const char* Ansi() const;
  // BSTR copy of the text, owned by the string and valid until the string changes.
  BSTR Bstr() const;
  // A new BSTR the caller owns.  E_POINTER for a null target, E_OUTOFMEMORY when the copy
  // cannot be allocated.
  HRESULT CopyTo(BSTR* target) const noexcept;

  // Pieces between the delimiters, empty pieces included; "a,,b" gives "a", "", "b" and an
  // empty string gives one empty piece.
  std::vector<WideString> Split(wchar_t delimiter) const;

  // Room for exactly `length` characters that the caller fills (unshared, caches dropped);
  // the text then has that length.  Used by adapters that let an API write into the string.
  wchar_t* ResizeForWrite(size_t length);
  // Cuts the text at its first null character (after an API wrote a shorter text).
  void TrimAtNull();

 private:
  struct Buffer;
  Buffer* buffer_ = nullptr;
  mutable char* ansi_ = nullptr;
  mutable BSTR bstr_ = nullptr;

  static Buffer* Allocate(size_t room);
  static void Release(Buffer* buffer) noexcept;
  void Assign(const wchar_t* text, size_t length);
  void ShareFrom(const WideString& other);
  void MakeUnique(size_t room);
  void DropCaches() const noexcept;
};

WideString operator+(const WideString& left, const WideString& right);
WideString operator+(const WideString& left, const wchar_t* right);
