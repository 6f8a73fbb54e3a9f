#include "platform/wire/Timing.h"

#include <algorithm>

namespace wire::timing {

using std::chrono::microseconds;
using std::chrono::milliseconds;

microseconds serialTransmitTime(std::size_t bytes, uint32_t baud) {
    const uint64_t rate = baud == 0 ? kDefaultBaud : baud;
    // Rounded up, so that a time-out is never shorter than the line needs.
    return microseconds((static_cast<uint64_t>(bytes) * 10 * 1'000'000 + rate - 1) / rate);
}

microseconds serialIdleGap(uint32_t baud) {
    return std::max<microseconds>(milliseconds(100), serialTransmitTime(10, baud));
}

microseconds serialAnswerTimeout(std::size_t requestWireBytes, uint32_t baud, int serialTimeoutMs) {
    return milliseconds(std::max(serialTimeoutMs, 0)) + serialTransmitTime(requestWireBytes, baud);
}

microseconds serialCompletionTimeout(std::size_t remainingWireBytes, uint32_t baud) {
    return 2 * serialTransmitTime(remainingWireBytes, baud) + milliseconds(50);
}

}  // namespace wire::timing
