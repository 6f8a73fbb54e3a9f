#include "platform/secure/SealedChannel.h"

#include <sodium.h>

#include <stdexcept>

#include "platform/wire/Command.h"
#include "platform/wire/FrameCodec.h"
#include "platform/wire/SecurePayloads.h"

namespace secure {
namespace {

static_assert(wire::kSealTagSize == crypto_aead_chacha20poly1305_ietf_ABYTES);
using Nonce = std::array<uint8_t, crypto_aead_chacha20poly1305_ietf_NPUBBYTES>;

Nonce nonceFor(uint64_t counter) {
    Nonce n{};
    for (std::size_t i = 0; i < 8; ++i) n[i] = static_cast<uint8_t>(counter >> (8 * i));
    return n;
}

// The outer header as it travels, and the counter: what the tag covers beside the box.
std::vector<uint8_t> associatedData(const wire::Frame& outer, uint64_t counter) {
    wire::Frame header = outer;
    header.payload.clear();
    std::vector<uint8_t> out;
    wire::appendFrame(out, header);
    for (std::size_t i = 0; i < 8; ++i) out.push_back(static_cast<uint8_t>(counter >> (8 * i)));
    return out;
}

}  // namespace

const char* openErrorName(OpenError error) {
    switch (error) {
        case OpenError::Malformed:
            return "malformed sealed frame";
        case OpenError::Forged:
            return "sealed frame does not open";
        case OpenError::Replayed:
            return "sealed frame replayed";
        case OpenError::Skipped:
            return "sealed frames left out";
        case OpenError::Inconsistent:
            return "sealed frame inconsistent with its envelope";
    }
    return "unknown";
}

SealedChannel::~SealedChannel() {
    wipe(keys_.send.data(), keys_.send.size());
    wipe(keys_.receive.data(), keys_.receive.size());
}

wire::Frame SealedChannel::seal(const wire::Frame& inner) {
    // 2^64 frames are out of reach; refusing beats reusing a nonce.
    if (sendCounter_ == UINT64_MAX) throw std::runtime_error("sealed session exhausted");
    auto plain = wire::encodeFrame(inner);
    if (!plain || inner.sealed) throw std::invalid_argument("frame cannot be sealed");
    const uint64_t counter = ++sendCounter_;
    wire::Frame outer;
    outer.reply = inner.reply;
    outer.sealed = true;
    outer.address = wire::kDirectAddress;
    outer.command = wire::kSealedCommand;
    outer.sequence = inner.sequence;
    const auto ad = associatedData(outer, counter);
    const Nonce nonce = nonceFor(counter);
    wire::SealedPayload sealed;
    sealed.counter = counter;
    sealed.box.resize(plain->size() + wire::kSealTagSize);
    unsigned long long length = 0;
    crypto_aead_chacha20poly1305_ietf_encrypt(sealed.box.data(), &length, plain->data(),
                                              plain->size(), ad.data(), ad.size(), nullptr,
                                              nonce.data(), keys_.send.data());
    sealed.box.resize(static_cast<std::size_t>(length));
    wipe(plain->data(), plain->size());
    outer.payload = wire::encodePayload(sealed);
    return outer;
}

std::variant<wire::Frame, OpenError> SealedChannel::open(const wire::Frame& outer) {
    if (!outer.sealed || outer.command != wire::kSealedCommand) return OpenError::Malformed;
    auto sealed = wire::decodeSealedPayload(outer.payload);
    if (!sealed) return OpenError::Malformed;
    if (sealed->counter <= receiveCounter_) return OpenError::Replayed;
    const auto ad = associatedData(outer, sealed->counter);
    const Nonce nonce = nonceFor(sealed->counter);
    std::vector<uint8_t> plain(sealed->box.size());
    unsigned long long length = 0;
    if (crypto_aead_chacha20poly1305_ietf_decrypt(plain.data(), &length, nullptr,
                                                  sealed->box.data(), sealed->box.size(),
                                                  ad.data(), ad.size(), nonce.data(),
                                                  keys_.receive.data()) != 0)
        return OpenError::Forged;
    plain.resize(static_cast<std::size_t>(length));
    if (sealed->counter != receiveCounter_ + 1) {
        wipe(plain.data(), plain.size());
        return OpenError::Skipped;
    }
    // Authentic from here on: the counter is used up even if the content is unusable.
    receiveCounter_ = sealed->counter;
    auto inner = wire::decodeFrame(plain);
    wipe(plain.data(), plain.size());
    if (!inner || inner->sealed || inner->reply != outer.reply ||
        inner->sequence != outer.sequence)
        return OpenError::Inconsistent;
    return std::move(inner).value();
}

}  // namespace secure
