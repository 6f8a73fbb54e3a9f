#include "platform/wire/ReplyCode.h"

namespace wire {

const char* replyCodeName(uint16_t code1) {
    switch (static_cast<ReplyCode>(code1)) {
        case ReplyCode::Ok:
            return "ok";
        case ReplyCode::NoSuchStation:
            return "no such station";
        case ReplyCode::UnknownCommand:
            return "unknown command";
        case ReplyCode::BadRequest:
            return "bad request";
        case ReplyCode::NoSuchVariable:
            return "no such variable";
        case ReplyCode::WrongType:
            return "wrong type";
        case ReplyCode::Refused:
            return "refused";
        case ReplyCode::Busy:
            return "busy";
        case ReplyCode::OutOfRange:
            return "out of range";
        case ReplyCode::NotFound:
            return "not found";
        case ReplyCode::NoAnswer:
            return "no answer from station";
        case ReplyCode::AuthRequired:
            return "password-protected link required";
        case ReplyCode::TooLarge:
            return "reply too large";
        case ReplyCode::RateLimited:
            return "too many failed password proofs; try again later";
        case ReplyCode::ChecksumMismatch:
            return "checksum mismatch";
        case ReplyCode::Incomplete:
            return "image incomplete";
        case ReplyCode::NoFlash:
            return "not enough free flash";
        case ReplyCode::AlreadyExists:
            return "partition exists";
        case ReplyCode::BadSignature:
            return "image not signed by the product's key";
        case ReplyCode::AddressClash:
            return "two stations at one address";
        case ReplyCode::TimedOut:
            return "timed out";
        case ReplyCode::LinkLost:
            return "link lost";
        case ReplyCode::NotStarted:
            return "exchange not started";
        case ReplyCode::BadReply:
            return "bad reply";
    }
    return "unknown reply code";
}

}  // namespace wire
