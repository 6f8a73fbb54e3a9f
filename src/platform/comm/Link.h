#pragma once
// One link to controllers: a TCP connection or a serial line. A link moves whole frames and
// knows its own time-outs; matching replies to requests is the exchange engine's job. Only the
// engine's worker thread calls a link, except abort(), which any thread may call.
#include <chrono>
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

    // Ends whatever the link is waiting for and every later wait, at once: the link is being
    // shut down.
    virtual void abort() = 0;

    // For messages: "tcp:host:port" or "serial:/dev/...".
    virtual std::string name() const = 0;
};

}  // namespace comm
