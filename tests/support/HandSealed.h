#pragma once
// A sealed frame built by hand with a session's key, for frames the sealing code never makes:
// an inner frame whose sequence differs from the envelope's, a counter that skips.
#include <sodium.h>

#include <array>

#include "platform/secure/Sodium.h"
#include "platform/wire/Command.h"
#include "platform/wire/FrameCodec.h"
#include "platform/wire/SecurePayloads.h"

namespace testsupport {

inline wire::Frame sealByHand(const secure::Key& key, uint64_t counter, const wire::Frame& inner,
                              uint16_t outerSequence) {
    wire::Frame outer;
    outer.reply = inner.reply;
    outer.sealed = true;
    outer.address = wire::kDirectAddress;
    outer.command = wire::kSealedCommand;
    outer.sequence = outerSequence;
    std::vector<uint8_t> ad;
    wire::appendFrame(ad, outer);
    std::array<uint8_t, crypto_aead_chacha20poly1305_ietf_NPUBBYTES> nonce{};
    for (std::size_t i = 0; i < 8; ++i) {
        ad.push_back(static_cast<uint8_t>(counter >> (8 * i)));
        nonce[i] = static_cast<uint8_t>(counter >> (8 * i));
    }
    const auto plain = *wire::encodeFrame(inner);
    wire::SealedPayload sealed;
    sealed.counter = counter;
    sealed.box.resize(plain.size() + crypto_aead_chacha20poly1305_ietf_ABYTES);
    unsigned long long length = 0;
    crypto_aead_chacha20poly1305_ietf_encrypt(sealed.box.data(), &length, plain.data(),
                                              plain.size(), ad.data(), ad.size(), nullptr,
                                              nonce.data(), key.data());
    sealed.box.resize(static_cast<std::size_t>(length));
    outer.payload = wire::encodePayload(sealed);
    return outer;
}

}  // namespace testsupport
