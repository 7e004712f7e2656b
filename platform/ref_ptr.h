// A counted pointer for objects with an intrusive reference count
// (AddRef/Release). Taking over a reference and adding one are spelled
// differently: RefPtr<T>::Adopt(p) and RefPtr<T>::Share(p).
#pragma once

#include <cstddef>
#include <utility>

namespace lumora {

template <class T>
class RefPtr {
 public:
  RefPtr() noexcept = default;
  RefPtr(std::nullptr_t) noexcept {}  // NOLINT: null converts implicitly

  // Takes over the reference the caller owns (a creator's count of 1).
  static RefPtr Adopt(T* p) noexcept { return RefPtr(p); }
  // Adds a reference of its own.
  static RefPtr Share(T* p) noexcept {
    if (p != nullptr) p->AddRef();
    return RefPtr(p);
  }

  RefPtr(const RefPtr& other) noexcept : p_(other.p_) {
    if (p_ != nullptr) p_->AddRef();
  }
  RefPtr(RefPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  template <class U>
  RefPtr(RefPtr<U>&& other) noexcept : p_(other.Detach()) {}  // NOLINT: upcast
  ~RefPtr() { Reset(); }

  RefPtr& operator=(const RefPtr& other) noexcept {
    RefPtr(other).Swap(*this);
    return *this;
  }
  RefPtr& operator=(RefPtr&& other) noexcept {
    RefPtr(std::move(other)).Swap(*this);
    return *this;
  }

  void Reset() noexcept {
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }
  // Gives up the reference without releasing it.
  [[nodiscard]] T* Detach() noexcept { return std::exchange(p_, nullptr); }
  void Swap(RefPtr& other) noexcept { std::swap(p_, other.p_); }

  T* get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  T& operator*() const noexcept { return *p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }

 private:
  explicit RefPtr(T* p) noexcept : p_(p) {}
  T* p_ = nullptr;
};

template <class T, class U>
bool operator==(const RefPtr<T>& a, const RefPtr<U>& b) noexcept {
  return a.get() == b.get();
}
template <class T>
bool operator==(const RefPtr<T>& a, std::nullptr_t) noexcept {
  return a.get() == nullptr;
}

}  // namespace lumora
