#pragma once

#include <cerrno>
#include <string>
#include <utility>
#include <variant>

namespace tarn {

// The outcome of an operation that can fail: success, or the system's error number, which also
// gives the words the user reads.
class [[nodiscard]] Status {
public:
    Status() = default;
    // A failure with this error number; a failure without one counts as an input/output error.
    static Status Failure(int error) { return Status(error != 0 ? error : EIO); }
    // A failure with the error number the last system call left.
    static Status FromErrno() { return Failure(errno); }

    bool Ok() const { return error_ == 0; }
    explicit operator bool() const { return Ok(); }
    int Error() const { return error_; }
    // The system's words for the error ("No space left on device"); empty on success.
    std::string Reason() const;

private:
    explicit Status(int error) : error_(error) {}

    int error_ = 0;
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

    const T& operator*() const { return std::get<T>(value_); }
    T& operator*() { return std::get<T>(value_); }
    const T* operator->() const { return &std::get<T>(value_); }
    T* operator->() { return &std::get<T>(value_); }

private:
    std::variant<T, Status> value_;
};

} // namespace tarn
