// What compression the engine uses against what the controller offers: a controller built
// before compression, one that grants a small window, and a TCP path that is slow or quick.
// Each load is judged by the checksum the controller stored and by its own count of blocks.
#include <gtest/gtest.h>

#include "TransferRig.h"
#include "platform/compress/BlockDecoder.h"
#include "platform/wire/Crc32.h"

using namespace transfertest;
using transfer::Ending;

namespace {

struct Offer {
    const char* what;
    const char* keys;  // the controllers' network-file keys
    bool deflate;      // blocks go compressed on the serial line
    bool granted;      // the open was granted compression (each block has a form byte)
};

void PrintTo(const Offer& offer, std::ostream* out) { *out << offer.what; }

class Offered : public ::testing::TestWithParam<Offer> {};

}  // namespace

// The same image stores the same bytes whatever the controller offers: a controller built
// before compression takes the longer open for malformed, and the engine opens again plain (a
// restart mid-load opens plain at once); a small window is kept to.
TEST_P(Offered, SerialAndTcpLoadsStoreTheImageWhateverTheControllerOffers) {
    const Offer offer = GetParam();
    Rig rig(921600, offer.keys);
    ASSERT_TRUE(rig.ready) << rig.sim->stderrText();
    for (int32_t link : {kSerial, kGate}) {
        SCOPED_TRACE(Rig::idOf(link));
        const std::string id = Rig::idOf(link);
        const auto image = makeImage(12 * wire::kMaxBlockData, 60 + link);
        ASSERT_EQ(rig.control("fault " + id + " restart_ms 100"), "ok");
        ASSERT_EQ(rig.control("fault " + id + " restart_after_blocks 4"), "ok");
        const auto result = rig.load(rig.job(link, image));
        ASSERT_EQ(result.ending, Ending::Completed) << result.message;
        EXPECT_GE(result.resumes, 1u);
        EXPECT_EQ(rig.partitionChecksum(link, 17), wire::crc32(image));
        const bool deflate = offer.deflate && link == kSerial;
        EXPECT_EQ(result.compressedBlocks > 0, deflate);
        if (!offer.granted) {
            EXPECT_EQ(result.bytesSent, image.size() + result.bytesResent) << "plain blocks";
        }
        EXPECT_EQ(rig.transferFigure(link, "compressed_blocks").value_or(1) > 0, deflate);
        const auto peak = rig.transferFigure(link, "inflate_peak");
        ASSERT_TRUE(peak.has_value());
        if (deflate) {
            EXPECT_GT(*peak, 0u);
            EXPECT_LE(*peak, compress::kMaxDecoderMemory);
        } else {
            EXPECT_EQ(*peak, 0u);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Transfer, Offered,
    ::testing::Values(Offer{"Offered", "", true, true},
                      Offer{"BuiltBeforeCompression", "Compression=no\n", false, false},
                      Offer{"SmallWindow", "CompressionWindow=9\n", true, true}),
    [](const auto& info) { return std::string(info.param.what); });

// A TCP path starts plain and compresses only once it has measured the path slow.
TEST(TransferCompression, TcpCompressesOnlyOnASlowPath) {
    Rig rig;
    ASSERT_TRUE(rig.ready) << rig.sim->stderrText();
    rig.tuning.firstWindowBytes = 8u << 10;
    const auto image = makeImage(160'000, 70);
    const auto quick = rig.load(rig.job(kGate, image));
    ASSERT_EQ(quick.ending, Ending::Completed) << quick.message;
    EXPECT_EQ(quick.compressedBlocks, 0u);

    ASSERT_EQ(rig.control("fault Gate request_rate_bps 2000000"), "ok");
    const auto other = makeImage(160'000, 71);
    const auto slow = rig.load(rig.job(kGate, other));
    ASSERT_EQ(slow.ending, Ending::Completed) << slow.message;
    EXPECT_GT(slow.compressedBlocks, 0u);
    EXPECT_LT(slow.bytesSent, other.size());
    EXPECT_EQ(rig.partitionChecksum(kGate, 17), wire::crc32(other));
}
