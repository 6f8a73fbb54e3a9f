#include "platform/components/finder/DiscoverySettings.h"

#include <charconv>

#include "platform/components/finder/ControllerFinder.h"
#include "platform/wire/Timing.h"

namespace components {
namespace {

bool number(const std::string& text, long min, long max, long& out) {
    long v = 0;
    auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || p != text.data() + text.size() || v < min || v > max) return false;
    out = v;
    return true;
}

}  // namespace

DiscoverySettings readDiscoverySettings(const std::function<std::string(const char*)>& lookup) {
    DiscoverySettings s;
    s.port = wire::timing::kDiscoveryPort;
    s.wait = std::chrono::milliseconds(wire::timing::kDiscoveryWaitMs);
    long v = 0;
    if (number(lookup("DiscoveryPort"), 1, 65535, v)) s.port = static_cast<uint16_t>(v);
    if (number(lookup("DiscoveryWaitMs"), 1, 60000, v)) s.wait = std::chrono::milliseconds(v);
    if (auto target = parseDotted(lookup("DiscoveryTarget"))) s.target = *target;
    return s;
}

}  // namespace components
