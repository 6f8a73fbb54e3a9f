#include "platform/components/LoadFigures.h"

#include <cmath>
#include <cstdio>

namespace components {
namespace {

std::string grouped(uint64_t n) {
    std::string digits = std::to_string(n);
    for (auto at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), ",");
    return digits;
}

std::string oneDecimal(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

std::string durationText(double seconds) {
    // Below a second the tenths would round a quick load to "0.0 s".
    const long long ms = std::llround(seconds * 1e3);
    if (ms == 0) return "under 1 ms";
    if (ms < 1000) return std::to_string(ms) + " ms";
    return oneDecimal(seconds) + " s";
}

std::string rateText(double bitsPerSecond) {
    const double kbit = bitsPerSecond / 1e3;
    if (kbit < 10'000) return grouped(static_cast<uint64_t>(std::llround(kbit))) + " kbit/s";
    return oneDecimal(kbit / 1e3) + " Mbit/s";
}

}  // namespace

std::string bytesText(uint64_t acknowledged, uint64_t total) {
    return grouped(acknowledged) + " of " + grouped(total) + " bytes";
}

std::string loadedText(const LoadFigures& figures) {
    if (figures.imageBytes == 0) return {};
    const std::string loaded = "Loaded " + grouped(figures.imageBytes) + " bytes";
    const double seconds = std::chrono::duration<double>(figures.elapsed).count();
    // An engine that did not time the load gives no rate rather than an endless one.
    if (!(seconds > 0)) return loaded + ".";
    return loaded + " in " + durationText(seconds) + " (" +
           rateText(double(figures.imageBytes) * 8.0 / seconds) + ").";
}

}  // namespace components
