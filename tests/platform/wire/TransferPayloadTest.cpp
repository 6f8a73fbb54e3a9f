// Payload layouts of the image transfer and the image checksum.
#include <gtest/gtest.h>

#include <string_view>

#include "Hex.h"
#include "platform/wire/Crc32.h"
#include "platform/wire/Request.h"

using namespace wire;
using wiretest::hex;

namespace {

std::vector<uint8_t> bytesOf(const Request& request) {
    auto frame = makeRequestFrame({255, 30}, 1, request);
    EXPECT_TRUE(frame) << errorName(frame.error());
    return frame ? frame->payload : std::vector<uint8_t>{};
}

}  // namespace

TEST(TransferPayloads, RequestsHaveTheDocumentedBytesAndDecodeBack) {
    struct Row {
        Request request;
        const char* bytes;
        Command command;
    };
    // The head's size and bytes, then the 64-byte signature.
    std::string signedCommit = "07 00 00 00 26 39 F4 CB 02 00 4B 52";
    for (int i = 0; i < 64; ++i) signedCommit += " 11";
    const std::vector<Row> rows = {
        {TransferOpenRequest{TransferTarget::Partition, 17, 10000, 200, "Pump"},
         "01 11 10 27 00 00 C8 00 04 50 75 6D 70", Command::TransferOpen},
        {TransferOpenRequest{TransferTarget::OperatingSystem, 0, 1, 0, ""},
         "02 00 01 00 00 00 00 00 00", Command::TransferOpen},
        // Asking for deflate with a 32 KiB window; a method the controller may not know stays
        // as it was sent, for the controller to decline.
        {TransferOpenRequest{TransferTarget::Partition, 17, 10000, 200, "Pump", 1, 15},
         "01 11 10 27 00 00 C8 00 04 50 75 6D 70 01 0F", Command::TransferOpen},
        {TransferOpenRequest{TransferTarget::OperatingSystem, 0, 1, 0, "", 7, 12},
         "02 00 01 00 00 00 00 00 00 07 0C", Command::TransferOpen},
        {TransferBlockRequest{7, 0x01020304, {0xAA, 0xBB}}, "07 00 00 00 04 03 02 01 AA BB",
         Command::TransferBlock},
        {TransferCommitRequest{7, 0xCBF43926}, "07 00 00 00 26 39 F4 CB", Command::TransferCommit},
        {TransferCommitRequest{7, 0xCBF43926, {0x4B, 0x52}, std::vector<uint8_t>(64, 0x11)},
         signedCommit.c_str(), Command::TransferCommit},
        {TransferAbortRequest{9}, "09 00 00 00", Command::TransferAbort},
        {TransferStatusRequest{0x10000}, "00 00 01 00", Command::TransferStatus},
        {TransferReadRequest{TransferTarget::LegacyApplication, ReadPart::Image, 0x1000, 4078},
         "03 00 00 10 00 00 EE 0F", Command::TransferRead},
        {TransferReadRequest{TransferTarget::LegacyApplication, ReadPart::Signature, 0, 0},
         "03 01 00 00 00 00 00 00", Command::TransferRead},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.bytes);
        EXPECT_EQ(bytesOf(row.request), hex(row.bytes));
        Frame frame = *makeRequestFrame({1, 5}, 3, row.request);
        EXPECT_EQ(frame.command, code(row.command));
        auto back = decodeRequest(frame);
        ASSERT_TRUE(back) << errorName(back.error());
        EXPECT_EQ(*back, row.request);
    }
}

