// The link cut at many places of a load, in both directions, on TCP and on the serial bus,
// with compressed blocks and with plain ones: afterwards the controller holds the old image or
// the new one, never anything else, and a resumed load has re-sent at most one window.
// KRELVAN_SOAK=1 cuts a smaller image at every byte offset instead.
#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <numeric>
#include <set>

#include "TransferRig.h"
#include "platform/compress/BlockEncoder.h"
#include "platform/wire/Crc32.h"
#include "platform/wire/SerialFraming.h"
#include "platform/wire/TcpFraming.h"

using namespace transfertest;

namespace {

constexpr std::size_t kImageSize = 4 * wire::kMaxBlockData + 500;
constexpr std::size_t kWindowBlocks = 2;

bool soak() {
    const char* v = std::getenv("KRELVAN_SOAK");
    return v != nullptr && std::string(v) == "1";
}

// The soak's image is two blocks, so that a cut at every byte stays within the hour.
std::size_t imageSize() { return soak() ? wire::kMaxBlockData + 200 : kImageSize; }

// Bytes of one frame on this kind of link.
std::size_t wireSize(bool serial, std::size_t frameBytes) {
    return serial ? wire::serialWireSize(frameBytes) : frameBytes + 2;
}

// The block data of a clean load, block by block: plain, plain with the form byte of a
// transfer granted compression (a loopback path is too quick for deflate), or deflate as the
// engine makes it on a serial line.
std::vector<std::size_t> blockData(const std::vector<uint8_t>& image, bool serial,
                                   transfer::Compression compression) {
    std::vector<std::size_t> data;
    compress::BlockEncoder encoder(image, wire::kMaxWindowLog);
    for (std::size_t done = 0; done < image.size();) {
        std::size_t n = std::min(wire::kMaxBlockData, image.size() - done), d = n;
        if (compression == transfer::Compression::Auto && serial) {
            const auto block = encoder.at(done, wire::kMaxBlockData);
            n = block.imageBytes;
            d = block.data.size();
        } else if (compression == transfer::Compression::Auto) {
            n = std::min(wire::kMaxBlockData - 1, image.size() - done);
            d = n + 1;
        }
        data.push_back(d);
        done += n;
    }
    return data;
}

// Where the frames of a clean load end in the byte stream of one direction: the open, every
// block and the commit. Requests carry the data; replies are short.
std::vector<std::size_t> frameEnds(bool serial, bool requests, const std::string& name,
                                   const std::vector<std::size_t>& blocks, bool asked) {
    std::vector<std::size_t> ends;
    std::size_t at = 0;
    auto add = [&](std::size_t payload) {
        at += wireSize(serial, (requests ? wire::kRequestHeaderSize : wire::kReplyHeaderSize) +
                                   payload);
        ends.push_back(at);
    };
    // Asking for compression and its grant add two bytes each way.
    add((requests ? 9 + name.size() : 6) + (asked ? 2 : 0));
    for (std::size_t data : blocks) add(requests ? 8 + data : 4);
    add(requests ? 8 : 4);
    return ends;
}

// Every frame boundary and its neighbours, every byte of the commit, and bytes sampled in
// between, `count` in all at most.
std::vector<std::size_t> cutPlaces(const std::vector<std::size_t>& ends, std::size_t count) {
    std::set<std::size_t> places;
    for (std::size_t end : ends)
        for (std::size_t p : {end - 1, end, end + 1}) places.insert(p);
    const std::size_t total = ends.back();
    const std::size_t commitStart = ends[ends.size() - 2];
    for (std::size_t p = commitStart + 1; p < total; ++p) places.insert(p);
    const std::size_t step = std::max<std::size_t>(1, total / std::max<std::size_t>(1, count));
    for (std::size_t p = step / 2 + 1; p < total && places.size() < count; p += step)
        places.insert(p);
    places.erase(0);
    std::erase_if(places, [&](std::size_t p) { return p >= total; });
    return {places.begin(), places.end()};
}

// Every byte offset of the stream, the commit's included.
std::vector<std::size_t> everyPlace(const std::vector<std::size_t>& ends) {
    std::vector<std::size_t> places;
    for (std::size_t p = 1; p < ends.back(); ++p) places.push_back(p);
    return places;
}

struct Sweep {
    int32_t link;
    bool requests;  // cut the host's requests, else the controller's replies
    std::size_t places;
    transfer::Compression compression;
};

class LinkCut : public ::testing::TestWithParam<Sweep> {};

}  // namespace

