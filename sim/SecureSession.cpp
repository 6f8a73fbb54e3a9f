#include "sim/SecureSession.h"

#include "platform/wire/Command.h"
#include "platform/wire/Request.h"
#include "platform/wire/SecurePayloads.h"
#include "sim/SecretVariables.h"

namespace sim {
namespace {

using wire::ReplyCode;

SecureSession::Step answered(const wire::Frame& request, ReplyCode code,
                             std::vector<uint8_t> payload = {}) {
    return {wire::makeReplyFrame(request, code, 0, std::move(payload)), std::nullopt, false};
}

}  // namespace

SecureSession::Step SecureSession::incoming(const wire::Frame& frame) {
    if (frame.sealed) {
        if (!channel_) return answered(frame, ReplyCode::AuthRequired);
        auto opened = channel_->open(frame);
        auto* inner = std::get_if<wire::Frame>(&opened);
        if (inner == nullptr) {
            // Forged or replayed: anyone on the path can send that, and it must not end the
            // session. An authentic frame out of order or at odds with its envelope means the
            // stream itself is not to be trusted: refused, and the connection ends.
            const auto error = std::get<secure::OpenError>(opened);
            Step step = answered(frame, ReplyCode::Refused);
            step.close = error == secure::OpenError::Skipped ||
                         error == secure::OpenError::Inconsistent;
            return step;
        }
        if (inner->reply) return answered(frame, ReplyCode::Refused);
        return {std::nullopt, std::move(*inner), true};
    }
    switch (static_cast<wire::Command>(frame.command)) {
        case wire::Command::Hello:
            return {hello(frame), std::nullopt, false};
        case wire::Command::Proof:
            return {proof(frame), std::nullopt, false};
        case wire::Command::Sealed:
            return answered(frame, ReplyCode::BadRequest);  // without its control bit
        default:
            break;
    }
    if (controller_.requiresEncryption()) return answered(frame, ReplyCode::AuthRequired);
    // Beside an authenticated session nothing passes in clear: a frame injected into the
    // connection must not pass for the host's.
    if (channel_) return answered(frame, ReplyCode::Refused);
    // With a password set, the secrets and the switches that guard them are for the
    // authenticated host only.
    if (controller_.state().verifier && controller_.answersAt(frame.address, true) &&
        touchesSecrets(frame))
        return answered(frame, ReplyCode::AuthRequired);
    return {std::nullopt, frame, false};
}

wire::Frame SecureSession::hello(const wire::Frame& frame) {
    auto reply = [&](ReplyCode code, std::vector<uint8_t> payload = {}) {
        return wire::makeReplyFrame(frame, code, 0, std::move(payload));
    };
    const auto& verifier = controller_.state().verifier;
    if (!verifier) return reply(ReplyCode::NotFound);
    // No second handshake inside a session: an injected hello must not end it.
    if (channel_) return reply(ReplyCode::Refused);
    auto request = wire::decodeHelloRequest(frame.payload);
    if (!request) return reply(wire::replyCodeFor(request.error()));
    if (!controller_.passwordGuard.hellos.fresh(request->nonce)) return reply(ReplyCode::Refused);
    auto answer = handshake_.answer(*verifier, controller_.config().serialNumber, *request);
    if (!answer) return reply(ReplyCode::Refused);
    return reply(ReplyCode::Ok, wire::encodePayload(*answer));
}

wire::Frame SecureSession::proof(const wire::Frame& frame) {
    auto reply = [&](ReplyCode code, std::vector<uint8_t> payload = {}) {
        return wire::makeReplyFrame(frame, code, 0, std::move(payload));
    };
    if (!controller_.state().verifier) return reply(ReplyCode::NotFound);
    if (channel_) return reply(ReplyCode::Refused);
    auto request = wire::decodeProofRequest(frame.payload);
    if (!request) return reply(wire::replyCodeFor(request.error()));
    PasswordGuard& guard = controller_.passwordGuard;
    const auto now = guard.now();
    // At the limit the proof is not even looked at: no guess gets an answer.
    if (guard.failures.limited(source_, now)) return reply(ReplyCode::RateLimited);
    // A proof without its hello (a replay on a new connection) tests no guess.
    if (!handshake_.awaitingProof()) return reply(ReplyCode::Refused);
    auto accepted = handshake_.check(*request);
    if (!accepted) {
        guard.failures.recordFailure(source_, now);
        return reply(ReplyCode::Refused);
    }
    channel_ = std::make_unique<secure::SealedChannel>(accepted->keys);
    return reply(ReplyCode::Ok, wire::encodePayload(accepted->reply));
}

}  // namespace sim
