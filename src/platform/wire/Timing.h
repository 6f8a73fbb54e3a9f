#pragma once
// Default time-outs and serial timing, shared by the host library and the simulator so both
// agree on when an exchange is over.
#include <chrono>
#include <cstddef>
#include <cstdint>

namespace wire::timing {

// Defaults of the keys in Kvxmatic.Ini, section Link.
constexpr int kTcpConnectTimeoutMs = 2000;  // TcpConnectTimeoutMs
constexpr int kTcpTimeoutMs = 2000;         // TcpTimeoutMs
constexpr int kSerialTimeoutMs = 300;       // SerialTimeoutMs
constexpr uint32_t kDefaultBaud = 9600;     // Baud
constexpr uint16_t kDiscoveryPort = 48890;  // DiscoveryPort
constexpr int kDiscoveryWaitMs = 1000;      // DiscoveryWaitMs

// A character on the line: start bit, 8 data bits, stop bit. A baud rate of 0 counts as the
// default rate.
std::chrono::microseconds serialTransmitTime(std::size_t bytes, uint32_t baud);

// Line idle this long with a frame incomplete: abandon the candidate.
std::chrono::microseconds serialIdleGap(uint32_t baud);

// From the start of sending a request until the reply's start byte and length must have come.
std::chrono::microseconds serialAnswerTimeout(std::size_t requestWireBytes, uint32_t baud,
                                              int serialTimeoutMs);

// Once the reply's length is known: the time left to receive the rest of it.
std::chrono::microseconds serialCompletionTimeout(std::size_t remainingWireBytes, uint32_t baud);

}  // namespace wire::timing
