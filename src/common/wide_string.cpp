#include "common/wide_string.h"

#include "common/last_error_guard.h"

#include <cstdarg>
#include <cstring>
#include <cwchar>
#include <new>

struct WideString::Buffer {
  uint32_t length;
  uint32_t room;  // characters, not counting the terminating null
  uint8_t owners;
  wchar_t text[1];
};

namespace {

size_t RoundedRoom(size_t length) {
  const size_t granularity = WideString::RoomGranularity;
  return (length / granularity + 1) * granularity;  // always leaves room for the null
}

}  // namespace

WideString::Buffer* WideString::Allocate(size_t length) {
  const size_t room = RoundedRoom(length);
  const size_t bytes = offsetof(Buffer, text) + room * sizeof(wchar_t);
  if (room > UINT32_MAX / 2 || bytes > UINT32_MAX) throw std::bad_alloc();
  // The automation allocator hands out 32-bit sized blocks; we keep our own header inside.
  BSTR block = SysAllocStringByteLen(nullptr, static_cast<UINT>(bytes));
  if (!block) throw std::bad_alloc();
  auto* buffer = reinterpret_cast<Buffer*>(block);
  buffer->length = 0;
  buffer->room = static_cast<uint32_t>(room - 1);
  buffer->owners = 1;
  buffer->text[0] = L'\0';
  return buffer;
}

void WideString::Release(Buffer* buffer) noexcept {
  if (buffer && --buffer->owners == 0) SysFreeString(reinterpret_cast<BSTR>(buffer));
}

WideString::WideString(const wchar_t* text) {
  LastErrorGuard keep;
  if (text) Assign(text, wcslen(text));
}

WideString::WideString(const wchar_t* text, size_t length) {
  LastErrorGuard keep;
  if (text) Assign(text, length);
}

WideString WideString::FromAnsi(const char* text) {
  return text ? FromAnsi(text, strlen(text)) : WideString();
}

WideString WideString::FromAnsi(const char* text, size_t length) {
  LastErrorGuard keep;
  WideString result;
  if (!text || length == 0) return result;
  if (length > INT32_MAX) throw std::bad_alloc();
  const int wide = MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0);
  if (wide <= 0) return result;
  wchar_t* target = result.ResizeForWrite(static_cast<size_t>(wide));
  MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), target, wide);
  return result;
}

WideString::WideString(const WideString& other) {
  LastErrorGuard keep;
  ShareFrom(other);
}

WideString::WideString(WideString&& other) noexcept : buffer_(other.buffer_) {
  other.buffer_ = nullptr;
  other.DropCaches();
}

WideString& WideString::operator=(const WideString& other) {
  LastErrorGuard keep;
  if (this != &other && buffer_ != other.buffer_) {
    Buffer* old = buffer_;
    buffer_ = nullptr;
    ShareFrom(other);
    Release(old);
  }
  DropCaches();
  return *this;
}

WideString& WideString::operator=(WideString&& other) noexcept {
  LastErrorGuard keep;
  if (this != &other) {
    Release(buffer_);
    buffer_ = other.buffer_;
    other.buffer_ = nullptr;
    other.DropCaches();
    DropCaches();
  }
  return *this;
}

WideString& WideString::operator=(const wchar_t* text) {
  LastErrorGuard keep;
  WideString copy(text);
  return *this = std::move(copy);
}

WideString::~WideString() {
  LastErrorGuard keep;
  DropCaches();
  Release(buffer_);
}

void WideString::ShareFrom(const WideString& other) {
  if (!other.buffer_) return;
  if (other.buffer_->owners < MaxOwners) {
    buffer_ = other.buffer_;
    ++buffer_->owners;
  } else {
    Assign(other.c_str(), other.Length());
  }
}

void WideString::Assign(const wchar_t* text, size_t length) {
  wchar_t* target = ResizeForWrite(length);
  if (length) wmemcpy(target, text, length);
}

void WideString::MakeUnique(size_t room) {
  if (buffer_ && buffer_->owners == 1 && buffer_->room >= room) return;
  Buffer* fresh = Allocate(room);
  if (buffer_) {
    const size_t keep = buffer_->length < room ? buffer_->length : room;
    wmemcpy(fresh->text, buffer_->text, keep);
    fresh->length = static_cast<uint32_t>(keep);
    fresh->text[keep] = L'\0';
  }
  Release(buffer_);
  buffer_ = fresh;
}

wchar_t* WideString::ResizeForWrite(size_t length) {
  DropCaches();
  MakeUnique(length);
  buffer_->length = static_cast<uint32_t>(length);
  buffer_->text[length] = L'\0';
  return buffer_->text;
}

void WideString::TrimAtNull() {
  if (!buffer_) return;
  const size_t actual = wcsnlen(buffer_->text, buffer_->length);
  if (actual == buffer_->length) return;
  MakeUnique(buffer_->length);
  DropCaches();
  buffer_->length = static_cast<uint32_t>(actual);
}

