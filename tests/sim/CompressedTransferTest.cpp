// Compressed transfers into a running kvxsim: what its open grants, that a compressed load
// stores the uncompressed image byte for byte, and that a block which would blow the
// decoder's bound or the image's size is refused with nothing staged changing.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>
#include <sstream>

#include "platform/compress/BlockDecoder.h"
#include "platform/wire/Crc32.h"
#include "sim/SimClient.h"
#include "sim/SimProcess.h"
#include "support/DeflateBlocks.h"
#include "support/TempFolder.h"

namespace {

using namespace simtest;
using wire::ReplyCode;
using wire::TransferTarget;

const char* kNetwork = R"([Simulator]
ColdStartMs=300

[Controller Fresh]
Serial=SN-FRESH
Address=1:1
Listen=127.0.0.1:0

[Controller Narrow]
Serial=SN-NARROW
Address=1:2
Listen=127.0.0.1:0
CompressionWindow=10

[Controller Old]
Serial=SN-OLD
Address=1:3
Listen=127.0.0.1:0
Compression=no

[Controller Flash]
Serial=SN-PART
KvxrealC=yes
Address=1:4
Listen=127.0.0.1:0
FlashSize=1048576

[Partition Flash 16]
Name=Spare
MaxSize=40000
)";

const std::map<std::string, wire::Address> kAddress = {
    {"Fresh", {1, 1}}, {"Narrow", {1, 2}}, {"Old", {1, 3}}, {"Flash", {1, 4}}};

struct Answer {
    ReplyCode code = ReplyCode::Ok;
    std::vector<uint8_t> payload;
};

class CompressedTransfer : public ::testing::Test {
  protected:
    void SetUp() override {
        temp.write("net.ini", kNetwork);
        sim = std::make_unique<SimProcess>(
            std::vector<std::string>{"--network", temp / "net.ini", "--control", temp / "ctl"});
        ASSERT_TRUE(sim->waitReady()) << sim->stderrText();
    }

    // One connection per controller: a transfer belongs to the connection that opened it.
    Answer send(const std::string& id, const wire::Request& r) {
        auto it = clients.find(id);
        if (it == clients.end()) {
            auto socket = connectTcp(sim->tcp(id));
            EXPECT_TRUE(socket.has_value());
            it = clients.emplace(id, TcpClient(socket ? std::move(*socket) : Fd())).first;
        }
        auto reply = it->second.exchange(request(kAddress.at(id), r, ++sequence));
        if (!reply) return {ReplyCode(0x7F), {}};
        return {ReplyCode(reply->code1), reply->payload};
    }

    // Opens an application (or partition 16 on Flash) transfer; the reply as it came.
    Answer open(const std::string& id, uint32_t size, uint8_t compression, uint8_t windowLog) {
        wire::TransferOpenRequest r{TransferTarget::LegacyApplication, 0, size, 0, "Pumps"};
        if (id == "Flash") r = {TransferTarget::Partition, 16, size, 0, "Pumps"};
        r.compression = compression;
        r.windowLog = windowLog;
        return send(id, r);
    }
    uint32_t openDeflate(const std::string& id, uint32_t size, uint8_t windowLog = 15) {
        const Answer a = open(id, size, 1, windowLog);
        EXPECT_EQ(a.code, ReplyCode::Ok);
        auto reply = wire::decodeTransferOpenReply(a.payload);
        EXPECT_TRUE(reply && reply->compression == wire::Compression::Deflate);
        return reply ? reply->transfer : 0;
    }

    // The staged bytes, or UINT32_MAX when the transfer is not open.
    uint32_t received(const std::string& id, uint32_t transfer) {
        const Answer a = send(id, wire::TransferStatusRequest{transfer});
        auto s = wire::decodeTransferStatusReply(a.payload);
        if (a.code != ReplyCode::Ok || !s || s->state != wire::TransferState::Receiving)
            return UINT32_MAX;
        return s->received;
    }

    // The `transfers` control answer as its named numbers.
    std::map<std::string, uint64_t> counts(const std::string& id) {
        std::istringstream in(control(temp / "ctl", "transfers " + id));
        std::map<std::string, uint64_t> out;
        std::string word, name;
        in >> word;
        EXPECT_EQ(word, "ok");
        while (in >> name >> word) out[name] = std::stoull(word);
        return out;
    }

    // The application the controller holds now: its stored checksum and its bytes.
    uint32_t storedChecksum(const std::string& id) {
        const Answer a = send(id, wire::ReadRequest{{1, wire::VarType::Long, 900, 0}});
        auto value = wire::decodeReadReply(a.payload);
        EXPECT_TRUE(a.code == ReplyCode::Ok && value);
        return value ? static_cast<uint32_t>(value->value.integer) : 0;
    }
    std::vector<uint8_t> storedImage(const std::string& id) {
        std::vector<uint8_t> out;
        for (;;) {
            const Answer a = send(id, wire::TransferReadRequest{
                                          TransferTarget::LegacyApplication, wire::ReadPart::Image,
                                          static_cast<uint32_t>(out.size()), 4000});
            auto piece = wire::decodeTransferReadReply(a.payload);
            if (a.code != ReplyCode::Ok || !piece || piece->data.empty()) return out;
            out.insert(out.end(), piece->data.begin(), piece->data.end());
            if (out.size() >= piece->totalSize) return out;
        }
    }

