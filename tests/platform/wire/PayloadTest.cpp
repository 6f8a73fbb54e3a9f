// Payload layouts of the variable, clock and discovery commands, and whole-request dispatch.
#include <gtest/gtest.h>

#include <limits>

#include "Hex.h"
#include "platform/wire/FrameCodec.h"
#include "platform/wire/Request.h"
#include "platform/wire/Timing.h"

using namespace wire;
using wiretest::hex;

namespace {

template <class T, class Decode>
void expectRoundTrip(const T& value, Decode decode) {
    auto bytes = encodePayload(value);
    ASSERT_TRUE(bytes) << errorName(bytes.error());
    auto back = decode(*bytes);
    ASSERT_TRUE(back) << errorName(back.error());
    EXPECT_EQ(*back, value);
}

WriteRequest write(uint8_t kind, uint16_t file, int32_t index, Value value) {
    return {{kind, value.type, file, index}, std::move(value)};
}

DiscoveryReply sampleController() {
    DiscoveryReply d;
    d.serialNumber = "SN-0001";
    d.name = "Boiler room";
    d.description = "KVX200 main";
    d.mac = {0x00, 0x12, 0x34, 0x00, 0x00, 0xAB};
    d.modelNumber = 200;
    d.address = {1, 5};
    d.kvxrealC = true;
    d.encryptionRequired = true;
    d.dhcp = true;
    d.ip = {192, 168, 1, 10};
    d.subnetMask = {255, 255, 255, 0};
    d.gateway = {192, 168, 1, 1};
    d.dns1 = {8, 8, 8, 8};
    d.dnsName = "kvx200.local";
    d.tcpPort = 4660;
    d.capabilities = kCapabilityEmail | kCapabilityWebPartitions | kCapabilityEncryption;
    d.osVersion = "4.12";
    d.portOsRevision = "2.3";
    d.upgradeFileNumber = 17;
    return d;
}

}  // namespace

TEST(VariablePayloads, MatchTheDocumentedExamples) {
    EXPECT_EQ(*encodePayload(ReadRequest{{1, VarType::SmallInt, 241, 0}}),
              hex("01 02 F1 00 00 00 00 00"));
    EXPECT_EQ(*encodePayload(ReadReply{Value::smallInt(1)}), hex("02 01 00"));
    EXPECT_EQ(*encodePayload(write(1, 241, 63, Value::oemText("Pump"))),
              hex("01 05 F1 00 3F 00 00 00 04 00 50 75 6D 70"));
    WriteBatchRequest batch{
        {write(1, 242, 163, Value::boolean(true)), write(1, 250, 32, Value::smallInt(1))}};
    EXPECT_EQ(*encodePayload(batch),
              hex("02 | 01 01 F2 00 A3 00 00 00 FF FF | 01 02 FA 00 20 00 00 00 01 00"));
}

TEST(VariablePayloads, EveryTypeRoundTrips) {
    const std::vector<Value> values = {
        Value::boolean(true),     Value::boolean(false),
        Value::smallInt(-32768),  Value::int16(32767),
        Value::real32(-1.5e-7f),  Value::real32(std::numeric_limits<float>::infinity()),
        Value::oemText(""),       Value::oemText(std::string("\x84\x94\x00z", 4)),
        Value::long32(INT32_MIN), Value::long32(123456)};
    for (const auto& v : values) {
        SCOPED_TRACE(static_cast<int>(v.type));
        expectRoundTrip(ReadReply{v}, decodeReadReply);
        expectRoundTrip(write(5, 242, -7, v), decodeWriteRequest);
    }
    for (uint8_t kind = kMinKind; kind <= kMaxKind; ++kind)
        expectRoundTrip(ReadRequest{{kind, VarType::Long, 65535, INT32_MAX}}, decodeReadRequest);
    WriteBatchRequest batch;
    for (const auto& v : values) batch.writes.push_back(write(1, 241, 88, v));
    expectRoundTrip(batch, decodeWriteBatchRequest);
    expectRoundTrip(WriteBatchRequest{}, decodeWriteBatchRequest);
}

