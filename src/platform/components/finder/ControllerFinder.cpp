#include "platform/components/finder/ControllerFinder.h"

#include <charconv>
#include <stdexcept>

namespace components {

std::optional<wire::Ipv4> parseDotted(const std::string& text) {
    wire::Ipv4 out{};
    const char* p = text.data();
    const char* end = p + text.size();
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (p == end || *p != '.') return std::nullopt;
            ++p;
        }
        unsigned value = 0;
        const char* start = p;
        auto [next, ec] = std::from_chars(p, end, value);
        if (ec != std::errc() || next == start || next - start > 3 || value > 255)
            return std::nullopt;
        out[part] = static_cast<uint8_t>(value);
        p = next;
    }
    if (p != end) return std::nullopt;
    return out;
}

void ControllerFinder::ClearCriteria() {
    criteria_.clear();
    appliedFilter_.clear();
}

void ControllerFinder::AddAddress(const std::string& address) {
    if (auto a = parseDotted(address)) criteria_.push_back({*a});
}

void ControllerFinder::AddAddressWithMask(const std::string& address, const std::string& mask) {
    auto a = parseDotted(address);
    if (!a) return;
    if (auto m = parseDotted(mask))
        for (int i = 0; i < 4; ++i) (*a)[i] = static_cast<uint8_t>((*a)[i] | ~(*m)[i]);
    criteria_.push_back({*a});
}

FoundController& ControllerFinder::Item(int32_t index) {
    if (index < 0 || index >= Count())
        throw std::out_of_range("no found controller " + std::to_string(index));
    return *found_[static_cast<std::size_t>(index)];
}

}  // namespace components
