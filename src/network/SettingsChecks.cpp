#include "network/SettingsChecks.h"

#include <algorithm>
#include <charconv>

#include "platform/components/finder/ControllerFinder.h"
#include "platform/secure/PasswordCharacters.h"

namespace network {

// The same set the controllers enforce, so that nothing the dialog lets through is refused.
bool PasswordCharactersAllowed(const std::string& text) {
    return secure::passwordCharactersAllowed(text);
}

bool IsDottedIpv4(const std::string& text) { return components::parseDotted(text).has_value(); }

std::optional<int32_t> DecimalInt32(const std::string& text) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (begin != end && *begin == '+' && begin + 1 != end && begin[1] != '-') ++begin;
    int32_t value = 0;
    auto [p, ec] = std::from_chars(begin, end, value);
    if (ec != std::errc() || p != end || begin == end) return std::nullopt;
    return value;
}

}  // namespace network