TEST(VariablePayloads, DecodersRejectMalformedPayloads) {
    // Truncated anywhere, including inside a text.
    EXPECT_EQ(decodeReadRequest(hex("01 02 F1 00 00 00 00")).error(), Error::Truncated);
    EXPECT_EQ(decodeReadReply({}).error(), Error::Truncated);
    EXPECT_EQ(decodeReadReply(hex("05 04 00 50 75")).error(), Error::Truncated);
    EXPECT_EQ(decodeWriteRequest(hex("01 06 F1 00 3F 00 00 00 01 02 03")).error(),
              Error::Truncated);
    // Bytes left over.
    EXPECT_EQ(decodeReadRequest(hex("01 02 F1 00 00 00 00 00 00")).error(), Error::WrongLength);
    EXPECT_EQ(decodeReadReply(hex("02 01 00 00")).error(), Error::WrongLength);
    // Out-of-range fields.
    EXPECT_EQ(decodeReadRequest(hex("00 02 F1 00 00 00 00 00")).error(), Error::BadValue);
    EXPECT_EQ(decodeReadRequest(hex("06 02 F1 00 00 00 00 00")).error(), Error::BadValue);
    EXPECT_EQ(decodeReadRequest(hex("01 07 F1 00 00 00 00 00")).error(), Error::BadValue);
    EXPECT_EQ(decodeReadReply(hex("00 01 00")).error(), Error::BadValue);
    EXPECT_EQ(decodeReadReply(hex("01 01 00")).error(), Error::BadValue);  // Boolean 1
    EXPECT_EQ(decodeWriteRequest(hex("01 01 F1 00 00 00 00 00 05 00")).error(), Error::BadValue);
}

TEST(VariablePayloads, BatchCountMustMatchTheEntries) {
    const auto entry = *encodePayload(write(1, 241, 0, Value::smallInt(3)));
    std::vector<uint8_t> two = {2};
    two.insert(two.end(), entry.begin(), entry.end());
    EXPECT_EQ(decodeWriteBatchRequest(two).error(), Error::Truncated);
    std::vector<uint8_t> zero = {0};
    zero.insert(zero.end(), entry.begin(), entry.end());
    EXPECT_EQ(decodeWriteBatchRequest(zero).error(), Error::WrongLength);
    EXPECT_EQ(decodeWriteBatchRequest({}).error(), Error::Truncated);
    // A batch built entry by entry, as the library builds its buffer, is a valid payload.
    std::vector<uint8_t> built = {1};
    auto appended = *encodeBatchEntry(write(1, 241, 0, Value::smallInt(3)));
    built.insert(built.end(), appended.begin(), appended.end());
    EXPECT_TRUE(decodeWriteBatchRequest(built));
}

TEST(VariablePayloads, EncodersRefuseWhatTheLayoutCannotHold) {
    Value tooBig = Value::smallInt(0);
    tooBig.integer = 70000;
    EXPECT_EQ(encodePayload(write(1, 241, 0, tooBig)).error(), Error::BadValue);
    Value notBoolean = Value::boolean(true);
    notBoolean.integer = 5;
    EXPECT_EQ(encodePayload(ReadReply{notBoolean}).error(), Error::BadValue);
    EXPECT_EQ(encodePayload(write(1, 241, 0, Value::oemText(std::string(65536, 'x')))).error(),
              Error::BadValue);
    WriteRequest mismatched = write(1, 241, 0, Value::long32(1));
    mismatched.address.type = VarType::Int;
    EXPECT_EQ(encodePayload(mismatched).error(), Error::BadValue);
    EXPECT_EQ(encodePayload(ReadRequest{{0, VarType::Int, 241, 0}}).error(), Error::BadValue);
    WriteBatchRequest batch;
    batch.writes.assign(kMaxBatchEntries + 1, write(1, 241, 0, Value::smallInt(1)));
    EXPECT_EQ(encodePayload(batch).error(), Error::BadValue);
}

TEST(ClockPayload, MatchesTheDocumentedExampleAndChecksRanges) {
    const SetClockRequest tuesday{241, 2024, 3, 5, 14, 7, 9, 2};
    EXPECT_EQ(*encodePayload(tuesday), hex("F1 E8 07 03 05 0E 07 09 02"));
    expectRoundTrip(tuesday, decodeSetClockRequest);
    EXPECT_EQ(decodeSetClockRequest(hex("F1 E8 07 0D 05 0E 07 09 02")).error(), Error::BadValue);
    EXPECT_EQ(decodeSetClockRequest(hex("F1 E8 07 03 05 0E 07 09 08")).error(), Error::BadValue);
    EXPECT_EQ(decodeSetClockRequest(hex("F1 E8 07 03 05 18 07 09 02")).error(), Error::BadValue);
    EXPECT_EQ(decodeSetClockRequest(hex("F1 E8 07 03 05 0E 07 09")).error(), Error::Truncated);
    EXPECT_EQ(decodeSetClockRequest(hex("F1 E8 07 03 05 0E 07 09 02 00")).error(),
              Error::WrongLength);
    SetClockRequest bad = tuesday;
    bad.day = 0;
    EXPECT_EQ(encodePayload(bad).error(), Error::BadValue);
}

