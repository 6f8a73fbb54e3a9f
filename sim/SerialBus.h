#pragma once
// The multi-drop serial bus on a pseudo-terminal: the host opens the slave side as its serial
// port; every station sees every frame and only the addressed one answers, paced at the
// bus's baud rate.
#include <asio/io_context.hpp>
#include <asio/posix/stream_descriptor.hpp>
#include <asio/steady_timer.hpp>
#include <memory>
#include <string>
#include <vector>

#include "platform/wire/SerialFraming.h"
#include "sim/PacedOutput.h"
#include "sim/Router.h"

namespace sim {

class SerialBus {
  public:
    SerialBus(asio::io_context& io, Router& router, uint32_t baud);
    ~SerialBus();

    // Opens the pseudo-terminal in raw mode; `slavePath` is what the host opens.
    bool open(std::string& slavePath, std::string& error);
    void close();

  private:
    void read();
    void received(std::size_t count);
    void deliver(const wire::Frame& frame, std::size_t wireBytes);
    void deliverToClash(const std::vector<Controller*>& stations, const wire::Frame& frame);
    void armIdle();
    // Request bytes that still get through a cut of the line (the head station's knob); after
    // a cut the bus hears nothing until the line has been idle.
    std::size_t admit(std::size_t count);

    asio::io_context& io_;
    Router& router_;
    uint32_t baud_;
    int slaveKeep_ = -1;  // kept open so the master never sees a hang-up between host sessions
    asio::posix::stream_descriptor master_;
    asio::steady_timer idle_;
    wire::SerialDeframer deframer_;
    std::vector<uint8_t> buffer_;
    std::shared_ptr<PacedOutput> output_;
    PacedOutput::Clock::time_point inputFree_{};  // when the requests heard so far are all in
    bool deaf_ = false;                           // cut: deaf until the line is idle
    asio::steady_timer deafEnd_;
};

}  // namespace sim
