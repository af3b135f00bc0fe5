#pragma once
// Owners for what COM hands out: interface pointers, task memory, property
// values and the thread's apartment; each released once, never copied.

#include <objbase.h>
#include <propidl.h>
#include <unknwn.h>

#include <utility>

template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { Reset(); }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      Reset();
      p_ = std::exchange(other.p_, nullptr);
    }
    return *this;
  }

  T* operator->() const { return p_; }
  T* Get() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // For functions that return an interface through an out parameter.
  T** Receive() {
    Reset();
    return &p_;
  }
  void Reset() {
    if (p_) std::exchange(p_, nullptr)->Release();
  }

 private:
  T* p_ = nullptr;
};

// Memory a COM call hands back for the caller to free with CoTaskMemFree
// (an endpoint's id, a stream's mix format).
template <typename T>
class CoTaskMemPtr {
 public:
  CoTaskMemPtr() = default;
  ~CoTaskMemPtr() { Reset(); }
  CoTaskMemPtr(const CoTaskMemPtr&) = delete;
  CoTaskMemPtr& operator=(const CoTaskMemPtr&) = delete;

  T* Get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  T** Receive() {
    Reset();
    return &p_;
  }
  void Reset() {
    if (p_) CoTaskMemFree(std::exchange(p_, nullptr));
  }

 private:
  T* p_ = nullptr;
};

// A PROPVARIANT read from a property store, cleared when it goes.
class ScopedPropVariant {
 public:
  ScopedPropVariant() { PropVariantInit(&value_); }
  ~ScopedPropVariant() { PropVariantClear(&value_); }
  ScopedPropVariant(const ScopedPropVariant&) = delete;
  ScopedPropVariant& operator=(const ScopedPropVariant&) = delete;

  const PROPVARIANT& Get() const { return value_; }
  PROPVARIANT* Receive() {
    PropVariantClear(&value_);
    return &value_;
  }

 private:
  PROPVARIANT value_;
};

// The calling thread's membership of a COM apartment, for as long as this
// lives; ok() tells whether it was joined (and so is left again).
class ComApartment {
 public:
  explicit ComApartment(DWORD model = COINIT_MULTITHREADED) : joined_(SUCCEEDED(CoInitializeEx(nullptr, model))) {}
  ~ComApartment() {
    if (joined_) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  bool ok() const { return joined_; }

 private:
  bool joined_;
};
