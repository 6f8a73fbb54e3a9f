#pragma once
// One link to controllers: a TCP connection or a serial line. A link moves whole frames and
// knows its own time-outs; matching replies to requests is the exchange engine's job. Only the
// engine's worker thread calls a link, except abort(), which any thread may call.
#include <chrono>
#include <cstdint>
#include <string>

#include "platform/wire/Frame.h"

namespace comm {

using Clock = std::chrono::steady_clock;

struct Received {
    enum class Kind {
        Frame,     // `frame` holds a well-formed frame (not necessarily the awaited reply)
        TimedOut,  // the exchange's time-out passed
        Lost,      // the link broke; it is closed now
    };
    Kind kind = Kind::TimedOut;
    wire::Frame frame;
};

class Link {
  public:
    virtual ~Link() = default;

    virtual bool isOpen() const = 0;
    // Opens the link within its connect time-out; on failure `why` says what went wrong.
    virtual bool open(std::string& why) = 0;
    virtual void close() = 0;

    // Sends one request and starts the exchange's time-out. False when the frame cannot be
    // sent (too large, or the link broke: it is closed then); `why` says which.
    virtual bool send(const wire::Frame& request, std::string& why) = 0;
    // The next frame that arrives before the time-out started by send().
    virtual Received receive() = 0;

    // Pipelining: sends one more request within the exchange that send() started, keeping
    // what has arrived of earlier replies, and moves the time-out out so that it covers this
    // request too. Replies come in the order of the requests. False (with `why`) when the link
    // cannot pipeline or the frame cannot be sent.
    virtual bool sendMore(const wire::Frame& request, std::string& why) {
        (void)request;
        why = "this link sends one request at a time";
        return false;
    }
    // Pipelining: a reply has arrived and more are awaited; they get a fresh answer time.
    virtual void restartTimeout() {}
    // The next send() waits at most this long for its reply to begin, if that is shorter than
    // the link's own answer time; links without answer times (TCP) ignore it.
    virtual void limitNextAnswer(std::chrono::milliseconds answerTime) { (void)answerTime; }
    // The line's rate in bits per second (10 bits a byte), 0 when the link does not know it.
    virtual uint32_t lineBitsPerSecond() const { return 0; }

    // Ends whatever the link is waiting for and every later wait, at once: the link is being
    // shut down.
    virtual void abort() = 0;

    // False where a password would cross the line in clear: a TCP link without the
    // password-protected session, and a serial line.
    virtual bool carriesSecrets() const { return true; }

    // For messages: "tcp:host:port" or "serial:/dev/...".
    virtual std::string name() const = 0;
};

}  // namespace comm
