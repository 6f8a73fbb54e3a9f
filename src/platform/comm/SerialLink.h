#pragma once
// A serial line (a multi-drop bus): frames with start byte, length and CRC. The time-out of
// an exchange follows the line's rate: the answer time plus the request's transmit time until
// a reply's length is known, then twice the reply's transmit time plus 50 ms.
#include <array>
#include <asio.hpp>
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/comm/Link.h"
#include "platform/comm/LinkSettings.h"
#include "platform/wire/SerialFraming.h"

namespace comm {

class SerialLink final : public Link {
  public:
    // Uses the baud rate and the serial time-out of `settings`.
    SerialLink(std::string path, const LinkSettings& settings);
    ~SerialLink() override;

    bool isOpen() const override { return port_.is_open(); }
    bool open(std::string& why) override;
    void close() override;
    bool send(const wire::Frame& request, std::string& why) override;
    Received receive() override;
    bool sendMore(const wire::Frame& request, std::string& why) override;
    void restartTimeout() override;
    uint32_t lineBitsPerSecond() const override { return baud_; }
    // A serial line has no password-protected session: what crosses it can be read by
    // anything on the bus.
    bool carriesSecrets() const override { return false; }
    void limitNextAnswer(std::chrono::milliseconds answerTime) override;
    void abort() override;
    std::string name() const override { return "serial:" + path_; }

  private:
    // The request's bytes when the link can send them now; else empty with `why`.
    std::optional<std::vector<uint8_t>> sendable(const wire::Frame& request,
                                                 std::string& why) const;
    bool write(const std::vector<uint8_t>& bytes, std::string& why);
    // Moves the deadline out when a plausible reply header has arrived.
    void extendForHeaders(Clock::time_point now);

    std::string path_;
    uint32_t baud_;
    int serialTimeoutMs_;
    int nextAnswerMs_ = 0;  // a shorter answer time for the next send() only; 0: none
    asio::io_context io_;
    asio::posix::stream_descriptor port_{io_};
    wire::SerialDeframer deframer_;
    Clock::time_point deadline_{};
    Clock::time_point hardDeadline_{};
    Clock::time_point lastByte_{};
    Clock::time_point lineFree_{};  // when the requests written so far are all on the line
    std::vector<uint8_t> seen_;  // bytes since the request, to spot reply headers
    std::size_t scanned_ = 0;
    std::array<uint8_t, 4096> buffer_{};
    std::atomic<bool> aborted_{false};
};

}  // namespace comm