    testsupport::TempFolder temp;
    std::unique_ptr<SimProcess> sim;
    std::map<std::string, TcpClient> clients;
    uint16_t sequence = 0;
};

TEST_F(CompressedTransfer, TheOpenGrantsTheSmallerWindowOrPlainBlocks) {
    struct Row {
        const char* what;
        std::string controller;
        uint8_t compression, windowLog;
        ReplyCode code;
        wire::Compression granted;
        uint8_t grantedLog;
    };
    using C = wire::Compression;
    const std::vector<Row> rows = {
        {"deflate with the largest window", "Fresh", 1, 15, ReplyCode::Ok, C::Deflate, 15},
        {"a smaller window, as asked", "Fresh", 1, 12, ReplyCode::Ok, C::Deflate, 12},
        {"more than the controller's largest", "Narrow", 1, 15, ReplyCode::Ok, C::Deflate, 10},
        {"a method it does not know", "Fresh", 7, 15, ReplyCode::Ok, C::None, 0},
        {"a window below 512 bytes", "Fresh", 1, 8, ReplyCode::Ok, C::None, 0},
        {"nothing asked", "Fresh", 0, 0, ReplyCode::Ok, C::None, 0},
        {"built before compression", "Old", 1, 15, ReplyCode::BadRequest, C::None, 0},
        {"built before compression, nothing asked", "Old", 0, 0, ReplyCode::Ok, C::None, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const Answer a = open(row.controller, 1000, row.compression, row.windowLog);
        ASSERT_EQ(a.code, row.code);
        if (row.code != ReplyCode::Ok) continue;
        // A plain grant is the reply a controller built before compression gives.
        EXPECT_EQ(a.payload.size(), row.granted == C::None ? 6u : 8u);
        auto reply = wire::decodeTransferOpenReply(a.payload);
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->compression, row.granted);
        EXPECT_EQ(reply->windowLog, row.grantedLog);
        EXPECT_EQ(send(row.controller, wire::TransferAbortRequest{reply->transfer}).code,
                  ReplyCode::Ok);
    }
    // The same open again (its reply was lost) starts over; one asking otherwise is another
    // host's, and waits.
    const uint32_t first = openDeflate("Fresh", 1000);
    const uint32_t again = openDeflate("Fresh", 1000);
    EXPECT_NE(again, first);
    EXPECT_EQ(open("Fresh", 1000, 1, 12).code, ReplyCode::Busy);
    EXPECT_EQ(open("Fresh", 1000, 0, 0).code, ReplyCode::Busy);
}

