#pragma once
// One request or reply as it travels on every link: header fields plus the command's payload.
#include <compare>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace wire {

constexpr uint8_t kProtocolVersion = 1;
constexpr std::size_t kMaxFrameSize = 4096;  // header plus payload, on every link
constexpr std::size_t kRequestHeaderSize = 6;
constexpr std::size_t kReplyHeaderSize = 9;
constexpr std::size_t kMaxRequestPayload = kMaxFrameSize - kRequestHeaderSize;
constexpr std::size_t kMaxReplyPayload = kMaxFrameSize - kReplyHeaderSize;
// A sealed frame carries a whole frame of up to kMaxFrameSize, its counter and its tag.
constexpr std::size_t kSealCounterSize = 8;
constexpr std::size_t kSealTagSize = 16;
constexpr std::size_t kMaxSealedFrameSize =
    kReplyHeaderSize + kSealCounterSize + kMaxFrameSize + kSealTagSize;

struct Address {
    uint8_t pla = 0;
    uint8_t ela = 0;
    auto operator<=>(const Address&) const = default;
};

// The directly attached controller, whatever its own address.
constexpr Address kDirectAddress{255, 30};
// A second local address some controllers answer at.
constexpr Address kSecondLocalAddress{255, 31};
// Where a controller comes back after a cold start.
constexpr Address kColdStartAddress{254, 30};

struct Frame {
    bool reply = false;
    Address address;        // destination; a reply echoes the request's
    uint8_t command = 0;    // raw, so that unknown commands can be carried and answered
    uint16_t sequence = 0;  // a reply echoes the request's
    uint16_t code1 = 0;     // replies only
    int8_t code2 = 0;       // replies only
    std::vector<uint8_t> payload;
    bool sealed = false;  // control bit 1: the payload is a sealed frame (command 0x42 only)
    bool operator==(const Frame&) const = default;
};

inline std::size_t headerSize(bool reply) { return reply ? kReplyHeaderSize : kRequestHeaderSize; }
inline std::size_t frameSize(const Frame& f) { return headerSize(f.reply) + f.payload.size(); }
inline std::size_t maxFrameSize(const Frame& f) {
    return f.sealed ? kMaxSealedFrameSize : kMaxFrameSize;
}

// True when `reply` answers `request`: same address, command and sequence.
bool answers(const Frame& reply, const Frame& request);

}  // namespace wire
