#include "platform/comm/LinkSettings.h"

#include <charconv>

namespace comm {
namespace {

// Longest time-out we accept from the file: a minute. Anything longer is a typo, and a
// time-out of zero would make every exchange fail.
constexpr long kMaxTimeoutMs = 60'000;

bool parseNumber(const std::string& text, long min, long max, long& out) {
    const auto first = text.find_first_not_of(" \t");
    const auto last = text.find_last_not_of(" \t");
    if (first == std::string::npos) return false;
    long value = 0;
    const char* begin = text.data() + first;
    const char* end = text.data() + last + 1;
    const auto [ptr, ec] = std::from_chars(begin, end, value);
    if (ec != std::errc() || ptr != end || value < min || value > max) return false;
    out = value;
    return true;
}

void readTimeout(const std::string& text, std::chrono::milliseconds& out) {
    long value = 0;
    if (parseNumber(text, 1, kMaxTimeoutMs, value)) out = std::chrono::milliseconds(value);
}

}  // namespace

LinkSettings readLinkSettings(const std::function<std::string(const char* key)>& lookup) {
    LinkSettings s;
    s.port = lookup(kPortKey);
    if (const auto first = s.port.find_first_not_of(" \t"); first == std::string::npos) {
        s.port.clear();
    } else {
        s.port = s.port.substr(first, s.port.find_last_not_of(" \t") - first + 1);
    }
    long baud = 0;
    if (parseNumber(lookup(kBaudKey), 50, 4'000'000, baud)) s.baud = static_cast<uint32_t>(baud);
    readTimeout(lookup(kTcpConnectTimeoutKey), s.tcpConnectTimeout);
    readTimeout(lookup(kTcpTimeoutKey), s.tcpTimeout);
    readTimeout(lookup(kSerialTimeoutKey), s.serialTimeout);
    return s;
}

}  // namespace comm