TEST(TransferPayloads, RepliesRoundTrip) {
    EXPECT_EQ(*encodePayload(TransferOpenReply{1, 4082}), hex("01 00 00 00 F2 0F"));
    EXPECT_EQ(*decodeTransferOpenReply(hex("01 00 00 00 F2 0F")), (TransferOpenReply{1, 4082}));
    EXPECT_EQ(*decodeTransferBlockReply(hex("00 10 00 00")), TransferBlockReply{4096});
    EXPECT_EQ(*decodeTransferCommitReply(hex("26 39 F4 CB")), TransferCommitReply{0xCBF43926});
    const TransferStatusReply status{TransferState::Committed, 10, 10, 0x11223344};
    EXPECT_EQ(*encodePayload(status), hex("01 0A 00 00 00 0A 00 00 00 44 33 22 11"));
    EXPECT_EQ(*decodeTransferStatusReply(*encodePayload(status)), status);
    const TransferReadReply read{ApplicationState::Running, 5, 0xCBF43926, {0xAA, 0xBB}};
    EXPECT_EQ(*encodePayload(read), hex("02 05 00 00 00 26 39 F4 CB AA BB"));
    EXPECT_EQ(*decodeTransferReadReply(*encodePayload(read)), read);
    // A whole reply frame's worth of data fits; nothing is left to a second frame.
    const TransferReadReply full{ApplicationState::Stopped, 1u << 20, 1,
                                 std::vector<uint8_t>(kMaxReadData, 7)};
    auto frame = makeReplyFrame(*makeRequestFrame({1, 1}, 1, TransferReadRequest{}), ReplyCode::Ok,
                                0, *encodePayload(full));
    EXPECT_EQ(frame.payload.size(), kMaxReplyPayload);
}

TEST(TransferPayloads, GrantsAndBlockFormsRoundTrip) {
    struct Row {
        const char* what;
        std::vector<uint8_t> encoded;
        const char* bytes;
        bool same;  // decoded back to what was encoded
    };
    const TransferOpenReply deflate15{1, 4082, Compression::Deflate, 15};
    const TransferOpenReply deflate9{0x01020304, 512, Compression::Deflate, 9};
    const BlockData plain{BlockForm::Plain, 0, {0xAA, 0xBB}};
    const BlockData deflated{BlockForm::Deflate, 65535, {0x03, 0x00}};
    const std::vector<Row> rows = {
        {"grant: deflate, 32 KiB window", *encodePayload(deflate15), "01 00 00 00 F2 0F 01 0F",
         *decodeTransferOpenReply(hex("01 00 00 00 F2 0F 01 0F")) == deflate15},
        {"grant: deflate, 512-byte window", *encodePayload(deflate9), "04 03 02 01 00 02 01 09",
         *decodeTransferOpenReply(hex("04 03 02 01 00 02 01 09")) == deflate9},
        {"block: plain bytes", *encodeBlockData(plain), "00 AA BB",
         *decodeBlockData(hex("00 AA BB")) == plain},
        {"block: deflate of the most image bytes", *encodeBlockData(deflated), "01 FF FF 03 00",
         *decodeBlockData(hex("01 FF FF 03 00")) == deflated},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.encoded, hex(row.bytes)) << row.what;
        EXPECT_TRUE(row.same) << row.what;
    }
    // The largest block of either form fills a request frame's block data exactly.
    const auto fullPlain =
        encodeBlockData({BlockForm::Plain, 0, std::vector<uint8_t>(kMaxPlainInCompressed, 1)});
    const auto fullDeflate =
        encodeBlockData({BlockForm::Deflate, 9, std::vector<uint8_t>(kMaxDeflateInBlock, 1)});
    ASSERT_TRUE(fullPlain && fullDeflate);
    EXPECT_EQ(fullPlain->size(), kMaxBlockData);
    EXPECT_EQ(fullDeflate->size(), kMaxBlockData);
    EXPECT_TRUE(makeRequestFrame({1, 1}, 1, TransferBlockRequest{1, 0, *fullDeflate}));
}

