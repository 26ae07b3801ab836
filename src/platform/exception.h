#pragma once
// The general exception class of the system. Every error that the Parts "raise" derives
// from it; its message is a byte string in the system code page (GBK), as the error box
// shows it.

#include <exception>
#include <string>

namespace brimsel {

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const std::string& Message() const noexcept { return message_; }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

}  // namespace brimsel
