#include "platform/comm/SerialLink.h"

#include <algorithm>

#include "platform/comm/RunUntil.h"
#include "platform/comm/SerialPort.h"
#include "platform/wire/Timing.h"

namespace comm {

namespace timing = wire::timing;

namespace {

// Header bytes looked at for a reply's length; a line that babbles beyond this gets no more
// extensions (the hard deadline ends it anyway).
constexpr std::size_t kMaxScan = 4 * wire::serialWireSize(wire::kMaxFrameSize);

}  // namespace

SerialLink::SerialLink(std::string path, const LinkSettings& settings)
    : path_(std::move(path)),
      baud_(settings.baud),
      serialTimeoutMs_(static_cast<int>(settings.serialTimeout.count())) {}

SerialLink::~SerialLink() { close(); }

bool SerialLink::open(std::string& why) {
    close();
    if (aborted_) {
        why = "link shut down";
        return false;
    }
    const int fd = openSerialPort(path_, baud_, why);
    if (fd < 0) return false;
    port_.assign(fd);
    return true;
}

void SerialLink::close() {
    asio::error_code ignored;
    port_.close(ignored);
    deframer_.reset();
}

void SerialLink::abort() {
    aborted_ = true;
    asio::post(io_, [this] {
        asio::error_code ignored;
        port_.cancel(ignored);
    });
}

std::optional<std::vector<uint8_t>> SerialLink::sendable(const wire::Frame& request,
                                                         std::string& why) const {
    auto bytes = wire::encodeSerialFrame(request);
    if (!bytes) {
        why = "request too large for a frame";
        return std::nullopt;
    }
    if (!isOpen() || aborted_) {
        why = "link not open";
        return std::nullopt;
    }
    return std::move(bytes).value();
}

bool SerialLink::send(const wire::Frame& request, std::string& why) {
    auto bytes = sendable(request, why);
    if (!bytes) return false;
    // Whatever is left of an earlier reply must not be mistaken for this one's.
    deframer_.reset();
    seen_.clear();
    scanned_ = 0;
    const int answerMs = nextAnswerMs_ > 0 ? std::min(nextAnswerMs_, serialTimeoutMs_)
                                           : serialTimeoutMs_;
    nextAnswerMs_ = 0;
    const auto now = Clock::now();
    deadline_ = now + timing::serialAnswerTimeout(bytes->size(), baud_, answerMs);
    hardDeadline_ = deadline_ + timing::serialCompletionTimeout(
                                    wire::serialWireSize(wire::kMaxFrameSize), baud_);
    lastByte_ = now;
    lineFree_ = now + timing::serialTransmitTime(bytes->size(), baud_);
    return write(*bytes, why);
}

void SerialLink::limitNextAnswer(std::chrono::milliseconds answerTime) {
    nextAnswerMs_ = static_cast<int>(answerTime.count());
}

bool SerialLink::sendMore(const wire::Frame& request, std::string& why) {
    auto bytes = sendable(request, why);
    if (!bytes) return false;
    // The line carries the requests one after another: this one's answer time starts when
    // the ones before it are out.
    const auto now = Clock::now();
    lineFree_ = std::max(lineFree_, now) + timing::serialTransmitTime(bytes->size(), baud_);
    const auto answer = lineFree_ + std::chrono::milliseconds(serialTimeoutMs_);
    deadline_ = std::max(deadline_, answer);
    hardDeadline_ = std::max(hardDeadline_, answer + timing::serialCompletionTimeout(
                                                         wire::serialWireSize(wire::kMaxFrameSize),
                                                         baud_));
    return write(*bytes, why);
}

void SerialLink::restartTimeout() {
    const auto now = Clock::now();
    const auto answer = std::max(lineFree_, now) + std::chrono::milliseconds(serialTimeoutMs_);
    deadline_ = std::max(deadline_, answer);
    hardDeadline_ = std::max(hardDeadline_, answer + timing::serialCompletionTimeout(
                                                         wire::serialWireSize(wire::kMaxFrameSize),
                                                         baud_));
    scanned_ = std::min(scanned_, seen_.size());
}

bool SerialLink::write(const std::vector<uint8_t>& bytes, std::string& why) {
    asio::error_code error;
    bool done = false;
    asio::async_write(port_, asio::buffer(bytes), [&](const asio::error_code& ec, std::size_t) {
        error = ec;
        done = true;
    });
    const bool finished = runUntil(io_, deadline_, done, [&] {
        asio::error_code ignored;
        port_.cancel(ignored);
    });
    if (!finished || error || aborted_) {
        why = "serial line lost while sending: " +
              (!finished || aborted_ ? std::string("timed out") : error.message());
        close();
        return false;
    }
    return true;
}

void SerialLink::extendForHeaders(Clock::time_point now) {
    while (scanned_ + 2 < seen_.size() && scanned_ < kMaxScan) {
        if (seen_[scanned_] == wire::kSerialStartByte) {
            const std::size_t length = seen_[scanned_ + 1] | (seen_[scanned_ + 2] << 8);
            if (length >= wire::kRequestHeaderSize && length <= wire::kMaxFrameSize) {
                const auto rest = timing::serialCompletionTimeout(length + 2, baud_);
                deadline_ = std::min(hardDeadline_, std::max(deadline_, now + rest));
            }
        }
        ++scanned_;
    }
}

Received SerialLink::receive() {
    for (;;) {
        while (auto next = deframer_.next()) {
            if (next->ok()) return {Received::Kind::Frame, std::move(*next).value()};
        }
        if (!isOpen() || aborted_) return {Received::Kind::Lost, {}};
        const auto now = Clock::now();
        if (now >= deadline_) return {Received::Kind::TimedOut, {}};
        // A candidate frame that stops arriving is garbage with a plausible length.
        const bool partial = deframer_.hasPartial();
        const auto idleEnd = lastByte_ + timing::serialIdleGap(baud_);
        const auto waitEnd = partial ? std::min(deadline_, idleEnd) : deadline_;

        asio::error_code error;
        std::size_t count = 0;
        bool done = false;
        port_.async_read_some(asio::buffer(buffer_),
                              [&](const asio::error_code& ec, std::size_t n) {
                                  error = ec;
                                  count = n;
                                  done = true;
                              });
        const bool finished = runUntil(io_, waitEnd, done, [&] {
            asio::error_code ignored;
            port_.cancel(ignored);
        });
        if (aborted_) return {Received::Kind::Lost, {}};
        if (!finished || error == asio::error::operation_aborted) {
            if (partial && Clock::now() >= idleEnd) {
                deframer_.abandonPartial();
                lastByte_ = Clock::now();
            }
            continue;
        }
        if (error) {
            close();
            return {Received::Kind::Lost, {}};
        }
        lastByte_ = Clock::now();
        const std::span<const uint8_t> got(buffer_.data(), count);
        deframer_.feed(got);
        if (seen_.size() < kMaxScan) seen_.insert(seen_.end(), got.begin(), got.end());
        extendForHeaders(lastByte_);
    }
}

}  // namespace comm
