#pragma once
// CPace on ristretto255 with SHA-512 (CPACE-RISTR255-SHA512), in the initiator-responder
// setting: the pieces the handshake is built from, each as the construction defines it, so that
// the published test vectors can check them one by one. A is the host, B the controller.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace secure::cpace {

constexpr std::size_t kElementSize = 32;
constexpr std::size_t kScalarSize = 32;
constexpr std::size_t kIskSize = 64;
using Element = std::array<uint8_t, kElementSize>;
using Scalar = std::array<uint8_t, kScalarSize>;
using Isk = std::array<uint8_t, kIskSize>;
using Bytes = std::span<const uint8_t>;

// The length as LEB128, then the bytes.
std::vector<uint8_t> prependLen(Bytes data);
std::vector<uint8_t> lvCat(std::initializer_list<Bytes> parts);
// DSI, PRS, zero padding to the end of SHA-512's first block, CI and sid, each length-prefixed.
std::vector<uint8_t> generatorString(Bytes prs, Bytes ci, Bytes sid);
// The generator from the password-related string, the channel identifier and the session id.
Element calculateGenerator(Bytes prs, Bytes ci, Bytes sid);
Scalar sampleScalar();
// y·g; nothing when the result is the identity.
std::optional<Element> scalarMult(const Scalar& y, const Element& g);
// y·X for a received X; nothing when X is no valid encoding or the result is the identity.
std::optional<Element> scalarMultVfy(const Scalar& y, const Element& x);
std::vector<uint8_t> transcriptIr(Bytes ya, Bytes adA, Bytes yb, Bytes adB);
// SHA-512(lv_cat(DSI ‖ "_ISK", sid, K) ‖ transcript_ir(Ya, ADa, Yb, ADb)).
Isk intermediateSessionKey(Bytes sid, const Element& k, Bytes ya, Bytes adA, Bytes yb,
                           Bytes adB);

}  // namespace secure::cpace
