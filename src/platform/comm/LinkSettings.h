#pragma once
// The time-outs and serial settings of the links, as section Link of Kvxmatic.Ini gives them.
// A key that is missing, not a number or out of range keeps its default.
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/wire/Timing.h"

namespace comm {

struct LinkSettings {
    std::string port;  // serial device of link 0; empty: none
    uint32_t baud = wire::timing::kDefaultBaud;
    std::chrono::milliseconds tcpConnectTimeout{wire::timing::kTcpConnectTimeoutMs};
    std::chrono::milliseconds tcpTimeout{wire::timing::kTcpTimeoutMs};
    std::chrono::milliseconds serialTimeout{wire::timing::kSerialTimeoutMs};
    bool operator==(const LinkSettings&) const = default;
};

// The section and key names.
inline constexpr const char* kLinkSection = "Link";
inline constexpr const char* kPortKey = "Port";
inline constexpr const char* kBaudKey = "Baud";
inline constexpr const char* kTcpConnectTimeoutKey = "TcpConnectTimeoutMs";
inline constexpr const char* kTcpTimeoutKey = "TcpTimeoutMs";
inline constexpr const char* kSerialTimeoutKey = "SerialTimeoutMs";

// `lookup(key)` returns the key's text in section Link, empty when absent.
LinkSettings readLinkSettings(const std::function<std::string(const char* key)>& lookup);

}  // namespace comm