TEST_F(CompressedTransfer, ACompressedLoadStoresTheUncompressedImage) {
    // Code, with a stretch of bytes that do not compress: that block goes plain.
    std::vector<uint8_t> image = testsupport::codeLike(150'000, 21);
    std::mt19937 random(5);
    constexpr std::size_t kPlainAt = 60'000, kPlainSize = 4'000;
    for (std::size_t i = kPlainAt; i < kPlainAt + kPlainSize; ++i)
        image[i] = static_cast<uint8_t>(random());
    const uint32_t crc = wire::crc32(image);

    for (const auto& [controller, windowLog] :
         std::vector<std::pair<std::string, int>>{{"Fresh", 15}, {"Narrow", 10}}) {
        SCOPED_TRACE(controller);
        const auto before = counts(controller);
        const uint32_t id = openDeflate(controller, static_cast<uint32_t>(image.size()));
        std::size_t at = 0, deflated = 0;
        std::vector<uint8_t> first;
        while (at < image.size()) {
            testsupport::MadeBlock b;
            if (at == kPlainAt) {
                b.imageBytes = kPlainSize;
                b.data = *wire::encodeBlockData(
                    {wire::BlockForm::Plain, 0, {image.begin() + kPlainAt,
                                                 image.begin() + kPlainAt + kPlainSize}});
            } else {
                b = testsupport::deflatedAt(image, at, windowLog,
                                            at < kPlainAt ? kPlainAt - at : 24'000);
                ++deflated;
            }
            const Answer a = send(controller, wire::TransferBlockRequest{
                                                  id, static_cast<uint32_t>(at), b.data});
            ASSERT_EQ(a.code, ReplyCode::Ok) << "block at " << at;
            at += b.imageBytes;
            EXPECT_EQ(wire::decodeTransferBlockReply(a.payload)->received, at);
            if (first.empty()) {
                // Sent again, as after a lost reply: nothing is staged twice.
                first = b.data;
                EXPECT_EQ(send(controller, wire::TransferBlockRequest{id, 0, first}).code,
                          ReplyCode::Ok);
                EXPECT_EQ(received(controller, id), at);
            }
        }
        const Answer committed = send(controller, wire::TransferCommitRequest{id, crc});
        ASSERT_EQ(committed.code, ReplyCode::Ok);
        EXPECT_EQ(wire::decodeTransferCommitReply(committed.payload)->storedChecksum, crc);
        EXPECT_EQ(storedChecksum(controller), crc);
        EXPECT_EQ(storedImage(controller), image);

        const auto after = counts(controller);
        EXPECT_EQ(after.at("compressed_blocks") - before.at("compressed_blocks"), deflated + 1);
        EXPECT_EQ(after.at("plain_blocks") - before.at("plain_blocks"), 1u);
        EXPECT_GT(after.at("inflate_peak"), std::size_t(1) << windowLog);
        EXPECT_LE(after.at("inflate_peak"), compress::kMaxDecoderMemory);
    }
}

TEST_F(CompressedTransfer, RefusedBlocksLeaveTheStagedImageAsItWas) {
    const std::vector<uint8_t> image = testsupport::codeLike(30'000, 33);
    const auto head = testsupport::deflatedAt(image, 0, 15, 20'000);
    ASSERT_EQ(head.imageBytes, 20'000u);
    const uint32_t id = openDeflate("Fresh", static_cast<uint32_t>(image.size()));
    ASSERT_EQ(send("Fresh", wire::TransferBlockRequest{id, 0, head.data}).code, ReplyCode::Ok);

    using testsupport::deflateBlock;
    using testsupport::deflateRaw;
    const std::span<const uint8_t> all(image);
    const std::vector<uint8_t> zeros(3u << 20, 0);
    const auto bomb = deflateRaw(zeros, {});
    ASSERT_LE(bomb.size(), wire::kMaxDeflateInBlock);
    const auto next = deflateRaw(all.subspan(20'000, 5'000), all.subspan(0, 20'000));
    struct Row {
        const char* what;
        uint32_t offset;
        std::vector<uint8_t> data;
        ReplyCode code;
    };
    const std::vector<Row> rows = {
        {"bomb announcing what remains", 20'000, deflateBlock(10'000, bomb),
         ReplyCode::BadRequest},
        {"bomb announcing more than remains", 20'000, deflateBlock(65'535, bomb),
         ReplyCode::OutOfRange},
        {"announces more than it holds", 20'000, deflateBlock(5'001, next), ReplyCode::BadRequest},
        {"announces less than it holds", 20'000, deflateBlock(4'999, next), ReplyCode::BadRequest},
        {"refers back before offset 0", 0,
         deflateBlock(100, deflateRaw(all.first(100), all.subspan(100, 300))),
         ReplyCode::BadRequest},
        {"plain bytes past the announced size", 29'000,
         *wire::encodeBlockData({wire::BlockForm::Plain, 0, std::vector<uint8_t>(1'001, 7)}),
         ReplyCode::OutOfRange},
        {"an unknown form", 20'000, {0x02, 0x41}, ReplyCode::BadRequest},
        {"a deflate header and no stream", 20'000, {0x01, 0x10, 0x00}, ReplyCode::BadRequest},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(send("Fresh", wire::TransferBlockRequest{id, row.offset, row.data}).code,
                  row.code);
        EXPECT_EQ(received("Fresh", id), 20'000u) << "the transfer stays open as it was";
    }
    EXPECT_LE(counts("Fresh").at("inflate_peak"), compress::kMaxDecoderMemory);

    // The rest arrives and the image is whole: nothing refused left a byte behind.
    const auto tail = testsupport::deflatedAt(image, 20'000, 15);
    ASSERT_EQ(send("Fresh", wire::TransferBlockRequest{id, 20'000, tail.data}).code, ReplyCode::Ok);
    ASSERT_EQ(send("Fresh", wire::TransferCommitRequest{id, wire::crc32(image)}).code,
              ReplyCode::Ok);
    EXPECT_EQ(storedChecksum("Fresh"), wire::crc32(image));

    // A partition's room: the open may take all of it, a block never more.
    const uint32_t part = openDeflate("Flash", 40'000);
    const auto room = testsupport::codeLike(10'001, 2);
    EXPECT_EQ(send("Flash", wire::TransferBlockRequest{
                               part, 30'000, deflateBlock(room.size(), deflateRaw(room, {}))})
                  .code,
              ReplyCode::OutOfRange);
    EXPECT_EQ(open("Flash", 40'001, 1, 15).code, ReplyCode::Busy);
    EXPECT_EQ(received("Flash", part), 0u);
}

}  // namespace
