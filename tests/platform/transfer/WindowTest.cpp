// The window follows the path's round trip while a transfer runs: blocks cross a line of fixed
// rate to a controller whose latency changes mid-transfer, in time the test keeps.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <functional>
#include <map>

#include "platform/transfer/TransferEngine.h"
#include "platform/transfer/WindowSizer.h"

namespace {

using namespace std::chrono_literals;
using Steady = std::chrono::steady_clock;

struct Stretch {
    uint64_t until;  // image bytes
    Steady::duration latency;
};

// Sends `size` bytes the way the engine does (a window of blocks, each answered in order) over
// a line of `bytesPerSecond`, the latency of the stretch the controller is in when a block
// arrives; returns the largest window of the last megabyte of each stretch, when it has settled.
std::vector<std::size_t> settledWindows(const std::vector<Stretch>& stretches, double bytesPerSecond,
                                        uint32_t lineBitsPerSecond = 0) {
    const transfer::Tuning tuning;
    transfer::WindowSizer sizer(tuning, lineBitsPerSecond);
    constexpr std::size_t kBlock = 4082, kFrame = kBlock + 14;
    Steady::time_point now{1h}, lineFree{}, lastDue{};
    sizer.begin(stretches.front().latency, kBlock, now);
    struct InFlight {
        uint64_t end;
        Steady::time_point sentAt, due;
        uint64_t ahead;
        bool probe;
    };
    std::deque<InFlight> inFlight;
    uint64_t next = 0, received = 0;
    const uint64_t size = stretches.back().until;
    std::vector<std::size_t> settled(stretches.size(), 0);
    auto stretchOf = [&](uint64_t at) {
        std::size_t i = 0;
        while (at >= stretches[i].until && i + 1 < stretches.size()) ++i;
        return i;
    };
    while (received < size) {
        const std::size_t window = sizer.bytes(now);
        while (next < size && next - received < window) {
            next = std::min<uint64_t>(size, next + kBlock);
            lineFree = std::max(lineFree, now) + std::chrono::duration_cast<Steady::duration>(
                                                     std::chrono::duration<double>(kFrame / bytesPerSecond));
            lastDue = std::max(lastDue, lineFree + stretches[stretchOf(next)].latency);
            inFlight.push_back({next, now, lastDue, next - received, sizer.probing()});
        }
        const InFlight answered = inFlight.front();
        inFlight.pop_front();
        now = answered.due;
        received = answered.end;
        sizer.answered(now - answered.sentAt, answered.ahead, kFrame, answered.probe, now);
        sizer.acknowledged(received, now);
        const std::size_t i = stretchOf(received);
        if (stretches[i].until - received < 1'000'000) settled[i] = std::max(settled[i], window);
    }
    return settled;
}

TEST(TransferWindow, FollowsTheRoundTripAsItChangesMidTransfer) {
    // 1 MB/s: 5 KB in flight fill a 5 ms path, 50 KB a 50 ms one; with headroom and two blocks
    // the window should settle near 18 KB and 108 KB.
    struct Row {
        const char* what;
        std::vector<Stretch> stretches;
        uint32_t lineBitsPerSecond;
    };
    const std::vector<Row> rows = {
        {"rate measured", {{3'000'000, 5ms}, {6'000'000, 50ms}, {14'000'000, 5ms}}, 0},
        {"rate known", {{3'000'000, 5ms}, {6'000'000, 50ms}, {14'000'000, 5ms}}, 10'000'000},
    };
    for (const Row& row : rows) {
        const auto w = settledWindows(row.stretches, 1e6, row.lineBitsPerSecond);
        EXPECT_GT(w[0], 12'000u) << row.what;
        EXPECT_LT(w[0], 40'000u) << row.what;
        EXPECT_GT(w[1], 80'000u) << row.what << ": " << w[0] << " then " << w[1];
        EXPECT_LT(w[1], 250'000u) << row.what;
        EXPECT_LT(w[2], 40'000u) << row.what << ": " << w[1] << " then " << w[2];
    }
}

}  // namespace
