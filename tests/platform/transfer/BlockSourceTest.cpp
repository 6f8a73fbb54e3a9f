// What the next block carries: plain bytes until the controller grants compression, deflate on
// a line slow enough, and back to plain when a TCP path turns out quick.
#include <gtest/gtest.h>

#include "platform/transfer/BlockSource.h"

namespace {

using transfer::Block;
using transfer::BlockSource;

std::vector<uint8_t> repeating(std::size_t size) {
    std::vector<uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i % 97 * 3);
    return bytes;
}

}  // namespace

TEST(BlockSource, PlainUntilGrantedThenDeflateOnASlowLine) {
    const auto image = repeating(50'000);
    BlockSource serial(image, 115'200);
    serial.granted(wire::Compression::None, 0, 1000);
    Block b = serial.at(0);
    EXPECT_FALSE(b.compressed);
    EXPECT_EQ(b.imageBytes, 1000u) << "a plain transfer's block is image bytes alone";
    EXPECT_EQ(b.data, std::vector<uint8_t>(image.begin(), image.begin() + 1000));

    serial.granted(wire::Compression::Deflate, 15, 1000);
    b = serial.at(1000);
    EXPECT_TRUE(b.compressed);
    EXPECT_GT(b.imageBytes, 1000u);
    EXPECT_LE(b.data.size(), 1000u);

    // The last bytes of the image, granted but not compressing: the form byte and the rest.
    BlockSource tcp(image, 0);
    tcp.granted(wire::Compression::Deflate, 15, 1000);
    b = tcp.at(image.size() - 10);
    EXPECT_FALSE(b.compressed);
    EXPECT_EQ(b.imageBytes, 10u);
    ASSERT_EQ(b.data.size(), 11u);
    EXPECT_EQ(b.data[0], 0);
}

TEST(BlockSource, TcpCompressesOnceMeasuredSlowAndStopsOnlyWellAboveIt) {
    const auto image = repeating(50'000);
    BlockSource tcp(image, 0);
    tcp.granted(wire::Compression::Deflate, 15, wire::kMaxBlockData);
    EXPECT_FALSE(tcp.compressing()) << "a path of unknown rate starts plain";
    struct Step {
        double rate;
        bool compressing;
    };
    for (const Step& step : {Step{12.5e6, false}, Step{0.5e6, true}, Step{1.5e6, true},
                             Step{0, true}, Step{2.5e6, false}, Step{1.5e6, false}}) {
        tcp.measured(step.rate);
        EXPECT_EQ(tcp.compressing(), step.compressing) << step.rate;
    }

    BlockSource quickLine(image, 20'000'000);
    quickLine.granted(wire::Compression::Deflate, 15, wire::kMaxBlockData);
    EXPECT_FALSE(quickLine.compressing()) << "a line of known rate this quick stays plain";
    BlockSource tight(image, 115'200);
    tight.granted(wire::Compression::Deflate, 15, 3);
    EXPECT_FALSE(tight.compressing()) << "no room for a deflate block's form and count";
    const Block b = tight.at(0);
    EXPECT_EQ(b.imageBytes, 2u);
    EXPECT_EQ(b.data.size(), 3u);
}
