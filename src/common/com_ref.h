// ComRef<T>: a counted reference to a COM object.
//
// Holds one reference and releases it when it goes away.  Assignment takes a reference on the
// new object before releasing the old one, so assigning an object to itself is safe.
#pragma once

#include <unknwn.h>

#include <utility>

template <class T>
class ComRef {
 public:
  ComRef() noexcept = default;
  ComRef(std::nullptr_t) noexcept {}  // NOLINT: implicit, like a null pointer
  explicit ComRef(T* object) noexcept : object_(object) { AddRef(); }
  ComRef(const ComRef& other) noexcept : object_(other.object_) { AddRef(); }
  ComRef(ComRef&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  ~ComRef() { Reset(); }

  ComRef& operator=(const ComRef& other) noexcept { return Assign(other.object_); }
  ComRef& operator=(ComRef&& other) noexcept {
    if (this != &other) {
      T* old = std::exchange(object_, std::exchange(other.object_, nullptr));
      if (old) old->Release();
    }
    return *this;
  }
  ComRef& operator=(std::nullptr_t) noexcept {
    Reset();
    return *this;
  }
  // Takes a new reference on `object`.
  ComRef& Assign(T* object) noexcept {
    if (object) object->AddRef();
    T* old = std::exchange(object_, object);
    if (old) old->Release();
    return *this;
  }
  // Adopts a reference the caller already owns.
  static ComRef Attach(T* object) noexcept {
    ComRef ref;
    ref.object_ = object;
    return ref;
  }
  T* Detach() noexcept { return std::exchange(object_, nullptr); }

  void Reset() noexcept {
    if (T* old = std::exchange(object_, nullptr)) old->Release();
  }
  // For out parameters: releases what is held and hands out the slot.
  T** Put() noexcept {
    Reset();
    return &object_;
  }
  void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }

  T* Get() const noexcept { return object_; }
  T* operator->() const noexcept { return object_; }
  explicit operator bool() const noexcept { return object_ != nullptr; }

  // Queries the object for another interface; a null ComRef when it has none.
  template <class U>
  HRESULT QueryTo(const IID& iid, ComRef<U>& target) const noexcept {
    if (!object_) return E_POINTER;
    return object_->QueryInterface(iid, target.PutVoid());
  }
  // Hands a new reference to a caller's out pointer.
  HRESULT CopyTo(T** target) const noexcept {
    if (!target) return E_POINTER;
    *target = object_;
    AddRef();
    return S_OK;
  }

 private:
  void AddRef() const noexcept {
    if (object_) object_->AddRef();
  }
  T* object_ = nullptr;
};
