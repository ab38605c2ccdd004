// One owner for "a handle plus the call that releases it", released on every path.
//
// The release call is either a free function (the adapter's Win32 calls: DeleteObject,
// FreeLibrary, ...) or a member of the object that handed the handle out (System's
// closeHandle, regCloseKey, destroyIcon); the owner then keeps a reference to that object.
#pragma once

#include <type_traits>
#include <utility>

namespace ledra::platform {

namespace unique_handle_detail {
struct Unbound {};
template <typename F>
struct OwnerOf {
  using type = Unbound;
};
template <typename R, typename C, typename A>
struct OwnerOf<R (C::*)(A)> {
  using type = C;
};
}  // namespace unique_handle_detail

template <typename T, auto Release>
class UniqueHandle {
  using Owner = typename unique_handle_detail::OwnerOf<decltype(Release)>::type;
  static constexpr bool kBound = !std::is_same_v<Owner, unique_handle_detail::Unbound>;

 public:
  UniqueHandle() = default;
  explicit UniqueHandle(T value) requires(!kBound) : value_(value) {}
  UniqueHandle(Owner& owner, T value) requires kBound : owner_(&owner), value_(value) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : owner_(other.owner_), value_(std::exchange(other.value_, T{})) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
      reset();
      owner_ = other.owner_;
      value_ = std::exchange(other.value_, T{});
    }
    return *this;
  }
  ~UniqueHandle() { reset(); }

  T get() const { return value_; }
  explicit operator bool() const { return value_ != T{}; }
  T release() { return std::exchange(value_, T{}); }
  void reset(T value = T{}) {
    if (value_ != T{}) {
      if constexpr (kBound)
        (owner_->*Release)(value_);
      else
        Release(value_);
    }
    value_ = value;
  }

 private:
  Owner* owner_ = nullptr;
  T value_{};
};

}  // namespace ledra::platform