TEST(TransferPayloads, RejectWhatTheLayoutCannotHold) {
    struct Row {
        const char* what;
        Error expected;
        Error got;
    };
    auto err = [](auto result) { return result ? Error{} : result.error(); };
    // A commit with a one-byte head and `n` bytes of signature.
    auto withSignature = [](std::size_t n) {
        std::vector<uint8_t> bytes = hex("01 00 00 00 02 00 00 00 01 00 4B");
        bytes.resize(bytes.size() + n, 0x11);
        return bytes;
    };
    const std::vector<Row> rows = {
        {"open: unknown target", Error::BadValue,
         err(decodeTransferOpenRequest(hex("06 00 01 00 00 00 00 00 00")))},
        {"open: target 0", Error::BadValue,
         err(decodeTransferOpenRequest(hex("00 00 01 00 00 00 00 00 00")))},
        {"open: name longer than its bytes", Error::Truncated,
         err(decodeTransferOpenRequest(hex("01 10 01 00 00 00 00 00 03 41")))},
        {"open: half a compression request after the name", Error::Truncated,
         err(decodeTransferOpenRequest(hex("01 10 01 00 00 00 00 00 00 41")))},
        {"open: bytes after the compression request", Error::WrongLength,
         err(decodeTransferOpenRequest(hex("01 10 01 00 00 00 00 00 00 01 0F 41")))},
        {"open reply: a method the host does not know", Error::BadValue,
         err(decodeTransferOpenReply(hex("01 00 00 00 F2 0F 02 0F")))},
        {"open reply: a window past 32 KiB", Error::BadValue,
         err(decodeTransferOpenReply(hex("01 00 00 00 F2 0F 01 10")))},
        {"open reply: one byte of a grant", Error::WrongLength,
         err(decodeTransferOpenReply(hex("01 00 00 00 F2 0F 01")))},
        {"open reply: a window below 512 bytes", Error::BadValue,
         err(decodeTransferOpenReply(hex("01 00 00 00 F2 0F 01 08")))},
        {"open reply: a grant of no method", Error::BadValue,
         err(decodeTransferOpenReply(hex("01 00 00 00 F2 0F 00 0F")))},
        {"encode grant: a window past 32 KiB", Error::BadValue,
         err(encodePayload(TransferOpenReply{1, 4082, Compression::Deflate, 16}))},
        {"encode grant: a window below 512 bytes", Error::BadValue,
         err(encodePayload(TransferOpenReply{1, 4082, Compression::Deflate, 8}))},
        {"encode block: plain bytes past a request", Error::BadValue,
         err(encodeBlockData({BlockForm::Plain, 0,
                              std::vector<uint8_t>(kMaxPlainInCompressed + 1, 1)}))},
        {"encode block: a deflate stream past a request", Error::BadValue,
         err(encodeBlockData({BlockForm::Deflate, 9,
                              std::vector<uint8_t>(kMaxDeflateInBlock + 1, 1)}))},
        {"encode block: deflate of no image bytes", Error::BadValue,
         err(encodeBlockData({BlockForm::Deflate, 0, {0x03, 0x00}}))},
        {"encode block: no plain bytes", Error::BadValue,
         err(encodeBlockData({BlockForm::Plain, 0, {}}))},
        {"block data: deflate count cut short", Error::Truncated,
         err(decodeBlockData(hex("01 10")))},
        {"block data: unknown form", Error::BadValue, err(decodeBlockData(hex("02 41")))},
        {"block data: deflate of no image bytes", Error::BadValue,
         err(decodeBlockData(hex("01 00 00 03 00")))},
        {"block data: form byte alone", Error::Truncated, err(decodeBlockData(hex("00")))},
        {"open reply: block size 0", Error::BadValue,
         err(decodeTransferOpenReply(hex("01 00 00 00 00 00")))},
        {"open reply: block beyond a frame", Error::BadValue,
         err(decodeTransferOpenReply(hex("01 00 00 00 F3 0F")))},
        {"block: no data", Error::Truncated,
         err(decodeTransferBlockRequest(hex("01 00 00 00 00 00 00 00")))},
        {"block reply: short", Error::Truncated, err(decodeTransferBlockReply(hex("01 00 00")))},
        {"commit: head size cut short", Error::Truncated,
         err(decodeTransferCommitRequest(hex("01 00 00 00 02 00 00 00 00")))},
        {"commit: empty head", Error::BadValue,
         err(decodeTransferCommitRequest(hex("01 00 00 00 02 00 00 00 00 00")))},
        {"commit: head beyond its limit", Error::BadValue,
         err(decodeTransferCommitRequest(hex("01 00 00 00 02 00 00 00 01 04")))},
        {"commit: signature cut short", Error::Truncated,
         err(decodeTransferCommitRequest(withSignature(63)))},
        {"commit: bytes after the signature", Error::WrongLength,
         err(decodeTransferCommitRequest(withSignature(65)))},
        {"encode: signature of 63 bytes", Error::BadValue,
         err(encodePayload(TransferCommitRequest{1, 2, {1}, std::vector<uint8_t>(63, 0)}))},
        {"encode: signature without head", Error::BadValue,
         err(encodePayload(TransferCommitRequest{1, 2, {}, std::vector<uint8_t>(64, 0)}))},
        {"status reply: unknown state", Error::BadValue,
         err(decodeTransferStatusReply(hex("02 00 00 00 00 00 00 00 00 00 00 00 00")))},
        {"encode: empty block", Error::BadValue, err(encodePayload(TransferBlockRequest{1, 0, {}}))},
        {"read: unknown part", Error::BadValue,
         err(decodeTransferReadRequest(hex("03 02 00 00 00 00 00 00")))},
        {"read: target 0", Error::BadValue,
         err(decodeTransferReadRequest(hex("00 00 00 00 00 00 00 00")))},
        {"read: more than a reply holds", Error::BadValue,
         err(decodeTransferReadRequest(hex("03 00 00 00 00 00 EF 0F")))},
        {"read: short", Error::Truncated, err(decodeTransferReadRequest(hex("03 00 00 00")))},
        {"read reply: unknown state", Error::BadValue,
         err(decodeTransferReadReply(hex("03 01 00 00 00 00 00 00 00 AA")))},
        {"read reply: more data than the whole", Error::BadValue,
         err(decodeTransferReadReply(hex("02 01 00 00 00 00 00 00 00 AA BB")))},
        {"read reply: no checksum", Error::Truncated,
         err(decodeTransferReadReply(hex("02 01 00 00 00")))},
        {"encode: name of 256 bytes", Error::BadValue,
         err(encodePayload(TransferOpenRequest{TransferTarget::Partition, 16, 1, 0,
                                               std::string(256, 'x')}))},
    };
    for (const Row& row : rows) EXPECT_EQ(row.got, row.expected) << row.what;
    std::vector<uint8_t> full(kMaxBlockData, 1);
    EXPECT_TRUE(makeRequestFrame({1, 1}, 1, TransferBlockRequest{1, 0, full}));
}

TEST(Crc32, MatchesTheCheckValueAndChains) {
    constexpr std::string_view text = "123456789";
    const std::vector<uint8_t> bytes(text.begin(), text.end());
    EXPECT_EQ(crc32(bytes), 0xCBF43926u);
    EXPECT_EQ(crc32(std::span(bytes).subspan(4), crc32(std::span(bytes).first(4))), 0xCBF43926u);
    EXPECT_EQ(crc32({}), 0u);
    // Every length and split around the eight-byte steps agrees with the plain bit-by-bit sum.
    auto plain = [](std::span<const uint8_t> b) {
        uint32_t c = 0xFFFFFFFFu;
        for (uint8_t x : b) {
            c ^= x;
            for (int bit = 0; bit < 8; ++bit) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        }
        return ~c;
    };
    std::vector<uint8_t> data(70);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 37 + 11);
    for (std::size_t len = 0; len <= data.size(); ++len) {
        const auto part = std::span(data).first(len);
        EXPECT_EQ(crc32(part), plain(part)) << len;
        const std::size_t cut = len / 3;
        EXPECT_EQ(crc32(part.subspan(cut), crc32(part.first(cut))), plain(part)) << len;
    }
}
