#pragma once

// One result type for operations that can fail: a value, or an error with a message that gains
// context as it passes up ("reading section [X]: ..."). Errors become message boxes only at the edge
// of a window; everything below returns them.

#include <string>
#include <utility>
#include <variant>

namespace platform {

struct Error {
    std::string message;
};

// Prefixes the error with what the caller was doing: Context(err, "opening registry.db").
inline Error WithContext(Error error, std::string_view context) {
    error.message = std::string(context) + ": " + error.message;
    return error;
}

template <class T>
class [[nodiscard]] Result {
  public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}      // NOLINT: implicit by design
    Result(Error error) : state_(std::in_place_index<1>, std::move(error)) {}  // NOLINT: implicit by design

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & { return std::get<0>(state_); }
    const T& value() const& { return std::get<0>(state_); }
    T&& value() && { return std::get<0>(std::move(state_)); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

    const Error& error() const { return std::get<1>(state_); }
    T value_or(T fallback) const& { return ok() ? value() : std::move(fallback); }

  private:
    std::variant<T, Error> state_;
};

template <>
class [[nodiscard]] Result<void> {
  public:
    Result() = default;
    Result(Error error) : error_(std::move(error)), failed_(true) {}  // NOLINT: implicit by design

    bool ok() const { return !failed_; }
    explicit operator bool() const { return ok(); }
    const Error& error() const { return error_; }

  private:
    Error error_;
    bool failed_ = false;
};

inline Error Fail(std::string message) {
    return Error{std::move(message)};
}

}  // namespace platform
