#pragma once
// The sending side of one link: replies go out in order, each no earlier than its due time,
// at a limited rate when one is set (10 bits a byte, as on a serial line), and the link is
// closed after a reply that asks for it. Waits are timers, never sleeps, so one slow link
// holds up nobody else.
#include <asio/io_context.hpp>
#include <asio/steady_timer.hpp>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace sim {

class PacedOutput : public std::enable_shared_from_this<PacedOutput> {
  public:
    using Clock = std::chrono::steady_clock;
    using Done = std::function<void(bool ok)>;
    // Writes the bytes and calls back; the bytes stay valid until then.
    using Write = std::function<void(const uint8_t* data, std::size_t size, Done done)>;

    PacedOutput(asio::io_context& io, Write write, std::function<void()> close);

    void push(std::vector<uint8_t> bytes, std::chrono::milliseconds delay, uint32_t bitsPerSecond,
              bool closeAfter);
    // The same, due at `due` rather than after a delay from now.
    void pushAt(std::vector<uint8_t> bytes, Clock::time_point due, uint32_t bitsPerSecond,
                bool closeAfter);
    // The line is busy until then (a serial request still arriving): nothing starts earlier.
    void holdUntil(Clock::time_point until);
    bool idle() const { return !busy_ && queue_.empty(); }
    // Bytes queued and not yet written.
    std::size_t queued() const { return queued_; }
    // Called once no more than `bytes` are queued (at once when that is so already).
    void whenBelow(std::size_t bytes, std::function<void()> then);
    // Called once everything queued is out (at once when idle).
    void whenDrained(std::function<void()> then);
    // Drops what is queued and forgets the link.
    void stop();

  private:
    struct Item {
        std::vector<uint8_t> bytes;
        Clock::time_point due;
        uint32_t bitsPerSecond;
        bool closeAfter;
    };
    void next();
    void coalesce();
    void pump();
    void written(std::size_t count, bool ok);
    void closeLink();
    void relieve();
    Clock::time_point byteTime(std::size_t index) const;

    asio::steady_timer timer_;
    Write write_;
    std::function<void()> close_;
    std::function<void()> drained_;
    std::size_t relieveAt_ = 0;
    std::function<void()> relieved_;
    std::size_t queued_ = 0;
    std::deque<Item> queue_;
    bool busy_ = false;
    bool stopped_ = false;
    std::size_t sent_ = 0;
    Clock::time_point start_{};
    Clock::time_point lineFree_{};
};

}  // namespace sim
