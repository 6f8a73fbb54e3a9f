#include "SecureDecoders.h"

#include <algorithm>
#include <vector>

#include "platform/secure/Handshake.h"
#include "platform/secure/SealedChannel.h"
#include "platform/wire/FrameCodec.h"
#include "platform/wire/SecurePayloads.h"

namespace securefuzz {
namespace {

bool same(std::span<const uint8_t> a, const std::vector<uint8_t>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

template <class Decode>
bool roundTrips(std::span<const uint8_t> bytes, Decode decode, const char* what,
                std::string& failure) {
    auto decoded = decode(bytes);
    if (!decoded || same(bytes, wire::encodePayload(*decoded))) return true;
    failure = std::string(what) + " does not encode back to its bytes";
    return false;
}

secure::Verifier fixedVerifier() {
    secure::Verifier v;
    v.cost = {1, 8};
    v.key.fill(0x5A);
    return v;
}

// A proof made of input bytes must never pass: it would mean the check is broken.
bool proofRefused(std::span<const uint8_t> bytes, std::string& failure) {
    auto proof = wire::decodeProofRequest(bytes);
    if (!proof) return true;
    secure::ControllerHandshake controller;
    if (!controller.answer(fixedVerifier(), "FUZZ-1", wire::HelloRequest{}) ||
        !controller.check(*proof))
        return true;
    failure = "a proof from the input was accepted";
    return false;
}

// A hello reply from the input goes through the host's checks without harm. The cost is
// lowered first: the host accepts up to 256 MiB, far too slow for fuzzing.
void hostAnswers(std::span<const uint8_t> bytes) {
    auto reply = wire::decodeHelloReply(bytes);
    if (!reply) return;
    reply->opsLimit = 1;
    reply->memLimitKiB = 8;
    // Once for a host that chose a controller, once for one that knows only an address.
    for (const char* serial : {"FUZZ-1", ""}) {
        secure::HostHandshake host(serial);
        if (host.prove("password", *reply)) (void)host.confirm(wire::ProofReply{});
    }
}

bool sealedFrameOpensSoundly(std::span<const uint8_t> bytes, std::string& failure) {
    auto frame = wire::decodeFrame(bytes);
    if (!frame || !frame->sealed) return true;
    secure::SessionKeys keys;
    keys.send.fill(1);
    keys.receive.fill(2);
    secure::SealedChannel channel(keys);
    auto opened = channel.open(*frame);
    const auto* inner = std::get_if<wire::Frame>(&opened);
    if (inner == nullptr || (!inner->sealed && inner->reply == frame->reply)) return true;
    failure = "a sealed frame opened to an unsound inner frame";
    return false;
}

}  // namespace

bool exerciseSecureDecoders(std::span<const uint8_t> bytes, std::string& failure) {
    hostAnswers(bytes);
    return roundTrips(bytes, wire::decodeHelloRequest, "HelloRequest", failure) &&
           roundTrips(bytes, wire::decodeHelloReply, "HelloReply", failure) &&
           roundTrips(bytes, wire::decodeProofRequest, "ProofRequest", failure) &&
           roundTrips(bytes, wire::decodeProofReply, "ProofReply", failure) &&
           roundTrips(bytes, wire::decodeSealedPayload, "SealedPayload", failure) &&
           proofRefused(bytes, failure) && sealedFrameOpensSoundly(bytes, failure);
}

}  // namespace securefuzz