TEST_P(LinkCut, ControllerHoldsOldOrNewImageAndResumeResendsAtMostOneWindow) {
    const Sweep sweep = GetParam();
    Rig rig;
    ASSERT_TRUE(rig.ready) << rig.sim->stderrText();
    rig.tuning.minWindowBytes = rig.tuning.maxWindowBytes = kWindowBlocks * wire::kMaxBlockData;
    rig.compression = sweep.compression;
    const bool serial = sweep.link == kSerial;
    const bool deflate = serial && sweep.compression == transfer::Compression::Auto;
    const std::string id = Rig::idOf(sweep.link);
    const std::string knob = sweep.requests ? "cut_after_request_bytes" : "close_after_bytes";

    auto first = makeImage(imageSize(), 1000 + sweep.link);
    ASSERT_EQ(rig.load(rig.job(sweep.link, first)).ending, transfer::Ending::Completed);
    uint32_t held = wire::crc32(first);

    const auto clean = blockData(first, serial, sweep.compression);
    const auto ends = frameEnds(serial, sweep.requests, rig.job(sweep.link, first).name, clean,
                                sweep.compression == transfer::Compression::Auto);
    const std::size_t cleanData = std::accumulate(clean.begin(), clean.end(), std::size_t{0});
    const auto places = soak() ? everyPlace(ends) : cutPlaces(ends, sweep.places);
    std::size_t completed = 0;
    for (std::size_t i = 0; i < places.size(); ++i) {
        SCOPED_TRACE(knob + " " + std::to_string(places[i]));
        const auto image = makeImage(imageSize(), static_cast<uint32_t>(i) + 1);
        const uint32_t fresh = wire::crc32(image);
        ASSERT_EQ(rig.control("fault " + id + " " + knob + " " + std::to_string(places[i])), "ok");
        const auto result = rig.load(rig.job(sweep.link, image));
        ASSERT_EQ(rig.control("clear " + id), "ok");

        // A compressed image may end before the place of the cut, which then takes the next
        // request's first bytes: the bus stays deaf a moment.
        ASSERT_TRUE(rig.waitAnswering(sweep.link));
        const auto now = rig.partitionChecksum(sweep.link, 17);
        ASSERT_TRUE(now.has_value());
        EXPECT_TRUE(*now == held || *now == fresh) << "neither the old nor the new image";
        if (result.ending == transfer::Ending::Completed) {
            ++completed;
            EXPECT_EQ(*now, fresh);
            // Each resume re-sends at most the window that was in flight (a loaded machine may
            // time out a second time while resuming). Blocks made afresh from the resume point
            // may split the image otherwise than before: one block's more.
            const std::size_t slack = deflate ? wire::kMaxBlockData : 0;
            EXPECT_LE(result.bytesResent, kWindowBlocks * wire::kMaxBlockData *
                                                  std::max<uint32_t>(1, result.resumes) + slack);
            if (deflate) {
                EXPECT_GT(result.compressedBlocks, 0u);
                EXPECT_LE(result.bytesSent, cleanData + result.bytesResent + slack);
            } else {
                EXPECT_EQ(result.bytesSent, cleanData + result.bytesResent);
            }
        } else {
            EXPECT_EQ(*now, held) << "a failed load left something else: " << result.message;
        }
        held = *now;
    }
    // The engine resumes: a single cut does not fail a load.
    EXPECT_EQ(completed, places.size());
    const auto compressed = rig.transferFigure(sweep.link, "compressed_blocks");
    EXPECT_TRUE(deflate ? compressed > 0u : compressed == 0u) << "the controller took deflate blocks";
    std::cout << knob << ": " << places.size() << " cuts, " << completed
              << " loads completed, the controller held the old or the new image after each\n";
}

constexpr auto kDeflate = transfer::Compression::Auto;
constexpr auto kPlain = transfer::Compression::Off;

INSTANTIATE_TEST_SUITE_P(
    Transfer, LinkCut,
    ::testing::Values(Sweep{kGate, true, 70, kPlain}, Sweep{kGate, false, 40, kPlain},
                      Sweep{kSerial, true, 60, kPlain}, Sweep{kSerial, false, 35, kPlain},
                      Sweep{kGate, true, 50, kDeflate}, Sweep{kGate, false, 30, kDeflate},
                      Sweep{kSerial, true, 50, kDeflate}, Sweep{kSerial, false, 30, kDeflate}),
    [](const auto& info) {
        return std::string(info.param.link == kSerial ? "Serial" : "Tcp") +
               (info.param.requests ? "Requests" : "Replies") +
               (info.param.compression == kDeflate ? "Compressed" : "");
    });