TEST(DiscoveryPayload, RoundTripsAndFitsADatagram) {
    expectRoundTrip(sampleController(), decodeDiscoveryReply);
    expectRoundTrip(DiscoveryRequest{"SN-0001"}, decodeDiscoveryRequest);
    expectRoundTrip(DiscoveryRequest{}, decodeDiscoveryRequest);
    // Even with every text at its longest, the reply fits one datagram.
    DiscoveryReply longest = sampleController();
    for (std::string* s : {&longest.serialNumber, &longest.name, &longest.description,
                           &longest.dnsName, &longest.osVersion})
        *s = std::string(255, 'n');
    auto frame = makeReplyFrame(*makeRequestFrame(kDirectAddress, 1, DiscoveryRequest{}),
                                ReplyCode::Ok, 0, *encodePayload(longest));
    EXPECT_LE(frameSize(frame), kMaxDatagramSize);
}

TEST(DiscoveryPayload, RejectsMalformedReplies) {
    auto bytes = *encodePayload(sampleController());
    for (std::size_t cut = 0; cut < bytes.size(); ++cut)
        EXPECT_EQ(decodeDiscoveryReply(std::span(bytes).first(cut)).error(), Error::Truncated)
            << cut;
    auto extra = bytes;
    extra.push_back(0);
    EXPECT_EQ(decodeDiscoveryReply(extra).error(), Error::WrongLength);
    DiscoveryReply longName = sampleController();
    longName.name = std::string(256, 'x');
    EXPECT_EQ(encodePayload(longName).error(), Error::BadValue);
}

TEST(Requests, BuildAndDispatchEveryCommand) {
    const std::vector<Request> requests = {
        ReadRequest{{1, VarType::Int, 241, 88}},
        write(1, 241, 63, Value::oemText("Pump")),
        WriteBatchRequest{{write(1, 242, 163, Value::boolean(true))}},
        TelegramRequest{1, {0x98}},
        SetClockRequest{241, 2024, 3, 5, 14, 7, 9, 2},
        DiscoveryRequest{"SN"},
        TransferReadRequest{TransferTarget::LegacyApplication, ReadPart::Image, 4078, 4078}};
    uint16_t sequence = 100;
    for (const auto& request : requests) {
        auto frame = makeRequestFrame({1, 5}, sequence, request);
        ASSERT_TRUE(frame);
        EXPECT_EQ(frame->command, code(commandOf(request)));
        EXPECT_EQ(frame->sequence, sequence);
        auto back = decodeRequest(*decodeFrame(*encodeFrame(*frame)));
        ASSERT_TRUE(back);
        EXPECT_EQ(*back, request);
        ++sequence;
    }
}

TEST(Requests, UnknownAndReservedCommandsAreAnsweredUnknownCommand) {
    for (uint8_t command : {uint8_t{0x00}, uint8_t{0x08}, uint8_t{0x26}, uint8_t{0x31},
                            uint8_t{0x40}, uint8_t{0x50}, uint8_t{0x60}, uint8_t{0xF0}}) {
        Frame f;
        f.address = kDirectAddress;
        f.command = command;
        auto decoded = decodeRequest(f);
        EXPECT_EQ(decoded.error(), Error::UnknownCommand) << int(command);
        EXPECT_EQ(replyCodeFor(decoded.error()), ReplyCode::UnknownCommand);
    }
    Frame malformed = *makeRequestFrame(kDirectAddress, 1, ReadRequest{});
    malformed.payload.pop_back();
    EXPECT_EQ(replyCodeFor(decodeRequest(malformed).error()), ReplyCode::BadRequest);
    EXPECT_EQ(decodeRequest(makeReplyFrame(malformed, ReplyCode::Ok)).error(), Error::NotARequest);
}

TEST(Requests, RefuseAPayloadThatDoesNotFitAFrame) {
    // A text write takes 10 bytes besides the text: 4080 bytes of text fill a request exactly.
    const std::size_t largest = kMaxRequestPayload - 10;
    EXPECT_TRUE(makeRequestFrame(kDirectAddress, 1,
                                 write(1, 241, 63, Value::oemText(std::string(largest, 'x')))));
    EXPECT_EQ(makeRequestFrame(kDirectAddress, 1,
                               write(1, 241, 63, Value::oemText(std::string(largest + 1, 'x'))))
                  .error(),
              Error::Oversized);
}

TEST(Timing, SerialTimesFollowTheBaudRate) {
    using std::chrono::microseconds;
    // 10 bits per character: 115200 baud moves 11520 characters a second.
    EXPECT_EQ(timing::serialTransmitTime(11520, 115200), microseconds(1'000'000));
    EXPECT_EQ(timing::serialTransmitTime(1, 9600), microseconds(1042));  // rounded up
    EXPECT_EQ(timing::serialTransmitTime(960, 0), microseconds(1'000'000));
    EXPECT_EQ(timing::serialIdleGap(115200), microseconds(100'000));
    EXPECT_EQ(timing::serialIdleGap(50), microseconds(2'000'000));
    EXPECT_EQ(timing::serialAnswerTimeout(13, 9600, 300), microseconds(300'000 + 13'542));
    EXPECT_EQ(timing::serialCompletionTimeout(1152, 115200), microseconds(250'000));
}
