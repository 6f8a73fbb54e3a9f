#include "network/SettingsChecks.h"

#include <algorithm>
#include <charconv>

#include "platform/components/finder/ControllerFinder.h"
#include "platform/kvxglib/Library.h"
#include "platform/sysvars/Table.h"
#include "platform/text/Text.h"

namespace network {

// The library's check is the controllers' own, so nothing the dialog lets through is refused.
bool PasswordCharactersAllowed(kvxglib::Library& glib, const std::string& text) {
    return glib.PasswordCharactersAllowed(text::toWide(text)) != 0;
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

std::optional<std::size_t> TooLongFor(const std::string& name, const std::string& text) {
    const sysvars::Variable* v = sysvars::findByName(name);
    if (v == nullptr || v->maxLength == 0) return std::nullopt;
    const std::size_t limit = static_cast<std::size_t>(v->maxLength);
    if (text.size() <= limit || text::toOem(text).size() <= limit) return std::nullopt;
    return limit;
}

}  // namespace network
