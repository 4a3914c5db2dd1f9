#pragma once

#include <cerrno>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <variant>

namespace tarn {

// The outcome of an operation that can fail: success, or the failure with the words the user
// reads for it. A failure of the system carries its error number, whose words are the system's
// unless told otherwise; one that is no system error (an encoder's refusal, a file that ends too
// early, a damaged help file) has words of its own and error number 0.
class [[nodiscard]] Status {
public:
    Status() = default;
    // A failure with this error number; a failure without one counts as an input/output error.
    static Status Failure(int error) { return Status(error != 0 ? error : EIO, {}); }
    // A failure with the error number the last system call left.
    static Status FromErrno() { return Failure(errno); }
    // A failure that is no system error, told in these words.
    static Status Failure(std::string reason) {
        return reason.empty() ? Failure(EIO) : Status(0, std::move(reason));
    }
    // A failure that nothing has words for: the user is told of it in an empty message.
    static Status Wordless() { return Status(0, std::string()); }

    bool Ok() const { return error_ == 0 && !reason_; }
    explicit operator bool() const { return Ok(); }
    int Error() const { return error_; }
    // The words for the failure: its own, else the system's ("No space left on device"); empty
    // on success.
    std::string Reason() const {
        return reason_ ? *reason_ : Ok() ? std::string() : std::generic_category().message(error_);
    }
    // Whether the words are its own rather than the system's.
    bool HasOwnReason() const { return reason_.has_value(); }
    // The same failure, with its error number, told in other words (the message the user sees).
    Status Explained(std::string reason) const {
        return Ok() || reason.empty() ? *this : Status(error_, std::move(reason));
    }

private:
    Status(int error, std::optional<std::string> reason)
        : error_(error), reason_(std::move(reason)) {}

    int error_ = 0;
    std::optional<std::string> reason_;
};

// A value, or the failure that kept it from being had.
template <typename T> class [[nodiscard]] Result {
public:
    Result(T value) : value_(std::move(value)) {}
    // Only for a failure: a successful Status carries no value.
    Result(Status failure) : value_(failure.Ok() ? Status::Failure(EIO) : failure) {}

    bool Ok() const { return std::holds_alternative<T>(value_); }
    explicit operator bool() const { return Ok(); }
    Status Outcome() const { return Ok() ? Status() : std::get<Status>(value_); }
    // The value, or `fallback` after a failure.
    T ValueOr(T fallback) const { return Ok() ? std::get<T>(value_) : std::move(fallback); }

    const T& operator*() const { return std::get<T>(value_); }
    T& operator*() { return std::get<T>(value_); }
    const T* operator->() const { return &std::get<T>(value_); }
    T* operator->() { return &std::get<T>(value_); }

private:
    std::variant<T, Status> value_;
};

} // namespace tarn
