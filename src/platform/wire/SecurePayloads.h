#pragma once
// Payloads of the password handshake (Hello 0x40, Proof 0x41) and of sealed frames (0x42).
// The codec only lays the bytes out; the cryptography lives in platform/secure.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/wire/Frame.h"
#include "platform/wire/Result.h"

namespace wire {

// Version 1 is gone: no peer speaks it, and a hello of another version is refused.
constexpr uint8_t kHandshakeVersion = 2;
constexpr std::size_t kNonceSize = 32;
constexpr std::size_t kSaltSize = 16;
constexpr std::size_t kPointSize = 32;
constexpr std::size_t kProofSize = 32;

using Nonce = std::array<uint8_t, kNonceSize>;
using Salt = std::array<uint8_t, kSaltSize>;
using Point = std::array<uint8_t, kPointSize>;
using ProofTag = std::array<uint8_t, kProofSize>;

// Host to controller: a fresh nonce.
struct HelloRequest {
    uint8_t version = kHandshakeVersion;
    Nonce nonce{};
    bool operator==(const HelloRequest&) const = default;
};

// Controller to host: its nonce, how its verifier was hashed, its serial number (str8) and its
// ephemeral public value, last.
struct HelloReply {
    Nonce nonce{};
    Salt salt{};
    uint32_t opsLimit = 0;
    uint32_t memLimitKiB = 0;
    std::string serialNumber;
    Point point{};
    bool operator==(const HelloReply&) const = default;
};

// Host to controller: its ephemeral public value and its proof of the password.
struct ProofRequest {
    Point point{};
    ProofTag proof{};
    bool operator==(const ProofRequest&) const = default;
};

// Controller to host: its own proof, sent only after the host's was right.
struct ProofReply {
    ProofTag proof{};
    bool operator==(const ProofReply&) const = default;
};

// A sealed frame's payload: the sender's counter, then the box (encrypted frame and tag).
struct SealedPayload {
    uint64_t counter = 0;
    std::vector<uint8_t> box;
    bool operator==(const SealedPayload&) const = default;
};

std::vector<uint8_t> encodePayload(const HelloRequest& hello);
std::vector<uint8_t> encodePayload(const HelloReply& hello);
std::vector<uint8_t> encodePayload(const ProofRequest& proof);
std::vector<uint8_t> encodePayload(const ProofReply& proof);
std::vector<uint8_t> encodePayload(const SealedPayload& sealed);

// Exact lengths; a hello of another version is BadValue, a serial number over 255 bytes too. A sealed payload's box holds at
// least its tag and at most a whole frame with it.
Result<HelloRequest> decodeHelloRequest(std::span<const uint8_t> payload);
Result<HelloReply> decodeHelloReply(std::span<const uint8_t> payload);
Result<ProofRequest> decodeProofRequest(std::span<const uint8_t> payload);
Result<ProofReply> decodeProofReply(std::span<const uint8_t> payload);
Result<SealedPayload> decodeSealedPayload(std::span<const uint8_t> payload);

}  // namespace wire
