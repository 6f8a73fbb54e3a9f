#pragma once
// The connection state: which link is in use, its handle, and the controller it reaches.
#include <cstdint>
#include <optional>
#include <string>

namespace clink {  // "link" would clash with the POSIX function

// A controller by its own address on the link: a station of a serial bus, or one behind a
// gateway.
struct Station {
    int16_t pla = 0;
    int16_t ela = 0;
};

// "PLA:ELA", as messages and variable names name a station.
inline std::string stationText(int pla, int ela) {
    return std::to_string(pla) + ":" + std::to_string(ela);
}

struct Connection {
    int16_t CommKind = 0;  // 1 serial, 2 TCP/IP, 0 until the communication settings choose
    int32_t CurrentLink = 0;
    int16_t CurrentPLA = 0;
    int16_t CurrentELA = 0;
    std::string ModelCode;
    std::string ControllerOsKind;  // "C" for KVXreal C
    // The controller the commands act on when it is not the one at the end of the link (which
    // answers 255:30 whatever its address); empty: that one.
    std::optional<Station> Target;
};

}  // namespace clink