void WideString::DropCaches() const noexcept {
  delete[] ansi_;
  ansi_ = nullptr;
  if (bstr_) SysFreeString(bstr_);
  bstr_ = nullptr;
}

WideString WideString::Format(const wchar_t* format, ...) {
  WideString result;
  size_t room = 128;
  for (;;) {
    wchar_t* target = result.ResizeForWrite(room);
    va_list args;
    va_start(args, format);
    const int written = _vsnwprintf(target, room + 1, format, args);
    va_end(args);
    if (written >= 0 && static_cast<size_t>(written) <= room) {
      result.buffer_->length = static_cast<uint32_t>(written);
      target[written] = L'\0';
      return result;
    }
    if (room > (1u << 24)) throw std::bad_alloc();
    room *= 2;
  }
}

size_t WideString::Length() const noexcept { return buffer_ ? buffer_->length : 0; }

const wchar_t* WideString::c_str() const noexcept { return buffer_ ? buffer_->text : L""; }

wchar_t WideString::LastChar() const noexcept {
  return Length() ? buffer_->text[buffer_->length - 1] : L'\0';
}

WideString& WideString::Append(const wchar_t* text) {
  return text ? Append(text, wcslen(text)) : *this;
}

WideString& WideString::Append(const wchar_t* text, size_t length) {
  if (length == 0) return *this;
  const size_t old = Length();
  // The text may live in our own buffer: keep that buffer alive while we move to a new one.
  WideString keepAlive;
  if (buffer_ && text >= buffer_->text && text <= buffer_->text + buffer_->room) keepAlive = *this;
  DropCaches();
  MakeUnique(old + length);
  wmemmove(buffer_->text + old, text, length);
  buffer_->length = static_cast<uint32_t>(old + length);
  buffer_->text[old + length] = L'\0';
  return *this;
}

WideString WideString::Substring(size_t position, size_t count) const {
  const size_t length = Length();
  if (position >= length) return WideString();
  if (count > length - position) count = length - position;
  return WideString(c_str() + position, count);
}

size_t WideString::Find(wchar_t ch, size_t from) const noexcept {
  for (size_t i = from; i < Length(); ++i)
    if (buffer_->text[i] == ch) return i;
  return npos;
}

size_t WideString::Find(const WideString& text, size_t from) const noexcept {
  const size_t length = Length(), needle = text.Length();
  if (needle == 0) return from <= length ? from : npos;
  for (size_t i = from; i + needle <= length; ++i)
    if (wmemcmp(buffer_->text + i, text.c_str(), needle) == 0) return i;
  return npos;
}

size_t WideString::FindLast(wchar_t ch) const noexcept {
  for (size_t i = Length(); i-- > 0;)
    if (buffer_->text[i] == ch) return i;
  return npos;
}

int WideString::Compare(const WideString& other) const noexcept {
  const size_t a = Length(), b = other.Length();
  const wchar_t* left = c_str();
  const wchar_t* right = other.c_str();
  for (size_t i = 0; i < a && i < b; ++i) {
    const auto l = static_cast<uint16_t>(left[i]), r = static_cast<uint16_t>(right[i]);
    if (l != r) return l < r ? -1 : 1;
  }
  return a == b ? 0 : (a < b ? -1 : 1);
}

bool WideString::operator==(const WideString& other) const noexcept {
  return Length() == other.Length() && (buffer_ == other.buffer_ || Compare(other) == 0);
}

const char* WideString::Ansi() const {
  if (ansi_) return ansi_;
  const int length = static_cast<int>(Length());
  const int bytes =
      length ? WideCharToMultiByte(CP_ACP, 0, c_str(), length, nullptr, 0, nullptr, nullptr) : 0;
  char* text = new char[static_cast<size_t>(bytes) + 1];
  if (bytes) WideCharToMultiByte(CP_ACP, 0, c_str(), length, text, bytes, nullptr, nullptr);
  text[bytes] = '\0';
  ansi_ = text;
  return ansi_;
}

BSTR WideString::Bstr() const {
  if (bstr_) return bstr_;
  bstr_ = SysAllocStringLen(c_str(), static_cast<UINT>(Length()));
  if (!bstr_) throw std::bad_alloc();
  return bstr_;
}

HRESULT WideString::CopyTo(BSTR* target) const noexcept {
  if (!target) return E_POINTER;
  *target = SysAllocStringLen(c_str(), static_cast<UINT>(Length()));
  return *target ? S_OK : E_OUTOFMEMORY;
}

std::vector<WideString> WideString::Split(wchar_t delimiter) const {
  std::vector<WideString> pieces;
  size_t start = 0;
  for (;;) {
    const size_t end = Find(delimiter, start);
    if (end == npos) {
      pieces.push_back(Substring(start));
      return pieces;
    }
    pieces.push_back(Substring(start, end - start));
    start = end + 1;
  }
}

WideString operator+(const WideString& left, const WideString& right) {
  WideString result(left);
  result.Append(right);
  return result;
}

WideString operator+(const WideString& left, const wchar_t* right) {
  WideString result(left);
  result.Append(right);
  return result;
}
