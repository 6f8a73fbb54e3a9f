// Request telegrams: carried byte for byte, parsed by the controller with exact lengths.
#include <gtest/gtest.h>

#include "Hex.h"
#include "platform/wire/Telegram.h"
#include "platform/wire/TelegramPayload.h"
#include "platform/wire/TrialPayloads.h"

using namespace wire;
using namespace wire::telegram;
using wiretest::hex;

TEST(TelegramPayload, CarriesOptionAndBytesUnchanged) {
    EXPECT_EQ(*encodePayload(TelegramRequest{1, {0x98}}), hex("01 98"));
    EXPECT_EQ(*encodePayload(TelegramRequest{0, hex("CB 10 10 09 00")}), hex("00 CB 10 10 09 00"));
    auto back = decodeTelegramRequest(hex("02 1C E3"));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->option, 2);
    EXPECT_EQ(back->bytes, hex("1C E3"));
    EXPECT_EQ(decodeTelegramReply(hex("00 00 10 00"))->bytes, hex("00 00 10 00"));
    EXPECT_TRUE(decodeTelegramReply({})->bytes.empty());
}

TEST(TelegramPayload, RejectsAMissingCommandAndUnknownOptions) {
    EXPECT_EQ(decodeTelegramRequest(hex("01")).error(), Error::Truncated);
    EXPECT_EQ(decodeTelegramRequest({}).error(), Error::Truncated);
    EXPECT_EQ(decodeTelegramRequest(hex("03 98")).error(), Error::BadValue);
    EXPECT_EQ(encodePayload(TelegramRequest{3, {0x98}}).error(), Error::BadValue);
    EXPECT_EQ(encodePayload(TelegramRequest{0, {}}).error(), Error::Truncated);
}

TEST(Telegram, ParsesAndBuildsEveryCommandTheProgramSends) {
    const std::vector<std::pair<std::vector<uint8_t>, TelegramCommand>> cases = {
        {hex("98"), Poll{}},
        {hex("45 BA"), CoolStart{}},
        {hex("1C E3"), ColdStart{}},
        {hex("61 0E 00"), Activate{14, 0}},
        {hex("CB 00 04 00 00 00 01 00 00 00"), ListPartitions{}},
        {hex("CB 10 10 09 00"), GetNumberAttribute{16, 9}},
        {hex("CB 11 20 07 00 78 56 34 12"), SetNumberAttribute{32, 7, 0x12345678}},
        {hex("CB 11 20 04 01 FF FF FF FF"), SetNumberAttribute{32, 260, -1}},
        {hex("CB 14 10 6E 00"), GetTextAttribute{16, 110}},
        // The documented example: partition 3, attribute 2, text "AB".
        {hex("CB 15 03 02 00 41 42"), SetTextAttribute{3, 2, "AB"}},
        {hex("CB 15 03 02 00"), SetTextAttribute{3, 2, ""}},
    };
    for (const auto& [bytes, command] : cases) {
        auto parsed = parseTelegram(bytes);
        ASSERT_TRUE(parsed) << errorName(parsed.error());
        EXPECT_EQ(*parsed, command);
        EXPECT_EQ(buildTelegram(command), bytes);
    }
}

TEST(Telegram, RejectsWrongLengthsChecksAndUnknownCommands) {
    EXPECT_EQ(parseTelegram({}).error(), Error::Truncated);
    EXPECT_EQ(parseTelegram(hex("98 00")).error(), Error::WrongLength);
    EXPECT_EQ(parseTelegram(hex("45")).error(), Error::WrongLength);
    EXPECT_EQ(parseTelegram(hex("45 BB")).error(), Error::BadValue);
    EXPECT_EQ(parseTelegram(hex("1C E4")).error(), Error::BadValue);
    EXPECT_EQ(parseTelegram(hex("61 0E")).error(), Error::WrongLength);
    EXPECT_EQ(parseTelegram(hex("CB")).error(), Error::WrongLength);
    EXPECT_EQ(parseTelegram(hex("CB 00 04 00 00 00 01 00 00")).error(), Error::WrongLength);
    EXPECT_EQ(parseTelegram(hex("CB 00 05 00 00 00 01 00 00 00")).error(), Error::BadValue);
    EXPECT_EQ(parseTelegram(hex("CB 10 10 09")).error(), Error::WrongLength);
    EXPECT_EQ(parseTelegram(hex("CB 10 10 09 00 00")).error(), Error::WrongLength);
    EXPECT_EQ(parseTelegram(hex("CB 11 10 09 00 01 02 03")).error(), Error::WrongLength);
    EXPECT_EQ(parseTelegram(hex("CB 12 10 09 00")).error(), Error::UnknownCommand);
    EXPECT_EQ(parseTelegram(hex("77")).error(), Error::UnknownCommand);
}

