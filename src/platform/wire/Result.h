#pragma once
// The outcome of decoding: a value, or the reason the bytes were rejected. Decoders never
// throw on bad input; they return one of these.
#include <cstdint>
#include <utility>
#include <variant>

namespace wire {

enum class Error : uint8_t {
    Truncated = 1,   // the bytes end before the frame or field does
    Oversized,       // a length beyond the maximum frame size
    BadCrc,          // serial frame whose CRC does not match
    WrongLength,     // a length that disagrees with the bytes (too short, bytes left over)
    BadHeader,       // reserved control bits set or another protocol version
    UnknownCommand,  // a command (or telegram command) this codec does not know
    BadValue,        // a field outside its range (kind, type, Boolean, month, option ...)
    NotARequest,     // a reply where a request was expected
    NotAReply,       // a request where a reply was expected
};

const char* errorName(Error error);

template <class T>
class Result {
  public:
    Result(T value) : state_(std::move(value)) {}
    Result(Error error) : state_(error) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    const T& value() const& { return std::get<0>(state_); }
    T& value() & { return std::get<0>(state_); }
    T&& value() && { return std::get<0>(std::move(state_)); }
    const T& operator*() const& { return value(); }
    T& operator*() & { return value(); }
    const T* operator->() const { return &value(); }
    T* operator->() { return &value(); }

    // Only meaningful when !ok().
    Error error() const { return ok() ? Error{} : std::get<1>(state_); }

  private:
    std::variant<T, Error> state_;
};

}  // namespace wire
