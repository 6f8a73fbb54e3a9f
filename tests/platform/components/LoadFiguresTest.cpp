// The words every front end says about a load: its bytes while it runs, its rate at the end.
#include <gtest/gtest.h>

#include "platform/components/LoadFigures.h"

namespace {

using namespace std::chrono_literals;

TEST(LoadFigures, TheEndSaysTheEffectiveRateOfTheImagesBytes) {
    const struct {
        uint64_t bytes;
        std::chrono::steady_clock::duration elapsed;
        const char* said;
    } cases[] = {
        {412160, 9800ms, "Loaded 412,160 bytes in 9.8 s (336 kbit/s)."},
        // An engine that did not time the load: no rate, never an endless one.
        {412160, 0ms, "Loaded 412,160 bytes."},
        {999, -5ms, "Loaded 999 bytes."},
        // Quick loads: milliseconds rather than "0.0 s"; the rate from the time as measured.
        {30000, 40ms, "Loaded 30,000 bytes in 40 ms (6,000 kbit/s)."},
        {1000, 200us, "Loaded 1,000 bytes in under 1 ms (40.0 Mbit/s)."},
        {12500000, 1s, "Loaded 12,500,000 bytes in 1.0 s (100.0 Mbit/s)."},
        // Nothing loaded: nothing to say.
        {0, 3s, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.said);
        EXPECT_EQ(components::loadedText({c.bytes, c.elapsed, 0}), c.said);
    }
}

TEST(LoadFigures, ProgressCountsTheImagesBytesInGroups) {
    EXPECT_EQ(components::bytesText(0, 412160), "0 of 412,160 bytes");
    EXPECT_EQ(components::bytesText(188416, 1234567890), "188,416 of 1,234,567,890 bytes");
    EXPECT_EQ(components::bytesText(100, 100), "100 of 100 bytes");
}

}  // namespace
