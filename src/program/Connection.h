#pragma once
// The connection state: which link is in use, its handle, and the controller it reaches.
#include <cstdint>
#include <string>

namespace clink {  // "link" would clash with the POSIX function

struct Connection {
    int16_t CommKind = 0;  // 1 serial, 2 TCP/IP, 0 until the communication settings choose
    int32_t CurrentLink = 0;
    int16_t CurrentPLA = 0;
    int16_t CurrentELA = 0;
    std::string ModelCode;
    std::string ControllerOsKind;  // "C" for KVXreal C
};

}  // namespace clink
