#pragma once

#include <cassert>
#include <string>
#include <system_error>
#include <utility>
#include <variant>

namespace brenvik {

// Why an operation failed, as one line a person can act on: the file and line,
// the port and the cause, what to install or which group to join
// ("db.csv:1: count -5 is below 0").
struct Error {
  std::string text;
};

// An Error that ends in the system's words for `errnum`: "what: No such file
// or directory" for ENOENT, `what` naming the file or the step that failed.
inline Error SystemError(const std::string& what, int errnum) {
  return Error{what + ": " + std::generic_category().message(errnum)};
}

// The outcome of an operation that can fail for a reason a person should
// read: its value, or the Error that says why it could not be had. Built
// implicitly from either, so a function returns `value` or `Error{"..."}`.
template <typename T = void>
class [[nodiscard]] Result {
 public:
  // cppcheck-suppress noExplicitConstructor ; implicit on purpose: `return value;`
  Result(T value)
      : state_(std::in_place_index<0>, std::move(value)) {}  // NOLINT(google-explicit-constructor)
  // cppcheck-suppress noExplicitConstructor ; implicit on purpose: `return Error{...};`
  Result(Error error)
      : state_(std::in_place_index<1>, std::move(error)) {}  // NOLINT(google-explicit-constructor)

  bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }

  // The value; only when ok(), as with std::optional's operator*.
  T& value() {
    assert(ok());
    return *std::get_if<0>(&state_);
  }
  const T& value() const {
    assert(ok());
    return *std::get_if<0>(&state_);
  }
  T& operator*() { return value(); }
  const T& operator*() const { return value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }

  // The reason; empty when ok().
  const std::string& error() const {
    static const std::string kNone;
    const Error* failure = std::get_if<1>(&state_);
    return failure != nullptr ? failure->text : kNone;
  }

 private:
  std::variant<T, Error> state_;
};

// An operation with no value: success, or the reason it failed.
template <>
class [[nodiscard]] Result<void> {
 public:
  Result() = default;
  // cppcheck-suppress [noExplicitConstructor, passedByValue] ; implicit on purpose, and moved from
  Result(Error error)
      : error_(std::move(error.text)), failed_(true) {}  // NOLINT(google-explicit-constructor)

  bool ok() const { return !failed_; }
  explicit operator bool() const { return ok(); }
  // The reason; empty when ok().
  const std::string& error() const { return error_; }

 private:
  std::string error_;
  bool failed_ = false;
};

}  // namespace brenvik
