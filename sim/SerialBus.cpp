#include "sim/SerialBus.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <asio/write.hpp>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/wire/Timing.h"
#include "sim/BusStations.h"

namespace sim {
namespace {

// After a cut the bus hears nothing until the host has been quiet this long.
constexpr std::chrono::milliseconds kDeafUntilQuiet{20};

}  // namespace

SerialBus::SerialBus(asio::io_context& io, Router& router, uint32_t baud)
    : io_(io),
      router_(router),
      baud_(baud),
      master_(io),
      idle_(io),
      buffer_(4096),
      deafEnd_(io) {}

SerialBus::~SerialBus() { close(); }

bool SerialBus::open(std::string& slavePath, std::string& error) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        error = std::string("cannot make a pseudo-terminal: ") + std::strerror(errno);
        if (master >= 0) ::close(master);
        return false;
    }
    char name[256];
    if (::ptsname_r(master, name, sizeof name) != 0) {
        error = std::string("cannot name the pseudo-terminal: ") + std::strerror(errno);
        ::close(master);
        return false;
    }
    slaveKeep_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios tio{};
    if (slaveKeep_ < 0 || ::tcgetattr(slaveKeep_, &tio) != 0) {
        error = std::string("cannot open ") + name + ": " + std::strerror(errno);
        ::close(master);
        if (slaveKeep_ >= 0) ::close(slaveKeep_);
        slaveKeep_ = -1;
        return false;
    }
    ::cfmakeraw(&tio);
    ::tcsetattr(slaveKeep_, TCSANOW, &tio);
    slavePath = name;
    master_.assign(master);
    master_.non_blocking(true);
    output_ = std::make_shared<PacedOutput>(
        io_,
        [this](const uint8_t* data, std::size_t size, PacedOutput::Done done) {
            asio::async_write(master_, asio::buffer(data, size),
                              [done](const asio::error_code& ec, std::size_t) { done(!ec); });
        },
        [] {});
    read();
    return true;
}

void SerialBus::close() {
    if (output_) output_->stop();
    output_.reset();
    idle_.cancel();
    asio::error_code ignored;
    if (master_.is_open()) master_.close(ignored);
    if (slaveKeep_ >= 0) ::close(slaveKeep_);
    slaveKeep_ = -1;
}

void SerialBus::read() {
    master_.async_read_some(asio::buffer(buffer_),
                            [this](const asio::error_code& ec, std::size_t n) {
                                if (ec == asio::error::operation_aborted || !master_.is_open())
                                    return;
                                if (ec) {
                                    // EIO while no host holds the line open: not expected with our
                                    // own slave kept open, but never spin on it.
                                    idle_.expires_after(std::chrono::milliseconds(50));
                                    idle_.async_wait([this](const asio::error_code& e) {
                                        if (!e) read();
                                    });
                                    return;
                                }
                                received(n);
                                read();
                            });
}

std::size_t SerialBus::admit(std::size_t count) {
    if (!deaf_) {
        Controller* head = router_.serialStation(wire::kDirectAddress);
        bool cut = false;
        if (head == nullptr || count == 0) return count;
        const std::size_t through = head->faults.admitRequestBytes(count, cut);
        if (!cut) return count;
        deaf_ = true;
        count = through;
    } else {
        count = 0;
    }
    deafEnd_.expires_after(kDeafUntilQuiet);
    deafEnd_.async_wait([this](const asio::error_code& ec) {
        if (!ec) deaf_ = false;
    });
    return count;
}

void SerialBus::received(std::size_t count) {
    count = admit(count);
    deframer_.feed(std::span<const uint8_t>(buffer_.data(), count));
    while (auto next = deframer_.next()) {
        if (!*next) continue;  // the de-framer has resynchronised
        const wire::Frame& frame = next->value();
        deliver(frame, wire::serialWireSize(wire::frameSize(frame)));
    }
    armIdle();
}

void SerialBus::armIdle() {
    if (!deframer_.hasPartial()) {
        idle_.cancel();
        return;
    }
    idle_.expires_after(wire::timing::serialIdleGap(baud_));
    idle_.async_wait([this](const asio::error_code& ec) {
        if (ec || !deframer_.hasPartial()) return;
        deframer_.abandonPartial();
        received(0);
    });
}

void SerialBus::deliver(const wire::Frame& frame, std::size_t wireBytes) {
    if (frame.reply) return;
    // The request took its time on the line, after the ones before it: no station can answer
    // before it has all of it.
    inputFree_ = std::max(inputFree_, PacedOutput::Clock::now()) +
                 wire::timing::serialTransmitTime(wireBytes, baud_);
    const std::vector<Controller*> stations = router_.serialStations(frame.address);
    if (stations.empty()) return;
    if (stations.size() > 1) {
        deliverToClash(stations, frame);
        return;
    }
    Controller* station = stations.front();
    Outcome outcome = router_.answerOnBus(*station, frame);
    if (outcome.reply) {
        auto bytes = wire::encodeSerialFrame(*outcome.reply);
        if (bytes) {
            ReplyPlan plan = station->faults.plan(std::move(bytes).value());
            const uint32_t rate = plan.rateBps != 0 ? std::min(plan.rateBps, baud_) : baud_;
            // Closing a bus is not possible: a "closed" link stops after the cut bytes.
            if (!plan.drop)
                output_->pushAt(std::move(plan.bytes), inputFree_ + plan.delay + outcome.delay,
                                rate, false);
        }
    }
    router_.settle(*station, outcome);
}

// Every station at the address acts on the request; their replies collide on the line.
void SerialBus::deliverToClash(const std::vector<Controller*>& stations, const wire::Frame& frame) {
    std::vector<uint8_t> line;
    for (Controller* station : stations) {
        Outcome outcome = router_.answerOnBus(*station, frame);
        if (outcome.reply) {
            auto bytes = wire::encodeSerialFrame(*outcome.reply);
            if (bytes) line = line.empty() ? std::move(bytes).value() : collide(line, *bytes);
        }
        router_.settle(*station, outcome);
    }
    if (!line.empty()) output_->pushAt(std::move(line), inputFree_, baud_, false);
}

}  // namespace sim
