#include "platform/comm/LinkSecurity.h"

#include "platform/secure/Handshake.h"
#include "platform/wire/Command.h"
#include "platform/wire/ReplyCode.h"
#include "platform/wire/SecurePayloads.h"

namespace comm {
namespace {

wire::Frame handshakeRequest(wire::Command command, std::vector<uint8_t> payload) {
    wire::Frame f;
    f.address = wire::kDirectAddress;
    f.command = wire::code(command);
    f.payload = std::move(payload);
    return f;
}

PasswordCheck refusal(uint16_t code1, std::string& why) {
    switch (static_cast<wire::ReplyCode>(code1)) {
        case wire::ReplyCode::RateLimited:
            why = "too many failed password proofs; the controller refuses more for a minute";
            return PasswordCheck::RateLimited;
        case wire::ReplyCode::NotFound:
            why = "the controller has no network password";
            return PasswordCheck::Refused;
        case wire::ReplyCode::UnknownCommand:
            why = "the controller does not know the password-protected link";
            return PasswordCheck::Refused;
        default:
            why = "the controller refused the network password";
            return PasswordCheck::Refused;
    }
}

}  // namespace

std::optional<wire::Frame> LinkSecurity::exchange(const wire::Frame& request, const SendRaw& send,
                                                  const ReceiveRaw& receive, std::string& why) {
    if (!send(request, why)) return std::nullopt;
    for (;;) {
        Received r = receive();
        if (r.kind == Received::Kind::TimedOut) {
            why = "no answer to the password handshake in time";
            return std::nullopt;
        }
        if (r.kind == Received::Kind::Lost) {
            why = "link lost during the password handshake";
            return std::nullopt;
        }
        if (wire::answers(r.frame, request) && r.frame.reply && !r.frame.sealed) return r.frame;
    }
}

PasswordCheck LinkSecurity::handshake(const SendRaw& send, const ReceiveRaw& receive,
                                      std::string& why) {
    channel_.reset();
    broken_ = false;
    if (givenUp_) {
        why = *givenUp_;
        return lastCheck_;
    }
    lastCheck_ = [&] {
        secure::HostHandshake host(serial_);
        auto helloReply = exchange(
            handshakeRequest(wire::Command::Hello, wire::encodePayload(host.hello())), send,
            receive, why);
        if (!helloReply) return PasswordCheck::Unreachable;
        if (helloReply->code1 != wire::code(wire::ReplyCode::Ok))
            return refusal(helloReply->code1, why);
        auto hello = wire::decodeHelloReply(helloReply->payload);
        if (!hello) {
            why = "the controller's hello is not usable";
            return PasswordCheck::Refused;
        }
        return prove(host, *hello, send, receive, why);
    }();
    return lastCheck_;
}

PasswordCheck LinkSecurity::prove(secure::HostHandshake& host, const wire::HelloReply& hello,
                                  const SendRaw& send, const ReceiveRaw& receive,
                                  std::string& why) {
    auto proof = host.prove(password_.text(), hello);
    if (!proof) {
        why = !serial_.empty() && hello.serialNumber != serial_
                  ? std::string(kAnotherController) + hello.serialNumber + ", not " + serial_
                  : "the controller's hello is not usable";
        return PasswordCheck::Refused;
    }
    // Counted under the controller's serial number where the link knows it: the budget is
    // kept across runs, and an address may change.
    const std::string counted = serial_.empty() ? controller_ : serial_;
    std::optional<ProofBudget::Clock::time_point> taken;
    if (budget_ != nullptr && !(taken = budget_->take(counted))) {
        why = "too many password proofs to this controller from here; wait a minute";
        return PasswordCheck::RateLimited;
    }
    // From here on, anything but the controller's proof back is a failed proof: whoever took
    // it may be testing a guess, so the link never proves itself again by itself.
    const auto failed = [&](PasswordCheck check) {
        givenUp_ = why;
        return check;
    };
    auto proofReply = exchange(handshakeRequest(wire::Command::Proof, wire::encodePayload(*proof)),
                               send, receive, why);
    if (!proofReply) return failed(PasswordCheck::Unreachable);
    if (proofReply->code1 == wire::code(wire::ReplyCode::Refused)) {
        why = "the controller refused the network password (a wrong password, or not the "
              "controller)";
        return failed(PasswordCheck::Refused);
    }
    if (proofReply->code1 != wire::code(wire::ReplyCode::Ok))
        return failed(refusal(proofReply->code1, why));
    auto controllerProof = wire::decodeProofReply(proofReply->payload);
    auto keys = controllerProof ? host.confirm(*controllerProof) : std::nullopt;
    if (!keys) {
        // It took our proof but cannot prove the password back: not the controller.
        why = "the peer could not prove the network password: an impostor, not the controller";
        return failed(PasswordCheck::Refused);
    }
    if (taken) budget_->verified(counted, *taken);
    channel_ = std::make_unique<secure::SealedChannel>(*keys);
    return PasswordCheck::Accepted;
}

wire::Frame LinkSecurity::seal(const wire::Frame& request) { return channel_->seal(request); }

std::optional<wire::Frame> LinkSecurity::open(const wire::Frame& frame) {
    if (!channel_) return std::nullopt;
    if (!frame.sealed) {
        // After the handshake nothing in clear is the controller's answer: a refusal in clear
        // may come from anyone on the path, so the connection is not trusted any more.
        broken_ = true;
        return std::nullopt;
    }
    auto opened = channel_->open(frame);
    if (auto* inner = std::get_if<wire::Frame>(&opened)) return std::move(*inner);
    // Authentic frames that cannot be taken in order mean the stream was tampered with (or the
    // peer frames wrongly): nothing more on it is to be trusted.
    const auto error = std::get<secure::OpenError>(opened);
    if (error == secure::OpenError::Skipped || error == secure::OpenError::Inconsistent)
        broken_ = true;
    return std::nullopt;
}

}  // namespace comm
