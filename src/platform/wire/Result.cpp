#include "platform/wire/Result.h"

namespace wire {

const char* errorName(Error error) {
    switch (error) {
        case Error::Truncated:
            return "truncated";
        case Error::Oversized:
            return "oversized";
        case Error::BadCrc:
            return "bad CRC";
        case Error::WrongLength:
            return "wrong length";
        case Error::BadHeader:
            return "bad header";
        case Error::UnknownCommand:
            return "unknown command";
        case Error::BadValue:
            return "bad value";
        case Error::NotARequest:
            return "not a request";
        case Error::NotAReply:
            return "not a reply";
    }
    return "unknown error";
}

}  // namespace wire
