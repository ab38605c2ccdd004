// One owner for each Win32 resource: closed by its own release call on every path.
#pragma once

#include <utility>

namespace ledra::platform::win32 {

template <typename T, auto Release>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(T value) : value_(value) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : value_(std::exchange(other.value_, T{})) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(std::exchange(other.value_, T{}));
    return *this;
  }
  ~UniqueHandle() { reset(); }

  T get() const { return value_; }
  explicit operator bool() const { return value_ != T{}; }
  T release() { return std::exchange(value_, T{}); }
  void reset(T value = T{}) {
    if (value_ != T{}) Release(value_);
    value_ = value;
  }

 private:
  T value_{};
};

}  // namespace ledra::platform::win32
