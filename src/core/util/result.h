#pragma once
// A value or the reason it could not be produced. Expected failures (a file that is not a
// trace, a refused range, an unwritable folder) travel as Result; exceptions are kept for bugs.

#include <cassert>
#include <string>
#include <utility>
#include <variant>

namespace otdr {

enum class ErrorKind {
    NotTraceFile,   // the file is not one the instrument writes (message M1)
    RangeMismatch,  // the file's range differs from the other loaded slot (message M2)
    Io,             // the system refused to open, read or write a file
    BadInput,       // a value typed or passed in is not acceptable
};

struct Error {
    ErrorKind kind = ErrorKind::BadInput;
    std::string message;  // UTF-8, ready to show to the user
};

template <class T>
class [[nodiscard]] Result {
  public:
    Result(T value) : v_(std::move(value)) {}      // NOLINT(google-explicit-constructor)
    Result(Error error) : v_(std::move(error)) {}  // NOLINT(google-explicit-constructor)

    bool ok() const { return v_.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & {
        assert(ok());
        return std::get<0>(v_);
    }
    const T& value() const& {
        assert(ok());
        return std::get<0>(v_);
    }
    T&& value() && {
        assert(ok());
        return std::get<0>(std::move(v_));
    }
    const Error& error() const {
        assert(!ok());
        return std::get<1>(v_);
    }

  private:
    std::variant<T, Error> v_;
};

template <>
class [[nodiscard]] Result<void> {
  public:
    Result() = default;
    Result(Error error) : error_(std::move(error)), ok_(false) {}  // NOLINT

    bool ok() const { return ok_; }
    explicit operator bool() const { return ok_; }
    const Error& error() const {
        assert(!ok_);
        return error_;
    }

  private:
    Error error_{};
    bool ok_ = true;
};

}  // namespace otdr
