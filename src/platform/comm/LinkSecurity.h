#pragma once
// The host's side of the password-protected link: it runs the handshake on every fresh
// connection with the password it holds (in memory only) and then seals every request and
// opens every reply. A TCP link that has one never lets a frame travel in clear after the
// handshake, and takes nothing in clear as an answer: such a frame ends the connection.
// Once a proof failed (refused, unanswered, cut off, answered with any other code, or not proved
// back), the link does not prove itself again by itself: a reconnect would only hand an
// impostor another guess.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/comm/Link.h"
#include "platform/comm/PasswordCheck.h"
#include "platform/comm/ProofBudget.h"
#include "platform/secure/SealedChannel.h"
#include "platform/secure/Sodium.h"

namespace comm {

// How a refused handshake begins when another controller than the one chosen answered: it
// names the one that answered, then the one chosen.
inline constexpr std::string_view kAnotherController = "the controller answering is ";

class LinkSecurity {
  public:
    using SendRaw = std::function<bool(const wire::Frame&, std::string&)>;
    using ReceiveRaw = std::function<Received()>;

    // With a `budget`, every proof counts against the host's limit shared by every link and
    // run on the machine, under `serial` (or, without one, `controller`: its address as the
    // link names it) until the controller proved the password back. `serial`: the controller
    // the link is for, bound into the handshake so that a relay to another controller with the
    // same password fails; empty when only its address is known.
    // `password` is shared, not copied: the link holds the caller's one buffer.
    explicit LinkSecurity(secure::Secret password, ProofBudget* budget = nullptr,
                          std::string controller = {}, std::string serial = {})
        : password_(std::move(password)),
          budget_(budget),
          controller_(std::move(controller)),
          serial_(std::move(serial)) {}

    // The handshake on a connection just made; `why` says what failed.
    PasswordCheck handshake(const SendRaw& send, const ReceiveRaw& receive, std::string& why);
    PasswordCheck lastCheck() const { return lastCheck_; }
    bool established() const { return channel_ != nullptr; }
    // The connection is gone: the next one needs a handshake of its own.
    void reset() {
        channel_.reset();
        broken_ = false;
    }

    // The sealed frame carrying `request`.
    wire::Frame seal(const wire::Frame& request);
    // What the caller of receive() sees of a frame from the line: the opened reply, or nothing
    // (a forged frame, a replay). A frame in clear, one sealed after frames that never arrived,
    // or an authentic one whose inner frame disagrees with it makes the connection broken():
    // it must be closed.
    std::optional<wire::Frame> open(const wire::Frame& frame);
    bool broken() const { return broken_; }

  private:
    std::optional<wire::Frame> exchange(const wire::Frame& request, const SendRaw& send,
                                        const ReceiveRaw& receive, std::string& why);

    PasswordCheck prove(secure::HostHandshake& host, const wire::HelloReply& hello,
                        const SendRaw& send, const ReceiveRaw& receive, std::string& why);

    secure::Secret password_;
    ProofBudget* budget_;
    std::string controller_;
    std::string serial_;
    PasswordCheck lastCheck_ = PasswordCheck::Unreachable;
    std::unique_ptr<secure::SealedChannel> channel_;
    bool broken_ = false;
    // Why the peer will not be asked again, once a proof to it failed.
    std::optional<std::string> givenUp_;
};

}  // namespace comm
