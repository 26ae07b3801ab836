#pragma once
// A value that most records never have, held behind a pointer so that the records that lack
// it pay one pointer instead of its whole size. Copies copy the value.

#include <memory>
#include <utility>

namespace brimsel {

template <class T>
class OnDemand {
 public:
  OnDemand() = default;
  OnDemand(const OnDemand& other) : value_(other.value_ ? std::make_unique<T>(*other.value_) : nullptr) {}
  OnDemand& operator=(const OnDemand& other) {
    if (this != &other) value_ = other.value_ ? std::make_unique<T>(*other.value_) : nullptr;
    return *this;
  }
  OnDemand(OnDemand&&) noexcept = default;
  OnDemand& operator=(OnDemand&&) noexcept = default;
  OnDemand& operator=(T value) {
    value_ = std::make_unique<T>(std::move(value));
    return *this;
  }

  T& emplace() {
    value_ = std::make_unique<T>();
    return *value_;
  }
  void reset() { value_.reset(); }
  explicit operator bool() const { return value_ != nullptr; }
  T& operator*() { return *value_; }
  const T& operator*() const { return *value_; }
  T* operator->() { return value_.get(); }
  const T* operator->() const { return value_.get(); }

 private:
  std::unique_ptr<T> value_;
};

}  // namespace brimsel
