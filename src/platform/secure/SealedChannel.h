#pragma once
// The frames of one established session: each whole frame travels inside a sealed frame
// (command 0x42, control bit 1), encrypted and authenticated with ChaCha20-Poly1305 under the
// sender's direction key. The nonce is the sender's counter, which starts at 1 and goes up by
// one per frame; the stream is reliable, so the receiver accepts only the next counter: a
// replayed, repeated, reordered or left-out frame is refused. The outer header (it travels in
// clear and says nothing but "sealed") and the counter are authenticated too, and the inner
// frame must carry the outer sequence.
#include <cstdint>
#include <variant>

#include "platform/secure/Handshake.h"
#include "platform/wire/Frame.h"

namespace secure {

enum class OpenError {
    Malformed,  // not a sealed frame, or its payload or inner frame does not decode
    Forged,     // the box does not open under this session's key: forged, damaged, other session
    Replayed,   // the counter does not go up
    Skipped,    // authentic, but frames before it never arrived: the stream was tampered with
    Inconsistent,  // authentic, but the frame inside does not decode or disagrees with its
                   // envelope (sequence, direction): the sender cannot be trusted to frame
};

const char* openErrorName(OpenError error);

class SealedChannel {
  public:
    explicit SealedChannel(const SessionKeys& keys) : keys_(keys) {}
    ~SealedChannel();
    SealedChannel(const SealedChannel&) = delete;
    SealedChannel& operator=(const SealedChannel&) = delete;

    // The sealed frame carrying `inner` (a request or a reply of at most kMaxFrameSize); it is
    // addressed to 255:30 and echoes the inner sequence, so that a refusal in clear can be
    // matched to what it refuses.
    wire::Frame seal(const wire::Frame& inner);
    // The inner frame of a sealed frame from the peer.
    std::variant<wire::Frame, OpenError> open(const wire::Frame& outer);

    uint64_t sent() const { return sendCounter_; }
    uint64_t received() const { return receiveCounter_; }

  private:
    SessionKeys keys_;
    uint64_t sendCounter_ = 0;
    uint64_t receiveCounter_ = 0;
};

}  // namespace secure
