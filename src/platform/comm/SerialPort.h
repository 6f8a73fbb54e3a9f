#pragma once
// Opening a serial device (a real port or a pseudo-terminal) in raw mode: 8 data bits, no
// parity, one stop bit, no flow control, at a given rate.
#include <cstdint>
#include <string>

namespace comm {

// The open descriptor (non-blocking, close-on-exec), or -1 with `why` set.
int openSerialPort(const std::string& path, uint32_t baud, std::string& why);

// True for the rates the line discipline offers.
bool isSupportedBaud(uint32_t baud);

}  // namespace comm
