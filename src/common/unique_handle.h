// UniqueHandle: owner of one handle of a resource kind, closed by that kind's closer.
//
// Each kind is one alias below (and MsiHandle in installer/msi_handle.h), so a handle can
// never be closed with the wrong function and every path out of a scope closes it.
#pragma once

#include <windows.h>

#include <utility>

template <class Handle, class Traits>
class UniqueHandle {
 public:
  UniqueHandle() noexcept = default;
  explicit UniqueHandle(Handle owned) noexcept : handle_(owned) {}
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { Reset(); }

  // Closes the held handle (if any) and takes ownership of `owned`.
  void Reset(Handle owned = Traits::Invalid()) noexcept {
    Handle old = std::exchange(handle_, owned);
    if (old != Traits::Invalid()) Traits::Close(old);
  }
  Handle Release() noexcept { return std::exchange(handle_, Traits::Invalid()); }
  // For out parameters: closes the held handle and hands out the slot.
  Handle* Put() noexcept {
    Reset();
    return &handle_;
  }
  Handle Get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != Traits::Invalid(); }

 private:
  Handle handle_ = Traits::Invalid();
};

struct RegistryKeyTraits {
  static HKEY Invalid() noexcept { return nullptr; }
  static void Close(HKEY key) noexcept { RegCloseKey(key); }
};
using RegKey = UniqueHandle<HKEY, RegistryKeyTraits>;

struct FindHandleTraits {
  static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE search) noexcept { FindClose(search); }
};
using FindHandle = UniqueHandle<HANDLE, FindHandleTraits>;

struct FileOwnerTraits {
  static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE file) noexcept { CloseHandle(file); }
};
using FileOwner = UniqueHandle<HANDLE, FileOwnerTraits>;

struct LibraryTraits {
  static HMODULE Invalid() noexcept { return nullptr; }
  static void Close(HMODULE library) noexcept { FreeLibrary(library); }
};
using LoadedLibrary = UniqueHandle<HMODULE, LibraryTraits>;
