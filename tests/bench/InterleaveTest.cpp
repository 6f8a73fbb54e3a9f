#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Interleave.h"

namespace {

TEST(Interleave, SlicesAlternateAndEachFigureLandsOnItsOwnSide) {
    std::string order;
    int aCalls = 0, bCalls = 0;
    const auto pairs = bench::alternate(
        4,
        [&] {
            order += 'a';
            return 10.0 + ++aCalls;
        },
        [&] {
            order += 'b';
            return 20.0 + ++bCalls;
        });
    // Each pair starts with the side the last one ended with.
    EXPECT_EQ(order, "abbaabba");
    ASSERT_EQ(pairs.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(pairs[i].a, 11.0 + i) << i;
        EXPECT_EQ(pairs[i].b, 21.0 + i) << i;
    }
    EXPECT_EQ(bench::sideA(pairs), (std::vector<double>{11, 12, 13, 14}));
    EXPECT_EQ(bench::sideB(pairs), (std::vector<double>{21, 22, 23, 24}));
}

TEST(Interleave, RatiosAreBOverAAndSkipSlicesThatMeasuredNothing) {
    const std::vector<bench::Pair> pairs{{2, 1}, {0, 5}, {4, 0}, {4, 3}, {-1, 2}};
    EXPECT_EQ(bench::ratios(pairs), (std::vector<double>{0.5, 0.75}));
    EXPECT_TRUE(bench::ratios({}).empty());
}

TEST(Interleave, QuantilesInterpolateBetweenRanksOfUnsortedFigures) {
    const std::vector<double> figures{4, 1, 3, 2};
    EXPECT_DOUBLE_EQ(bench::quantile(figures, 0), 1);
    EXPECT_DOUBLE_EQ(bench::quantile(figures, 0.25), 1.75);
    EXPECT_DOUBLE_EQ(bench::quantile(figures, 0.5), 2.5);
    EXPECT_DOUBLE_EQ(bench::quantile(figures, 1), 4);
    EXPECT_DOUBLE_EQ(bench::quantile(figures, 2), 4);  // clamped, not past the end
    EXPECT_DOUBLE_EQ(bench::quantile(figures, -1), 1);
    EXPECT_DOUBLE_EQ(bench::quantile({7}, 0.05), 7);
    EXPECT_DOUBLE_EQ(bench::quantile({}, 0.5), 0);
    // A twentieth of 21 sorted figures 0..20 is the second.
    std::vector<double> many;
    for (int i = 20; i >= 0; --i) many.push_back(i);
    EXPECT_DOUBLE_EQ(bench::quantile(many, 0.05), 1);
}

TEST(Interleave, SpreadGivesExtremesQuartilesAndMedian) {
    const bench::Spread odd = bench::spread({5, 1, 3});
    EXPECT_EQ(odd.count, 3u);
    EXPECT_DOUBLE_EQ(odd.low, 1);
    EXPECT_DOUBLE_EQ(odd.lowerQuartile, 2);
    EXPECT_DOUBLE_EQ(odd.median, 3);
    EXPECT_DOUBLE_EQ(odd.upperQuartile, 4);
    EXPECT_DOUBLE_EQ(odd.high, 5);
    // One wild pair moves the extremes, not the median.
    const bench::Spread wild = bench::spread({0.93, 0.94, 0.92, 2.5, 0.93});
    EXPECT_DOUBLE_EQ(wild.median, 0.93);
    EXPECT_DOUBLE_EQ(wild.high, 2.5);
    const bench::Spread none = bench::spread({});
    EXPECT_EQ(none.count, 0u);
    EXPECT_DOUBLE_EQ(none.median, 0);
}

}  // namespace
