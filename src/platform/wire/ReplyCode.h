#pragma once
// Reply code 1 of a reply frame. Codes from 0xFF00 never travel: the host library uses them to
// tell its caller how an exchange ended without a reply.
#include <cstdint>

namespace wire {

enum class ReplyCode : uint16_t {
    Ok = 0x0000,
    NoSuchStation = 0x0001,
    UnknownCommand = 0x0002,
    BadRequest = 0x0003,
    NoSuchVariable = 0x0004,
    WrongType = 0x0005,
    Refused = 0x0006,
    Busy = 0x0007,
    OutOfRange = 0x0008,
    NotFound = 0x0009,
    NoAnswer = 0x000A,
    AuthRequired = 0x000B,
    TooLarge = 0x000C,
    RateLimited = 0x000D,  // too many failed password proofs from this address lately
    ChecksumMismatch = 0x000E,  // a transfer's commit: the staged image has another checksum
    Incomplete = 0x000F,        // a transfer's commit before every byte was staged
    NoFlash = 0x0010,        // a partition change needs more flash than is free
    AlreadyExists = 0x0011,  // a partition change creates a partition that exists
    BadSignature = 0x0012,   // a transfer's commit: the image is not signed by the product's key
    AddressClash = 0x001C,   // more than one station of the bus has this address
    // link-local
    TimedOut = 0xFF01,
    LinkLost = 0xFF02,
    NotStarted = 0xFF03,
    BadReply = 0xFF04,
};

constexpr uint16_t code(ReplyCode c) { return static_cast<uint16_t>(c); }
const char* replyCodeName(uint16_t code1);

}  // namespace wire
