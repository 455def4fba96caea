#pragma once

#include <utility>

namespace nubo {

// Owns one handle of the kind its traits describe:
//   using Value = ...;            the raw handle type
//   static Value Invalid();       the value that owns nothing
//   static bool IsValid(Value);   whether a value owns something
//   static void Close(Value);     releases a valid value
// Move-only; closed on every path.
template <typename Traits>
class UniqueHandle {
 public:
  using Value = typename Traits::Value;

  UniqueHandle() = default;
  explicit UniqueHandle(Value value) : value_(value) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept : value_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  Value get() const { return value_; }
  explicit operator bool() const { return Traits::IsValid(value_); }
  // Closes what is held and gives the slot to a function that fills it.
  Value* out() {
    reset();
    return &value_;
  }
  void reset(Value value = Traits::Invalid()) {
    if (Traits::IsValid(value_)) Traits::Close(value_);
    value_ = value;
  }
  Value release() { return std::exchange(value_, Traits::Invalid()); }

 private:
  Value value_ = Traits::Invalid();
};

}  // namespace nubo