TEST(TrialTelegrams, ParseAndBuildWithExactLengths) {
    const std::vector<std::pair<std::vector<uint8_t>, TelegramCommand>> cases = {
        // Partition 32, sub-application 2, back to 16/2, 30 s asked.
        {hex("62 20 02 10 02 30 75 00 00"), ActivateOnTrial{32, 2, 16, 2, 30000}},
        {hex("62 20 00 0E 00 FF FF FF FF"), ActivateOnTrial{32, 0, 14, 0, 0xFFFFFFFF}},
        {hex("63 20 02"), ConfirmTrial{32, 2}},
        {hex("64"), TrialStatus{}},
    };
    for (const auto& [bytes, command] : cases) {
        auto parsed = parseTelegram(bytes);
        ASSERT_TRUE(parsed) << errorName(parsed.error());
        EXPECT_EQ(*parsed, command);
        EXPECT_EQ(buildTelegram(command), bytes);
    }
    for (const char* wrong : {"62 20 02 10 02 30 75 00", "62 20 02 10 02 30 75 00 00 00", "63 20",
                              "63 20 02 00", "64 00"}) {
        SCOPED_TRACE(wrong);
        EXPECT_EQ(parseTelegram(hex(wrong)).error(), Error::WrongLength);
    }
}

TEST(TrialPayloads, ReportsRoundTripAndInconsistentOnesAreRefused) {
    const TrialReport returned{TrialState::Returned, true, 16, 2, 16, 2, 0,
                               ReturnReason::DidNotStart};
    EXPECT_EQ(*encodePayload(returned), hex("03 01 10 02 10 02 00 00 00 00 01"));
    EXPECT_EQ(*decodeTrialReport(hex("03 01 10 02 10 02 00 00 00 00 01")), returned);
    const TrialReport onTrial{TrialState::OnTrial, false, 32, 2, 16, 2, 1500, ReturnReason::None};
    EXPECT_EQ(*decodeTrialReport(*encodePayload(onTrial)), onTrial);
    EXPECT_EQ(*decodeTrialGrant(hex("30 75 00 00")), TrialGrant{30000});
    EXPECT_EQ(*encodePayload(TrialGrant{300}), hex("2C 01 00 00"));

    for (const char* bad : {
             "04 01 10 02 10 02 00 00 00 00 00",  // no such state
             "00 02 10 02 00 00 00 00 00 00 00",  // program flag 2
             "03 01 10 02 10 02 00 00 00 00 03",  // no such reason
             "03 01 10 02 10 02 00 00 00 00 00",  // returned without a reason
             "02 01 20 02 10 02 00 00 00 00 01",  // a reason while confirmed
             "02 01 20 02 10 02 05 00 00 00 00",  // time left while confirmed
         }) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(decodeTrialReport(hex(bad)).error(), Error::BadValue);
    }
    EXPECT_EQ(decodeTrialReport(hex("00 01 10 02 00 00 00 00 00 00")).error(), Error::WrongLength);
    EXPECT_EQ(decodeTrialGrant(hex("30 75 00")).error(), Error::WrongLength);
    EXPECT_EQ(encodePayload(TrialReport{TrialState::Running, true, 16, 0, 0, 0, 9,
                                        ReturnReason::None})
                  .error(),
              Error::BadValue);
}
